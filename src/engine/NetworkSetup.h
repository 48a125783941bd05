#pragma once

#include "config/NetworkSettings.h"

namespace quorvane {

// Makes the settings the program's own: every network access from now on uses the proxy (or the system's
// proxy settings), the result pages of one engine are spaced by the delay, and the rank runs deal their
// keywords out among the pool of proxies.
void applyNetworkSettings(const NetworkSettings& settings);

// The pool of proxies of the last settings applied (Proxies= of Endpoints.ini); empty without one.
QList<QNetworkProxy> configuredProxyPool();

// readNetworkSettings of Endpoints.ini in the settings folder (configFolder()), then applyNetworkSettings;
// the program calls it once at start, for the window and the command line alike, which show the faults.
SettingsFaults loadNetworkSettingsBesideExecutable();

} // namespace quorvane
