#include "engine/NetworkSetup.h"

#include "engine/EnginePace.h"
#include "platform/ApplicationFolder.h"

#include <QNetworkProxyFactory>

#include <chrono>

namespace quorvane {

void applyNetworkSettings(const NetworkSettings& settings) {
    // The system's settings first; a proxy of our own then replaces them (setting the application proxy
    // drops the system factory).
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    if (settings.proxy)
        QNetworkProxy::setApplicationProxy(*settings.proxy);
    EnginePace::setRequestDelay(std::chrono::milliseconds(settings.delayMs));
}

void loadNetworkSettingsBesideExecutable() {
    applyNetworkSettings(readNetworkSettings(applicationFolder() + QStringLiteral("Endpoints.ini")));
}

} // namespace quorvane
