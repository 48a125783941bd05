#include "platform/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace quorvane {
namespace {

ShellOpenHandler& shellOpenHandler() {
    static ShellOpenHandler handler = [](const QString& target) {
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
    };
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
