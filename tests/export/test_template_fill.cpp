// Filling a copy of the history template: rows from 3 on, the renamed sheet, the chart pointed at the
// rows written, and the template itself left alone.
#include "ExportTesting.h"

#include "export/CellAddress.h"
#include "export/WorkbookError.h"
#include "platform/QStringPrinter.h"
#include "support/Files.h"

#include <QFile>

#include <pugixml.hpp>
#include <xlsxwriter.h>

namespace quorvane::test {
namespace {

const QString kSheetName = QStringLiteral("关键词和链接历史记录");

struct HistoryRow {
    const char* keyword;
    const char* url;
    int baidu;
    int google;
    const char* day;
};

const HistoryRow kHistory[] = {
    {"排名软件", "www.example.com", 3, 12, "2010-05-13"},
    {"排名软件", "www.example.com", 0, 9, "2010-05-12"},
    {"排名软件", "www.example.com", 5, 10, "2010-05-11"},
};

class TemplateFill : public ExportFolder {
protected:
    // The history export's steps for the first `rows` rows of the history above.
    Workbook filled(int rows) const {
        Workbook book = Workbook::openCopy(templatePath());
        book.setSheetName(kSheetName);
        for (int i = 0; i < rows; ++i) {
            const HistoryRow& h = kHistory[i];
            const int r = 3 + i;
            book.setText(r, 1, QString::fromUtf8(h.keyword));
            book.setText(r, 2, QString::fromUtf8(h.url));
            book.setNumber(r, 3, h.baidu);
            book.setNumber(r, 4, h.google);
            book.setText(r, 5, QString::fromUtf8(h.day));
            book.centreHorizontally(QStringLiteral("A%1:E%1").arg(r));
        }
        return book;
    }
};

class TemplateFillRows : public TemplateFill, public ::testing::WithParamInterface<int> {};

TEST_P(TemplateFillRows, WritesRowsFromThreeAndPointsTheChartAtThem) {
    const int rows = GetParam();
    const XlsxReader file = saveAndRead(filled(rows));

    EXPECT_EQ(file.sheetName(), kSheetName);
    EXPECT_EQ(file.appTitles(), kSheetName);
    // Rows 1 and 2 are the template's.
    EXPECT_EQ(file.cell(QStringLiteral("A2")).text, QStringLiteral("关键词"));
    EXPECT_EQ(file.cell(QStringLiteral("E2")).text, QStringLiteral("日期"));
    EXPECT_EQ(file.merges(), QStringList{QStringLiteral("A1:E1")});

    QList<int> expectedRows{1, 2};
    for (int i = 0; i < rows; ++i) {
        const QString r = QString::number(3 + i);
        SCOPED_TRACE(r.toStdString());
        expectedRows << 3 + i;
        EXPECT_EQ(file.cell(u'A' + r).text, QString::fromUtf8(kHistory[i].keyword));
        EXPECT_EQ(file.cell(u'C' + r).text, QString::number(kHistory[i].baidu));
        EXPECT_EQ(file.cell(u'D' + r).text, QString::number(kHistory[i].google));
        EXPECT_EQ(file.cell(u'E' + r).text, QString::fromUtf8(kHistory[i].day));
        for (const QChar column : QStringLiteral("ABCDE"))
            EXPECT_EQ(file.styleOf(column + r).horizontal, QStringLiteral("center"));
    }
    EXPECT_EQ(file.rowNumbers(), expectedRows);
    EXPECT_FALSE(file.cell(QStringLiteral("A") + QString::number(3 + rows)).exists);

    // With no rows the series name row 3 alone, which is empty.
    const QString last = QString::number(std::max(3, rows + 2));
    const QString sheet = QStringLiteral("'关键词和链接历史记录'!");
    const QStringList expected{sheet + QStringLiteral("$C$2"),
                               sheet + QStringLiteral("$E$3:$E$") + last,
                               sheet + QStringLiteral("$C$3:$C$") + last,
                               sheet + QStringLiteral("$D$2"),
                               sheet + QStringLiteral("$E$3:$E$") + last,
                               sheet + QStringLiteral("$D$3:$D$") + last};
    EXPECT_EQ(file.chartFormulas(), expected);

    QMap<int, QString> baidu, days;
    for (int i = 0; i < rows; ++i) {
        baidu.insert(i, QString::number(kHistory[i].baidu));
        days.insert(i, QString::fromUtf8(kHistory[i].day));
    }
    EXPECT_EQ(file.chartCache(expected[2]), baidu);
    EXPECT_EQ(file.chartCache(expected[1]), days);
}

INSTANTIATE_TEST_SUITE_P(Rows, TemplateFillRows, ::testing::Values(0, 1, 3),
                         [](const auto& info) { return std::to_string(info.param) + "_rows"; });

TEST_F(TemplateFill, LeavesTheTemplateAndItsOtherPartsUnchanged) {
    const QByteArray before = fileBytes(templatePath());
    filled(3).save(path(QStringLiteral("first.xls")));
    filled(3).save(path(QStringLiteral("second.xls")));
    EXPECT_EQ(fileBytes(templatePath()), before);

    const XlsxReader original(templatePath());
    const XlsxReader first(path(QStringLiteral("first.xls")));
    const XlsxReader second(path(QStringLiteral("second.xls")));
    EXPECT_EQ(first.partNames(), original.partNames());
    const QStringList changed{QStringLiteral("xl/worksheets/sheet1.xml"), QStringLiteral("xl/styles.xml"),
                              QStringLiteral("xl/workbook.xml"), QStringLiteral("docProps/app.xml"),
                              QStringLiteral("xl/charts/chart1.xml")};
    for (const QString& part : original.partNames()) {
        SCOPED_TRACE(part.toStdString());
        EXPECT_EQ(first.part(part), second.part(part));
        if (changed.contains(part))
            EXPECT_NE(first.part(part), original.part(part));
        else
            EXPECT_EQ(first.part(part), original.part(part));
    }
}

// The shipped template on paper, as the filled copy keeps it: the chart runs from the oldest day on the
// left to the newest on the right although the rows are newest first, its dates stand under the plot (the
// rank axis is reversed, best at the top), and table and chart print on the first page, across the paper
// and one page wide; the 14-point title has a row tall enough for it.
TEST_F(TemplateFill, ShippedTemplatePrintsTheChartWholeWithTimeRunningRight) {
    filled(3).save(path(QStringLiteral("printed.xls")));
    const XlsxReader file(path(QStringLiteral("printed.xls")));

    pugi::xml_document chart;
    ASSERT_TRUE(chart.load_string(file.part(QStringLiteral("xl/charts/chart1.xml")).constData()));
    const auto axisValue = [&chart](const char* xpath) {
        return QString::fromUtf8(chart.select_node(xpath).attribute().value());
    };
    // Categories from the last row (the oldest day) to the first; the rank axis stands at their left end.
    EXPECT_EQ(axisValue("//c:catAx/c:scaling/c:orientation/@val"), QStringLiteral("maxMin"));
    EXPECT_EQ(axisValue("//c:valAx/c:crosses/@val"), QStringLiteral("max"));
    // Best rank at the top; the date axis crosses the rank axis at the worst rank, at the bottom.
    EXPECT_EQ(axisValue("//c:valAx/c:scaling/c:orientation/@val"), QStringLiteral("maxMin"));
    EXPECT_EQ(axisValue("//c:catAx/c:crosses/@val"), QStringLiteral("max"));
    EXPECT_EQ(axisValue("//c:catAx/c:tickLblPos/@val"), QStringLiteral("nextTo"));

    EXPECT_EQ(file.sheetTexts(kSheetName, "//pageSetup/@orientation"),
              QStringList{QStringLiteral("landscape")});
    EXPECT_EQ(file.sheetTexts(kSheetName, "//pageSetup/@fitToHeight"), QStringList{QStringLiteral("0")});
    EXPECT_EQ(file.sheetTexts(kSheetName, "//sheetPr/pageSetUpPr/@fitToPage"),
              QStringList{QStringLiteral("1")});
    const QStringList titleHeight = file.sheetTexts(kSheetName, "//sheetData/row[@r='1']/@ht");
    ASSERT_EQ(titleHeight.size(), 1);
    EXPECT_GE(titleHeight[0].toDouble(), 18.0);

    // Beside the table from row 2, ending within the rows of a landscape page.
    pugi::xml_document drawing;
    ASSERT_TRUE(drawing.load_string(file.part(QStringLiteral("xl/drawings/drawing1.xml")).constData()));
    const auto anchorAt = [&drawing](const char* xpath) {
        return drawing.select_node(xpath).node().text().as_int(-1);
    };
    EXPECT_EQ(anchorAt("//xdr:from/xdr:col"), 6);
    EXPECT_EQ(anchorAt("//xdr:from/xdr:row"), 1);
    EXPECT_LE(anchorAt("//xdr:to/xdr:row"), 25);
}

TEST_F(TemplateFill, MissingTemplateNamesTheFileAndWritesNothing) {
    const QString missing = path(QStringLiteral("历史记录曲线排名模板.xls"));
    const QStringList before = folderEntries(dir_.path());
    try {
        Workbook::openCopy(missing);
        FAIL() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.what();
    }
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

TEST_F(TemplateFill, FileThatIsNoWorkbookNamesTheFile) {
    const QString text = path(QStringLiteral("notes.xls"));
    ASSERT_TRUE(test::WriteFile(text, "关键词\t相关链接\n"));
    try {
        Workbook::openCopy(text);
        FAIL() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_TRUE(error.message().contains(text)) << error.what();
    }
}

TEST_F(TemplateFill, MergeOverTheTemplatesTitleFailsAndKeepsTheTarget) {
    const QString target = path(QStringLiteral("out.xls"));
    filled(1).save(target);
    const QByteArray before = fileBytes(target);
    const QStringList entries = folderEntries(dir_.path());

    Workbook book = Workbook::openCopy(templatePath());
    book.merge(u"D1:F1");
    book.setText(3, 1, QStringLiteral("排名软件"));
    EXPECT_THROW(book.save(target), WorkbookError);
    EXPECT_EQ(fileBytes(target), before);
    EXPECT_EQ(folderEntries(dir_.path()), entries);
}

// A user's own template: sheet "Data" with formatted cells, a formatted row and a formatted column
// where the rows go, and sheet "Summary" whose formulas, names, validation, link and chart refer to
// "Data" by name.
void writeUserTemplate(const QString& path) {
    lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
    ASSERT_NE(book, nullptr);
    lxw_worksheet* data = workbook_add_worksheet(book, "Data");
    lxw_worksheet* summary = workbook_add_worksheet(book, "Summary");

    lxw_format* keyword = workbook_add_format(book);
    format_set_bold(keyword);
    format_set_font_color(keyword, LXW_COLOR_RED);
    format_set_border(keyword, LXW_BORDER_MEDIUM);
    format_set_align(keyword, LXW_ALIGN_VERTICAL_TOP);
    lxw_format* url = workbook_add_format(book);
    format_set_italic(url);
    format_set_bg_color(url, LXW_COLOR_YELLOW);
    lxw_format* rank = workbook_add_format(book);
    format_set_num_format(rank, "0.000");
    format_set_border(rank, LXW_BORDER_DOUBLE);
    lxw_format* day = workbook_add_format(book);
    format_set_num_format(day, "yyyy\"年\"m\"月\"d\"日\"");
    format_set_font_name(day, "宋体");
    format_set_font_size(day, 12);
    lxw_format* googleColumn = workbook_add_format(book);
    format_set_italic(googleColumn);
    format_set_font_color(googleColumn, LXW_COLOR_GREEN);
    lxw_format* lastRow = workbook_add_format(book);
    format_set_font_color(lastRow, LXW_COLOR_BLUE);
    format_set_border(lastRow, LXW_BORDER_DASHED);

    worksheet_write_string(data, 1, 0, "关键词", nullptr);
    worksheet_set_column(data, 3, 3, 12, googleColumn);
    for (lxw_row_t r = 2; r <= 3; ++r) {
        worksheet_write_blank(data, r, 0, keyword);
        worksheet_write_blank(data, r, 1, url);
        worksheet_write_blank(data, r, 2, rank);
        worksheet_write_blank(data, r, 4, day);
    }
    worksheet_set_row(data, 4, LXW_DEF_ROW_HEIGHT, lastRow);
    // Below where the rows go: a total that names its own sheet.
    worksheet_write_string(data, 9, 0, "合计", keyword);
    worksheet_write_formula(data, 9, 2, "=SUM(Data!C3:C9)", rank);

    worksheet_write_formula(summary, 0, 0, "=SUM(Data!C3:C100)", nullptr);
    worksheet_write_formula(summary, 1, 0, "=COUNTA(Data!A:A)", nullptr);
    worksheet_write_formula(summary, 2, 0, "='Data'!B3&INDIRECT(\"Data!A1\")", nullptr);
    worksheet_write_formula(summary, 3, 0, "=Summary!A1+1", nullptr);
    workbook_define_name(book, "Scores", "=Data!$C$3:$C$100");
    lxw_data_validation validation{};
    validation.validate = LXW_VALIDATION_TYPE_LIST_FORMULA;
    validation.value_formula = const_cast<char*>("=Data!$A$3:$A$10");
    worksheet_data_validation_cell(summary, 0, 1, &validation);
    worksheet_write_url(summary, 4, 0, "internal:Data!A1", nullptr);
    lxw_chart* chart = workbook_add_chart(book, LXW_CHART_LINE);
    lxw_chart_series* series = chart_add_series(chart, "=Data!$E$3:$E$4", "=Data!$C$3:$C$4");
    chart_series_set_name(series, "=Data!$C$2");
    worksheet_insert_chart(summary, 6, 2, chart);
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

TEST_F(TemplateFill, UserTemplateKeepsItsFormatsAndItsOtherSheetFollowsTheRename) {
    const QString userTemplate = path(QStringLiteral("user.xlsx"));
    writeUserTemplate(userTemplate);
    Workbook book = Workbook::openCopy(userTemplate);
    book.setSheetName(kSheetName);
    for (int i = 0; i < 3; ++i) {
        const int r = 3 + i;
        book.setText(r, 1, QString::fromUtf8(kHistory[i].keyword));
        book.setText(r, 2, QString::fromUtf8(kHistory[i].url));
        book.setNumber(r, 3, kHistory[i].baidu);
        book.setNumber(r, 4, kHistory[i].google);
        book.setText(r, 5, QString::fromUtf8(kHistory[i].day));
        book.centreHorizontally(QStringLiteral("A%1:E%1").arg(r));
    }
    const XlsxReader file = saveAndRead(book, QStringLiteral("filled.xlsx"));
    const XlsxReader original(userTemplate);

    // Every cell looks as the template showed that place (its own format, else its row's, else its
    // column's), centred.
    for (int r = 3; r <= 5; ++r) {
        for (int column = 1; column <= 5; ++column) {
            const QString address = cellName(r, column);
            SCOPED_TRACE(address.toStdString());
            const test::CellRead templateCell = original.cell(address);
            StyleRead expected = original.style(templateCell.exists         ? templateCell.styleIndex
                                                : original.rowStyle(r) != 0 ? original.rowStyle(r)
                                                                            : original.columnStyle(column));
            ASSERT_NE(expected, original.style(0)) << "the template formats this place";
            expected.horizontal = QStringLiteral("center");
            EXPECT_EQ(file.styleOf(address), expected);
        }
    }
    EXPECT_EQ(file.cell(QStringLiteral("C4")).text, QStringLiteral("0"));
    // The template's rows below the rows written stay, their formulas renamed.
    EXPECT_EQ(file.rowNumbers(), (QList<int>{2, 3, 4, 5, 10}));
    EXPECT_EQ(file.cell(QStringLiteral("A10")).text, QStringLiteral("合计"));
    EXPECT_EQ(file.styleOf(QStringLiteral("A10")), original.styleOf(QStringLiteral("A10")));
    EXPECT_EQ(file.cell(QStringLiteral("C10")).formula, QStringLiteral("SUM('关键词和链接历史记录'!C3:C9)"));

    const QString renamed = QStringLiteral("'关键词和链接历史记录'!");
    EXPECT_EQ(
        file.sheetTexts(QStringLiteral("Summary"), "//f"),
        (QStringList{QStringLiteral("SUM(") + renamed + QStringLiteral("C3:C100)"),
                     QStringLiteral("COUNTA(") + renamed + QStringLiteral("A:A)"),
                     renamed + QStringLiteral("B3&INDIRECT(\"Data!A1\")"), QStringLiteral("Summary!A1+1")}));
    EXPECT_EQ(file.sheetTexts(QStringLiteral("Summary"), "//formula1"),
              QStringList{renamed + QStringLiteral("$A$3:$A$10")});
    EXPECT_EQ(file.sheetTexts(QStringLiteral("Summary"), "//hyperlink/@location"),
              QStringList{renamed + QStringLiteral("A1")});
    EXPECT_EQ(file.definedNames(),
              QStringList{QStringLiteral("Scores=") + renamed + QStringLiteral("$C$3:$C$100")});
    // The chart on the other sheet follows the rows written, as the template's own charts do.
    EXPECT_EQ(file.chartFormulas(),
              (QStringList{renamed + QStringLiteral("$C$2"), renamed + QStringLiteral("$E$3:$E$5"),
                           renamed + QStringLiteral("$C$3:$C$5")}));
    EXPECT_EQ(file.appTitles(), kSheetName + QStringLiteral("|Summary|Scores"));
}

} // namespace
} // namespace quorvane::test
