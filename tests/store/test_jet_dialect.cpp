#include "store/Database.h"
#include "store/JetDialect.h"
#include "store/SqlText.h"
#include "support/TempDatabase.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct DialectCase {
    const char* name;
    const char16_t* jet;
    const char16_t* sqlite;
};

class JetDialectTest : public ::testing::TestWithParam<DialectCase> {};

TEST_P(JetDialectTest, Translates) {
    const DialectCase& c = GetParam();
    EXPECT_EQ(translateJet(QString::fromUtf16(c.jet)), QString::fromUtf16(c.sqlite));
}

// Days are bound as values now: a #date# is no longer rewritten, so a statement still written with one is
// refused by SQLite (DateLiteralsAreRefused) instead of being read as something else.
const DialectCase kDialectCases[] = {
    {"date_literal", u"Select * From T Where UpdateTime=#2010-05-12#",
     u"Select * From T Where UpdateTime=#2010-05-12#"},
    {"between_two_dates", u"x Between #2010-05-01# and #2010-05-31# order by d",
     u"x Between #2010-05-01# and #2010-05-31# order by d"},
    {"tail_glued_to_literal", u"UpdateTime<=#2010-05-31#and BaiduRank>0",
     u"UpdateTime<=#2010-05-31#and BaiduRank>0"},
    {"short_month_day", u"d=#2010-5-2#", u"d=#2010-5-2#"},
    {"hash_inside_quotes_untouched", u"Insert Into T(a)Values('#2010-05-12#')",
     u"Insert Into T(a)Values('#2010-05-12#')"},
    {"doubled_quote_keeps_text_quoted", u"x='it''s #2010-05-12#' and d='2010-05-12'",
     u"x='it''s #2010-05-12#' and d='2010-05-12'"},
    {"not_a_date_left_alone", u"x=#abc# and y=#2010-05#", u"x=#abc# and y=#2010-05#"},
    {"alter_long", u"Alter Table SE_RankHistory Add BaiduRank2 long",
     u"Alter Table SE_RankHistory Add BaiduRank2 INTEGER"},
    {"alter_text_width", u"Alter Table SE_KeyWord Add YahooRank Text(50)",
     u"Alter Table SE_KeyWord Add YahooRank TEXT COLLATE NOCASE CHECK (length(YahooRank) <= 50)"},
    {"alter_lower_case", u"alter table T add C text(20)",
     u"Alter Table T Add C TEXT COLLATE NOCASE CHECK (length(C) <= 20)"},
    {"long_outside_alter_untouched", u"Select long From T", u"Select long From T"},
    {"chinese_text_untouched", u"Update T Set a='稍候' Where b='#1#'",
     u"Update T Set a='稍候' Where b='#1#'"},
};

INSTANTIATE_TEST_SUITE_P(Statements, JetDialectTest, ::testing::ValuesIn(kDialectCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DateLiterals, AreRefusedNotReadAsSomethingElse) {
    test::TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,UpdateTime)Values('a.cn','2010-05-12')"));
    Recordset rows;
    EXPECT_THROW(db.connection().openQuery(
                     rows, QStringLiteral("Select * From SE_KeyUrl Where UpdateTime=#2010-05-12#")),
                 DbError);
    EXPECT_EQ(db.connection().openQuery(rows, QStringLiteral("Select * From SE_KeyUrl Where UpdateTime=?"),
                                        {QDate(2010, 5, 12)}),
              1);
}

TEST(SqlText, QuotesDatesAndLiterals) {
    EXPECT_EQ(quotedStr(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    EXPECT_EQ(quotedStr(QStringLiteral("''")), QStringLiteral("''''''"));
    EXPECT_EQ(sqlDate(QDate(2010, 5, 2)), QStringLiteral("'2010-05-02'"));
}

} // namespace
} // namespace quorvane
