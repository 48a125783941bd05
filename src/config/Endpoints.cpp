#include "config/Endpoints.h"

#include "platform/ApplicationFolder.h"
#include "platform/Messages.h"

#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace quorvane {

namespace {

struct DefaultAddress {
    QStringView key;
    QStringView address;
};

// The maker's two hosts lie under the reserved .example domain: nobody's host is contacted or shown until
// Endpoints.ini names a real one.
constexpr std::array<DefaultAddress, 9> kDefaults{{
    {u"Baidu", u"http://www.baidu.com"},
    {u"Google", u"http://www.google.com.hk"},
    {u"Yahoo", u"http://search.cn.yahoo.com"},
    {u"Soso", u"http://www.soso.com"},
    {u"Bing", u"http://cn.bing.com"},
    {u"Sogou", u"http://www.sogou.com"},
    {u"Youdao", u"http://www.youdao.com"},
    {u"Maker", u"http://www.velmora.example"},
    {u"Download", u"ftp://ftp.velmora.example"},
}};

struct EndpointState {
    bool loaded = false;
    QHash<QString, QString> addresses;
};

EndpointState& state() {
    static EndpointState s;
    return s;
}

void resetToDefaults(EndpointState& s) {
    s.addresses.clear();
    for (const DefaultAddress& d : kDefaults)
        s.addresses.insert(d.key.toString(), d.address.toString());
    s.loaded = true;
}

// "scheme://host[:port]" with nothing else, or nothing.
std::optional<QString> validAddress(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https" && scheme != u"ftp"))
        return std::nullopt;
    if (url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    if (!url.path().isEmpty() && url.path() != u"/")
        return std::nullopt;
    if (!text.trimmed().startsWith(scheme + u"://"))
        return std::nullopt;
    return url.adjusted(QUrl::RemovePath).toString();
}

} // namespace

QString defaultEndpoint(QStringView key) {
    for (const DefaultAddress& d : kDefaults)
        if (d.key == key)
            return d.address.toString();
    return {};
}

QString endpoint(QStringView key) {
    if (!state().loaded)
        loadEndpointsBesideExecutable();
    return state().addresses.value(key.toString());
}

void loadEndpoints(const QString& iniPath) {
    EndpointState& s = state();
    resetToDefaults(s);
    if (!QFileInfo(iniPath).isFile())
        return;
    const QString title = QStringLiteral("配置文件 ") + QFileInfo(iniPath).fileName();
    QSettings settings(iniPath, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        showErrorMsg(title + QStringLiteral(" 无法读取, 已使用程序内置的地址!"));
        return;
    }
    settings.beginGroup(QStringLiteral("Endpoints"));
    QStringList rejected;
    for (const QStringView key : kEndpointKeys) {
        const QString name = key.toString();
        if (!settings.contains(name))
            continue;
        const QVariant value = settings.value(name);
        // QSettings turns a value with a comma into a list; no valid address has one.
        const std::optional<QString> address =
            value.typeId() == QMetaType::QString ? validAddress(value.toString()) : std::nullopt;
        if (address)
            s.addresses.insert(name, *address);
        else
            rejected << name + u'=' + value.toStringList().join(u',');
    }
    if (!rejected.isEmpty())
        showErrorMsg(title + QStringLiteral(" 中的地址无效, 已使用程序内置的地址:\n") + rejected.join(u'\n'));
}

void loadEndpointsBesideExecutable() {
    loadEndpoints(applicationFolder() + QStringLiteral("Endpoints.ini"));
}

} // namespace quorvane
