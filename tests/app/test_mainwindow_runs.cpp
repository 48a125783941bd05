// The main window's side of rank checks and runs: engine boxes, page range, stop, search pages, the settings
// dialog, and a batch run against a loopback server.
#include "app/MainWindow.h"
#include "config/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "history/HistoryBox.h"
#include "history/TrendChart.h"
#include "platform/GbkCodec.h"
#include "runs/RunLog.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/MessageRecorder.h"
#include "support/ResultPages.h"
#include "support/ShellOpenRecorder.h"
#include "support/SuiteDatabase.h"
#include "support/TempDatabase.h"
#include "support/WindowParts.h"
#include "ui/DataGrid.h"
#include "ui/ModalDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QLineSeries>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane {
namespace {

// The engine's check box in the window's engine row.
QCheckBox* engineBox(const MainWindow& window, QStringView engine) {
    const QByteArray name = engine.toString().toLower().toLatin1() + "Box";
    return test::part<QCheckBox>(window, name.constData());
}

using test::MessageRecorder;
using test::TempDatabase;

class MainWindowRuns : public test::SuiteDatabaseTest {
protected:
    void SetUp() override {
        clearRankTables();
        db->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.mysite.com')"));
        db->Exec(
            QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName) Values (1, 1, '北京')"));
        StartWindow();
        QObject::connect(
            window.get(), &MainWindow::balloonShown,
            [this](const QString& title, const QString& message) { events << title + u'/' + message; });
        messages.OnMessage([this](const MessageRecorder::Message& m) {
            events << m.text;
            startEnabledAtMessage = test::part<QToolButton>(*window, "startButton")->isEnabled();
        });
    }
    void TearDown() override {
        window.reset();
        loadEngineDefinitions(QString());
    }

    // The window as the program starts it, with the engines at the loopback server and the run log in a
    // folder of the test's own.
    void StartWindow() {
        window.reset();
        window = std::make_unique<MainWindow>(db->connection(), db->Path());
        window->startUp();
        ASSERT_FALSE(window->terminateRequested());
        // Every engine is the loopback server again, after the window read the absent Endpoints.ini.
        endpoints.Apply();
        window->engine().runLog = &runLog;
    }

    void TickOnly(QStringView engine) {
        for (const EngineInfo& info : engines())
            engineBox(*window, info.name)->setChecked(info.name == engine);
    }
    QByteArray Target(QStringView engine, int pageIndex) const {
        const QString url = resultPageUrl(engine, u"北京", pageParameter(*findEngine(engine), pageIndex));
        return QUrl(url).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    }
    QModelIndex Cell(const char* field) const {
        const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
        return model->index(0, model->columnOfField(QString::fromLatin1(field)));
    }

    test::HttpServer server;
    const test::LoopbackEndpoints endpoints{server.BaseUrl()};
    QTemporaryDir logFolder;
    RunLog runLog{logFolder.filePath(QStringLiteral("Logs"))};
    MessageRecorder messages;
    std::unique_ptr<MainWindow> window;
    test::ShellOpenRecorder shell;
    QStringList events;
    bool startEnabledAtMessage = true;
};

TEST_F(MainWindowRuns, SelectAllTicksAndClearsTheSevenOnly) {
    test::part<QCheckBox>(*window, "allEnginesBox")->click(); // cleared
    for (const EngineInfo& info : engines())
        EXPECT_FALSE(engineBox(*window, info.name)->isChecked());
    EXPECT_FALSE(window->anyEngineChosen());
    test::part<QCheckBox>(*window, "allEnginesBox")->click(); // ticked
    EXPECT_TRUE(window->anyEngineChosen());

    // Clearing the seven one by one leaves "选择所有" ticked, and no engine is chosen.
    for (const EngineInfo& info : engines())
        engineBox(*window, info.name)->click();
    EXPECT_TRUE(test::part<QCheckBox>(*window, "allEnginesBox")->isChecked());
    EXPECT_FALSE(window->anyEngineChosen());
    test::part<QToolButton>(*window, "startButton")->click();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("请至少选择一个搜索引擎!")});
}

TEST_F(MainWindowRuns, PageRangeConfirmAndClose) {
    test::part<QToolButton>(*window, "settingsButton")->click();
    test::part<QComboBox>(*window, "pageRangeCombo")->setCurrentIndex(2);
    test::part<QToolButton>(*window, "applyPageRangeButton")->click();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("设置的查询范围为从第1页至3页!")});
    EXPECT_TRUE(test::part<QFrame>(*window, "pageRangePanel")->isHidden());

    // The next run asks each engine for three pages.
    TickOnly(u"Bing");
    QList<QByteArray> expected;
    for (int i = 0; i < 3; ++i) {
        expected << Target(u"Bing", i);
        server.ServePage(expected.back(), test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 0, QString())));
    }
    test::part<QToolButton>(*window, "startButton")->click();
    QList<QByteArray> asked;
    for (const test::HttpServer::Request& request : server.Requests())
        asked << request.target;
    EXPECT_EQ(asked, expected);
    messages.Clear();

    test::part<QToolButton>(*window, "settingsButton")->click();
    test::part<QToolButton>(*window, "closePageRangeButton")->click();
    EXPECT_TRUE(test::part<QFrame>(*window, "pageRangePanel")->isHidden());
    EXPECT_EQ(test::part<QComboBox>(*window, "pageRangeCombo")->currentText(), QStringLiteral("1"));
}

TEST_F(MainWindowRuns, StopWithoutARunChangesNothing) {
    test::part<QToolButton>(*window, "stopButton")->click();
    test::part<QAction>(*window, "trayStopAction")->trigger();
    EXPECT_FALSE(window->engine().stopRequested);
    EXPECT_TRUE(test::part<QToolButton>(*window, "stopButton")->isEnabled());
}

TEST_F(MainWindowRuns, SearchPagesFromMenuAndDoubleClick) {
    test::part<QAction>(*window, "openGoogleAction")->trigger();
    test::part<QAction>(*window, "openYoudaoAction")->trigger();
    EXPECT_EQ(shell.opened,
              (QStringList{firstPageUrl(u"Google", u"北京"), firstPageUrl(u"Youdao", u"北京")}));
    EXPECT_TRUE(shell.opened[0].endsWith(QStringLiteral("&ie=utf-8&q=%E5%8C%97%E4%BA%AC&start=0")));

    shell.opened.clear();
    emit test::part<DataGrid>(*window, "missionGrid")->doubleClicked(Cell("SosoRank"));
    emit test::part<DataGrid>(*window, "missionGrid")->doubleClicked(Cell("BaiduRank2"));
    emit test::part<DataGrid>(*window, "missionGrid")->doubleClicked(Cell("KeyWordName"));
    EXPECT_EQ(shell.opened, QStringList{firstPageUrl(u"Soso", u"北京")});
}

TEST_F(MainWindowRuns, ClosingTheSettingsDialogReloadsTheList) {
    const ModalRunner previous = setModalRunner([](QDialog&) {
        db->Exec(QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName) Values (1, 'added')"));
        return 0;
    });
    test::part<QToolButton>(*window, "addUrlsButton")->click();
    setModalRunner(previous);
    EXPECT_EQ(window->missions().recordCount(), 2);
}

TEST_F(MainWindowRuns, BatchRunShowsRanksThenSuccessThenBalloon) {
    TickOnly(u"Bing");
    server.ServePage(
        Target(u"Bing", 0),
        test::ResultPage(u"Bing", test::LinksWithSiteAt(6, 4, QStringLiteral("http://www.mysite.com/"))));
    test::part<QToolButton>(*window, "startButton")->click();

    EXPECT_EQ(window->missions().fieldText(QStringLiteral("BingRank")), QStringLiteral("4"));
    EXPECT_EQ(db->Scalar(QStringLiteral("Select BingRank From SE_RankHistory Where KeyWordID=1")),
              QStringLiteral("4"));
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("更新排名成功!"), QStringLiteral("提示/完成批量查询任务")}));
    EXPECT_FALSE(startEnabledAtMessage); // the controls come back after the message
    EXPECT_TRUE(test::part<QToolButton>(*window, "startButton")->isEnabled());
    EXPECT_TRUE(test::part<QToolButton>(*window, "addUrlsButton")->isEnabled());
    EXPECT_TRUE(test::part<DataGrid>(*window, "missionGrid")->isEnabled());
}

// After a run the history box shows the checked row's history with the day's new row, without a click; it
// then follows the current row wherever it moves.
TEST_F(MainWindowRuns, HistoryBoxShowsTheDaysRowAfterARunAndFollowsTheRow) {
    TickOnly(u"Bing");
    server.ServePage(
        Target(u"Bing", 0),
        test::ResultPage(u"Bing", test::LinksWithSiteAt(6, 4, QStringLiteral("http://www.mysite.com/"))));
    HistoryBox* box = test::part<HistoryBox>(*window, "historyBox");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->refreshPending(); }));
    EXPECT_EQ(box->historyRows.isOpen() ? box->historyRows.recordCount() : 0, 0); // nothing checked yet

    test::part<QToolButton>(*window, "startButton")->click();

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return box->historyRows.isOpen() && box->historyRows.recordCount() == 1; }));
    EXPECT_EQ(box->historyRows.fieldText(QStringLiteral("BingRank")), QStringLiteral("4"));
    EXPECT_EQ(box->historyRows.fieldText(QStringLiteral("UpdateTime")).left(10),
              QDate::currentDate().toString(Qt::ISODate));
    test::part<TrendChart>(*window, "trendChart")->engineButton(u"Bing")->setChecked(true);
    EXPECT_EQ(test::part<TrendChart>(*window, "trendChart")->rankSeries->points(), (QList<QPointF>{{0, 4}}));

    // Another pair with a row of its own: moving onto it shows its history, moving back the first one's.
    db->Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName) Values (2, 1, '上海')"));
    db->Exec(QStringLiteral("Insert Into SE_RankHistory (KeyWordID, WebID, KeyWordName, UrlName, UpdateTime, "
                            "BingRank) Values (2, 1, '上海', 'www.mysite.com', '%1', 9)")
                 .arg(QDate::currentDate().addDays(-1).toString(Qt::ISODate)));
    window->refreshMissionList();
    const int other = window->missions().fieldIndex(u"KeyWordName");
    int row = -1;
    for (int r = 0; r < window->missions().recordCount(); ++r)
        if (window->missions().value(r, other).toString() == QStringLiteral("上海"))
            row = r;
    ASSERT_GE(row, 0);
    window->missions().setCurrentRow(row);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return box->historyRows.fieldText(QStringLiteral("BingRank")) == u"9"; }));
    window->missions().setCurrentRow(row == 0 ? 1 : 0);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return box->historyRows.fieldText(QStringLiteral("BingRank")) == u"4"; }));
}

// Bing changed its result pages: the run says so instead of a silent ">50"; the README's example of result
// definitions in Engines.ini and a new start of the program find the rank again.
TEST_F(MainWindowRuns, PagesNotUnderstoodAreNamedUntilEnginesIniFollowsTheLayout) {
    TickOnly(u"Bing");
    QFile page(qEnvironmentVariable("QUORVANE_FIXTURES") +
               QStringLiteral("/Bing/results-changed-layout.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    server.ServePage(Target(u"Bing", 0), page.readAll(), "text/html; charset=utf-8");
    QSignalSpy balloons(window.get(), &MainWindow::balloonShown);
    test::part<QToolButton>(*window, "startButton")->click();

    ASSERT_EQ(balloons.size(), 1);
    EXPECT_EQ(balloons[0][1].toString(), QStringLiteral("完成批量查询任务\nBing: 1 页无法识别，见 Logs"));
    EXPECT_EQ(window->missions().fieldText(QStringLiteral("BingRank")),
              QString::fromUtf16(kNotUnderstoodText));
    QFile log(runLog.logPath(QDate::currentDate()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("\tBing\t北京\t0\t"));
    EXPECT_EQ(QDir(runLog.unparsedFolder()).entryList(QDir::Files).size(), 1);

    QTemporaryDir folder;
    const QString ini = folder.filePath(QStringLiteral("Engines.ini"));
    ASSERT_TRUE(test::WriteFile(ini, "[Bing]\nResults=#web-results > article.result\nResultLink=a.title\n"
                                     "NotResult=.sponsored\n"));
    StartWindow();
    ASSERT_TRUE(loadEngineDefinitions(ini)); // as the new start reads it beside the executable
    TickOnly(u"Bing");
    QSignalSpy newBalloons(window.get(), &MainWindow::balloonShown);
    test::part<QToolButton>(*window, "startButton")->click();

    ASSERT_EQ(newBalloons.size(), 1);
    EXPECT_EQ(newBalloons[0][1].toString(), QStringLiteral("完成批量查询任务"));
    EXPECT_EQ(window->missions().fieldText(QStringLiteral("BingRank")), QStringLiteral("3"));
    // The first run, which read no page, said so; the file itself drew no complaint.
    EXPECT_EQ(messages.Texts().filter(QStringLiteral("所有结果页都无法识别")).size(), 1);
    EXPECT_TRUE(messages.Texts().filter(QStringLiteral("配置文件")).isEmpty());
}

TEST_F(MainWindowRuns, TrayStopEndsARunWithinAPoll) {
    TickOnly(u"Google");
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Google", 0), stall);
    bool disabledDuringRun = false;
    QTimer::singleShot(300, [&] {
        disabledDuringRun = !test::part<QToolButton>(*window, "startButton")->isEnabled() &&
                            !test::part<QToolButton>(*window, "addUrlsButton")->isEnabled() &&
                            !test::part<DataGrid>(*window, "missionGrid")->isEnabled();
        test::part<QAction>(*window, "trayStopAction")->trigger();
        EXPECT_FALSE(test::part<QToolButton>(*window, "stopButton")->isEnabled());
    });
    QElapsedTimer clock;
    clock.start();
    test::part<QToolButton>(*window, "startButton")->click();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_EQ(events, QStringList{QStringLiteral("提示/批量任务停止")});
    EXPECT_FALSE(window->engine().stopRequested);
    EXPECT_TRUE(test::part<QToolButton>(*window, "stopButton")->isEnabled());
    EXPECT_TRUE(test::part<QToolButton>(*window, "startButton")->isEnabled());
}

// "退出" during a run ends the run as "停止" does, instead of letting it run to its last row.
TEST_F(MainWindowRuns, ExitDuringARunStopsIt) {
    TickOnly(u"Google");
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Google", 0), stall);
    QObject timer;
    QTimer::singleShot(300, &timer, [&] {
        messages.AnswerNext(IdYes);
        test::part<QToolButton>(*window, "exitButton")->click();
    });
    test::part<QToolButton>(*window, "startButton")->click();
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("你确定要退出程序吗?"), QStringLiteral("提示/批量任务停止")}));
    EXPECT_EQ(db->Scalar(QStringLiteral("Select count(*) From SE_RankHistory")), QStringLiteral("0"));
}

// The tray's "刷新任务" and the sites-and-keywords dialog opened from the tray's "添加网址" stay usable
// during a run; the reload they ask for waits until the row in progress is written, and the run goes on with
// the next row of the reloaded list.
TEST_F(MainWindowRuns, ReloadsFromTheTrayDuringARunKeepEveryRowsRanks) {
    db->Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName) Values (2, 1, 'beta')"));
    db->Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName) Values (3, 1, 'gamma')"));
    window->refreshMissionList();
    TickOnly(u"Bing");
    const auto servePage = [this](QStringView keyword, int position) {
        test::HttpServer::Response page;
        page.body = test::ResultPage(
            u"Bing", test::LinksWithSiteAt(9, position, QStringLiteral("http://www.mysite.com/")));
        page.delayMs = 150;
        const QString url = resultPageUrl(u"Bing", keyword, 0);
        server.Serve(QUrl(url).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority), page);
    };
    servePage(u"北京", 3);
    servePage(u"beta", 5);
    servePage(u"gamma", 7);
    const ModalRunner previous = setModalRunner([](QDialog&) { return 0; });
    QStringList seenDuring;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window->missions().currentRow() < 0)
            return;
        const QString keyword = window->missions().fieldText(QStringLiteral("KeyWordName"));
        if (seenDuring.contains(keyword) || test::part<QToolButton>(*window, "startButton")->isEnabled())
            return;
        seenDuring << keyword;
        if (keyword == QStringLiteral("beta"))
            test::part<QAction>(*window, "trayRefreshAction")->trigger();
        else if (keyword == QStringLiteral("gamma"))
            test::part<QAction>(*window, "trayAddUrlAction")
                ->trigger(); // the dialog closes at once and asks for a reload
    });
    poll.start(5);
    test::part<QToolButton>(*window, "startButton")->click();
    poll.stop();
    setModalRunner(previous);

    ASSERT_TRUE(seenDuring.contains(QStringLiteral("gamma"))) << seenDuring.join(u',').toStdString();
    const auto rank = [this](const char* keyword, const char* table) {
        return db->Scalar(QStringLiteral("Select BingRank From ") + QString::fromLatin1(table) +
                          QStringLiteral(" Where KeyWordName='") + QString::fromUtf8(keyword) + u'\'');
    };
    EXPECT_EQ(rank("北京", "SE_KeyWord"), QStringLiteral("3"));
    EXPECT_EQ(rank("beta", "SE_KeyWord"), QStringLiteral("5"));
    EXPECT_EQ(rank("gamma", "SE_KeyWord"), QStringLiteral("7"));
    EXPECT_EQ(rank("北京", "SE_RankHistory"), QStringLiteral("3"));
    EXPECT_EQ(rank("beta", "SE_RankHistory"), QStringLiteral("5"));
    EXPECT_EQ(rank("gamma", "SE_RankHistory"), QStringLiteral("7"));
    EXPECT_EQ(db->Scalar(QStringLiteral("Select count(*) From SE_RankHistory")), QStringLiteral("3"));
    EXPECT_EQ(events.first(), QStringLiteral("更新排名成功!"));
}

} // namespace
} // namespace quorvane
