#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quorvane {

// The save and open dialogs. The program shows the platform's dialogs; a test installs a chooser that
// gives the next file name (or an empty text for a cancelled dialog) without a modal loop.
struct FileDialogRequest {
    bool save = false;
    QString title;
    QString folder;
    QString proposedName;
    QString filter;
    // Save dialogs only: whether choosing an existing file asks before replacing it.
    bool confirmOverwrite = true;
};
using FileChooser = std::function<QString(const FileDialogRequest&)>;

// Installs a chooser and returns the previous one; an empty chooser restores the platform dialogs.
FileChooser setFileChooser(FileChooser chooser);

// The chosen file's full path, or an empty text when the user cancelled. Once a save dialog has chosen a
// file, the save dialogs after it open in that file's folder instead of the requested one, for as long as
// the program runs.
QString chooseSaveFile(QWidget* parent, const FileDialogRequest& request);
// The folder the next save dialog opens in instead of the requested one; empty before the first choice.
QString rememberedSaveFolder();
// Forgets the remembered folder: the next save dialog opens in the requested folder again.
void forgetSaveFolder();
QString chooseOpenFile(QWidget* parent, const FileDialogRequest& request);

} // namespace quorvane
