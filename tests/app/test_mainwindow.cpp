// The main window over a real database: the mission list, its grid, the commands and the tray menu.
#include "app/MainWindow.h"
#include "app/SharingSplitter.h"
#include "catalog/EngineCatalog.h"
#include "history/HistoryBox.h"
#include "platform/Messages.h"
#include "platform/QStringPrinter.h"
#include "store/MissionList.h"
#include "support/MessageRecorder.h"
#include "support/SuiteDatabase.h"
#include "support/TempDatabase.h"
#include "support/WindowParts.h"
#include "ui/DataGrid.h"
#include "ui/ModalDialogs.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace quorvane {
namespace {

using test::MessageRecorder;
using test::TempDatabase;

QStringList actionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions)
        texts << action->text();
    return texts;
}

// Every test starts from the same rows.
class MainWindowTest : public test::SuiteDatabaseTest {
protected:
    void SetUp() override {
        db->Exec(QStringLiteral("Drop Trigger If Exists KeepKeyWords"));
        clearRankTables();
        // Two URLs inserted out of order, five keywords: one switched off, one whose URL row is gone.
        db->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.b-site.com')"));
        db->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (2, 'www.a-site.com')"));
        addKeyword(11, 1, QStringLiteral("k-b1"), QStringLiteral("1"), QStringLiteral("2010-05-03"));
        addKeyword(12, 2, QStringLiteral("k-a1"), QStringLiteral("1"), QStringLiteral("2010-05-01"));
        addKeyword(13, 1, QStringLiteral("k-off"), QStringLiteral("0"), QStringLiteral("2010-05-04"));
        addKeyword(14, 99, QStringLiteral("k-orphan"), QStringLiteral("1"), QStringLiteral("2010-05-05"));
        addKeyword(15, 2, QStringLiteral("k-a2"), QStringLiteral("1"), QStringLiteral("2010-05-02"));
    }

    static void addKeyword(int id, int webId, const QString& name, const QString& valid,
                           const QString& updated) {
        db->Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName, Valid, UpdateTime, "
                                "GoogleRank, BaiduRank) Values (%1, %2, '%3', '%4', '%5', '%6', '%7')")
                     .arg(id)
                     .arg(webId)
                     .arg(name, valid, updated, QString::number(id % 7 + 1), QString::number(100 - id)));
    }

    // A window on its own data module, created as the program creates it.
    std::unique_ptr<MainWindow> openWindow() {
        auto window = std::make_unique<MainWindow>(database, db->Path());
        window->startUp();
        EXPECT_FALSE(window->terminateRequested());
        return window;
    }

    QStringList gridColumn(const MainWindow& window, const char* field) const {
        const RecordsetModel* model = test::part<DataGrid>(window, "missionGrid")->recordsetModel();
        const int column = model->columnOfField(QString::fromLatin1(field));
        QStringList values;
        for (int row = 0; row < model->rowCount(); ++row)
            values << model->index(row, column).data().toString();
        return values;
    }

    int columnOf(const MainWindow& window, const char* field) const {
        return test::part<DataGrid>(window, "missionGrid")
            ->recordsetModel()
            ->columnOfField(QString::fromLatin1(field));
    }

    MessageRecorder messages;
    Database database;
};

TEST_F(MainWindowTest, MissionListFiltersJoinsAndOrdersByUrl) {
    auto window = openWindow();
    EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'\n').toStdString();
    // The grid holds what the list's statement gives, row for row.
    Recordset statement;
    database.openQuery(statement, wholeMissionListSql());
    ASSERT_EQ(window->missions().recordCount(), statement.recordCount());
    for (int row = 0; row < statement.recordCount(); ++row)
        for (int field = 0; field < statement.fieldCount(); ++field)
            EXPECT_EQ(window->missions().value(row, field), statement.value(row, field))
                << row << ", " << field;

    EXPECT_EQ(window->missions().fieldNames(), QStringList({"KeyWordID", "WebID", "KeyWordName", "UrlName"}) +
                                                   rankColumns() + QStringList({"UpdateTime", "MatchRule"}));
    // The keyword without URL row comes first with an empty URL; the switched-off one is absent; keywords
    // of one URL stand together, URLs ascending.
    EXPECT_EQ(gridColumn(*window, "KeyWordName"), (QStringList{"k-orphan", "k-a1", "k-a2", "k-b1"}));
    EXPECT_EQ(gridColumn(*window, "UrlName"),
              (QStringList{"", "www.a-site.com", "www.a-site.com", "www.b-site.com"}));
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->footerText(columnOf(*window, "KeyWordName")),
              QStringLiteral("4"));
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->footerText(columnOf(*window, "UrlName")),
              QString());
}

// The 相关链接 cell says what counts as a hit for its site; a keyword without a site has no such tooltip.
TEST_F(MainWindowTest, AddressTooltipShowsTheSitesMatchRule) {
    db->Exec(QStringLiteral("Update SE_KeyUrl Set MatchRule=2 Where WebID=1"));
    auto window = openWindow();
    const int address = columnOf(*window, "UrlName");
    const DataGrid* grid = test::part<DataGrid>(*window, "missionGrid");
    const RecordsetModel* model = grid->recordsetModel();
    QStringList tips;
    for (int row = 0; row < model->rowCount(); ++row)
        tips << grid->cellToolTip(model->index(row, address));
    EXPECT_EQ(tips, (QStringList{QString(), QStringLiteral("www.a-site.com\n匹配方式: 完整网址"),
                                 QStringLiteral("www.a-site.com\n匹配方式: 完整网址"),
                                 QStringLiteral("www.b-site.com\n匹配方式: 整个域名")}));
    // Other cells keep the grid's own tooltip: none for a text that fits.
    EXPECT_TRUE(grid->cellToolTip(model->index(1, columnOf(*window, "KeyWordName"))).isEmpty());
}

TEST_F(MainWindowTest, GridModelFollowsRowDeletesOfTheRecordset) {
    ASSERT_TRUE(database.openDatabase(db->Path(), QString::fromUtf16(kDbPassword)));
    Recordset rs;
    openMissionList(database, rs);
    DataGrid grid;
    RecordsetModel* model = grid.bind(rs, {{QStringLiteral("关键词"), QStringLiteral("KeyWordName"), 89}});
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    rs.setCurrentRow(2);
    rs.deleteRow(1);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(rs.currentRow(), 1);
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_FALSE(model->headerData(1, Qt::Vertical, Qt::DecorationRole).isNull());
    EXPECT_EQ(db->Scalar(QStringLiteral("Select Count(*) From SE_KeyWord")), QStringLiteral("4"));
}

TEST_F(MainWindowTest, GridColumnsAsTheUserSeesThem) {
    auto window = openWindow();
    const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
    QStringList titles;
    QList<int> widths;
    QString sorts;
    for (int c = 0; c < model->columnCount(); ++c) {
        titles << model->headerData(c, Qt::Horizontal).toString();
        widths << test::part<DataGrid>(*window, "missionGrid")->horizontalHeader()->sectionSize(c);
        sorts += model->gridColumn(c).sortable ? u'y' : u'n';
    }
    EXPECT_EQ(titles, (QStringList{"关键词", "相关链接", "Baidu不包含推广", "Baidu包含推广", "Google",
                                   "Yahoo", "Sogou", "Bing", "Soso", "Youdao", "更新时间"}));
    // The given widths are kept where the font leaves the title and the values room; wider fonts widen the
    // rank and date columns (ReadableTitlesAndValues), never narrow any.
    const QList<int> given{89, 120, 55, 55, 40, 35, 35, 30, 30, 40, 55};
    ASSERT_EQ(widths.size(), given.size());
    EXPECT_EQ(widths.mid(0, 2), given.mid(0, 2));
    for (int c = 2; c < given.size(); ++c)
        EXPECT_GE(widths[c], given[c]) << titles[c].toStdString();
    EXPECT_EQ(sorts, QStringLiteral("yyynynnnnny"));
    EXPECT_EQ(model->gridColumn(1).alignment, Qt::AlignLeft);
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->titleHeight(), 24);
}

// Each rank and date column shows its title and the longest text it normally holds whole in the window's
// font: the date, a three-digit rank, the pending mark and the engine's ">N" at ten pages. The restriction
// notice is cut, and its cell's tooltip holds it whole.
TEST_F(MainWindowTest, ReadableTitlesAndValues) {
    db->Exec(QStringLiteral(
        "Update SE_KeyWord Set UpdateTime='2026-12-10', BaiduRank='>1000', BaiduRank2='>1000', "
        "GoogleRank='可能已被搜索引擎限制!', YahooRank='>1000', SogouRank='>1000', "
        "BingRank='>500', SosoRank='>100', YoudaoRank='>300' Where KeyWordID=12"));
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    DataGrid* grid = test::part<DataGrid>(*window, "missionGrid");
    const RecordsetModel* model = grid->recordsetModel();
    const QFontMetricsF titleMetrics(grid->horizontalHeader()->font());
    const QFontMetricsF cellMetrics(grid->font());
    struct Case {
        const char* field;
        QStringList values;
    };
    const Case cases[] = {
        {"BaiduRank", {">1000", "999", "稍候"}}, {"BaiduRank2", {">1000", "999"}},
        {"GoogleRank", {">1000", "999"}},        {"YahooRank", {">1000", "999"}},
        {"SogouRank", {">1000", "999"}},         {"BingRank", {">500", "999"}},
        {"SosoRank", {">100", "999"}},           {"YoudaoRank", {">300", "999"}},
        {"UpdateTime", {"2026-12-10"}},
    };
    for (const Case& c : cases) {
        const int column = columnOf(*window, c.field);
        const QString title = model->headerData(column, Qt::Horizontal).toString();
        const int width = grid->columnWidth(column);
        SCOPED_TRACE(title.toStdString());
        // Room for the title, the header's margins and, in a sortable column, the sort marker.
        EXPECT_LT(titleMetrics.horizontalAdvance(title) + (model->gridColumn(column).sortable ? 10 : 0),
                  width);
        for (const QString& value : c.values)
            EXPECT_LT(cellMetrics.horizontalAdvance(value), width) << value.toStdString();
    }
    // The stored cells of the row: whole, so no tooltip; the notice is cut and is its own tooltip.
    const int row = gridColumn(*window, "KeyWordName").indexOf(QStringLiteral("k-a1"));
    ASSERT_GE(row, 0);
    for (const Case& c : cases) {
        const QModelIndex index = model->index(row, columnOf(*window, c.field));
        const QString expected =
            QLatin1String(c.field) == "GoogleRank" ? QStringLiteral("可能已被搜索引擎限制!") : QString();
        EXPECT_EQ(grid->cellToolTip(index), expected) << c.field;
    }
}

// The engine boxes keep their order and captions; none runs into the next one. A mission box wide enough
// holds them in one line at their designed places; a narrower one goes on in a further line.
TEST_F(MainWindowTest, EngineBoxesDoNotOverlap) {
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QList<QCheckBox*> boxes{
        test::part<QCheckBox>(*window, "baiduBox"),  test::part<QCheckBox>(*window, "googleBox"),
        test::part<QCheckBox>(*window, "yahooBox"),  test::part<QCheckBox>(*window, "sosoBox"),
        test::part<QCheckBox>(*window, "bingBox"),   test::part<QCheckBox>(*window, "sogouBox"),
        test::part<QCheckBox>(*window, "youdaoBox"), test::part<QCheckBox>(*window, "allEnginesBox")};
    const QStringList captions{"Baidu", "Google", "Yahoo", "Soso", "Bing", "Sogou", "Youdao", "选择所有"};
    const QWidget* row = test::part<QWidget>(*window, "engineRow");
    const auto checkBoxes = [&] {
        for (int i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i]->text(), captions[i]);
            // Each box is as wide as its caption needs and stands whole in the row.
            EXPECT_GE(boxes[i]->width(), boxes[i]->sizeHint().width()) << captions[i].toStdString();
            EXPECT_TRUE(row->rect().contains(boxes[i]->geometry())) << captions[i].toStdString();
            for (int j = i + 1; j < boxes.size(); ++j)
                EXPECT_FALSE(boxes[i]->geometry().intersects(boxes[j]->geometry()))
                    << captions[i].toStdString() << " / " << captions[j].toStdString();
            // In reading order: along a line, then down to the next.
            if (i > 0) {
                EXPECT_TRUE(boxes[i - 1]->y() < boxes[i]->y() ||
                            (boxes[i - 1]->y() == boxes[i]->y() && boxes[i - 1]->x() < boxes[i]->x()))
                    << captions[i].toStdString();
            }
        }
    };
    for (const int width : {1600, 1024, 800}) {
        SCOPED_TRACE(width);
        window->resize(width, window->height());
        QCoreApplication::processEvents();
        checkBoxes();
    }
    window->resize(1600, window->height());
    QCoreApplication::processEvents();
    // Boxes whose captions leave room stay where they were placed, in one line.
    EXPECT_EQ(test::part<QCheckBox>(*window, "baiduBox")->x(), 96);
    EXPECT_EQ(test::part<QLabel>(*window, "engineRowLabel")->x(), 16);
    EXPECT_EQ(boxes.first()->y(), boxes.last()->y());
    EXPECT_EQ(row->height(), 35);
}

// The window's outer size, frame included, fits a 1366 x 768 screen with a panel. Offscreen there is no
// frame (the frame geometry is the geometry), so the window has that size inside too; the inner size for a
// framed window follows from the frame the window manager draws.
TEST_F(MainWindowTest, OuterSizeIncludesTheFrame) {
    EXPECT_LE(MainWindow::kOuterSize.width(), 1366);
    EXPECT_LE(MainWindow::kOuterSize.height(), 768 - 40);
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(window->frameGeometry().size(), MainWindow::kOuterSize);
    const QSize outer = MainWindow::kOuterSize;
    struct Case {
        QRect frame;
        QRect inner;
        QSize expected;
    };
    const Case cases[] = {
        {QRect(QPoint(0, 0), outer), QRect(QPoint(0, 0), outer), outer},             // no frame
        {QRect(QPoint(10, 20), outer + QSize(10, 30)), QRect(QPoint(15, 45), outer), // 5 + 5 wide,
         outer - QSize(10, 30)},                                                     // 25 + 5 high
        {QRect(QPoint(0, 0), outer + QSize(2, 2)), QRect(QPoint(1, 1), outer), outer - QSize(2, 2)}, // thin
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainWindow::innerSizeFor(MainWindow::kOuterSize, c.frame, c.inner), c.expected);
}

// At the window's first size, with or without a window manager's frame, every title of the history grid
// stands whole inside its grid, measured with the grid's own font; the mission grid scrolls sideways there.
// A window as wide as a 1366 x 768 screen shows every title of both grids: nothing hides behind a sideways
// scroll. A long address is cut and whole in its tooltip.
TEST_F(MainWindowTest, EveryColumnShowsAtTheFirstSize) {
    const QString longAddress = QStringLiteral("www.a-rather-long-address-for-the-grid.example.com");
    db->Exec(QStringLiteral("Update SE_KeyUrl Set UrlName='%1' Where WebID=2").arg(longAddress));
    // A month of history rows, so that the history grid has its vertical scroll bar.
    for (int day = 1; day <= 30; ++day)
        db->Exec(
            QStringLiteral("Insert Into SE_RankHistory (KeyWordID, WebID, KeyWordName, UrlName, UpdateTime, "
                           "BaiduRank) Values (12, 2, 'k-a1', 'x', '%1', 3)")
                .arg(QDate::currentDate().addDays(-day).toString(Qt::ISODate)));
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const auto columnsShowWhole = [](const DataGrid& grid, const QStringList& fields) {
        const RecordsetModel* model = grid.recordsetModel();
        const QHeaderView* titles = grid.horizontalHeader();
        const QFontMetricsF metrics(titles->font());
        EXPECT_FALSE(grid.horizontalScrollBar()->isVisible()) << grid.objectName().toStdString();
        for (const QString& field : fields) {
            const int column = model->columnOfField(field);
            ASSERT_GE(column, 0) << field.toStdString();
            const QString title = model->headerData(column, Qt::Horizontal).toString();
            const int left = titles->sectionViewportPosition(column);
            EXPECT_GE(left, 0) << title.toStdString();
            EXPECT_LE(left + titles->sectionSize(column), grid.viewport()->width()) << title.toStdString();
            EXPECT_LT(metrics.horizontalAdvance(title), titles->sectionSize(column)) << title.toStdString();
        }
    };
    const QStringList missionFields{"KeyWordName", "UrlName",    "BaiduRank", "BaiduRank2",
                                    "GoogleRank",  "YahooRank",  "SogouRank", "BingRank",
                                    "SosoRank",    "YoudaoRank", "UpdateTime"};
    const QStringList historyFields{"BaiduRank", "BaiduRank2", "GoogleRank", "YahooRank", "SogouRank",
                                    "BingRank",  "SosoRank",   "YoudaoRank", "UpdateTime"};
    struct Size {
        QSize outer;
        bool missionWhole;
    };
    for (const Size& size : {Size{MainWindow::kOuterSize, false}, Size{QSize(1366, 706), true}}) {
        // Offscreen the window has no frame; a window manager's frame takes some of the outer size.
        for (const QSize frame : {QSize(0, 0), QSize(8, 30)}) {
            SCOPED_TRACE(size.outer.width() - frame.width());
            window->resize(size.outer - frame);
            window->setResultsArea(320, 632); // as at start-up
            window->missions().setCurrentRow(
                gridColumn(*window, "KeyWordName").indexOf(QStringLiteral("k-a1")));
            HistoryBox* history = test::part<HistoryBox>(*window, "historyBox");
            history->refreshHistory();
            QCoreApplication::processEvents();
            ASSERT_GT(history->historyRows.recordCount(), 15);
            if (size.missionWhole)
                columnsShowWhole(*test::part<DataGrid>(*window, "missionGrid"), missionFields);
            columnsShowWhole(*history->historyGrid, historyFields);
            EXPECT_TRUE(history->historyGrid->verticalScrollBar()->isVisible());
        }
    }
    const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
    const int row = gridColumn(*window, "UrlName").indexOf(longAddress);
    ASSERT_GE(row, 0);
    // The address cut in its cell shows whole in the tooltip, with its site's match rule.
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")
                  ->cellToolTip(model->index(row, model->columnOfField(u"UrlName"))),
              longAddress + QStringLiteral("\n匹配方式: 完整网址"));
}

// A wider window widens the mission box and the history box in their proportion; the addresses column
// takes the mission grid's room, so a long address shows whole once there is room for it, and is cut with
// its tooltip before.
TEST_F(MainWindowTest, ExtraWidthIsSharedAndTheAddressesTakeIt) {
    const QString longAddress = QStringLiteral("www.an-address-that-wants-room.example.com");
    db->Exec(QStringLiteral("Update SE_KeyUrl Set UrlName='%1' Where WebID=2").arg(longAddress));
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    auto* missionBox = test::part<QGroupBox>(*window, "missionBox");
    auto* historyGroup = test::part<QGroupBox>(*window, "historyGroup");
    auto* grid = test::part<DataGrid>(*window, "missionGrid");
    const RecordsetModel* model = grid->recordsetModel();
    const QModelIndex address =
        model->index(gridColumn(*window, "UrlName").indexOf(longAddress), model->columnOfField(u"UrlName"));
    // Cut at the first size: the tooltip shows it whole, with its site's match rule.
    EXPECT_TRUE(grid->cutCellText(address) == longAddress);
    EXPECT_EQ(grid->cellToolTip(address), longAddress + QStringLiteral("\n匹配方式: 完整网址"));
    // The designed proportion of the two boxes; the mission box has less at the first size, where the
    // history box keeps its columns.
    const double share = 632.0 / (632 + 449);

    window->resize(1800, window->height());
    QCoreApplication::processEvents();
    EXPECT_NEAR(static_cast<double>(missionBox->width()) / (missionBox->width() + historyGroup->width()),
                share, 0.01);
    EXPECT_GE(historyGroup->width(), window->historyBoxNeeds());
    // The addresses column takes the room: no blank strip at the grid's right, no sideways scrolling.
    const QHeaderView* titles = grid->horizontalHeader();
    EXPECT_EQ(titles->sectionViewportPosition(model->columnCount() - 1) +
                  titles->sectionSize(model->columnCount() - 1),
              grid->viewport()->width());
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(grid->cutCellText(address), QString()); // whole now

    // Narrower than both boxes need: the history box keeps its columns, the mission grid scrolls sideways.
    window->resize(900, window->height());
    QCoreApplication::processEvents();
    EXPECT_GE(historyGroup->width(), window->historyBoxNeeds());
    EXPECT_LT(missionBox->width(), window->missionBoxNeeds());
    EXPECT_TRUE(grid->horizontalScrollBar()->isVisible());
    // Back to a wide window: the proportion comes back.
    window->resize(1800, window->height());
    QCoreApplication::processEvents();
    EXPECT_NEAR(static_cast<double>(missionBox->width()) / (missionBox->width() + historyGroup->width()),
                share, 0.01);
}

// How the splitter bounds a pane's share, for lengths that do not come from a real window.
TEST(SharingSplitterLengths, ShareWithinTheNeeds) {
    struct Case {
        const char* name;
        double share;
        int total;
        SharingSplitter::Needs needs;
        int expected;
    };
    const Case cases[] = {
        {"share_within_bounds", 0.6, 1000, {500, 300, 200}, 600},
        {"first_below_its_need", 0.3, 1000, {500, 300, 200}, 500},
        {"second_below_its_need", 0.9, 1000, {500, 300, 200}, 700},
        {"both_needs_do_not_fit_second_first", 0.6, 700, {500, 300, 200}, 400},
        {"first_keeps_its_least", 0.6, 400, {500, 300, 200}, 200},
        {"least_beyond_the_total", 0.6, 150, {500, 300, 200}, 150},
        {"no_needs", 0.25, 800, {0, 0, 0}, 200},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SharingSplitter::firstLength(c.share, c.total, c.needs), c.expected) << c.name;
}

TEST_F(MainWindowTest, PopupMenuOnlyWhileTheListHasRows) {
    auto window = openWindow();
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->popupMenu(),
              test::part<QMenu>(*window, "missionMenu"));
    db->Exec(QStringLiteral("Update SE_KeyWord Set Valid='0'"));
    window->refreshMissionList();
    EXPECT_EQ(window->missions().recordCount(), 0);
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->popupMenu(), nullptr);
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->footerText(0), QStringLiteral("0"));
    // With no rows there is nothing to delete and no question.
    window->deleteSelectedRow();
    EXPECT_TRUE(messages.Messages().empty());
    db->Exec(QStringLiteral("Update SE_KeyWord Set Valid='1' Where KeyWordID=12"));
    window->refreshMissionList();
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->popupMenu(),
              test::part<QMenu>(*window, "missionMenu"));
}

TEST_F(MainWindowTest, DeleteRemovesOnlyTheCurrentRowAfterYes) {
    db->Exec(QStringLiteral(
        "Insert Into SE_RankHistory (KeyWordID, WebID, UpdateTime) Values (15, 2, '2010-05-02')"));
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    DataGrid* grid = test::part<DataGrid>(*window, "missionGrid");
    const auto rowCentre = [&](int row) { return grid->visualRect(grid->model()->index(row, 0)).center(); };
    // Rows 0 and 1 selected with Ctrl, then row 2 (k-a2) made current with Ctrl too: three selected rows.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
    ASSERT_EQ(grid->selectionModel()->selectedRows().size(), 3);
    ASSERT_EQ(window->missions().fieldText(QStringLiteral("KeyWordName")), QStringLiteral("k-a2"));

    messages.AnswerNext(IdNo);
    test::part<QAction>(*window, "deleteRowAction")->trigger();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("被删除的记录无法还原,确定要删除吗?")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Question);
    EXPECT_EQ(db->Scalar(QStringLiteral("Select Count(*) From SE_KeyWord")), QStringLiteral("5"));

    messages.Clear();
    messages.AnswerNext(IdYes);
    test::part<QAction>(*window, "deleteRowAction")->trigger();
    EXPECT_EQ(messages.Texts().size(), 1);
    EXPECT_EQ(db->Scalar(QStringLiteral("Select Count(*) From SE_KeyWord Where KeyWordID=15")),
              QStringLiteral("0"));
    EXPECT_EQ(db->Scalar(QStringLiteral("Select Count(*) From SE_KeyWord")), QStringLiteral("4"));
    EXPECT_EQ(gridColumn(*window, "KeyWordName"), (QStringList{"k-orphan", "k-a1", "k-b1"}));
    // The pair's history stays.
    EXPECT_EQ(db->Scalar(QStringLiteral("Select Count(*) From SE_RankHistory Where KeyWordID=15")),
              QStringLiteral("1"));
}

TEST_F(MainWindowTest, FailedDeleteSaysSoAndReloadsAllTheSame) {
    auto window = openWindow();
    db->Exec(QStringLiteral("Create Trigger KeepKeyWords Before Delete On SE_KeyWord Begin "
                            "Select Raise(Abort, 'kept'); End"));
    addKeyword(16, 1, QStringLiteral("k-b2"), QStringLiteral("1"), QStringLiteral("2010-05-06"));
    messages.AnswerNext(IdYes);
    window->deleteSelectedRow();
    EXPECT_EQ(messages.Texts(), (QStringList{QStringLiteral("被删除的记录无法还原,确定要删除吗?"),
                                             QStringLiteral("删除失败!")}));
    EXPECT_EQ(messages.Messages()[1].kind, MessageKind::Information);
    EXPECT_EQ(window->missions().recordCount(), 5); // reloaded: the row added meanwhile shows
}

TEST_F(MainWindowTest, SortCycleAndMarkersAcrossARefresh) {
    auto window = openWindow();
    const int updated = columnOf(*window, "UpdateTime");
    const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
    test::part<DataGrid>(*window, "missionGrid")->clickTitle(updated, Qt::NoModifier);
    EXPECT_EQ(gridColumn(*window, "KeyWordName"),
              (QStringList{"k-a1", "k-a2", "k-b1", "k-orphan"})); // oldest first
    EXPECT_EQ(model->sortMarker(updated), SortMarker::Up);
    test::part<DataGrid>(*window, "missionGrid")->clickTitle(updated, Qt::NoModifier);
    EXPECT_EQ(gridColumn(*window, "KeyWordName"), (QStringList{"k-orphan", "k-b1", "k-a2", "k-a1"}));
    EXPECT_EQ(model->sortMarker(updated), SortMarker::Down);

    // "Yahoo" does not sort and leaves the markers alone.
    test::part<DataGrid>(*window, "missionGrid")->clickTitle(columnOf(*window, "YahooRank"), Qt::NoModifier);
    EXPECT_EQ(gridColumn(*window, "KeyWordName"), (QStringList{"k-orphan", "k-b1", "k-a2", "k-a1"}));

    // A refresh brings back the URL order and keeps the markers.
    test::part<QToolButton>(*window, "refreshButton")->click();
    EXPECT_EQ(gridColumn(*window, "KeyWordName"), (QStringList{"k-orphan", "k-a1", "k-a2", "k-b1"}));
    EXPECT_EQ(model->sortMarker(updated), SortMarker::Down);
    for (int c = 0; c < model->columnCount(); ++c) {
        if (c != updated) {
            EXPECT_EQ(model->sortMarker(c), SortMarker::None) << c;
        }
    }
}

TEST_F(MainWindowTest, PendingRowsAreRedAndSelectedRowsBlue) {
    db->Exec(QStringLiteral("Update SE_KeyWord Set YoudaoRank='稍候' Where KeyWordID=12"));  // k-a1, row 1
    db->Exec(QStringLiteral("Update SE_KeyWord Set BaiduRank2='稍候' Where KeyWordID=15"));  // k-a2, row 2
    db->Exec(QStringLiteral("Update SE_KeyWord Set GoogleRank='稍候x' Where KeyWordID=11")); // k-b1, row 3
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    DataGrid* grid = test::part<DataGrid>(*window, "missionGrid");
    auto* delegate = static_cast<GridItemDelegate*>(grid->itemDelegate());
    const auto colours = [&](int row, int column) {
        QStyleOptionViewItem option;
        option.initFrom(grid->viewport());
        delegate->initStyleOption(&option, grid->model()->index(row, column));
        return std::pair(option.backgroundBrush.color(), option.palette.color(QPalette::Text));
    };
    grid->selectionModel()->clearSelection();
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        EXPECT_EQ(colours(1, c), std::pair(QColor(Qt::red), QColor(Qt::white))) << c;
        EXPECT_NE(colours(2, c).first, QColor(Qt::red)) << c; // BaiduRank2 is not looked at
        EXPECT_NE(colours(3, c).first, QColor(Qt::red)) << c; // only the exact mark counts
    }
    grid->selectRow(1);
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        EXPECT_EQ(colours(1, c), std::pair(QColor(0, 0, 255), QColor(Qt::white))) << c;
}

TEST_F(MainWindowTest, TypedCharactersChangeNothing) {
    auto window = openWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    test::part<DataGrid>(*window, "missionGrid")->setFocus();
    window->missions().setCurrentRow(1);
    const QStringList before = gridColumn(*window, "KeyWordName");
    QTest::keyClicks(test::part<DataGrid>(*window, "missionGrid"), QStringLiteral("k-b1 9"));
    QTest::keyClick(test::part<DataGrid>(*window, "missionGrid"), Qt::Key_Delete);
    EXPECT_EQ(window->missions().currentRow(), 1);
    EXPECT_EQ(gridColumn(*window, "KeyWordName"), before);
    EXPECT_FALSE(window->missions().isEditing());
    EXPECT_EQ(db->Scalar(QStringLiteral("Select KeyWordName From SE_KeyWord Where KeyWordID=12")),
              QStringLiteral("k-a1"));
}

TEST_F(MainWindowTest, TrayItemsActOnDisabledAndHiddenButtons) {
    auto window = openWindow();
    EXPECT_EQ(actionTexts(test::part<QMenu>(*window, "trayMenu")->actions()),
              (QStringList{"停止", "下载地址", "添加网址", "刷新任务", "退出"}));
    EXPECT_EQ(test::part<QSystemTrayIcon>(*window, "trayIcon")->contextMenu(),
              test::part<QMenu>(*window, "trayMenu"));
    EXPECT_EQ(test::part<QSystemTrayIcon>(*window, "trayIcon")->toolTip(), QStringLiteral("Quorvane"));

    // "添加网址" while a run has disabled "&1 添加网址".
    QStringList opened;
    const ModalRunner previous = setModalRunner([&](QDialog& dialog) {
        opened << dialog.windowTitle();
        return 0;
    });
    test::part<QToolButton>(*window, "addUrlsButton")->setEnabled(false);
    test::part<QToolButton>(*window, "addUrlsButton")->click(); // a disabled button ignores clicks...
    EXPECT_TRUE(opened.isEmpty());
    test::part<QAction>(*window, "trayAddUrlAction")->trigger(); // ...the tray item does not
    EXPECT_EQ(opened, QStringList{QStringLiteral("关键词链接设置")});
    setModalRunner(previous);

    // "刷新任务" although its button is hidden.
    ASSERT_TRUE(test::part<QToolButton>(*window, "refreshButton")->isHidden());
    addKeyword(16, 1, QStringLiteral("k-b2"), QStringLiteral("1"), QStringLiteral("2010-05-06"));
    test::part<QAction>(*window, "trayRefreshAction")->trigger();
    EXPECT_EQ(window->missions().recordCount(), 5);

    // "停止" with no run in progress changes nothing.
    test::part<QAction>(*window, "trayStopAction")->trigger();
    EXPECT_EQ(window->missions().recordCount(), 5);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MainWindowTest, ExitAsksOnceAndNoKeepsEverything) {
    auto window = openWindow();
    messages.AnswerNext(IdNo);
    test::part<QAction>(*window, "trayExitAction")->trigger();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要退出程序吗?")});
    QCloseEvent keep;
    messages.AnswerNext(IdNo);
    QCoreApplication::sendEvent(window.get(), &keep);
    EXPECT_FALSE(keep.isAccepted()); // still asking after a No

    messages.Clear();
    messages.AnswerNext(IdYes);
    test::part<QToolButton>(*window, "exitButton")->click();
    EXPECT_EQ(messages.Texts().size(), 1);
    // The window closing as the application ends does not ask again.
    QCloseEvent close;
    QCoreApplication::sendEvent(window.get(), &close);
    EXPECT_TRUE(close.isAccepted());
    EXPECT_EQ(messages.Texts().size(), 1);
}

TEST_F(MainWindowTest, StartUpBalloonAndControls) {
    auto window = std::make_unique<MainWindow>(database, db->Path());
    QSignalSpy balloons(window.get(), &MainWindow::balloonShown);
    window->startUp();
    ASSERT_EQ(balloons.count(), 1);
    EXPECT_EQ(balloons[0][0].toString(), QStringLiteral("提示"));
    EXPECT_EQ(balloons[0][1].toString(), QStringLiteral("Quorvane"));
    window->showBalloon(QStringLiteral("提示"), QStringLiteral("完成查询任务"));
    EXPECT_EQ(balloons.count(), 2);

    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velmora-Quorvane Ver1.3"));
    for (QCheckBox* box :
         {test::part<QCheckBox>(*window, "baiduBox"), test::part<QCheckBox>(*window, "googleBox"),
          test::part<QCheckBox>(*window, "yahooBox"), test::part<QCheckBox>(*window, "sosoBox"),
          test::part<QCheckBox>(*window, "bingBox"), test::part<QCheckBox>(*window, "sogouBox"),
          test::part<QCheckBox>(*window, "youdaoBox"), test::part<QCheckBox>(*window, "allEnginesBox")})
        EXPECT_TRUE(box->isChecked()) << box->text().toStdString();
    EXPECT_EQ(test::part<QComboBox>(*window, "pageRangeCombo")->count(), 10);
    EXPECT_EQ(test::part<QComboBox>(*window, "pageRangeCombo")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(test::part<QComboBox>(*window, "pageRangeCombo")->itemText(9), QStringLiteral("10"));
    EXPECT_EQ(test::part<QGroupBox>(*window, "historyGroup")->title(),
              QStringLiteral("排名历史记录,右键导出记录"));
    EXPECT_TRUE(test::part<QToolButton>(*window, "refreshButton")->isHidden());
    EXPECT_TRUE(test::part<QToolButton>(*window, "exportHistoryButton")->isHidden());
    EXPECT_EQ(test::part<QToolButton>(*window, "addUrlsButton")->text(), QStringLiteral("&1 添加网址"));
    EXPECT_EQ(test::part<QToolButton>(*window, "startButton")->text(), QStringLiteral("&2 批量更新排名"));
    EXPECT_EQ(actionTexts(test::part<QMenuBar>(*window, "mainMenu")->actions()),
              (QStringList{"帮助", "关于", "访问Velmora", "最新版本下载"}));
    EXPECT_EQ(actionTexts(test::part<QMenu>(*window, "missionMenu")->actions()),
              (QStringList{"更新排名", "打开搜索页", "删除", "导出"}));
    EXPECT_EQ(actionTexts(test::part<QMenu>(*window, "openSearchMenu")->actions()),
              (QStringList{"Baidu", "Google", "Yahoo", "Sogou", "Bing", "Soso", "Youdao"}));
    EXPECT_EQ(actionTexts(test::part<HistoryBox>(*window, "historyBox")->historyMenu->actions()),
              QStringList{"导出"});

    // "设置" shows the page-range panel and nothing else.
    EXPECT_TRUE(test::part<QFrame>(*window, "pageRangePanel")->isHidden());
    test::part<QToolButton>(*window, "settingsButton")->click();
    EXPECT_FALSE(test::part<QFrame>(*window, "pageRangePanel")->isHidden());
    // At its designed place over the grid, at least its designed size, every text and control in it whole.
    const QFrame* panel = test::part<QFrame>(*window, "pageRangePanel");
    const QWidget* missionBox = test::part<QGroupBox>(*window, "missionBox");
    EXPECT_TRUE(missionBox->rect().contains(panel->geometry()));
    EXPECT_EQ(panel->pos(), QPoint(std::min(192, missionBox->width() - panel->width()), 104));
    EXPECT_GE(panel->width(), 369);
    EXPECT_GE(panel->height(), 121);
    for (const QWidget* child : panel->findChildren<QWidget*>()) {
        EXPECT_TRUE(panel->rect().contains(child->geometry())) << child->objectName().toStdString();
        if (child->minimumSize() != child->maximumSize()) { // not a control of a fixed size
            EXPECT_GE(child->width(), child->minimumSizeHint().width()) << child->objectName().toStdString();
        }
    }
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(MainWindowTest, ListErrorIsReportedAndTheWindowStaysUsable) {
    auto window = openWindow();
    db->Exec(QStringLiteral("Alter Table SE_KeyUrl Rename To SE_KeyUrlGone"));
    window->refreshMissionList();
    db->Exec(QStringLiteral("Alter Table SE_KeyUrlGone Rename To SE_KeyUrl"));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Report);
    EXPECT_TRUE(messages.Messages()[0].text.contains(QStringLiteral("SE_KeyUrl")));
    // The grid keeps the rows it had and the next refresh works.
    EXPECT_EQ(window->missions().recordCount(), 4);
    window->refreshMissionList();
    EXPECT_EQ(window->missions().recordCount(), 4);
}

} // namespace
} // namespace quorvane
