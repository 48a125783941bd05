#include "HistoryRows.h"
#include "history/HistoryBox.h"
#include "history/TrendChart.h"
#include "store/DbError.h"
#include "store/MissionList.h"
#include "support/MessageRecorder.h"
#include "ui/DataGrid.h"
#include "ui/GridFindDialog.h" // DataGrid.h's findDialog() needs the complete type

#include <QAction>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineSeries>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane {
namespace {

using test::HistoryRow;
using test::InsertHistory;
using test::MessageRecorder;
using test::TempDatabase;

const QDate kDay1(2013, 5, 10);

// Two pairs in the mission list, in URL order: row 0 is keyword 1 of a.com, row 1 keyword 2 of b.com.
class HistoryBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        db_ = std::make_unique<TempDatabase>();
        db_->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID,UrlName) Values (1,'a.com'),(2,'b.com')"));
        db_->Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID,WebID,KeyWordName,Valid) Values "
                                 "(1,1,'花','1'),(2,2,'草','1')"));
    }
    static void TearDownTestSuite() { db_.reset(); }

    void SetUp() override {
        db_->Exec(QStringLiteral("Delete From SE_RankHistory"));
        ASSERT_EQ(openMissionList(db_->connection(), mission_), 2);
        chartFrame_.resize(600, 250);
        historyFrame_.resize(500, 300);
    }
    void TearDown() override { db_->connection().setStatementObserver({}); }

    // Sets both days without refreshing, as if the pickers had been set before.
    void SetRangeQuietly(const QDate& first, const QDate& last) {
        const QSignalBlocker b1(box_.firstDayPicker);
        const QSignalBlocker b2(box_.lastDayPicker);
        box_.firstDayPicker->setDate(first);
        box_.lastDayPicker->setDate(last);
    }

    // The days of the history rows shown, top to bottom.
    QStringList ShownDays() const {
        QStringList days;
        const int field = box_.historyRows.fieldIndex(u"UpdateTime");
        for (int row = 0; row < box_.historyRows.recordCount(); ++row)
            days << box_.historyRows.value(row, field).toString();
        return days;
    }

    // Counts the statements sent from now on.
    void CountStatements() {
        db_->connection().setStatementObserver([this](const QString& sql) {
            if (sql.contains(QStringLiteral("order by UpdateTime desc")))
                ++historyQueries_;
            else if (sql.contains(QStringLiteral("order by updateTime")))
                ++chartQueries_;
        });
    }

    static QString Day(const QDate& day) { return day.toString(Qt::ISODate); }

    static std::unique_ptr<TempDatabase> db_;
    MessageRecorder messages_;
    Recordset mission_;
    QGroupBox chartFrame_;
    QGroupBox historyFrame_;
    TrendChart chart_{db_->connection(), &chartFrame_};
    HistoryBox box_{db_->connection(), mission_, chart_, &historyFrame_};
    int historyQueries_ = 0;
    int chartQueries_ = 0;
};

std::unique_ptr<TempDatabase> HistoryBoxTest::db_;

TEST_F(HistoryBoxTest, StartsWithTheLastThirtyDaysAndNothingShown) {
    const QDate today = QDate::currentDate();
    EXPECT_EQ(box_.firstDayPicker->date(), today.addDays(-30));
    EXPECT_EQ(box_.lastDayPicker->date(), today);
    EXPECT_TRUE(box_.firstDayPicker->calendarPopup());
    EXPECT_EQ(historyFrame_.title(), QStringLiteral("排名历史记录,右键导出记录"));
    EXPECT_FALSE(box_.historyRows.isOpen());
    EXPECT_FALSE(box_.popupAttached());
    EXPECT_EQ(box_.historyGrid->popupMenu(), nullptr);
    EXPECT_EQ(box_.exportHistoryAction->text(), QStringLiteral("导出"));
    EXPECT_TRUE(box_.historyMenu->actions().contains(box_.exportHistoryAction));
}

TEST_F(HistoryBoxTest, GridShowsTheRankColumnsAndTheDayReadOnly) {
    const RecordsetModel* model = box_.historyGrid->recordsetModel();
    ASSERT_NE(model, nullptr);
    QStringList titles;
    QStringList fields;
    QString sorts;
    for (int c = 0; c < model->columnCount(); ++c) {
        titles << model->headerData(c, Qt::Horizontal).toString();
        fields << model->gridColumn(c).field;
        sorts += model->gridColumn(c).sortable ? u'S' : u'-';
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Baidu不包含推广"), QStringLiteral("Baidu包含推广"),
                                   QStringLiteral("Google"), QStringLiteral("Yahoo"), QStringLiteral("Sogou"),
                                   QStringLiteral("Bing"), QStringLiteral("Soso"), QStringLiteral("Youdao"),
                                   QStringLiteral("更新时间")}));
    EXPECT_EQ(fields, (QStringList{QStringLiteral("BaiduRank"), QStringLiteral("BaiduRank2"),
                                   QStringLiteral("GoogleRank"), QStringLiteral("YahooRank"),
                                   QStringLiteral("SogouRank"), QStringLiteral("BingRank"),
                                   QStringLiteral("SosoRank"), QStringLiteral("YoudaoRank"),
                                   QStringLiteral("UpdateTime")}));
    EXPECT_EQ(sorts, QStringLiteral("S-S-----S"));
    // The given widths, widened where the font needs more (TitlesAndWidestValuesFit), never narrowed.
    const QList<int> given{55, 55, 40, 40, 40, 40, 40, 40, 55};
    for (int c = 0; c < model->columnCount(); ++c)
        EXPECT_GE(box_.historyGrid->horizontalHeader()->sectionSize(c), given[c]) << titles[c].toStdString();
    EXPECT_EQ(box_.historyGrid->titleHeight(), 22);
    EXPECT_EQ(box_.historyGrid->selectionMode(), QAbstractItemView::SingleSelection);

    InsertHistory(*db_, {.day = kDay1, .baidu = 3, .baidu2 = 1, .google = 8, .youdao = 2});
    SetRangeQuietly(kDay1, kDay1);
    box_.refreshHistory();
    ASSERT_EQ(model->rowCount(), 1);
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->cellText(0, c);
    EXPECT_EQ(cells, (QStringList{QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("8"),
                                  QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                  QStringLiteral("0"), QStringLiteral("2"), Day(kDay1)}));
    EXPECT_FALSE(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(box_.historyGrid->footerText(0), QStringLiteral("1"));
    EXPECT_TRUE(box_.historyGrid->footerText(1).isEmpty());
    // KeyWordName and UrlName are fetched for the export and the title but have no column.
    EXPECT_GE(box_.historyRows.fieldIndex(u"KeyWordName"), 0);
    EXPECT_EQ(model->columnOfField(u"KeyWordName"), -1);
}

// Every title and the widest value of its column are whole in the grid's font: the engine's largest rank
// at ten pages, a date.
TEST_F(HistoryBoxTest, TitlesAndWidestValuesFit) {
    const DataGrid* grid = box_.historyGrid;
    const RecordsetModel* model = grid->recordsetModel();
    ASSERT_NE(model, nullptr);
    const QFontMetricsF titleMetrics(grid->horizontalHeader()->font());
    const QFontMetricsF cellMetrics(grid->font());
    struct Case {
        const char* field;
        const char* widest;
    };
    const Case cases[] = {
        {"BaiduRank", "1000"}, {"BaiduRank2", "1000"}, {"GoogleRank", "1000"},
        {"YahooRank", "1000"}, {"SogouRank", "1000"},  {"BingRank", "500"},
        {"SosoRank", "100"},   {"YoudaoRank", "300"},  {"UpdateTime", "2026-12-10"},
    };
    for (const Case& c : cases) {
        int column = -1;
        for (int i = 0; i < model->columnCount(); ++i)
            if (model->gridColumn(i).field == QLatin1String(c.field))
                column = i;
        ASSERT_GE(column, 0) << c.field;
        const QString title = model->headerData(column, Qt::Horizontal).toString();
        const int width = grid->columnWidth(column);
        SCOPED_TRACE(title.toStdString());
        // Room for the title, the header's margins and, in a sortable column, the sort marker.
        EXPECT_LT(titleMetrics.horizontalAdvance(title) + (model->gridColumn(column).sortable ? 10 : 0),
                  width);
        EXPECT_LT(cellMetrics.horizontalAdvance(QString::fromLatin1(c.widest)), width);
    }
}

TEST_F(HistoryBoxTest, RangeHoldsBothEndDaysNewestFirst) {
    const QDate first = kDay1;
    const QDate last = kDay1.addDays(4);
    InsertHistory(*db_, {{.day = first.addDays(-1), .baidu = 1},
                         {.day = first, .baidu = 2},
                         {.day = last, .baidu = 3},
                         {.day = last.addDays(1), .baidu = 4},
                         {.keyWordId = 2, .webId = 2, .day = first.addDays(2), .baidu = 9}});
    SetRangeQuietly(first, last);
    box_.refreshHistory();
    EXPECT_EQ(ShownDays(), (QStringList{Day(last), Day(first)}));
    EXPECT_EQ(historyFrame_.title(), QStringLiteral("排名历史记录,右键导出记录"));
    EXPECT_TRUE(box_.popupAttached());
    EXPECT_EQ(box_.historyGrid->popupMenu(), box_.historyMenu);
    EXPECT_EQ(box_.historyGrid->footerText(0), QStringLiteral("2"));
    // The chart shows the same pair and range, oldest first.
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 2}, {1, 3}}));
}

TEST_F(HistoryBoxTest, SingleDayRangeShowsThatDaysRow) {
    InsertHistory(*db_, {{.day = kDay1, .google = 5}, {.day = kDay1.addDays(1), .google = 6}});
    SetRangeQuietly(kDay1, kDay1);
    box_.refreshHistory();
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});
}

TEST_F(HistoryBoxTest, RefreshFollowsTheMissionListsCurrentRowButAMoveAloneDoesNot) {
    InsertHistory(
        *db_, {{.day = kDay1, .baidu = 4, .keyWord = QStringLiteral("花"), .url = QStringLiteral("a.com")},
               {.keyWordId = 2,
                .webId = 2,
                .day = kDay1.addDays(1),
                .baidu = 7,
                .keyWord = QStringLiteral("草"),
                .url = QStringLiteral("b.com")}});
    SetRangeQuietly(kDay1.addDays(-3), kDay1.addDays(3));
    box_.refreshHistory();
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});
    EXPECT_EQ(chart_.chartTitle(), QStringLiteral("关键词\"花\"和链接\"a.com\""));

    // Moving the current row (a keyboard move, a reload) refreshes nothing.
    CountStatements();
    mission_.setCurrentRow(1);
    EXPECT_EQ(historyQueries_, 0);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});

    // The main window's refresh after a click shows the other pair in grid and chart.
    box_.refreshHistory();
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1.addDays(1))});
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 7}}));
    EXPECT_EQ(chart_.chartTitle(), QStringLiteral("关键词\"草\"和链接\"b.com\""));
}

// Following the current row: moves in one turn of the event loop (a reload, a sort, a run stepping on)
// refresh once, for the row where the cursor ends; a refresh meanwhile makes that one unnecessary.
TEST_F(HistoryBoxTest, FollowingTheCurrentRowRefreshesOnceWhereTheMovesEnd) {
    InsertHistory(*db_, {{.day = kDay1, .baidu = 4},
                         {.keyWordId = 2, .webId = 2, .day = kDay1.addDays(1), .baidu = 7}});
    SetRangeQuietly(kDay1.addDays(-3), kDay1.addDays(3));
    box_.followCurrentRow();
    box_.followCurrentRow(); // a second call adds nothing
    CountStatements();

    mission_.setCurrentRow(1);
    mission_.setCurrentRow(0);
    mission_.setCurrentRow(1);
    EXPECT_EQ(historyQueries_, 0); // not before control returns to the event loop
    EXPECT_TRUE(box_.refreshPending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return historyQueries_ > 0; }));
    EXPECT_FALSE(box_.refreshPending());
    EXPECT_EQ(historyQueries_, 1);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1.addDays(1))});
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 7}}));

    // A reload puts the cursor on the first row: the box shows that row's history.
    ASSERT_EQ(openMissionList(db_->connection(), mission_), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return historyQueries_ == 2; }));
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});

    // A refresh right after a move (the main window's after a click) is the only one.
    mission_.setCurrentRow(1);
    box_.refreshHistory();
    EXPECT_FALSE(box_.refreshPending());
    QCoreApplication::processEvents();
    EXPECT_EQ(historyQueries_, 3);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1.addDays(1))});
}

// The mission grid as the main window shows it: a click on a data cell of another row switches the pair;
// keyboard moves and title clicks do not refresh.
TEST_F(HistoryBoxTest, MissionGridClicksSwitchThePairKeyboardMovesDoNot) {
    InsertHistory(*db_, {{.day = kDay1, .baidu = 4},
                         {.keyWordId = 2, .webId = 2, .day = kDay1.addDays(1), .baidu = 7}});
    SetRangeQuietly(kDay1.addDays(-3), kDay1.addDays(3));
    QWidget window;
    window.resize(700, 300);
    auto* missionGrid = new DataGrid(&window);
    missionGrid->setGeometry(0, 0, 700, 300);
    missionGrid->bind(mission_,
                      {{QStringLiteral("关键词"), QStringLiteral("KeyWordName"), 89, Qt::AlignCenter, true},
                       {QStringLiteral("相关链接"), QStringLiteral("UrlName"), 120, Qt::AlignLeft, true}});
    box_.followClicksOf(missionGrid);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto cellCentre = [&](int row, int column) {
        return missionGrid->visualRect(missionGrid->model()->index(row, column)).center();
    };

    QTest::mouseClick(missionGrid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(1, 0));
    EXPECT_EQ(mission_.currentRow(), 1);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1.addDays(1))});
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 7}}));

    CountStatements();
    missionGrid->setFocus();
    QTest::keyClick(missionGrid, Qt::Key_Up);
    EXPECT_EQ(mission_.currentRow(), 0);
    QHeaderView* titles = missionGrid->horizontalHeader();
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(titles->sectionViewportPosition(1) + 10, titles->height() / 2));
    EXPECT_EQ(historyQueries_, 0);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1.addDays(1))});

    QTest::mouseClick(missionGrid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(0, 1));
    EXPECT_EQ(historyQueries_, 1);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});
}

TEST_F(HistoryBoxTest, EitherDateChangeRefreshesAtOnce) {
    InsertHistory(*db_, {{.day = kDay1, .baidu = 1}, {.day = kDay1.addDays(5), .baidu = 2}});
    SetRangeQuietly(kDay1.addDays(-1), kDay1.addDays(1));
    CountStatements();

    box_.lastDayPicker->setDate(kDay1.addDays(5));
    EXPECT_EQ(historyQueries_, 1);
    EXPECT_EQ(chartQueries_, 1);
    EXPECT_EQ(ShownDays(), (QStringList{Day(kDay1.addDays(5)), Day(kDay1)}));

    box_.firstDayPicker->setDate(kDay1.addDays(2));
    EXPECT_EQ(historyQueries_, 2);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1.addDays(5))});
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 2}}));
}

TEST_F(HistoryBoxTest, TypingADateRefreshes) {
    InsertHistory(*db_, {.day = kDay1, .baidu = 1});
    SetRangeQuietly(kDay1.addDays(1), kDay1.addDays(9));
    historyFrame_.show();
    // Type a new first day over the year section: 2013 -> 2012 moves the range back over kDay1.
    box_.firstDayPicker->setFocus();
    box_.firstDayPicker->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(box_.firstDayPicker, QStringLiteral("2012"));
    EXPECT_EQ(box_.firstDayPicker->date().year(), 2012);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});
}

TEST_F(HistoryBoxTest, AnotherEngineButtonRefreshesGridAndChartTheSelectedOneDoesNot) {
    InsertHistory(
        *db_, {{.day = kDay1, .baidu = 3, .google = 8}, {.day = kDay1.addDays(1), .baidu = 4, .google = 0}});
    SetRangeQuietly(kDay1, kDay1.addDays(1));
    box_.refreshHistory();
    ASSERT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 3}, {1, 4}}));
    chartFrame_.show();
    CountStatements();

    QTest::mouseClick(chart_.engineButton(u"Baidu"), Qt::LeftButton);
    EXPECT_EQ(historyQueries_, 0);
    EXPECT_EQ(chartQueries_, 0);

    QTest::mouseClick(chart_.engineButton(u"Google"), Qt::LeftButton);
    EXPECT_EQ(historyQueries_, 1);
    EXPECT_EQ(chartQueries_, 1);
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 8}}));
    EXPECT_EQ(ShownDays().size(), 2);

    // The keyboard selects too.
    QTest::keyClick(chart_.engineButton(u"Yahoo"), Qt::Key_Space);
    EXPECT_TRUE(chart_.engineButton(u"Yahoo")->isChecked());
    EXPECT_EQ(historyQueries_, 2);
}

// Clicks on titles, by column, and the days shown top to bottom (offsets from kDay1) after each.
TEST_F(HistoryBoxTest, TitleClicksSortInMemoryAndMarkersSurviveARefresh) {
    InsertHistory(*db_, {{.day = kDay1, .baidu = 5, .google = 30},
                         {.day = kDay1.addDays(1), .baidu = 10, .google = 4},
                         {.day = kDay1.addDays(2), .baidu = 2, .google = 0}});
    SetRangeQuietly(kDay1, kDay1.addDays(2));
    DataGrid* grid = box_.historyGrid;
    const auto days = [&](std::initializer_list<int> offsets) {
        QStringList expected;
        for (const int offset : offsets)
            expected << Day(kDay1.addDays(offset));
        return expected;
    };
    const auto marker = [&](int column) { return grid->recordsetModel()->sortMarker(column); };
    constexpr int kBaidu = 0, kYahoo = 3, kDay = 8;

    // Before the first refresh the set is closed: title clicks do nothing.
    grid->clickTitle(kDay, Qt::NoModifier);
    EXPECT_EQ(marker(kDay), SortMarker::None);

    box_.refreshHistory();
    ASSERT_EQ(ShownDays(), days({2, 1, 0}));
    CountStatements();
    grid->clickTitle(kDay, Qt::NoModifier);
    EXPECT_EQ(ShownDays(), days({0, 1, 2})); // the oldest first
    grid->clickTitle(kDay, Qt::NoModifier);
    EXPECT_EQ(ShownDays(), days({2, 1, 0})); // the newest first again
    grid->clickTitle(kBaidu, Qt::NoModifier);
    EXPECT_EQ(ShownDays(), days({2, 0, 1})); // ranks as numbers: 2, 5, 10
    EXPECT_EQ(marker(kDay), SortMarker::None);
    grid->clickTitle(kYahoo, Qt::NoModifier);
    EXPECT_EQ(ShownDays(), days({2, 0, 1}));
    EXPECT_EQ(historyQueries_, 0); // sorting never asks the database

    // A refresh brings the statement's order back and keeps the markers: the first click after it
    // on a column marked up sorts descending.
    ASSERT_EQ(marker(kBaidu), SortMarker::Up);
    box_.refreshHistory();
    EXPECT_EQ(ShownDays(), days({2, 1, 0}));
    EXPECT_EQ(marker(kBaidu), SortMarker::Up);
    grid->clickTitle(kBaidu, Qt::NoModifier);
    EXPECT_EQ(ShownDays(), days({1, 0, 2}));
}

TEST_F(HistoryBoxTest, NoRowsSaysSoAndDropsThePopupUntilRowsReturn) {
    InsertHistory(*db_, {.day = kDay1, .baidu = 3});
    SetRangeQuietly(kDay1, kDay1);
    box_.refreshHistory();
    ASSERT_TRUE(box_.popupAttached());
    ASSERT_FALSE(chart_.chartTitle().isEmpty());

    box_.firstDayPicker->setDate(kDay1.addDays(1));
    box_.lastDayPicker->setDate(kDay1.addDays(2));
    EXPECT_TRUE(box_.historyRows.isOpen());
    EXPECT_EQ(box_.historyRows.recordCount(), 0);
    EXPECT_EQ(historyFrame_.title(), QStringLiteral("暂无排名信息"));
    EXPECT_FALSE(box_.popupAttached());
    EXPECT_EQ(box_.historyGrid->popupMenu(), nullptr);
    EXPECT_EQ(box_.historyGrid->footerText(0), QStringLiteral("0"));
    EXPECT_EQ(box_.historyGrid->model()->rowCount(), 0);
    EXPECT_EQ(chart_.rankSeries->count(), 0);
    EXPECT_TRUE(chart_.chartTitle().isEmpty());

    box_.firstDayPicker->setDate(kDay1);
    EXPECT_EQ(historyFrame_.title(), QStringLiteral("排名历史记录,右键导出记录"));
    EXPECT_TRUE(box_.popupAttached());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(HistoryBoxTest, ReversedRangeShowsNothingWithoutAnError) {
    InsertHistory(*db_, {{.day = kDay1, .baidu = 3}, {.day = kDay1.addDays(1), .baidu = 4}});
    SetRangeQuietly(kDay1.addDays(1), kDay1);
    box_.refreshHistory();
    EXPECT_EQ(box_.historyRows.recordCount(), 0);
    EXPECT_EQ(historyFrame_.title(), QStringLiteral("暂无排名信息"));
    EXPECT_EQ(chart_.rankSeries->count(), 0);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(HistoryBoxTest, ClosedOrEmptyMissionListRefreshesNothing) {
    CountStatements();
    Recordset empty;
    db_->connection().openQuery(empty, QStringLiteral("Select KeyWordID,WebID From SE_KeyWord Where 1=2"));
    HistoryBox onEmpty(db_->connection(), empty, chart_, new QGroupBox(&historyFrame_));
    onEmpty.refreshHistory();
    mission_.close();
    box_.refreshHistory();
    EXPECT_EQ(historyQueries_, 0);
    EXPECT_EQ(chartQueries_, 0);
    EXPECT_FALSE(box_.historyRows.isOpen());
    EXPECT_EQ(historyFrame_.title(), QStringLiteral("排名历史记录,右键导出记录"));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(HistoryBoxTest, DatabaseErrorIsReportedAndTheBoxStaysUsable) {
    InsertHistory(*db_, {.day = kDay1, .baidu = 3});
    SetRangeQuietly(kDay1, kDay1);
    box_.refreshHistory();
    ASSERT_EQ(ShownDays(), QStringList{Day(kDay1)});

    db_->Exec(QStringLiteral("Alter Table SE_RankHistory Rename To SE_RankHistoryAway"));
    box_.firstDayPicker->setDate(kDay1.addDays(-1));
    db_->Exec(QStringLiteral("Alter Table SE_RankHistoryAway Rename To SE_RankHistory"));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].kind, MessageKind::Report);
    EXPECT_TRUE(messages_.Messages()[0].text.contains(QStringLiteral("SE_RankHistory")));
    // The failed refresh left the last rows in place.
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});

    box_.lastDayPicker->setDate(kDay1.addDays(1));
    EXPECT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 3}}));
}

TEST_F(HistoryBoxTest, ChartErrorIsReportedAfterTheGridWasFilled) {
    InsertHistory(*db_, {.day = kDay1, .baidu = 3});
    SetRangeQuietly(kDay1, kDay1);
    db_->connection().setStatementObserver([](const QString& sql) {
        if (sql.startsWith(QStringLiteral("Select * From SE_RankHistory")))
            throw DbError(QStringLiteral("disk I/O error"));
    });
    box_.refreshHistory();
    EXPECT_EQ(messages_.Texts(), QStringList{QStringLiteral("disk I/O error.")});
    EXPECT_EQ(ShownDays(), QStringList{Day(kDay1)});
    EXPECT_EQ(chart_.rankSeries->count(), 0);

    db_->connection().setStatementObserver({});
    box_.refreshHistory();
    EXPECT_EQ(chart_.rankSeries->points(), (QList<QPointF>{{0, 3}}));
}

} // namespace
} // namespace quorvane
