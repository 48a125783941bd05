#include "store/Messages.h"

#include <QDesktopServices>
#include <QUrl>

#include <cstdio>

namespace quorvane {
namespace {

class StandardErrorPresenter final : public MessagePresenter {
public:
    int present(MessageKind kind, const QString& title, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
        return kind == MessageKind::Question ? IdNo : 1;
    }
};

StandardErrorPresenter fallbackPresenter;
MessagePresenter* installedPresenter = nullptr;

ShellOpenHandler& shellOpenHandler() {
    static ShellOpenHandler handler = [](const QString& target) {
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
    };
    return handler;
}

} // namespace

MessagePresenter* setMessagePresenter(MessagePresenter* presenter) {
    MessagePresenter* previous = installedPresenter;
    installedPresenter = presenter;
    return previous;
}

MessagePresenter* currentMessagePresenter() {
    return installedPresenter ? installedPresenter : &fallbackPresenter;
}

ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler) {
    ShellOpenHandler previous = std::move(shellOpenHandler());
    shellOpenHandler() = std::move(handler);
    return previous;
}

namespace detail {
void runShellOpen(const QString& target) {
    if (shellOpenHandler())
        shellOpenHandler()(target);
}
} // namespace detail

} // namespace quorvane
