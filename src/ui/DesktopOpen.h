#pragma once

#include <QString>

namespace quorvane {

// The desktop's "open" for an address or a file, the window's handler of shellOpen().
void openWithDesktop(const QString& target);

} // namespace quorvane
