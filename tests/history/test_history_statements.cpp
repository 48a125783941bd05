#include "history/HistoryStatements.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(HistoryStatement, JoinsKeysAndBothDaysAsDateLiterals) {
    EXPECT_EQ(
        historyStatement(QStringLiteral("12"), QStringLiteral("3"), QDate(2011, 2, 5), QDate(2011, 3, 7)),
        QStringLiteral("Select KeyWordName,UrlName,BaiduRank,BaiduRank2,GoogleRank,YahooRank,SosoRank,"
                       "BingRank,SogouRank,YoudaoRank,UpdateTime From SE_RankHistory Where 1=1 and "
                       "KeyWordID=12 and WebID=3 and UpdateTime Between #2011-02-05# and #2011-03-07# "
                       "order by UpdateTime desc"));
}

TEST(TrendStatement, TailFollowsTheClosingHashDirectly) {
    EXPECT_EQ(trendStatement(QStringLiteral("12"), QStringLiteral("3"), QDate(2011, 2, 5), QDate(2011, 3, 7),
                             u"Baidu"),
              QStringLiteral("Select * From SE_RankHistory Where KeyWordID=12 and WebID=3 and "
                             "UpdateTime>=#2011-02-05# and UpdateTime<=#2011-03-07#and BaiduRank>0 order by "
                             "updateTime"));
}

struct EngineCase {
    const char* name;
    const char16_t* engine;
    const char16_t* column; // empty: no chart for this text
};

class ChartEngineColumn : public ::testing::TestWithParam<EngineCase> {};

TEST_P(ChartEngineColumn, DrawsTheEnginesOwnRankColumn) {
    const EngineCase& c = GetParam();
    const QString column = QString::fromUtf16(c.column);
    EXPECT_EQ(chartRankColumn(c.engine), column);
    const QString sql = trendStatement(QStringLiteral("1"), QStringLiteral("2"), QDate(2012, 1, 1),
                                       QDate(2012, 1, 31), c.engine);
    if (column.isEmpty())
        EXPECT_TRUE(sql.isEmpty());
    else
        EXPECT_TRUE(sql.endsWith(QStringLiteral("#2012-01-31#and ") + column +
                                 QStringLiteral(">0 order by updateTime")))
            << sql.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Engines, ChartEngineColumn,
    ::testing::Values(EngineCase{"Baidu", u"Baidu", u"BaiduRank"},
                      EngineCase{"Google", u"Google", u"GoogleRank"},
                      EngineCase{"Yahoo", u"Yahoo", u"YahooRank"}, EngineCase{"Soso", u"Soso", u"SosoRank"},
                      EngineCase{"Bing", u"Bing", u"BingRank"}, EngineCase{"Sogou", u"Sogou", u"SogouRank"},
                      EngineCase{"Youdao", u"Youdao", u"YoudaoRank"},
                      EngineCase{"LowerCaseIsNoEngine", u"baidu", u""}, EngineCase{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

struct FieldCase {
    const char* name;
    const char16_t* field;
    const char16_t* engine; // empty: the double click opens nothing
};

class MissionFieldEngine : public ::testing::TestWithParam<FieldCase> {};

TEST_P(MissionFieldEngine, OnlyRankColumnsOpenAnEngine) {
    EXPECT_EQ(engineOfMissionField(GetParam().field), QString::fromUtf16(GetParam().engine));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, MissionFieldEngine,
    ::testing::Values(
        FieldCase{"BaiduRank", u"BaiduRank", u"Baidu"}, FieldCase{"GoogleRank", u"GoogleRank", u"Google"},
        FieldCase{"YahooRank", u"YahooRank", u"Yahoo"}, FieldCase{"SogouRank", u"SogouRank", u"Sogou"},
        FieldCase{"BingRank", u"BingRank", u"Bing"}, FieldCase{"SosoRank", u"SosoRank", u"Soso"},
        FieldCase{"YoudaoRank", u"YoudaoRank", u"Youdao"},
        FieldCase{"FieldCaseIgnored", u"googlerank", u"Google"}, FieldCase{"BaiduRank2", u"BaiduRank2", u""},
        FieldCase{"KeyWordName", u"KeyWordName", u""}, FieldCase{"UrlName", u"UrlName", u""},
        FieldCase{"UpdateTime", u"UpdateTime", u""}, FieldCase{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
