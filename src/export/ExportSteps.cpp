#include "export/ExportSteps.h"

#include "export/Workbook.h"
#include "export/WorkbookError.h"

#include "platform/ProgramFolders.h"
#include "store/SqlText.h"
#include "ui/FileDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QProgressDialog>

#include <algorithm>
#include <exception>
#include <new>

namespace quorvane {

QString datedWorkbookName(const QString& stem, const QDate& day) {
    return stem + dateText(day) + QStringLiteral(".xls");
}

QString chooseWorkbookTarget(QWidget* window, const QString& proposedName) {
    FileDialogRequest request;
    request.save = true;
    request.folder = dataFolder();
    request.proposedName = proposedName;
    request.filter = QString::fromUtf16(kWorkbookFilters);
    request.confirmOverwrite = false;
    return chooseSaveFile(window, request);
}

QString exportSuccessText(const QString& target) {
    // The file's place on the line below: the dialog may have opened in a folder the user did not expect.
    return QString::fromUtf16(kExportSucceeded) + u'\n' + QDir::toNativeSeparators(target);
}

QString exportFailureText(const QString& reason) {
    const QString failed = QString::fromUtf16(kExportFailed);
    return reason.isEmpty() ? failed : failed + u'\n' + reason;
}

void EventPump::pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sincePump_.start();
}

ExportResult writeRowsAndSave(QWidget* window, Workbook& book, Recordset& list, const RowWriter& writeRow,
                              const QString& target) {
    // The rows are read from a snapshot of the list as it is now, so the grid does not follow the walk and
    // a reload, a sort or an edit meanwhile changes nothing here. The list's current row is the user's and
    // stays where it is: the grid's cursor, its selection and the history shown for it keep agreeing.
    const RecordSnapshot rows = list.snapshot(); // a closed list holds no rows
    bool saved = false;
    QString reason;
    try {
        ExportProgress progress(window, rows.rowCount());
        EventPump pump;
        int sheetRow = 3;
        for (int row = 0; row < rows.rowCount(); ++row) {
            writeRow(book, sheetRow, rows.row(row));
            if (pump.due()) {
                progress.rowsDone(sheetRow - 2);
                pump.pump();
            }
            ++sheetRow;
        }
        progress.rowsDone(rows.rowCount());
        book.save(target);
        saved = true;
    } catch (const WorkbookError& error) {
        reason = error.message();
    } catch (const std::bad_alloc&) {
        reason = QStringLiteral("内存不足。");
    } catch (const std::exception& error) {
        reason = QString::fromUtf8(error.what());
    }
    return {saved ? ExportEnd::Saved : ExportEnd::Failed, target, reason};
}

ExportProgress::ExportProgress(QWidget* window, int rowCount)
    : dialog_(std::make_unique<QProgressDialog>(window)) {
    dialog_->setWindowTitle(QCoreApplication::applicationName());
    dialog_->setLabelText(QStringLiteral("正在导出数据..."));
    dialog_->setCancelButton(nullptr);
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(1000);
    dialog_->setRange(0, std::max(rowCount, 1));
    dialog_->setValue(0);
}

ExportProgress::~ExportProgress() = default;

void ExportProgress::rowsDone(int count) {
    dialog_->setValue(count);
}

} // namespace quorvane
