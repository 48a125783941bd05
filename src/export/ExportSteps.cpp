#include "export/ExportSteps.h"

#include "store/SharedFunctions.h"
#include "store/SqlText.h"
#include "ui/FileDialogs.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QThread>

#include <algorithm>

namespace quorvane {

QString DatedWorkbookName(const QString& stem, const QDate& day) {
    return stem + DateText(day) + QStringLiteral(".xls");
}

QString ChooseWorkbookTarget(QWidget* window, const QString& proposedName) {
    FileDialogRequest request;
    request.save = true;
    request.folder = GetAppDir();
    request.proposedName = proposedName;
    request.filter = QString::fromUtf16(kWorkbookFilters);
    request.confirmOverwrite = false;
    return ChooseSaveFile(window, request);
}

std::vector<Recordset::Row> RowsOnDisplay(const Recordset& rows) {
    std::vector<Recordset::Row> copy;
    if (!rows.IsOpen())
        return copy;
    copy.reserve(static_cast<size_t>(rows.RecordCount()));
    for (int row = 0; row < rows.RecordCount(); ++row)
        copy.push_back(rows.RowAt(row));
    return copy;
}

void PauseAfterRow() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(1);
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
    // Redrawing the bar for every one of ten thousand rows costs more than the row itself.
    if (count % 50 == 0 || count == dialog_->maximum())
        dialog_->setValue(count);
}

} // namespace quorvane
