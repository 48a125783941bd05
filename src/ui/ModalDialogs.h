#pragma once

#include <functional>

class QDialog;

namespace quorvane {

// Runs the program's own modal dialogs (settings, finder, about). The program shows them with exec();
// a test installs a runner that looks at or drives the dialog and returns without a modal loop.
using ModalRunner = std::function<int(QDialog& dialog)>;

// Installs a runner and returns the previous one; an empty runner restores exec().
ModalRunner setModalRunner(ModalRunner runner);
int execModal(QDialog& dialog);

} // namespace quorvane
