#include "config/Endpoints.h"

#include "catalog/EngineCatalog.h"
#include "config/IniText.h"
#include "platform/ProgramFolders.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace quorvane {

namespace {

struct DefaultAddress {
    QStringView key;
    QStringView address;
};

// The maker's two hosts lie under the reserved .example domain: nobody's host is contacted or shown until
// Endpoints.ini names a real one. The engines' hosts are in the engine table.
constexpr std::array<DefaultAddress, 2> kMakerDefaults{{
    {u"Maker", u"http://www.velmora.example"},
    {u"Download", u"ftp://ftp.velmora.example"},
}};

struct EndpointState {
    bool loaded = false;
    QHash<QString, QString> addresses;
};

void resetToDefaults(EndpointState& s) {
    s.addresses.clear();
    for (const QStringView key : endpointKeys())
        s.addresses.insert(key.toString(), defaultEndpoint(key));
    s.loaded = true;
}

// The compiled-in addresses from the first use on (made once, whichever thread asks first).
EndpointState& state() {
    static EndpointState s = [] {
        EndpointState made;
        resetToDefaults(made);
        return made;
    }();
    return s;
}

// "scheme://host[:port]" with nothing else, or nothing.
std::optional<QString> validAddress(const QString& text) {
    // No address has a comma; one written as "http://a,b" meant two.
    if (text.contains(u','))
        return std::nullopt;
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https" && scheme != u"ftp"))
        return std::nullopt;
    if (url.host().isEmpty() || !url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    if (!url.path().isEmpty() && url.path() != u"/")
        return std::nullopt;
    if (!text.trimmed().startsWith(scheme + u"://") || url.port() == 0)
        return std::nullopt;
    return url.adjusted(QUrl::RemovePath).toString();
}

// What is wrong with an address validAddress refused.
QString addressFault(const QString& text) {
    const std::optional<qint64> port = writtenPort(text);
    if (port && (*port < 1 || *port > kMaxPort))
        return QStringLiteral("端口应为 1 至 %1").arg(kMaxPort);
    return QStringLiteral("地址无效, 应为 http、https 或 ftp://主机[:端口]");
}

// The [Network] keys whose readers (NetworkSettings, RunSettings) report their own mistakes.
constexpr std::array<QStringView, 3> kNetworkKeys{u"Proxy", u"DelayMs", u"SideBySide"};

bool isNetworkKey(const IniSection& section, const IniEntry& entry) {
    return section.name == u"Network" &&
           std::find(kNetworkKeys.begin(), kNetworkKeys.end(), entry.key) != kNetworkKeys.end();
}

// The file's mistakes that belong to no [Network] setting: lines outside sections, unreadable lines,
// lines of [Endpoints] and [Network] that are not a key.
void collectFileFaults(const IniDocument& document, QStringList& faults) {
    for (const int line : document.linesOutsideSections)
        faults << iniLinePlace(line) + QStringLiteral("不在任何 [组] 之下, 未使用");
    for (const int line : document.unreadableLines)
        faults << iniLinePlace(line) + iniUnreadableText(document);
    for (const IniSection& section : document.sections) {
        if (!section.readable) {
            faults << iniLinePlace(section.line) + iniUnreadableText(document);
            continue;
        }
        if (section.name == u"Endpoints" || section.name == u"Network")
            for (const int line : section.badLines)
                faults << QStringLiteral("[%1] 第 %2 行: 不是 键=值").arg(section.name).arg(line);
        for (const IniEntry& entry : section.entries) {
            const bool known = section.name == u"Endpoints" && endpointKeys().contains(entry.key);
            // Known keys are reported with their values below and in the [Network] readers.
            if (!entry.readable && !known && !isNetworkKey(section, entry))
                faults << iniPlace(section, entry) + iniUnreadableText(document);
        }
    }
}

} // namespace

std::optional<qint64> writtenPort(QStringView address) {
    const qsizetype scheme = address.indexOf(u"://");
    if (scheme < 0)
        return std::nullopt;
    QStringView authority = address.sliced(scheme + 3);
    for (const QChar end : {u'/', u'?', u'#'})
        if (const qsizetype at = authority.indexOf(end); at >= 0)
            authority = authority.first(at);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = authority.sliced(at + 1);
    if (const qsizetype bracket = authority.lastIndexOf(u']'); bracket >= 0)
        authority = authority.sliced(bracket + 1);
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon < 0)
        return std::nullopt;
    const QStringView digits = authority.sliced(colon + 1).trimmed();
    if (digits.isEmpty() || digits.size() > 12)
        return std::nullopt;
    for (const QChar c : digits)
        if (!c.isDigit() || c.unicode() > 0x7F)
            return std::nullopt;
    return digits.toLongLong();
}

QList<QStringView> endpointKeys() {
    QList<QStringView> keys;
    for (const EngineInfo& engine : engines())
        keys.append(engine.name);
    for (const DefaultAddress& d : kMakerDefaults)
        keys.append(d.key);
    return keys;
}

QString defaultEndpoint(QStringView key) {
    if (const EngineInfo* engine = findEngine(key))
        return engine->defaultEndpoint.toString();
    for (const DefaultAddress& d : kMakerDefaults)
        if (d.key == key)
            return d.address.toString();
    return {};
}

QString endpoint(QStringView key) {
    return state().addresses.value(key.toString());
}

SettingsFaults loadEndpoints(const QString& iniPath) {
    EndpointState& s = state();
    resetToDefaults(s);
    const IniFile ini = readIniFile(iniPath, IniComments::AfterValues);
    if (ini.state == IniFileState::Absent)
        return {};
    const QString title = QStringLiteral("配置文件 ") + ini.path;
    if (ini.state == IniFileState::Unreadable)
        return {{SettingsFaultKind::Unreadable, title + QStringLiteral(" 无法读取 (") + ini.why +
                                                    QStringLiteral("), 已使用程序内置的地址!")}};
    QStringList faults;
    collectFileFaults(ini.document, faults);
    for (const QStringView key : endpointKeys()) {
        const auto faultOf = [](const QString& value) {
            return validAddress(value) ? QString() : addressFault(value);
        };
        if (const IniEntry* entry = lastValidSetting(ini.document, u"Endpoints", key, faultOf, faults))
            s.addresses.insert(key.toString(), *validAddress(entry->value));
    }
    if (faults.isEmpty())
        return {};
    return {
        {SettingsFaultKind::Endpoints,
         title + QStringLiteral(" 中有误, 有误的项已忽略, 仍使用程序内置的地址:\n") + faults.join(u'\n')}};
}

SettingsFaults loadEndpointsBesideExecutable() {
    return loadEndpoints(configFolder() + QStringLiteral("Endpoints.ini"));
}

} // namespace quorvane
