#pragma once

#include "config/SettingsFaults.h"

#include <QString>

namespace quorvane {

// How a run paces its engines, from the [Network] section of Endpoints.ini:
//
//   [Network]
//   SideBySide=0
//
// SideBySide=0 (or false) checks the engines of a keyword one after the other, as older versions did, for
// networks or engines that object to several requests at once; absent, 1 or true keeps them side by side.
// Any other value, a line not valid in the file's encoding or a second SideBySide is reported once per
// reading as a fault in `faults` (when given), with section, key and line; a refused value leaves them side
// by side, and of a repeated key the last one counts.
bool enginesSideBySide(const QString& iniPath, SettingsFaults* faults = nullptr);
// enginesSideBySide with Endpoints.ini in the settings folder (configFolder()).
bool enginesSideBySideBesideExecutable(SettingsFaults* faults = nullptr);

} // namespace quorvane
