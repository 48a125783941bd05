#include "export/LatestResultsExport.h"

#include "engine/EngineTable.h"
#include "export/ExportSteps.h"
#include "export/Workbook.h"
#include "export/WorkbookError.h"
#include "store/Recordset.h"
#include "store/SqlText.h"

#include <QHeaderView>
#include <QTableView>

#include <array>
#include <exception>

namespace quorvane {

namespace {

// The data columns A to K, whatever order the grid shows its columns in. A rank column links to the
// result page of its engine; both Baidu columns link to the same Baidu page.
struct DataColumn {
    QStringView field;
    QStringView linkEngine; // empty: the value is written as it is
};

constexpr std::array<DataColumn, 11> kDataColumns{{
    {u"KeyWordName", u""},
    {u"UrlName", u""},
    {u"BaiduRank", u"Baidu"},
    {u"BaiduRank2", u"Baidu"},
    {u"GoogleRank", u"Google"},
    {u"YahooRank", u"Yahoo"},
    {u"SogouRank", u"Sogou"},
    {u"BingRank", u"Bing"},
    {u"SosoRank", u"Soso"},
    {u"YoudaoRank", u"Youdao"},
    {u"UpdateTime", u""},
}};

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
    book.centreHorizontally(u"A2:K2");
    book.setFontName(u"A2:K2", QString::fromUtf16(kLatestResultsFont));
    book.setFontSize(u"A2:K2", 9);
    book.setBold(u"A2:K2");
    book.setThinBorders(u"A2:K2");
}

class MissionRowWriter {
public:
    explicit MissionRowWriter(const Recordset& missions) {
        for (size_t c = 0; c < kDataColumns.size(); ++c) {
            fields_[c] = missions.fieldIndex(kDataColumns[c].field);
            if (fields_[c] < 0)
                throw WorkbookError(QStringLiteral("任务列表中没有字段 ") + kDataColumns[c].field.toString() +
                                    u'。');
        }
    }

    void write(Workbook& book, int r, const RecordRow& row) const {
        const QString keyword = text(row, 0);
        for (int c = 0; c < static_cast<int>(kDataColumns.size()); ++c) {
            const QString value = text(row, c);
            const QString link = kDataColumns[c].linkEngine.isEmpty()
                                     ? QString()
                                     : rankLinkFormula(kDataColumns[c].linkEngine, keyword, value);
            if (link.isEmpty())
                book.setText(r, c + 1, value); // always a text cell, even when it begins with "="
            else
                book.setFormula(r, c + 1, link, value);
        }
        const QString range = QStringLiteral("A%1:K%1").arg(r);
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

    std::array<int, kDataColumns.size()> fields_{};
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
        // Eleven columns of 20 characters: across the paper, scaled to one page wide, rather than four
        // portrait pages of three columns each.
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
