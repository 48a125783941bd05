#pragma once

#include "store/Recordset.h"

#include <QDate>
#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace quorvane {

// What the two workbook exports share: the save dialog, the dated file names, the messages, the window
// kept responsive and the progress shown during a long export.

inline constexpr char16_t kExportSucceeded[] = u"导出数据成功!";
inline constexpr char16_t kExportFailed[] = u"导出数据失败!";
// The filters of the save dialog: the program's own names end in .xls; .xlsx is offered for the same
// Office Open XML content under the name other programs expect.
inline constexpr char16_t kWorkbookFilters[] = u"Excel文件(*.xls);;Excel文件(*.xlsx)";

// How an export ended. The exports show nothing themselves; the window tells the user (exportSuccessText,
// exportFailureText, or the general error report for a workbook that could not be prepared).
enum class ExportEnd {
    Cancelled,    // the save dialog was cancelled: nothing was read or written
    Saved,        // the workbook is at `target`
    Failed,       // a row or the save failed (`reason`, may be empty); no file is left at `target`
    BookUnusable, // the workbook could not be prepared (a template missing or damaged: `reason` names it)
};

struct ExportResult {
    ExportEnd end = ExportEnd::Cancelled;
    QString target;
    QString reason;
};

// A proposed name: the stem, the day as YYYY-MM-DD, ".xls" (最新排名结果2010-05-13.xls).
QString datedWorkbookName(const QString& stem, const QDate& day);

// "导出数据成功!", followed on a line of its own by the saved file's full path.
QString exportSuccessText(const QString& target);
// "导出数据失败!", followed on a line of its own by the reason when there is one.
QString exportFailureText(const QString& reason);

// Shows the save dialog in the program's folder with the proposed name, without an overwrite question.
// The chosen full path, or an empty text when the user cancelled.
QString chooseWorkbookTarget(QWidget* window, const QString& proposedName);

// Lets the window process its events while a long loop works: once the loop has worked a few
// milliseconds since the last time, not after every step, so the window stays responsive and the loop
// never waits. The first check is due at once.
class EventPump {
public:
    static constexpr int kIntervalMs = 8;

    // True when the window's events are due to be processed.
    bool due() const { return !sincePump_.isValid() || sincePump_.elapsed() >= kIntervalMs; }
    void pump();

private:
    QElapsedTimer sincePump_;
};

class Workbook;

// Writes a row's cells at a sheet row.
using RowWriter = std::function<void(Workbook& book, int sheetRow, const RecordRow& row)>;

// The row walk both exports share: the rows on display, one sheet row each from row 3 on, with the window
// processing its messages every few milliseconds (EventPump) and a progress window for long walks; then
// the save. The list's current row stays where it was. Saved, or Failed with the reason (a full disk, no
// permission).
ExportResult writeRowsAndSave(QWidget* window, Workbook& book, Recordset& list, const RowWriter& writeRow,
                              const QString& target);

// A progress window for the row walk; it appears only when the walk lasts more than a second, is not
// modal and goes when this object does.
class ExportProgress {
public:
    ExportProgress(QWidget* window, int rowCount);
    ~ExportProgress();
    ExportProgress(const ExportProgress&) = delete;
    ExportProgress& operator=(const ExportProgress&) = delete;

    // Shows the rows done; called when the window's events are processed, which redraws it.
    void rowsDone(int count);
    // The progress window, while it exists.
    QProgressDialog* dialog() const { return dialog_.get(); }

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace quorvane
