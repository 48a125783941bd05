#pragma once

#include <QString>

namespace quorvane {

// How a run paces its engines, from the [Network] section of Endpoints.ini:
//
//   [Network]
//   sideBySide=0
//
// sideBySide=0 checks the engines of a keyword one after the other, as older versions did, for networks or
// engines that object to several requests at once; absent or any other value keeps them side by side.
bool enginesSideBySide(const QString& iniPath);
// enginesSideBySide with Endpoints.ini in the executable's folder.
bool enginesSideBySideBesideExecutable();

} // namespace quorvane
