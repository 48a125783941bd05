#pragma once

#include <QString>

#include <functional>

class QObject;

namespace quorvane {

// Hands an address to the installed handler, the desktop's default one in the window; the outcome is
// ignored.
void shellOpen(QObject* owner, const QString& target);

// What shellOpen does with an address: nothing until a handler is installed. The window installs the
// desktop's "open" (ui/DesktopOpen.h), tests a recorder; the command line opens nothing. Returns the
// previous handler.
using ShellOpenHandler = std::function<void(const QString& target)>;
ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler);

} // namespace quorvane
