// The main window on three screens (1024 x 768, 1366 x 768, 1920 x 1080; the offscreen screens come from
// large_screen.json): every tool-bar button, engine box and history column whole and clear of the others,
// the window's first size, and the grids and the chart growing with the window.
#include "app/MainWindow.h"
#include "history/HistoryBox.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"
#include "support/WindowParts.h"
#include "ui/DataGrid.h"
#include "ui/RecordsetModel.h"

#include <QCheckBox>
#include <QDate>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace quorvane {
namespace {

using test::part;

struct ScreenCase {
    const char* screen;
    QSize size;
};

void PrintTo(const ScreenCase& c, std::ostream* out) {
    *out << c.screen;
}

class WindowLayout : public ::testing::TestWithParam<ScreenCase> {
protected:
    void SetUp() override {
        screen = nullptr;
        for (QScreen* s : QGuiApplication::screens())
            if (s->name() == QLatin1String(GetParam().screen))
                screen = s;
        ASSERT_NE(screen, nullptr) << "no offscreen screen " << GetParam().screen;
        ASSERT_EQ(screen->size(), GetParam().size);
        db.Exec(
            QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.a-site.example.com')"));
        db.Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName, Valid, UpdateTime, "
                               "BaiduRank) Values (1, 1, 'keyword', '1', '2010-05-03', '3')"));
        // Two months of history, so that the history grid has more rows than it can show.
        for (int day = 0; day < 60; ++day)
            db.Exec(QStringLiteral("Insert Into SE_RankHistory (KeyWordID, WebID, KeyWordName, UrlName, "
                                   "UpdateTime, BaiduRank) Values (1, 1, 'keyword', 'x', '%1', 3)")
                        .arg(QDate::currentDate().addDays(-day).toString(Qt::ISODate)));
        window = std::make_unique<MainWindow>(db.connection(), db.Path());
        window->setScreen(screen);
        window->startUp();
        ASSERT_FALSE(window->terminateRequested());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->missions().setCurrentRow(0);
        part<HistoryBox>(*window, "historyBox")->refreshHistory();
        QCoreApplication::processEvents();
    }

    // A widget's rectangle in the window's coordinates.
    QRect inWindow(const QWidget* widget) const {
        return QRect(widget->mapTo(window.get(), QPoint(0, 0)), widget->size());
    }

    // The controls of the tool bar and of the engine row stand whole inside the window and clear of each
    // other and of the panels beside them; every column of the history grid shows without sideways scrolling.
    void expectEveryControlWhole() const {
        const QRect inside = window->rect();
        QList<const QWidget*> controls;
        for (const char* name :
             {"addUrlsButton", "startButton", "settingsButton", "stopButton", "exitButton"})
            controls << part<QToolButton>(*window, name);
        for (const char* name : {"baiduBox", "googleBox", "yahooBox", "sosoBox", "bingBox", "sogouBox",
                                 "youdaoBox", "allEnginesBox"})
            controls << part<QCheckBox>(*window, name);
        const QList<const QWidget*> panels{part<QFrame>(*window, "makerPagePanel"),
                                           part<QFrame>(*window, "promotionPanel")};
        for (const QWidget* control : controls) {
            const std::string name = control->objectName().toStdString();
            EXPECT_TRUE(control->isVisible()) << name;
            EXPECT_GE(control->width(), control->sizeHint().width()) << name;
            EXPECT_TRUE(inside.contains(inWindow(control))) << name;
            EXPECT_TRUE(inWindow(control->parentWidget()).contains(inWindow(control))) << name;
            for (const QWidget* other : controls + panels) {
                if (other != control && other->isVisible()) {
                    EXPECT_FALSE(inWindow(control).intersects(inWindow(other)))
                        << name << " / " << other->objectName().toStdString();
                }
            }
        }
        // The mission box's caption stops short of the history box's caption, cut with an ellipsis and
        // whole in the tooltip where the box is narrow.
        const QGroupBox* missionBox = part<QGroupBox>(*window, "missionBox");
        EXPECT_LE(missionBox->fontMetrics().horizontalAdvance(missionBox->title()), missionBox->width() - 16);
        if (!missionBox->toolTip().isEmpty()) {
            EXPECT_TRUE(missionBox->toolTip().startsWith(missionBox->title().chopped(1)));
        }
        const HistoryBox* history = part<HistoryBox>(*window, "historyBox");
        const DataGrid* grid = history->historyGrid;
        EXPECT_TRUE(inside.contains(inWindow(part<QGroupBox>(*window, "historyGroup"))));
        EXPECT_TRUE(inWindow(history).contains(inWindow(history->dateRow)));
        EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
        const QHeaderView* titles = grid->horizontalHeader();
        for (int column = 0; column < grid->model()->columnCount(); ++column) {
            SCOPED_TRACE(grid->model()->headerData(column, Qt::Horizontal).toString().toStdString());
            EXPECT_GE(titles->sectionViewportPosition(column), 0);
            EXPECT_LE(titles->sectionViewportPosition(column) + titles->sectionSize(column),
                      grid->viewport()->width());
        }
    }

    QScreen* screen = nullptr;
    test::MessageRecorder messages;
    test::TempDatabase db;
    std::unique_ptr<MainWindow> window;
};

TEST_P(WindowLayout, FirstSizeShowsEveryControlWhole) {
    // The designed outer size where the screen has room; the screen's free area where it has not.
    const QSize outer = MainWindow::kOuterSize.boundedTo(screen->availableGeometry().size());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->frameGeometry().size() == outer; }))
        << window->frameGeometry().width() << " x " << window->frameGeometry().height();
    EXPECT_TRUE(screen->availableGeometry().contains(window->frameGeometry()));
    expectEveryControlWhole();
}

TEST_P(WindowLayout, MaximisedShowsEveryControlWholeAndTheGridsAndChartGrow) {
    const auto height = [&](const char* name) { return part<QWidget>(*window, name)->height(); };
    const DataGrid* missionGrid = part<DataGrid>(*window, "missionGrid");
    const DataGrid* historyGrid = part<HistoryBox>(*window, "historyBox")->historyGrid;
    const int missionRows = missionGrid->viewport()->height();
    const int historyRows = historyGrid->viewport()->height();
    const int chart = height("chartArea");
    const int results = height("resultsBox");

    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }));
    QCoreApplication::processEvents();
    expectEveryControlWhole();
    // Maximising gives the results box 500 pixels of height: the grids show more rows. The chart keeps
    // at least its engine buttons and its plot; on a screen with room for both it grows too.
    EXPECT_GE(height("resultsBox"), std::min(500, results));
    EXPECT_GT(missionGrid->viewport()->height(), missionRows);
    EXPECT_GT(historyGrid->viewport()->height(), historyRows);
    const QWidget* chartArea = part<QWidget>(*window, "chartArea");
    EXPECT_GE(chartArea->height(), chartArea->minimumSizeHint().height());
    if (screen->availableGeometry().height() >= 1000) {
        EXPECT_GT(height("chartArea"), chart);
    }
}

// A resize by the user (no window command) shares the new height between the grids and the chart in the
// proportion they had.
TEST_P(WindowLayout, ResizeKeepsTheProportionOfGridsAndChart) {
    const auto share = [&] {
        const int results = part<QGroupBox>(*window, "resultsBox")->height();
        return static_cast<double>(results) / (results + part<QWidget>(*window, "chartArea")->height());
    };
    const double before = share();
    const QSize first = window->size();
    window->resize(first - QSize(0, 150));
    QCoreApplication::processEvents();
    EXPECT_NEAR(share(), before, 0.02);
    window->resize(first);
    QCoreApplication::processEvents();
    EXPECT_NEAR(share(), before, 0.01);
    expectEveryControlWhole();
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowLayout,
                         ::testing::Values(ScreenCase{"Small", {1024, 768}},
                                           ScreenCase{"Laptop", {1366, 768}},
                                           ScreenCase{"Large", {1920, 1080}}),
                         [](const ::testing::TestParamInfo<ScreenCase>& info) {
                             return std::string(info.param.screen);
                         });

} // namespace
} // namespace quorvane
