#include "HistoryRows.h"
#include "history/TrendChart.h"
#include "store/DbError.h"

#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QLineSeries>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace quorvane {
namespace {

using test::HistoryRow;
using test::InsertHistory;
using test::TempDatabase;

const QDate kChartDay(2012, 3, 1);

class TrendChartTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { db_ = std::make_unique<TempDatabase>(); }
    static void TearDownTestSuite() { db_.reset(); }

    void SetUp() override {
        db_->Exec(QStringLiteral("Delete From SE_RankHistory"));
        frame_.resize(700, 300);
    }

    void Draw(const QString& engine, QDate first = kChartDay.addDays(-10),
              QDate last = kChartDay.addDays(30)) {
        chart_.drawTrendChart(QStringLiteral("1"), QStringLiteral("1"), engine, first, last);
    }

    // Shows the chart and lets it lay out, so that values map to plot positions.
    void ShowLaidOut() {
        frame_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame_));
        QCoreApplication::processEvents();
    }

    // A date label as both grids write the day.
    static QString Iso(QDate day) { return day.toString(QStringLiteral("yyyy-MM-dd")); }

    // The texts the chart's scene draws (axis labels and titles, the chart title), as laid out on screen.
    QStringList DrawnTexts() const {
        QStringList texts;
        for (const QGraphicsItem* item : chart_.chart->scene()->items()) {
            const auto* text = dynamic_cast<const QGraphicsTextItem*>(item);
            if (text && text->isVisible() && !text->toPlainText().isEmpty())
                texts << text->toPlainText();
        }
        return texts;
    }

    static std::unique_ptr<TempDatabase> db_;
    QGroupBox frame_;
    TrendChart chart_{db_->connection(), &frame_};
};

std::unique_ptr<TempDatabase> TrendChartTest::db_;

TEST_F(TrendChartTest, StartsEmptyAndUntitledWithBaiduSelected) {
    EXPECT_EQ(frame_.title(), QStringLiteral("排名走势图(Baidu曲线为不包含推广排名)"));
    EXPECT_TRUE(chart_.engineButton(u"Baidu")->isChecked());
    EXPECT_EQ(chart_.selectedEngine(), QStringLiteral("Baidu"));
    EXPECT_EQ(chart_.rankSeries->count(), 0);
    EXPECT_TRUE(chart_.chartTitle().isEmpty());
    EXPECT_FALSE(chart_.chart->legend()->isVisible());
    EXPECT_TRUE(chart_.axisLeft->isReverse());
    EXPECT_EQ(chart_.axisLeft->titleText(), QStringLiteral("排名"));
}

// An empty chart, at start-up and after a pair without history, laid out small first (as the chart area is
// while the main window lays out) and then at the size of the main window's chart area: a plain plot, with
// no rank labels and nothing cut down to an ellipsis. Once there are points, the rank axis is labelled and
// titled, uncut.
TEST_F(TrendChartTest, EmptyChartDrawsNoCutAxisLabels) {
    const auto expectNothingCut = [](const QStringList& texts) {
        for (const QString& text : texts)
            EXPECT_FALSE(text.contains(u'…') || text.contains(QStringLiteral("..."))) << text.toStdString();
    };
    for (const QSize size : {QSize(160, 300), QSize(1060, 250), QSize(700, 300)}) {
        SCOPED_TRACE(size.width());
        frame_.resize(size);
        ShowLaidOut();
        for (const bool afterDrawing : {false, true}) {
            if (afterDrawing)
                Draw(QStringLiteral("Google"));
            // The chart lays out on posted events: a plot area inside the frame says it has.
            ASSERT_TRUE(QTest::qWaitFor([this] {
                const QRectF plot = chart_.chart->plotArea();
                return !plot.isEmpty() && QRectF(QPointF(0, 0), QSizeF(frame_.size())).contains(plot);
            }));
            const QStringList texts = DrawnTexts();
            expectNothingCut(texts);
            EXPECT_FALSE(texts.contains(QStringLiteral("0")) || texts.contains(QStringLiteral("10")))
                << texts.join(u'|').toStdString();
        }
    }
    InsertHistory(*db_, {.day = kChartDay, .baidu = 3});
    InsertHistory(*db_, {.day = kChartDay.addDays(1), .baidu = 7});
    Draw(QStringLiteral("Baidu"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return DrawnTexts().contains(QStringLiteral("4")); }));
    const QStringList texts = DrawnTexts();
    expectNothingCut(texts);
    EXPECT_TRUE(texts.contains(QStringLiteral("排名"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("4"))) << texts.join(u'|').toStdString();
}

TEST_F(TrendChartTest, DaysWithoutRankLeaveNoPointAndNoGap) {
    InsertHistory(*db_, {.day = kChartDay, .baidu = 3});
    InsertHistory(*db_, {.day = kChartDay.addDays(1), .baidu = 0, .google = 4});
    InsertHistory(*db_, {.day = kChartDay.addDays(2), .baidu = 5});
    Draw(QStringLiteral("Baidu"));
    ShowLaidOut();

    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 3}, {1, 5}}));
    EXPECT_EQ(chart_.pointLabels(), (QStringList{Iso(kChartDay), Iso(kChartDay.addDays(2))}));
    // The best rank is drawn above the worse one: a reversed axis whose range holds both points.
    EXPECT_TRUE(chart_.axisLeft->isReverse());
    EXPECT_LE(chart_.axisLeft->min(), 3);
    EXPECT_GE(chart_.axisLeft->max(), 5);
    EXPECT_LT(chart_.chart->mapToPosition({0, 3}, chart_.rankSeries).y(),
              chart_.chart->mapToPosition({1, 5}, chart_.rankSeries).y());
    // Both date labels stand on their points.
    EXPECT_EQ(chart_.axisBottom->categoriesLabels(), chart_.pointLabels());
    EXPECT_EQ(chart_.axisBottom->endValue(Iso(kChartDay.addDays(2))), 1);
    EXPECT_LT(chart_.axisBottom->min(), 0);
    EXPECT_GT(chart_.axisBottom->max(), 1);
}

TEST_F(TrendChartTest, BaiduIsDrawnWithoutPromotedResults) {
    InsertHistory(*db_, {.day = kChartDay, .baidu = 0, .baidu2 = 7});
    InsertHistory(*db_, {.day = kChartDay.addDays(1), .baidu = 2, .baidu2 = 9});
    Draw(QStringLiteral("Baidu"));
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 2}}));
    EXPECT_EQ(chart_.pointLabels(), QStringList{Iso(kChartDay.addDays(1))});
}

struct EngineColumnCase {
    const char* name;
    const char16_t* engine;
    double rank;
};

class TrendChartEngine : public TrendChartTest, public ::testing::WithParamInterface<EngineColumnCase> {};

TEST_P(TrendChartEngine, DrawsTheEnginesColumn) {
    InsertHistory(*db_, {.day = kChartDay,
                         .baidu = 1,
                         .baidu2 = 2,
                         .google = 3,
                         .yahoo = 4,
                         .soso = 5,
                         .bing = 6,
                         .sogou = 7,
                         .youdao = 8});
    Draw(QString::fromUtf16(GetParam().engine));
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, GetParam().rank}}));
}

INSTANTIATE_TEST_SUITE_P(
    Engines, TrendChartEngine,
    ::testing::Values(EngineColumnCase{"Baidu", u"Baidu", 1}, EngineColumnCase{"Google", u"Google", 3},
                      EngineColumnCase{"Yahoo", u"Yahoo", 4}, EngineColumnCase{"Soso", u"Soso", 5},
                      EngineColumnCase{"Bing", u"Bing", 6}, EngineColumnCase{"Sogou", u"Sogou", 7},
                      EngineColumnCase{"Youdao", u"Youdao", 8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TrendChartTest, TitleNamesTheLastRowsStoredTexts) {
    InsertHistory(
        *db_,
        {.day = kChartDay, .baidu = 4, .keyWord = QStringLiteral("旧词"), .url = QStringLiteral("old.cn")});
    InsertHistory(*db_, {.day = kChartDay.addDays(1),
                         .baidu = 2,
                         .keyWord = QStringLiteral("新词"),
                         .url = QStringLiteral("new.cn")});
    InsertHistory(*db_, {.day = kChartDay.addDays(2),
                         .baidu = 0,
                         .keyWord = QStringLiteral("未排名"),
                         .url = QStringLiteral("none.cn")});
    Draw(QStringLiteral("Baidu"));
    EXPECT_EQ(chart_.chartTitle(), QStringLiteral("关键词\"新词\"和链接\"new.cn\""));
}

TEST_F(TrendChartTest, NoQualifyingRowClearsPointsLabelsAndTitle) {
    InsertHistory(*db_, {.day = kChartDay, .baidu = 4, .google = 0});
    Draw(QStringLiteral("Baidu"));
    ASSERT_EQ(chart_.rankSeries->count(), 1);
    ASSERT_FALSE(chart_.chartTitle().isEmpty());

    Draw(QStringLiteral("Google"));
    EXPECT_EQ(chart_.rankSeries->count(), 0);
    EXPECT_TRUE(chart_.pointLabels().isEmpty());
    EXPECT_TRUE(chart_.axisBottom->categoriesLabels().isEmpty());
    EXPECT_TRUE(chart_.chartTitle().isEmpty());
}

// An engine without a rank in the range gets a sentence in the middle of the plot instead of an empty
// frame; the next drawing with points takes it away.
TEST_F(TrendChartTest, EngineWithoutRankSaysSoInThePlot) {
    EXPECT_TRUE(chart_.emptyNoticeText().isEmpty()); // nothing drawn yet: nothing to say
    InsertHistory(*db_, {.day = kChartDay, .baidu = 4, .google = 0});
    ShowLaidOut();

    Draw(QStringLiteral("Google"), kChartDay.addDays(-10), kChartDay.addDays(30));
    const QString expected = QStringLiteral("Google在") + Iso(kChartDay.addDays(-10)) + QStringLiteral("至") +
                             Iso(kChartDay.addDays(30)) + QStringLiteral("之间没有排名");
    EXPECT_EQ(chart_.emptyNoticeText(), expected);
    const QGraphicsSimpleTextItem* notice = nullptr;
    const auto findNotice = [&] {
        for (const QGraphicsItem* item : chart_.chart->scene()->items()) {
            const auto* text = dynamic_cast<const QGraphicsSimpleTextItem*>(item);
            if (text && text->isVisible() && text->text() == expected)
                notice = text;
        }
        return notice != nullptr;
    };
    // The chart lays out on posted events: wait until the notice stands inside the laid-out plot.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return findNotice() && chart_.chart->plotArea().contains(notice->sceneBoundingRect());
    })) << "notice missing or outside the plot";
    ASSERT_NE(notice, nullptr);

    Draw(QStringLiteral("Baidu"));
    EXPECT_TRUE(chart_.emptyNoticeText().isEmpty());
    EXPECT_FALSE(notice->isVisible());
}

// Ranks 2 to 14 in a chart as low as the main window's chart area and in a tall one: every rank label is a
// whole rank, the labels stand far enough apart to be read, and the taller chart labels more ranks.
TEST_F(TrendChartTest, RankAxisLabelsWholeRanksApartEnoughToRead) {
    for (int i = 0; i <= 12; ++i)
        InsertHistory(*db_, {.day = kChartDay.addDays(i), .baidu = 2 + i});
    const auto rankLabels = [this] {
        std::map<qreal, QString> byHeight; // label texts by their place from the top
        for (const QGraphicsItem* item : chart_.chart->scene()->items()) {
            const auto* text = dynamic_cast<const QGraphicsTextItem*>(item);
            bool number = false;
            if (text && text->isVisible())
                text->toPlainText().toDouble(&number);
            if (number && text->sceneBoundingRect().right() <= chart_.chart->plotArea().left())
                byHeight[text->sceneBoundingRect().center().y()] = text->toPlainText();
        }
        return byHeight;
    };
    std::vector<size_t> counts;
    for (const int height : {260, 600}) {
        SCOPED_TRACE(height);
        frame_.resize(700, height);
        ShowLaidOut();
        Draw(QStringLiteral("Baidu"));
        // The chart lays out on posted events; its rank labels stand left of the plot once it has.
        ASSERT_TRUE(QTest::qWaitFor([&] { return rankLabels().size() >= 3; }));
        const auto labels = rankLabels();
        qreal previous = -1000;
        for (const auto& [y, text] : labels) {
            bool whole = false;
            text.toInt(&whole);
            EXPECT_TRUE(whole) << text.toStdString();
            EXPECT_GE(y - previous, 18) << "label " << text.toStdString() << " crowds the one above";
            previous = y;
        }
        EXPECT_LE(chart_.axisLeft->min(), 2);
        EXPECT_GE(chart_.axisLeft->max(), 14);
        EXPECT_EQ(std::count_if(labels.begin(), labels.end(),
                                [](const auto& label) { return label.second == u"0"; }),
                  0); // rank 0 is "not found", never a place on the scale
        counts.push_back(labels.size());
    }
    EXPECT_GT(counts[1], counts[0]);
}

TEST_F(TrendChartTest, RangeBoundsIncludeBothDaysAndAReversedRangeShowsNothing) {
    for (int i = 0; i < 5; ++i)
        InsertHistory(*db_, {.day = kChartDay.addDays(i), .baidu = 10 + i});
    Draw(QStringLiteral("Baidu"), kChartDay.addDays(1), kChartDay.addDays(3));
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 11}, {1, 12}, {2, 13}}));

    Draw(QStringLiteral("Baidu"), kChartDay.addDays(3), kChartDay.addDays(1));
    EXPECT_EQ(chart_.rankSeries->count(), 0);
    EXPECT_TRUE(chart_.chartTitle().isEmpty());
}

TEST_F(TrendChartTest, OtherPairsRowsAreNotDrawn) {
    InsertHistory(*db_, {.keyWordId = 1, .webId = 1, .day = kChartDay, .baidu = 3});
    InsertHistory(*db_, {.keyWordId = 2, .webId = 1, .day = kChartDay, .baidu = 8});
    InsertHistory(*db_, {.keyWordId = 1, .webId = 2, .day = kChartDay, .baidu = 9});
    Draw(QStringLiteral("Baidu"));
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 3}}));
}

TEST_F(TrendChartTest, LongHistoryKeepsEveryPointButThinsTheDateLabels) {
    std::vector<HistoryRow> rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back({.day = kChartDay.addDays(i), .baidu = 1 + i % 50});
    InsertHistory(*db_, rows);
    frame_.show();
    Draw(QStringLiteral("Baidu"), kChartDay, kChartDay.addDays(2000));

    ASSERT_EQ(chart_.rankSeries->count(), 2000);
    EXPECT_EQ(chart_.rankSeries->at(1999), QPointF(1999, 1 + 1999 % 50));
    const QStringList shown = chart_.axisBottom->categoriesLabels();
    EXPECT_GE(shown.size(), 2);
    EXPECT_LE(shown.size(), 20);
    EXPECT_EQ(shown.first(), Iso(kChartDay));
    // Labels stand on their own points, evenly spread.
    for (const QString& label : shown) {
        const int at = static_cast<int>(chart_.axisBottom->endValue(label));
        EXPECT_EQ(chart_.pointLabels().at(at), label);
    }
}

TEST_F(TrendChartTest, OnlyANewlySelectedButtonAsksForARefresh) {
    QSignalSpy changed(&chart_, &TrendChart::engineChanged);
    frame_.show();
    QTest::mouseClick(chart_.engineButton(u"Baidu"), Qt::LeftButton);
    EXPECT_EQ(changed.count(), 0);
    QTest::mouseClick(chart_.engineButton(u"Bing"), Qt::LeftButton);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Bing"));
    EXPECT_EQ(chart_.selectedEngine(), QStringLiteral("Bing"));
    EXPECT_FALSE(chart_.engineButton(u"Baidu")->isChecked());
}

TEST_F(TrendChartTest, StatementErrorReachesTheCallerAfterTheChartWasCleared) {
    InsertHistory(*db_, {.day = kChartDay, .baidu = 3});
    Draw(QStringLiteral("Baidu"));
    ASSERT_EQ(chart_.rankSeries->count(), 1);
    db_->Exec(QStringLiteral("Alter Table SE_RankHistory Rename To SE_RankHistoryAway"));
    EXPECT_THROW(Draw(QStringLiteral("Baidu")), DbError);
    db_->Exec(QStringLiteral("Alter Table SE_RankHistoryAway Rename To SE_RankHistory"));
    EXPECT_EQ(chart_.rankSeries->count(), 0);
    EXPECT_TRUE(chart_.chartTitle().isEmpty());

    Draw(QStringLiteral("Baidu"));
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 3}}));
}

} // namespace
} // namespace quorvane
