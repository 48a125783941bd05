#pragma once

#include <QString>

#include <functional>

class QObject;

namespace quorvane {

// Hands an address to the desktop's default handler; the outcome is ignored.
void shellOpen(QObject* owner, const QString& target);

// What shellOpen does with an address: the desktop's "open" unless a test installed a recorder. Returns the
// previous handler.
using ShellOpenHandler = std::function<void(const QString& target)>;
ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler);

} // namespace quorvane
