// The results area's sizes follow the window commands. The offscreen screen is made large enough for a
// maximised window to hold the sizes (the default one is 800 x 600).
#include "app/UntMain.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"

#include <QGroupBox>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

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
        frm = std::make_unique<TfrmIndex>(db.DM(), db.Path());
        frm->FormCreate();
        ASSERT_FALSE(frm->TerminateRequested());
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
    }
    QSize sizes() const { return {frm->grp3->width(), frm->grp2->height()}; }

    MessageRecorder messages;
    TempDatabase db;
    std::unique_ptr<TfrmIndex> frm;
};

TEST_F(WindowState, MaximiseWidensOtherCommandsRestore) {
    EXPECT_EQ(sizes(), QSize(632, 320)); // start-up
    frm->showMaximized();
    QTest::qWait(20);
    EXPECT_TRUE(frm->isMaximized());
    EXPECT_EQ(sizes(), QSize(800, 500));

    // The menu bar opened from the keyboard is a window command: the sizes go back although the window
    // stays maximised.
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    frm->menuBar()->setFocus(Qt::MenuBarFocusReason);
    EXPECT_TRUE(frm->isMaximized());
    EXPECT_EQ(sizes(), QSize(632, 300));

    frm->showMaximized(); // already maximised: no command, nothing changes
    EXPECT_EQ(sizes(), QSize(632, 300));
    frm->showNormal();
    frm->showMaximized();
    EXPECT_EQ(sizes(), QSize(800, 500));
    frm->showNormal();
    QTest::qWait(20);
    EXPECT_EQ(sizes(), QSize(632, 300));
}

TEST_F(WindowState, MinimiseGivesTheNormalSizes) {
    frm->showMaximized();
    ASSERT_EQ(sizes(), QSize(800, 500));
    frm->showMinimized();
    EXPECT_EQ(frm->grp2->height(), 300);
}

TEST_F(WindowState, CloseBoxIsACommandEvenWhenTheAnswerIsNo) {
    frm->showMaximized();
    ASSERT_EQ(sizes(), QSize(800, 500));
    messages.AnswerNext(IdNo);
    frm->windowHandle()->close(); // as the window system delivers the close box
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要退出程序吗?")});
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(sizes(), QSize(632, 300));
}

TEST_F(WindowState, SplitterDragsHoldUntilTheNextCommand) {
    frm->tntspltr1->setSizes({400, 100});
    EXPECT_EQ(frm->grp2->height(), 400);
    frm->resize(frm->width() + 40, frm->height() + 40); // a resize by the program is no command
    QTest::qWait(20);
    EXPECT_EQ(frm->grp2->height(), 400);
    frm->showMaximized();
    EXPECT_EQ(sizes(), QSize(800, 500));
}

} // namespace
} // namespace quorvane
