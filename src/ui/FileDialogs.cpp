#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace quorvane {

namespace {
FileChooser& installedChooser() {
    static FileChooser chooser;
    return chooser;
}
QString& lastSaveFolder() {
    static QString folder;
    return folder;
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
    if (!lastSaveFolder().isEmpty())
        r.folder = lastSaveFolder();
    QString chosen;
    if (installedChooser()) {
        chosen = installedChooser()(r);
    } else {
        const QFileDialog::Options options = r.confirmOverwrite
                                                 ? QFileDialog::Options()
                                                 : QFileDialog::Options(QFileDialog::DontConfirmOverwrite);
        chosen = QFileDialog::getSaveFileName(parent, r.title, QDir(r.folder).filePath(r.proposedName),
                                              r.filter, nullptr, options);
    }
    if (!chosen.isEmpty())
        lastSaveFolder() = QFileInfo(chosen).absolutePath();
    return chosen;
}

QString rememberedSaveFolder() {
    return lastSaveFolder();
}

void forgetSaveFolder() {
    lastSaveFolder().clear();
}

QString chooseOpenFile(QWidget* parent, const FileDialogRequest& request) {
    FileDialogRequest r = request;
    r.save = false;
    if (installedChooser())
        return installedChooser()(r);
    return QFileDialog::getOpenFileName(parent, r.title, r.folder, r.filter);
}

} // namespace quorvane
