#pragma once

#include <QString>

namespace quorvane {

// The folder of the running executable, ending with the path separator.
QString applicationFolder();

} // namespace quorvane
