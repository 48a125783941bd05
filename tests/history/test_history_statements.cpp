#include "HistoryRows.h"
#include "history/HistoryStatements.h"
#include "store/Recordset.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Rows of the pair (1, 1) on five days, one of another keyword and one of another site on a day inside the
// range; the trend's Baidu rank is 0 (not found) on the second day.
class HistoryRowsOfAPair : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<test::HistoryRow> rows;
        for (int d = 1; d <= 5; ++d) {
            test::HistoryRow row;
            row.day = QDate(2011, 2, d);
            row.baidu = d == 2 ? 0 : d;
            row.google = 10 + d;
            rows.push_back(row);
        }
        test::HistoryRow otherKeyword;
        otherKeyword.keyWordId = 2;
        otherKeyword.day = QDate(2011, 2, 3);
        otherKeyword.baidu = 9;
        test::HistoryRow otherSite;
        otherSite.webId = 2;
        otherSite.day = QDate(2011, 2, 3);
        otherSite.baidu = 9;
        rows.push_back(otherKeyword);
        rows.push_back(otherSite);
        test::InsertHistory(db, rows);
    }
    // The days of the rows the statement gives, in its order.
    QStringList daysOf(const BoundSql& statement) {
        Recordset rows;
        const int count = db.connection().openQuery(rows, statement);
        QStringList days;
        for (int r = 0; r < count; ++r)
            days << rows.text(r, rows.fieldIndex(u"UpdateTime"));
        return days;
    }
    test::TempDatabase db;
};

TEST_F(HistoryRowsOfAPair, HistoryIsThePairsRowsOfBothDaysAndBetweenNewestFirst) {
    const struct {
        const char* name;
        QDate first;
        QDate last;
        QStringList days;
    } cases[] = {
        {"inner days",
         QDate(2011, 2, 2),
         QDate(2011, 2, 4),
         {QStringLiteral("2011-02-04"), QStringLiteral("2011-02-03"), QStringLiteral("2011-02-02")}},
        {"one day", QDate(2011, 2, 5), QDate(2011, 2, 5), {QStringLiteral("2011-02-05")}},
        {"wider than the rows",
         QDate(2010, 12, 31),
         QDate(2011, 3, 7),
         {QStringLiteral("2011-02-05"), QStringLiteral("2011-02-04"), QStringLiteral("2011-02-03"),
          QStringLiteral("2011-02-02"), QStringLiteral("2011-02-01")}},
        {"before the rows", QDate(2011, 1, 1), QDate(2011, 1, 31), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(daysOf(historyStatement(QStringLiteral("1"), QStringLiteral("1"), c.first, c.last)), c.days)
            << c.name;
}

TEST_F(HistoryRowsOfAPair, TrendIsThePairsDaysWithARankOldestFirst) {
    EXPECT_EQ(daysOf(trendStatement(QStringLiteral("1"), QStringLiteral("1"), QDate(2011, 2, 1),
                                    QDate(2011, 2, 4), u"Baidu")),
              (QStringList{QStringLiteral("2011-02-01"), QStringLiteral("2011-02-03"),
                           QStringLiteral("2011-02-04")}));
    EXPECT_EQ(daysOf(trendStatement(QStringLiteral("1"), QStringLiteral("1"), QDate(2011, 2, 2),
                                    QDate(2011, 2, 2), u"Google")),
              QStringList{QStringLiteral("2011-02-02")});
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
    const BoundSql trend = trendStatement(QStringLiteral("1"), QStringLiteral("2"), QDate(2012, 1, 1),
                                          QDate(2012, 1, 31), c.engine);
    if (column.isEmpty())
        EXPECT_TRUE(trend.sql.isEmpty());
    else
        EXPECT_TRUE(trend.sql.endsWith(u' ' + column + QStringLiteral(">0 order by updateTime")))
            << trend.sql.toStdString();
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
