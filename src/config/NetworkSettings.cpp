#include "config/NetworkSettings.h"

#include "platform/ApplicationFolder.h"
#include "platform/Messages.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QUrl>

namespace quorvane {

namespace {

// The value as one text, or nothing when QSettings made a list of it (a comma) or there is none.
std::optional<QString> singleText(const QVariant& value) {
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString().trimmed();
}

QString shown(const QVariant& value) {
    return value.toStringList().join(u',');
}

} // namespace

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

NetworkSettings readNetworkSettings(const QString& iniPath) {
    NetworkSettings result;
    if (!QFileInfo(iniPath).isFile())
        return result;
    const QString title = QStringLiteral("配置文件 ") + QFileInfo(iniPath).fileName();
    QSettings settings(iniPath, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return result; // the endpoints' reading of the same file reports it
    settings.beginGroup(QStringLiteral("Network"));

    if (settings.contains(QStringLiteral("Proxy"))) {
        const QVariant value = settings.value(QStringLiteral("Proxy"));
        const std::optional<QString> text = singleText(value);
        if (text && text->isEmpty()) {
            // Proxy= with nothing: the system's settings, as without the key.
        } else if (std::optional<QNetworkProxy> proxy = text ? parseProxy(*text) : std::nullopt) {
            result.proxy = std::move(proxy);
        } else {
            showErrorMsg(title + QStringLiteral(" 中的代理地址无效, 已使用系统的代理设置:\nProxy=") +
                         shown(value));
        }
    }

    if (settings.contains(QStringLiteral("DelayMs"))) {
        const QVariant value = settings.value(QStringLiteral("DelayMs"));
        const std::optional<QString> text = singleText(value);
        bool ok = false;
        const int delay = text ? text->toInt(&ok) : 0;
        if (ok && delay >= 0 && delay <= kMaxDelayMs)
            result.delayMs = delay;
        else
            showErrorMsg(title + QStringLiteral(" 中的 DelayMs 无效 (应为 0 至 ") +
                         QString::number(kMaxDelayMs) + QStringLiteral(" 毫秒), 已使用 0:\nDelayMs=") +
                         shown(value));
    }
    return result;
}

} // namespace quorvane
