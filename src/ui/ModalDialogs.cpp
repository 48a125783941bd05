#include "ui/ModalDialogs.h"

#include <QDialog>

namespace quorvane {

namespace {
ModalRunner& installedRunner() {
    static ModalRunner runner;
    return runner;
}
} // namespace

ModalRunner setModalRunner(ModalRunner runner) {
    ModalRunner previous = std::move(installedRunner());
    installedRunner() = std::move(runner);
    return previous;
}

int execModal(QDialog& dialog) {
    if (installedRunner())
        return installedRunner()(dialog);
    return dialog.exec();
}

} // namespace quorvane
