#include "export/HistoryExport.h"

#include "catalog/EngineCatalog.h"
#include "export/CellAddress.h"
#include "export/ExportSteps.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "platform/ProgramFolders.h"
#include "store/Recordset.h"

#include <exception>
#include <optional>
#include <vector>

namespace quorvane {

namespace {

// Columns A on: the keyword, the address, the first ranks of the engines the template's chart draws (those
// the oldest files knew, in the run order: A to E for the built-in engines) and the day. The ranks are
// numbers, so that the template's chart draws them.
class HistoryRowWriter {
public:
    explicit HistoryRowWriter(const Recordset& history) {
        QStringList names{QStringLiteral("KeyWordName"), QStringLiteral("UrlName")};
        for (const EngineInfo* engine : runOrder())
            if (engine->inOldestSchema)
                names << engine->rankColumn.toString();
        names << QStringLiteral("UpdateTime");
        for (const QString& name : names) {
            fields_.push_back(history.fieldIndex(name));
            if (fields_.back() < 0)
                throw WorkbookError(QStringLiteral("排名历史记录中没有字段 ") + name + u'。');
        }
    }

    void write(Workbook& book, int r, const RecordRow& row) const {
        const int last = static_cast<int>(fields_.size());
        book.setText(r, 1, value(row, 0).toString());
        book.setText(r, 2, value(row, 1).toString());
        for (int c = 3; c < last; ++c)
            writeRank(book, r, c, value(row, c - 1));
        book.setText(r, last, value(row, last - 1).toString());
        book.centreHorizontally(QStringLiteral("A%1:%2%1").arg(QString::number(r), columnName(last)));
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

    std::vector<int> fields_;
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
