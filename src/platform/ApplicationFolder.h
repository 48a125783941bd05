#pragma once

#include <QString>

namespace quorvane {

// The folder of the running executable, ending with the path separator.
QString applicationFolder();
// The same before the application object exists (the folder of /proc/self/exe).
QString applicationFolderBeforeStart();

} // namespace quorvane
