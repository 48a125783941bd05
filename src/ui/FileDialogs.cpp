#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace quorvane {

namespace {
FileChooser& installedChooser() {
    static FileChooser chooser;
    return chooser;
}
} // namespace

FileChooser setFileChooser(FileChooser chooser) {
    FileChooser previous = std::move(installedChooser());
    installedChooser() = std::move(chooser);
    return previous;
}

QString chooseSaveFile(QWidget* parent, const FileDialogRequest& request) {
    FileDialogRequest r = request;
    r.save = true;
    if (installedChooser())
        return installedChooser()(r);
    const QFileDialog::Options options =
        r.confirmOverwrite ? QFileDialog::Options() : QFileDialog::Options(QFileDialog::DontConfirmOverwrite);
    return QFileDialog::getSaveFileName(parent, r.title, QDir(r.folder).filePath(r.proposedName), r.filter,
                                        nullptr, options);
}

QString chooseOpenFile(QWidget* parent, const FileDialogRequest& request) {
    FileDialogRequest r = request;
    r.save = false;
    if (installedChooser())
        return installedChooser()(r);
    return QFileDialog::getOpenFileName(parent, r.title, r.folder, r.filter);
}

} // namespace quorvane
