// The results area's sizes follow the window commands. The offscreen screen is made large enough for a
// maximised window to hold the sizes (the default one is 800 x 600).
#include "app/MainWindow.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"
#include "support/WindowParts.h"
#include "webservices/AboutBox.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {
const bool kLargeScreen = [] {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen:configfile=") + QUORVANE_LARGE_SCREEN);
    return true;
}();
} // namespace

namespace quorvane {
namespace {

using test::MessageRecorder;
using test::TempDatabase;

class WindowState : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<MainWindow>(db.connection(), db.Path());
        window->startUp();
        ASSERT_FALSE(window->terminateRequested());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QSize sizes() const {
        return {test::part<QGroupBox>(*window, "missionBox")->width(),
                test::part<QGroupBox>(*window, "resultsBox")->height()};
    }
    // The mission box's width for a command's width: never less than every column of the grid needs, as
    // long as the history box keeps every column of its own.
    int mission(int commanded) const {
        const int both = test::part<QGroupBox>(*window, "missionBox")->width() +
                         test::part<QGroupBox>(*window, "historyGroup")->width();
        return std::min(std::max(commanded, window->missionBoxNeeds()), both - window->historyBoxNeeds());
    }
    // The results box's share of the height it shares with the chart area.
    double resultsShare() const {
        const int results = test::part<QGroupBox>(*window, "resultsBox")->height();
        return static_cast<double>(results) / (results + test::part<QWidget>(*window, "chartArea")->height());
    }

    MessageRecorder messages;
    TempDatabase db;
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowState, MaximiseWidensOtherCommandsRestore) {
    EXPECT_EQ(sizes(), QSize(mission(632), 320)); // start-up
    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }));
    EXPECT_EQ(sizes(), QSize(mission(800), 500));

    // The menu bar opened from the keyboard is a window command: the sizes go back although the window
    // stays maximised.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->menuBar()->setFocus(Qt::MenuBarFocusReason);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_EQ(sizes(), QSize(mission(632), 300));

    window->showMaximized(); // already maximised: no command, nothing changes
    EXPECT_EQ(sizes(), QSize(mission(632), 300));
    window->showNormal();
    window->showMaximized();
    EXPECT_EQ(sizes(), QSize(mission(800), 500));
    window->showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sizes() == QSize(mission(632), 300); })) << sizes().width();
}

TEST_F(WindowState, MinimiseGivesTheNormalSizes) {
    window->showMaximized();
    ASSERT_EQ(sizes(), QSize(mission(800), 500));
    window->showMinimized();
    EXPECT_EQ(test::part<QGroupBox>(*window, "resultsBox")->height(), 300);
}

TEST_F(WindowState, CloseBoxIsACommandEvenWhenTheAnswerIsNo) {
    window->showMaximized();
    ASSERT_EQ(sizes(), QSize(mission(800), 500));
    messages.AnswerNext(IdNo);
    window->windowHandle()->close(); // as the window system delivers the close box
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要退出程序吗?")});
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(sizes(), QSize(mission(632), 300));
}

// A drag of the splitter sets the results box's share of the height; a resize of the window keeps that
// share (more rows for the grids and a taller chart alike), until the next window command.
TEST_F(WindowState, SplitterDragsHoldUntilTheNextCommand) {
    auto* splitter = test::part<QSplitter>(*window, "resultsChartSplitter");
    QWidget* handle = splitter->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(0, 80));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 80));
    EXPECT_NEAR(test::part<QGroupBox>(*window, "resultsBox")->height(), 400, 1); // from 320
    const double share = resultsShare();
    const int chart = test::part<QWidget>(*window, "chartArea")->height();
    window->resize(window->width() + 200, window->height() + 200); // a resize by the program is no command
    QTest::qWait(20);
    EXPECT_GT(test::part<QGroupBox>(*window, "resultsBox")->height(), 400);
    EXPECT_GT(test::part<QWidget>(*window, "chartArea")->height(), chart);
    EXPECT_NEAR(resultsShare(), share, 0.01);
    window->showMaximized();
    EXPECT_EQ(sizes(), QSize(mission(800), 500));
}

// The About box's outer size, frame included, is its given size once a window manager has framed it, as
// the main window's is.
TEST_F(WindowState, AboutBoxFitsItsOuterSizeOnceFramed) {
    AboutBox box(window.get());
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.frameGeometry().size() != box.geometry().size(); }))
        << "no frame to take off";
    EXPECT_TRUE(QTest::qWaitFor([&] { return box.frameGeometry().size() == AboutBox::kOuterSize; }))
        << box.frameGeometry().width() << " x " << box.frameGeometry().height();
    EXPECT_LT(box.width(), AboutBox::kOuterSize.width());
}

} // namespace
} // namespace quorvane
