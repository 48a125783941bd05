#pragma once

#include <QString>

namespace quorvane {

// How a run paces its engines, from the [Network] section of Endpoints.ini:
//
//   [Network]
//   SideBySide=0
//
// SideBySide=0 checks the engines of a keyword one after the other, as older versions did, for networks or
// engines that object to several requests at once; absent or any other value keeps them side by side.
bool EnginesSideBySide(const QString& iniPath);
// EnginesSideBySide with Endpoints.ini in the executable's folder.
bool EnginesSideBySideBesideExecutable();

} // namespace quorvane
