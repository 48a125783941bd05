#include "engine/NetworkSetup.h"

#include "engine/EnginePace.h"
#include "platform/ProgramFolders.h"

#include <QNetworkProxyFactory>

#include <chrono>
#include <mutex>

namespace quorvane {

namespace {

// Written at start (or by a test between runs), read when a run starts.
std::mutex poolMutex;
QList<QNetworkProxy> proxyPool;

} // namespace

QList<QNetworkProxy> configuredProxyPool() {
    const std::lock_guard lock(poolMutex);
    return proxyPool;
}

void applyNetworkSettings(const NetworkSettings& settings) {
    // The system's settings first; a proxy of our own then replaces them (setting the application proxy
    // drops the system factory).
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    if (settings.proxy)
        QNetworkProxy::setApplicationProxy(*settings.proxy);
    EnginePace::setRequestDelay(std::chrono::milliseconds(settings.delayMs));
    const std::lock_guard lock(poolMutex);
    proxyPool = settings.proxyPool;
}

SettingsFaults loadNetworkSettingsBesideExecutable() {
    const NetworkSettings settings = readNetworkSettings(configFolder() + QStringLiteral("Endpoints.ini"));
    applyNetworkSettings(settings);
    return settings.faults;
}

} // namespace quorvane
