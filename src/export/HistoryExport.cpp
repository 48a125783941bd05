#include "export/HistoryExport.h"

#include "export/ExportSteps.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "platform/ProgramFolders.h"
#include "store/Recordset.h"

#include <array>
#include <exception>
#include <optional>

namespace quorvane {

namespace {

// Columns A to E. The ranks are numbers, so that the template's chart draws them.
class HistoryRowWriter {
public:
    explicit HistoryRowWriter(const Recordset& history) {
        const std::array<QStringView, 5> names{u"KeyWordName", u"UrlName", u"BaiduRank", u"GoogleRank",
                                               u"UpdateTime"};
        for (size_t c = 0; c < names.size(); ++c) {
            fields_[c] = history.fieldIndex(names[c]);
            if (fields_[c] < 0)
                throw WorkbookError(QStringLiteral("排名历史记录中没有字段 ") + names[c].toString() + u'。');
        }
    }

    void write(Workbook& book, int r, const RecordRow& row) const {
        book.setText(r, 1, value(row, 0).toString());
        book.setText(r, 2, value(row, 1).toString());
        writeRank(book, r, 3, value(row, 2));
        writeRank(book, r, 4, value(row, 3));
        book.setText(r, 5, value(row, 4).toString());
        book.centreHorizontally(QStringLiteral("A%1:E%1").arg(r));
    }

private:
    QVariant value(const RecordRow& row, int column) const {
        return row.value(fields_[static_cast<size_t>(column)]);
    }

    static void writeRank(Workbook& book, int r, int column, const QVariant& rank) {
        // A day without a rank holds 0; anything that is not a number is kept as its text.
        bool isNumber = false;
        const qlonglong number = rank.toLongLong(&isNumber);
        if (isNumber)
            book.setNumber(r, column, static_cast<double>(number));
        else
            book.setText(r, column, rank.toString());
    }

    std::array<int, 5> fields_{};
};

} // namespace

QString historyTemplatePath() {
    return dataFolder() + QString::fromUtf16(kHistoryTemplateName);
}

ExportResult exportHistory(QWidget* window, Recordset& historyRows, const QString& templatePath,
                           const QDate& today) {
    // The target; a cancelled dialog ends the command before anything is read.
    const QString target =
        chooseWorkbookTarget(window, datedWorkbookName(QString::fromUtf16(kHistoryStem), today));
    if (target.isEmpty())
        return {};

    // A copy of the template with sheet 1 renamed; the template file is read once and never written.
    std::optional<Workbook> opened;
    try {
        opened.emplace(Workbook::openCopy(templatePath));
        opened->setSheetName(QString::fromUtf16(kHistorySheet));
    } catch (const WorkbookError& error) {
        return {ExportEnd::BookUnusable, target, error.message()};
    }

    // The rows on display from row 3 on, then the save.
    const HistoryRowWriter writer(historyRows);
    return writeRowsAndSave(
        window, *opened, historyRows,
        [&writer](Workbook& book, int sheetRow, const RecordRow& row) { writer.write(book, sheetRow, row); },
        target);
}

} // namespace quorvane
