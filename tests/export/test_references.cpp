// Cell addresses and the sheet references of chart series.
#include "export/CellAddress.h"
#include "export/SheetReferences.h"
#include "export/WorkbookError.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct RangeCase {
    const char* address;
    CellRange range;
};

class ParseRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ParseRange, ReadsCorners) {
    EXPECT_EQ(parseRange(QString::fromLatin1(GetParam().address)), GetParam().range);
}

INSTANTIATE_TEST_SUITE_P(Addresses, ParseRange,
                         ::testing::Values(RangeCase{"A2:K2", {2, 1, 2, 11}}, RangeCase{"B3", {3, 2, 3, 2}},
                                           RangeCase{"$A$2:$K$2", {2, 1, 2, 11}},
                                           RangeCase{"K5:A2", {2, 1, 5, 11}},
                                           RangeCase{"aa10", {10, 27, 10, 27}},
                                           RangeCase{"XFD1048576", {1048576, 16384, 1048576, 16384}}));

TEST(ParseRange, RefusesWhatIsNoAddress) {
    for (const char* bad : {"", "A0", "A", "1", "A1:", ":A1", "XFE1", "A1048577", "A1:B2:C3", "A-1", "A1B"})
        EXPECT_THROW(parseRange(QString::fromLatin1(bad)), WorkbookError) << bad;
}

TEST(ColumnName, RoundTrips) {
    const std::pair<int, const char*> names[] = {{1, "A"},    {26, "Z"},    {27, "AA"},
                                                 {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& [number, name] : names) {
        EXPECT_EQ(columnName(number), QString::fromLatin1(name));
        EXPECT_EQ(columnNumber(QString::fromLatin1(name)), number);
    }
}

struct RewriteCase {
    const char* name;
    const char* formula;
    const char* oldName;
    std::optional<int> lastDataRow;
    const char* expected;
    bool dataRange;
};

class RewriteReferences : public ::testing::TestWithParam<RewriteCase> {};

TEST_P(RewriteReferences, RenamesAndSetsDataRows) {
    const RewriteCase& c = GetParam();
    const RewrittenFormula result = rewriteSheetReferences(
        QString::fromUtf8(c.formula), QString::fromUtf8(c.oldName), QStringLiteral("新表"), c.lastDataRow);
    EXPECT_EQ(result.text, QString::fromUtf8(c.expected));
    EXPECT_EQ(result.dataRange.has_value(), c.dataRange);
}

const RewriteCase kRewriteCases[] = {
    {"single_data_cell_grows", "'历史记录'!$C$3", "历史记录", 5, "'新表'!$C$3:$C$5", true},
    {"range_follows_rows", "Sheet1!$E$3:$E$100", "Sheet1", 4, "'新表'!$E$3:$E$4", true},
    {"no_rows_keeps_row_three", "Sheet1!$C$3:$C$9", "Sheet1", 0, "'新表'!$C$3:$C$3", true},
    {"header_cell_keeps_row", "'历史记录'!$C$2", "历史记录", 5, "'新表'!$C$2", false},
    {"title_range_keeps_rows", "Sheet1!$A$1:$E$2", "Sheet1", 5, "'新表'!$A$1:$E$2", false},
    {"other_sheet_untouched", "Other!$C$3:$C$9", "Sheet1", 5, "Other!$C$3:$C$9", false},
    {"case_insensitive", "SHEET1!$C$3:$C$9", "Sheet1", 3, "'新表'!$C$3:$C$3", true},
    {"apostrophe_in_name", "'It''s'!$A$3", "It's", 4, "'新表'!$A$3:$A$4", true},
    {"union_of_two", "(Sheet1!$A$3:$A$4,'Sheet1'!$B$3)", "Sheet1", 6, "('新表'!$A$3:$A$6,'新表'!$B$3:$B$6)",
     false},
    {"rows_kept_without_count", "Sheet1!$A$3:$A$10", "Sheet1", std::nullopt, "'新表'!$A$3:$A$10", false},
    // Formulas of cells, names and validations on other sheets: only the sheet's name changes.
    {"whole_columns", "SUM(Data!C:C)", "Data", std::nullopt, "SUM('新表'!C:C)", false},
    {"whole_rows", "SUM(Data!$3:$5)", "Data", std::nullopt, "SUM('新表'!$3:$5)", false},
    {"sheet_scoped_name", "Data!Scores*2", "Data", std::nullopt, "'新表'!Scores*2", false},
    {"error_reference", "Data!#REF!+1", "Data", std::nullopt, "'新表'!#REF!+1", false},
    {"text_literal_untouched", R"(INDIRECT("Data!A1")&Data!A1)", "Data", std::nullopt,
     R"(INDIRECT("Data!A1")&'新表'!A1)", false},
    {"apostrophe_in_a_literal", R"(IF('Data'!A3="It's",Data!B3,"x""y"))", "Data", std::nullopt,
     R"(IF('新表'!A3="It's",'新表'!B3,"x""y"))", false},
    {"longer_names_untouched", "MyData!A1+Data2!A1+[1]Data!A1", "Data", std::nullopt,
     "MyData!A1+Data2!A1+[1]Data!A1", false},
    {"spaces_around", "SUM( Data!A1 , data!B1 )", "Data", std::nullopt, "SUM( '新表'!A1 , '新表'!B1 )",
     false},
};

INSTANTIATE_TEST_SUITE_P(Formulas, RewriteReferences, ::testing::ValuesIn(kRewriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
