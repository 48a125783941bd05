#include "config/NetworkSettings.h"

#include "config/Endpoints.h"
#include "config/IniText.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace quorvane {

std::optional<QNetworkProxy> parseProxy(const QString& text) {
    const QString trimmed = text.trimmed();
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    QNetworkProxy::ProxyType type;
    if (scheme == u"http")
        type = QNetworkProxy::HttpProxy;
    else if (scheme == u"socks5")
        type = QNetworkProxy::Socks5Proxy;
    else
        return std::nullopt;
    if (!url.isValid() || url.host().isEmpty() || url.port() <= 0 || url.hasQuery() || url.hasFragment() ||
        (!url.path().isEmpty() && url.path() != u"/") || !trimmed.startsWith(url.scheme() + u"://"))
        return std::nullopt;
    return QNetworkProxy(type, url.host(), static_cast<quint16>(url.port()), url.userName(), url.password());
}

std::optional<QList<QNetworkProxy>> parseProxyPool(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    QList<QNetworkProxy> pool;
    for (const QString& address : text.split(separators, Qt::SkipEmptyParts)) {
        const std::optional<QNetworkProxy> proxy = parseProxy(address);
        if (!proxy)
            return std::nullopt;
        pool << *proxy;
    }
    if (pool.isEmpty())
        return std::nullopt;
    return pool;
}

NetworkSettings readNetworkSettings(const QString& iniPath) {
    NetworkSettings result;
    const IniFile ini = readIniFile(iniPath, IniComments::AfterValues);
    if (ini.state != IniFileState::Read)
        return result; // the endpoints' reading of the same file reports an unreadable one
    const QString title = QStringLiteral("配置文件 ") + ini.path;

    QStringList faults;
    // Proxy= with nothing: the system's settings, as without the key.
    const auto proxyFault = [](const QString& value) {
        if (value.trimmed().isEmpty() || parseProxy(value))
            return QString();
        const std::optional<qint64> port = writtenPort(value);
        if (port && (*port < 1 || *port > kMaxPort))
            return QStringLiteral("端口应为 1 至 %1").arg(kMaxPort);
        return QStringLiteral("应为 http:// 或 socks5:// 主机:端口");
    };
    if (const IniEntry* entry = lastValidSetting(ini.document, u"Network", u"Proxy", proxyFault, faults))
        result.proxy = parseProxy(entry->value);
    if (!faults.isEmpty())
        result.faults.append(
            {SettingsFaultKind::Proxy,
             title + QStringLiteral(" 中的代理设置有误, 有误的项已忽略, 未设代理时使用系统的代理设置:\n") +
                 faults.join(u'\n')});

    faults.clear();
    // Proxies= with nothing: no pool, as without the key.
    const auto poolFault = [](const QString& value) {
        if (value.trimmed().isEmpty() || parseProxyPool(value))
            return QString();
        return QStringLiteral("应为以逗号分隔的 http:// 或 socks5:// 主机:端口");
    };
    if (const IniEntry* entry = lastValidSetting(ini.document, u"Network", u"Proxies", poolFault, faults))
        result.proxyPool = parseProxyPool(entry->value).value_or(QList<QNetworkProxy>());
    if (!faults.isEmpty())
        result.faults.append(
            {SettingsFaultKind::ProxyPool,
             title +
                 QStringLiteral(" 中的代理池设置有误, 有误的项已忽略, 未设时每个搜索引擎只用一个连接:\n") +
                 faults.join(u'\n')});

    faults.clear();
    const auto delayFault = [](const QString& value) {
        bool ok = false;
        const int delay = value.trimmed().toInt(&ok);
        return ok && delay >= 0 && delay <= kMaxDelayMs
                   ? QString()
                   : QStringLiteral("应为 0 至 %1 毫秒").arg(kMaxDelayMs);
    };
    if (const IniEntry* entry = lastValidSetting(ini.document, u"Network", u"DelayMs", delayFault, faults))
        result.delayMs = entry->value.trimmed().toInt();
    if (!faults.isEmpty())
        result.faults.append({SettingsFaultKind::DelayMs,
                              title + QStringLiteral(" 中的 DelayMs 有误, 有误的项已忽略, 未设时为 0:\n") +
                                  faults.join(u'\n')});
    return result;
}

} // namespace quorvane
