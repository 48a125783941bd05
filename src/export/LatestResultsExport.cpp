#include "export/LatestResultsExport.h"

#include "engine/EngineTable.h"
#include "export/CellAddress.h"
#include "export/ExportSteps.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "store/Recordset.h"
#include "store/SqlText.h"

#include <QHeaderView>
#include <QTableView>

#include <exception>
#include <vector>

namespace quorvane {

namespace {

// The data columns from A on (A to K for the built-in engines), whatever order the grid shows its columns in:
// the keyword, the address, the rank columns as the grid first shows them and the update time. A rank column
// links to the result page of its engine; both of an engine's rank columns link to the same page.
struct DataColumn {
    QString field;
    QString linkEngine; // empty: the value is written as it is
};

std::vector<DataColumn> dataColumns() {
    std::vector<DataColumn> columns{{QStringLiteral("KeyWordName"), {}}, {QStringLiteral("UrlName"), {}}};
    for (const RankColumn& rank : shownRankColumns())
        columns.push_back({rank.field().toString(), rank.engine->name.toString()});
    columns.push_back({QStringLiteral("UpdateTime"), {}});
    return columns;
}

// The header's or a data row's cells: from A to the last of the columns.
QString rowRange(int row, const std::vector<DataColumn>& columns) {
    return QStringLiteral("A%1:%2%1").arg(QString::number(row), columnName(static_cast<int>(columns.size())));
}

// A text inside a formula's string literal: a double quote is written twice.
QString formulaString(const QString& text) {
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// The title's font size and a row height with room for it: the default row is for the default 11 points.
constexpr double kTitlePoints = 15;
constexpr double kTitleRowPoints = 21;

void writeTitleRow(Workbook& book, const QDate& today) {
    book.merge(u"A1:H1");
    book.setRowHeight(1, kTitleRowPoints);
    book.setFontSize(u"A1:H1", kTitlePoints);
    book.setBold(u"A1:H1");
    book.setText(1, 1, dateText(today) + QString::fromUtf16(kLatestResultsTitle));
}

void writeHeaderRow(Workbook& book, const QStringList& titles) {
    for (int i = 1; i <= titles.size(); ++i) {
        book.setText(2, i, titles[i - 1]);
        book.setColumnWidth(i, 20);
    }
    const QString range = rowRange(2, dataColumns());
    book.centreHorizontally(range);
    book.setFontName(range, QString::fromUtf16(kLatestResultsFont));
    book.setFontSize(range, 9);
    book.setBold(range);
    book.setThinBorders(range);
}

class MissionRowWriter {
public:
    explicit MissionRowWriter(const Recordset& missions)
        : columns_(dataColumns()) {
        for (const DataColumn& column : columns_) {
            fields_.push_back(missions.fieldIndex(column.field));
            if (fields_.back() < 0)
                throw WorkbookError(QStringLiteral("任务列表中没有字段 ") + column.field + u'。');
        }
    }

    void write(Workbook& book, int r, const RecordRow& row) const {
        const QString keyword = text(row, 0);
        for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
            const QString& engine = columns_[static_cast<size_t>(c)].linkEngine;
            const QString value = text(row, c);
            const QString link = engine.isEmpty() ? QString() : rankLinkFormula(engine, keyword, value);
            if (link.isEmpty())
                book.setText(r, c + 1, value); // always a text cell, even when it begins with "="
            else
                book.setFormula(r, c + 1, link, value);
        }
        const QString range = rowRange(r, columns_);
        book.setFontName(range, QString::fromUtf16(kLatestResultsFont));
        book.setFontSize(range, 9);
        book.setThinBorders(range);
        book.centreHorizontally(range);
    }

private:
    // The value as the grid shows it.
    QString text(const RecordRow& row, int column) const {
        return row.text(fields_[static_cast<size_t>(column)]);
    }

    std::vector<DataColumn> columns_;
    std::vector<int> fields_;
};

} // namespace

QStringList columnTitlesOnDisplay(const QTableView& grid) {
    QStringList titles;
    const QHeaderView* header = grid.horizontalHeader();
    const QAbstractItemModel* model = grid.model();
    if (!model)
        return titles;
    for (int visual = 0; visual < header->count(); ++visual)
        titles << model->headerData(header->logicalIndex(visual), Qt::Horizontal).toString();
    return titles;
}

QString rankLinkFormula(QStringView engine, const QString& keyword, const QString& rankText) {
    // A text that is not a whole number counts as 0: ">100", "稍候" and the empty text get no link.
    bool isNumber = false;
    const int rank = rankText.toInt(&isNumber, 10);
    if (!isNumber || rank <= 0)
        return QString();
    const QString url = firstPageUrl(engine, keyword);
    if (url.isEmpty())
        return QString();
    return QStringLiteral("=HYPERLINK(") + formulaString(url) + u',' + formulaString(rankText) + u')';
}

ExportResult exportLatestResults(QWidget* window, Recordset& missions, const QTableView& missionGrid,
                                 const QDate& today) {
    // The target; a cancelled dialog ends the command before anything is built.
    const QString target =
        chooseWorkbookTarget(window, datedWorkbookName(QString::fromUtf16(kLatestResultsStem), today));
    if (target.isEmpty())
        return {};

    // A new workbook (creating it cannot fail here), its sheet name, the title and the header rows.
    Workbook book = Workbook::create();
    try {
        book.setSheetName(QString::fromUtf16(kLatestResultsSheet));
        // Eleven columns (the built-in engines') of 20 characters: across the paper, scaled to one page wide,
        // rather than four portrait pages of three columns each.
        book.printLandscapeOnePageWide();
        writeTitleRow(book, today);
        writeHeaderRow(book, columnTitlesOnDisplay(missionGrid));
    } catch (const WorkbookError& error) {
        return {ExportEnd::BookUnusable, target, error.message()};
    }

    // One row per mission in the order on display, from row 3 on, then the save.
    const MissionRowWriter writer(missions);
    return writeRowsAndSave(
        window, book, missions,
        [&writer](Workbook& sheet, int sheetRow, const RecordRow& row) {
            writer.write(sheet, sheetRow, row);
        },
        target);
}

} // namespace quorvane
