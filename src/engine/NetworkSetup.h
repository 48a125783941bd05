#pragma once

#include "config/NetworkSettings.h"

namespace quorvane {

// Makes the settings the program's own: every network access from now on uses the proxy (or the system's
// proxy settings), and the result pages of one engine are spaced by the delay.
void applyNetworkSettings(const NetworkSettings& settings);

// readNetworkSettings of Endpoints.ini beside the executable, then applyNetworkSettings; the program calls
// it once at start, for the window and the command line alike.
void loadNetworkSettingsBesideExecutable();

} // namespace quorvane
