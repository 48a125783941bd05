#include "platform/ShellOpen.h"

#include <utility>

namespace quorvane {
namespace {

ShellOpenHandler& shellOpenHandler() {
    static ShellOpenHandler handler;
    return handler;
}

} // namespace

ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler) {
    ShellOpenHandler previous = std::move(shellOpenHandler());
    shellOpenHandler() = std::move(handler);
    return previous;
}

void shellOpen(QObject* owner, const QString& target) {
    Q_UNUSED(owner); // the desktop places its own windows
    if (shellOpenHandler())
        shellOpenHandler()(target);
}

} // namespace quorvane
