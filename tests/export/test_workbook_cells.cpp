// The facade's cell and format operations, checked in the saved file, on a new workbook and on a
// filled copy of the history template alike.
#include "ExportTesting.h"
#include "platform/QStringPrinter.h"

#include "export/WorkbookError.h"

namespace quorvane::test {
namespace {

// The stored width that spreadsheet programs show as 20 characters.
constexpr double kStoredWidth20 = 20.7109375;

class WorkbookFormats : public ExportFolder, public ::testing::WithParamInterface<Backend> {};

TEST_P(WorkbookFormats, TitleHeaderAndDataRowsCarryTheirFormats) {
    // The latest-results layout, from row 3 on so that it clears the template's own title merge.
    Workbook book = open(GetParam());
    book.setSheetName(QStringLiteral("最新排名结果"));
    book.merge(u"A3:H3");
    book.setFontSize(u"A3:H3", 15);
    book.setBold(u"A3:H3");
    book.setText(3, 1, QStringLiteral("2010-05-13最新排名记录表"));
    for (int column = 1; column <= 11; ++column) {
        book.setText(4, column, QStringLiteral("标题%1").arg(column));
        book.setColumnWidth(column, 20);
    }
    book.centreHorizontally(u"A4:K4");
    book.setFontName(u"A4:K4", QStringLiteral("微软雅黑"));
    book.setFontSize(u"A4:K4", 9);
    book.setBold(u"A4:K4");
    book.setThinBorders(u"A4:K4");
    book.setText(5, 3, QStringLiteral("3"));
    book.setFontName(u"A5:K5", QStringLiteral("微软雅黑"));
    book.setFontSize(u"A5:K5", 9);
    book.setThinBorders(u"A5:K5");
    book.centreHorizontally(u"A5:K5");

    const XlsxReader file = saveAndRead(book);
    EXPECT_EQ(file.sheetName(), QStringLiteral("最新排名结果"));
    EXPECT_TRUE(file.merges().contains(QStringLiteral("A3:H3"))) << file.merges().join(u' ').toStdString();
    EXPECT_EQ(file.cell(QStringLiteral("A3")).text, QStringLiteral("2010-05-13最新排名记录表"));

    const StyleRead title = file.styleOf(QStringLiteral("H3"));
    EXPECT_EQ(title.fontSize, 15);
    EXPECT_TRUE(title.bold);
    EXPECT_NE(title.fontName, QStringLiteral("微软雅黑"));
    EXPECT_TRUE(title.horizontal.isEmpty());
    EXPECT_FALSE(title.thinBorders);

    // Header cells (row 4) and data cells (row 5) differ only in bold.
    const struct {
        const char* address;
        bool bold;
    } cells[] = {{"A4", true}, {"F4", true}, {"K4", true}, {"A5", false}, {"C5", false}, {"K5", false}};
    for (const auto& cell : cells) {
        SCOPED_TRACE(cell.address);
        const StyleRead style = file.styleOf(QString::fromLatin1(cell.address));
        EXPECT_EQ(style.fontName, QStringLiteral("微软雅黑"));
        EXPECT_EQ(style.fontSize, 9);
        EXPECT_EQ(style.bold, cell.bold);
        EXPECT_EQ(style.horizontal, QStringLiteral("center"));
        EXPECT_TRUE(style.thinBorders);
    }
    EXPECT_FALSE(file.styleOf(QStringLiteral("L5")).thinBorders);
    EXPECT_EQ(file.cell(QStringLiteral("C5")).text, QStringLiteral("3"));
    for (int column = 1; column <= 11; ++column)
        EXPECT_DOUBLE_EQ(file.columnWidth(column), kStoredWidth20) << "column " << column;
}

TEST_P(WorkbookFormats, WidthsChangeOnlyTheirColumns) {
    Workbook book = open(GetParam());
    book.setColumnWidth(3, 33);
    book.setColumnWidth(2, 33);
    const XlsxReader file = saveAndRead(book);
    constexpr double kStoredWidth33 = 33.7109375;
    EXPECT_DOUBLE_EQ(file.columnWidth(2), kStoredWidth33);
    EXPECT_DOUBLE_EQ(file.columnWidth(3), kStoredWidth33);
    EXPECT_NE(file.columnWidth(1), kStoredWidth33);
    EXPECT_NE(file.columnWidth(4), kStoredWidth33);
}

TEST_P(WorkbookFormats, MergeWithNothingInItIsKept) {
    Workbook book = open(GetParam());
    book.merge(u"B6:C7");
    EXPECT_TRUE(saveAndRead(book).merges().contains(QStringLiteral("B6:C7")));
}

// A row made taller for a larger font keeps its height in the file, on a new workbook and on a template copy
// alike; the rows around it keep the default.
TEST_P(WorkbookFormats, RowHeightGivesTheRowRoomForItsFont) {
    Workbook book = open(GetParam());
    book.setText(4, 1, QStringLiteral("标题"));
    book.setRowHeight(4, 21);
    book.setFontSize(u"A4", 15);
    book.setText(5, 1, QStringLiteral("x"));
    const XlsxReader file = saveAndRead(book);
    const QString sheet = file.sheetName();
    EXPECT_EQ(file.sheetTexts(sheet, "//sheetData/row[@r='4']/@ht"), QStringList{QStringLiteral("21")});
    EXPECT_EQ(file.sheetTexts(sheet, "//sheetData/row[@r='4']/@customHeight"),
              QStringList{QStringLiteral("1")});
    EXPECT_TRUE(file.sheetTexts(sheet, "//sheetData/row[@r='5']/@ht").isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Backends, WorkbookFormats, ::testing::Values(Backend::New, Backend::Template),
                         [](const auto& info) { return std::string(backendName(info.param)); });

struct ContentCase {
    const char* name;
    enum { Text, Formula, Number } call;
    const char* input;
    const char* cached;
    bool formula;           // an <f> element is expected
    const char* storedText; // the value a reader finds; not checked when null (a formula's placeholder)
    const char* storedFormula;
};

const ContentCase kContentCases[] = {
    {"equals_stays_text", ContentCase::Text, "=1+1", "", false, "=1+1", ""},
    {"plus_stays_text", ContentCase::Text, "+1", "", false, "+1", ""},
    {"minus_stays_text", ContentCase::Text, "-1", "", false, "-1", ""},
    {"at_stays_text", ContentCase::Text, "@SUM(A1)", "", false, "@SUM(A1)", ""},
    {"rank_text", ContentCase::Text, ">100", "", false, ">100", ""},
    {"chinese_text", ContentCase::Text, "可能已被搜索引擎限制!", "", false, "可能已被搜索引擎限制!", ""},
    {"spaces_kept", ContentCase::Text, "  a b ", "", false, "  a b ", ""},
    {"control_character_escaped", ContentCase::Text, "a\x01z", "", false, "a_x0001_z", ""},
    {"empty_text_no_value", ContentCase::Text, "", "", false, "", ""},
    {"number", ContentCase::Number, "7", "", false, "7", ""},
    {"formula", ContentCase::Formula, "=1+1", "", true, nullptr, "1+1"},
    {"formula_without_equals", ContentCase::Formula, "SUM(1,2)", "", true, nullptr, "SUM(1,2)"},
    {"link_with_doubled_quote", ContentCase::Formula, R"(=HYPERLINK("http://x/s?wd=%22a""b","3"))", "3", true,
     "3", R"(HYPERLINK("http://x/s?wd=%22a""b","3"))"},
};

void PrintTo(const ContentCase& c, std::ostream* out) {
    *out << c.name;
}

class WorkbookContents : public ExportFolder,
                         public ::testing::WithParamInterface<std::tuple<Backend, ContentCase>> {};

TEST_P(WorkbookContents, StoresTheCellAsCalled) {
    const auto& [backend, c] = GetParam();
    Workbook book = open(backend);
    const QString input = QString::fromUtf8(c.input);
    switch (c.call) {
    case ContentCase::Text:
        book.setText(4, 2, input);
        break;
    case ContentCase::Number:
        book.setNumber(4, 2, input.toDouble());
        break;
    case ContentCase::Formula:
        book.setFormula(4, 2, input, QString::fromUtf8(c.cached));
        break;
    }
    const CellRead cell = saveAndRead(book).cell(QStringLiteral("B4"));
    EXPECT_EQ(cell.hasFormula, c.formula);
    EXPECT_EQ(cell.formula, QString::fromUtf8(c.storedFormula));
    if (c.storedText) {
        EXPECT_EQ(cell.text, QString::fromUtf8(c.storedText));
    }
    if (c.call == ContentCase::Text && *c.input) {
        EXPECT_TRUE(cell.type == u"s" || cell.type == u"inlineStr") << cell.type.toStdString();
    }
    if (c.call == ContentCase::Number) {
        EXPECT_TRUE(cell.type.isEmpty() || cell.type == u"n") << cell.type.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkbookContents,
                         ::testing::Combine(::testing::Values(Backend::New, Backend::Template),
                                            ::testing::ValuesIn(kContentCases)),
                         [](const auto& info) {
                             return std::string(backendName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

// Texts that look like the escapes spreadsheet files use come back as they were written, in a text cell
// and in a link's shown value.
class TextRoundTrip : public ExportFolder, public ::testing::WithParamInterface<Backend> {};

TEST_P(TextRoundTrip, EscapeLookalikesComeBackUnchanged) {
    const QStringList texts{QStringLiteral("c_x0041_d"),     QStringLiteral("_x005F_"),
                            QStringLiteral("_x00e9_x0041_"), QStringLiteral("a\x01_x0001_z"),
                            QStringLiteral("__x0041__"),     QStringLiteral("_x004_ _x0041"),
                            QStringLiteral("关键词_x4E2D_")};
    Workbook book = open(GetParam());
    for (int i = 0; i < texts.size(); ++i) {
        book.setText(3 + i, 1, texts[i]);
        book.setFormula(3 + i, 2, QStringLiteral("=HYPERLINK(\"http://x/\",\"1\")"), texts[i]);
    }
    const XlsxReader file = saveAndRead(book);
    for (int i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i].toStdString());
        EXPECT_EQ(file.cell(QStringLiteral("A%1").arg(3 + i)).shown, texts[i]);
        EXPECT_EQ(file.cell(QStringLiteral("B%1").arg(3 + i)).shown, texts[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, TextRoundTrip, ::testing::Values(Backend::New, Backend::Template),
                         [](const auto& info) { return std::string(backendName(info.param)); });

TEST(SheetModel, FramingManyRowsSharesAFewStyles) {
    SheetModel sheet;
    for (int row = 3; row < 1003; ++row) {
        const CellRange range{row, 1, row, 11};
        sheet.setFontName(range, QStringLiteral("微软雅黑"));
        sheet.setFontSize(range, 9);
        sheet.setThinBorders(range);
        sheet.setCentred(range);
    }
    // The default style and one per step of the framing.
    EXPECT_EQ(sheet.styleCount(), 5u);
    EXPECT_EQ(sheet.row(1002)[10].styleId(), sheet.row(3)[0].styleId());
}

// Printed across the paper and one page wide, as many pages down as the rows need; a copy of the template
// prints as the template is set up and refuses to be set up otherwise.
TEST_F(ExportFolder, LandscapeOnePageWideIsWrittenForNewWorkbooksOnly) {
    Workbook book = Workbook::create();
    book.printLandscapeOnePageWide();
    for (int row = 1; row <= 200; ++row)
        book.setText(row, 11, QStringLiteral("k"));
    const XlsxReader file = saveAndRead(book);
    const QString sheet = file.sheetName();
    EXPECT_EQ(file.sheetTexts(sheet, "//pageSetup/@orientation"), QStringList{QStringLiteral("landscape")});
    // One page wide is the file format's default, which writers may leave out.
    const QStringList wide = file.sheetTexts(sheet, "//pageSetup/@fitToWidth");
    EXPECT_TRUE(wide.isEmpty() || wide == QStringList{QStringLiteral("1")}) << wide.join(u' ').toStdString();
    EXPECT_EQ(file.sheetTexts(sheet, "//pageSetup/@fitToHeight"), QStringList{QStringLiteral("0")});
    EXPECT_EQ(file.sheetTexts(sheet, "//sheetPr/pageSetUpPr/@fitToPage"), QStringList{QStringLiteral("1")});

    // Without the call: the spreadsheet's own defaults (portrait, no scaling to fit).
    Workbook plain = Workbook::create();
    plain.setText(1, 1, QStringLiteral("a"));
    const XlsxReader plainFile = saveAndRead(plain, QStringLiteral("plain.xlsx"));
    EXPECT_TRUE(plainFile.sheetTexts(plainFile.sheetName(), "//pageSetup/@orientation").isEmpty());
    EXPECT_TRUE(plainFile.sheetTexts(plainFile.sheetName(), "//sheetPr/pageSetUpPr/@fitToPage").isEmpty());

    Workbook copy = open(Backend::Template);
    EXPECT_THROW(copy.printLandscapeOnePageWide(), WorkbookError);
}

struct RefusedCase {
    const char* name;
    void (*call)(Workbook&);
};

const RefusedCase kRefusedCases[] = {
    {"row_zero_range", [](Workbook& b) { b.centreHorizontally(u"A0:B1"); }},
    {"range_without_row", [](Workbook& b) { b.setBold(u"A:B"); }},
    {"range_with_three_corners", [](Workbook& b) { b.setThinBorders(u"A1:B2:C3"); }},
    {"column_past_xfd", [](Workbook& b) { b.setFontSize(u"XFE1", 9); }},
    {"empty_range", [](Workbook& b) { b.merge(u""); }},
    {"single_cell_merge", [](Workbook& b) { b.merge(u"B2"); }},
    {"overlapping_merge", [](Workbook& b) { b.merge(u"A5:C5"), b.merge(u"C4:D6"); }},
    {"cell_row_zero", [](Workbook& b) { b.setText(0, 1, QStringLiteral("x")); }},
    {"font_size_zero", [](Workbook& b) { b.setFontSize(u"A1", 0); }},
    {"row_height_negative", [](Workbook& b) { b.setRowHeight(1, -1); }},
    {"row_height_past_409_points", [](Workbook& b) { b.setRowHeight(1, 410); }},
    {"row_height_after_a_later_row",
     [](Workbook& b) {
         b.setText(1, 1, QStringLiteral("a")), b.setText(2, 1, QStringLiteral("b")), b.setRowHeight(1, 20);
     }},
    {"sheet_name_too_long", [](Workbook& b) { b.setSheetName(QString(32, u'x')); }},
    {"sheet_name_with_slash", [](Workbook& b) { b.setSheetName(QStringLiteral("a/b")); }},
    {"sheet_name_empty", [](Workbook& b) { b.setSheetName(QString()); }},
    {"empty_formula", [](Workbook& b) { b.setFormula(1, 1, QStringLiteral("=")); }},
    // Rows go out once a later row is begun.
    {"row_changed_after_a_later_row",
     [](Workbook& b) {
         b.setText(1, 1, QStringLiteral("a")), b.setText(2, 1, QStringLiteral("b")), b.setBold(u"A1:B1");
     }},
    {"sheet_renamed_after_a_row_went_out",
     [](Workbook& b) {
         b.setText(1, 1, QStringLiteral("a")), b.setText(2, 1, QStringLiteral("b"));
         b.setSheetName(QStringLiteral("later"));
     }},
};

class WorkbookRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(WorkbookRefuses, ThrowsWorkbookError) {
    Workbook book = Workbook::create();
    EXPECT_THROW(GetParam().call(book), WorkbookError);
}

INSTANTIATE_TEST_SUITE_P(Calls, WorkbookRefuses, ::testing::ValuesIn(kRefusedCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane::test
