// Batch runs and single-row updates over a database of missions, against a loopback server.
#include "EngineFixture.h"

#include "engine/EngineDefinitions.h"
#include "engine/NetworkSetup.h"
#include "engine/PageRecorder.h"
#include "pages/ScriptBrowser.h"
#include "store/SqlText.h"
#include "support/Files.h"
#include "support/RawServer.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrlQuery>

#include <atomic>
#include <mutex>
#include <stdexcept>

namespace quorvane {
namespace {

using test::LinksWithSiteAt;

const QString kSiteHost = QStringLiteral("www.mysite.com");
const QString kRestricted = QString::fromUtf16(kRestrictedText);

class RankRuns_ : public test::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.com',-1)"));
        host.ticked.clear();
        runs.today = [this] { return today; };
        recorder.OnMessage([this](const test::MessageRecorder::Message& m) { events << m.text; });
    }

    qint64 AddKeyword(const QString& keyword, const QString& extraColumns = {},
                      const QString& extraValues = {}) {
        db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName") + extraColumns +
                QStringLiteral(")values(1,") + quotedStr(keyword) + extraValues + u')');
        return db.Scalar(QStringLiteral("Select max(KeyWordID) From SE_KeyWord")).toLongLong();
    }
    QString Cell(qint64 id, const QString& column) {
        return db.Scalar(QStringLiteral("Select ") + column +
                         QStringLiteral(" From SE_KeyWord Where KeyWordID=") + QString::number(id));
    }
    QString History(qint64 id, const QString& columns) {
        Recordset rs;
        const int n = db.connection().openQuery(
            rs, QStringLiteral("Select ") + columns +
                    QStringLiteral(" From SE_RankHistory Where KeyWordID=") + QString::number(id));
        QStringList rows;
        for (int r = 0; r < n; ++r) {
            QStringList values;
            for (int f = 0; f < rs.fieldCount(); ++f)
                values << rs.value(r, f).toString();
            rows << values.join(u',');
        }
        return rows.join(u';');
    }
    void ServeAbsent(QStringView engine, const QString& keyword, int pageIndex = 0) {
        ServeResults(engine, keyword, pageIndex,
                     LinksWithSiteAt(4, 0, QStringLiteral("http://") + kSiteHost + u'/'));
    }
    void TickAll() {
        for (const EngineInfo& info : engines())
            host.ticked.insert(info.name.toString());
    }

    test::TempDatabase db;
    Recordset missions;
    test::RecordingHost host{db.connection(), missions};
    RankRuns runs{db.connection(), missions, engine, host};
    test::MessageRecorder recorder;
    QStringList events; // messages and balloons in the order the user sees them
    QDate today = QDate(2026, 12, 10);
};

TEST_F(RankRuns_, SiteAbsentEverywhereGivesNotFoundTextsAndZeroHistory) {
    const qint64 id = AddKeyword(QStringLiteral("北京"));
    TickAll();
    host.onBalloon = [this](const QString& balloon) { events << balloon; };
    for (const EngineInfo& info : engines())
        ServeAbsent(info.name, QStringLiteral("北京"));
    runs.runBatch();

    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank2")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("GoogleRank")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("YahooRank")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("SogouRank")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("SosoRank")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral(">50"));
    EXPECT_EQ(Cell(id, QStringLiteral("YoudaoRank")), QStringLiteral(">300"));
    EXPECT_EQ(Cell(id, QStringLiteral("UpdateTime")), QStringLiteral("2026-12-10"));
    EXPECT_EQ(
        History(id, QStringLiteral(
                        "GoogleRank,BaiduRank,BaiduRank2,SogouRank,SosoRank,YahooRank,YoudaoRank,BingRank")),
        QStringLiteral("0,0,0,0,0,0,0,0"));
    // Success first, the balloon after it; controls back.
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("更新排名成功!"), QStringLiteral("提示/完成批量查询任务")}));
    EXPECT_EQ(host.balloons, QStringList{QStringLiteral("提示/完成批量查询任务")});
    EXPECT_TRUE(host.startEnabled);
    EXPECT_TRUE(host.gridEnabled);
    EXPECT_FALSE(host.busy);
}

TEST_F(RankRuns_, OnlyGoogleTickedKeepsOtherCellsAndTakesTheirNumbers) {
    const qint64 id =
        AddKeyword(QStringLiteral("k"), QStringLiteral(",BaiduRank,BaiduRank2,YahooRank,SosoRank,BingRank"),
                   QStringLiteral(",'5','9','>100','") + kRestricted + QStringLiteral("','12'"));
    host.ticked = {QStringLiteral("Google")};
    ServeResults(u"Google", QStringLiteral("k"), 0,
                 LinksWithSiteAt(9, 7, QStringLiteral("http://www.mysite.com/")));
    runs.runBatch();

    EXPECT_EQ(Cell(id, QStringLiteral("GoogleRank")), QStringLiteral("7"));
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), QStringLiteral("5"));
    EXPECT_EQ(Cell(id, QStringLiteral("YahooRank")), QStringLiteral(">100"));
    EXPECT_EQ(Cell(id, QStringLiteral("SosoRank")), kRestricted);
    EXPECT_EQ(
        History(id, QStringLiteral("GoogleRank,BaiduRank,BaiduRank2,YahooRank,SosoRank,BingRank,SogouRank")),
        QStringLiteral("7,5,9,0,0,12,0"));
}

TEST_F(RankRuns_, TwoRunsOnOneDayLeaveOneHistoryRowWithTheSecondValues) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing")};
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 3, kSiteHost));
    runs.runBatch();
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 6, kSiteHost));
    runs.runBatch();
    EXPECT_EQ(History(id, QStringLiteral("BingRank,UpdateTime")), QStringLiteral("6,2026-12-10"));

    today = today.addDays(1);
    runs.runBatch();
    EXPECT_EQ(History(id, QStringLiteral("BingRank,UpdateTime")),
              QStringLiteral("6,2026-12-10;6,2026-12-11"));
}

TEST_F(RankRuns_, StopWhileBaiduLoadsEndsTheRunAndKeepsStoredTexts) {
    const qint64 first = AddKeyword(QStringLiteral("a"), QStringLiteral(",BaiduRank,GoogleRank,UpdateTime"),
                                    QStringLiteral(",'3','4','2010-01-01'"));
    const qint64 second = AddKeyword(QStringLiteral("b"), QStringLiteral(",GoogleRank,UpdateTime"),
                                     QStringLiteral(",'8','2010-01-01'"));
    host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Google")};
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Baidu", QStringLiteral("a"), 0), stall);
    // Google's check of the row ends before the stop: what it learned is kept.
    ServeResults(u"Google", QStringLiteral("a"), 0, LinksWithSiteAt(9, 5, kSiteHost));
    QTimer::singleShot(300, [this] {
        // What "停止" does while a run is in progress.
        engine.stopRequested = true;
        host.setStopEnabled(false);
    });
    QElapsedTimer clock;
    clock.start();
    runs.runBatch();

    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(Cell(first, QStringLiteral("BaiduRank")), QStringLiteral("3"));
    EXPECT_EQ(Cell(first, QStringLiteral("GoogleRank")), QStringLiteral("5"));
    EXPECT_EQ(Cell(first, QStringLiteral("UpdateTime")), QStringLiteral("2026-12-10"));
    EXPECT_EQ(Cell(second, QStringLiteral("UpdateTime")), QStringLiteral("2010-01-01"));
    EXPECT_EQ(Cell(second, QStringLiteral("GoogleRank")), QStringLiteral("8"));
    EXPECT_TRUE(History(first, QStringLiteral("*")).isEmpty());
    EXPECT_EQ(host.balloons, QStringList{QStringLiteral("提示/批量任务停止")});
    EXPECT_TRUE(events.isEmpty());
    EXPECT_FALSE(engine.stopRequested);
    EXPECT_TRUE(host.stopEnabled);
    EXPECT_TRUE(host.startEnabled);
    EXPECT_EQ(db.Scalar(QStringLiteral(
                  "Select count(*) From SE_KeyWord Where BaiduRank='稍候' or GoogleRank='稍候'")),
              QStringLiteral("0"));
}

TEST_F(RankRuns_, StopClearsStoredPendingMarks) {
    // A mark left behind (for instance by a program that died mid-run) is emptied by the next stopped run.
    const qint64 left = AddKeyword(QStringLiteral("left"), QStringLiteral(",SosoRank,GoogleRank"),
                                   QStringLiteral(",'稍候','3'"));
    host.ticked = {QStringLiteral("Yahoo")};
    engine.stopRequested = true;
    runs.runBatch();
    EXPECT_EQ(Cell(left, QStringLiteral("SosoRank")), QString());
    EXPECT_EQ(Cell(left, QStringLiteral("GoogleRank")), QString());
}

TEST_F(RankRuns_, EmptyListAndNoEngineAreRefused) {
    host.ticked = {QStringLiteral("Google")};
    runs.runBatch();
    EXPECT_EQ(events, QStringList{QStringLiteral("请先添加关键词和链接!")});
    EXPECT_TRUE(host.balloons.isEmpty());

    events.clear();
    AddKeyword(QStringLiteral("k"));
    host.ticked.clear();
    const int loadsBefore = host.loads;
    runs.runBatch();
    runs.updateSingleRow();
    EXPECT_EQ(events, (QStringList{QStringLiteral("请至少选择一个搜索引擎!"),
                                   QStringLiteral("请至少选择一个搜索引擎!")}));
    EXPECT_EQ(host.loads, loadsBefore);
    EXPECT_EQ(server.Requests().size(), 0);
}

TEST_F(RankRuns_, UnreadableEnginePagesSayRestrictedNotAbsent) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Yahoo"), QStringLiteral("Google")};
    pageRange = 2;
    // Baidu serves pages without result items; Yahoo answers with an error; Google reads one of two pages.
    ServeResults(u"Baidu", QStringLiteral("k"), 0, {});
    ServeResults(u"Baidu", QStringLiteral("k"), 1, {});
    ServeAbsent(u"Google", QStringLiteral("k"), 1);
    runs.runBatch();

    // Pages that came but were not understood say so, unlike pages that did not come.
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), QString::fromUtf16(kNotUnderstoodText));
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank2")), QString::fromUtf16(kNotUnderstoodText));
    EXPECT_EQ(Cell(id, QStringLiteral("YahooRank")), kRestricted);
    EXPECT_EQ(Cell(id, QStringLiteral("GoogleRank")), QStringLiteral(">200"));
    EXPECT_EQ(History(id, QStringLiteral("BaiduRank,BaiduRank2,YahooRank,GoogleRank")),
              QStringLiteral("0,0,0,0"));
    EXPECT_EQ(events, QStringList{QStringLiteral("更新排名成功!")});
}

TEST_F(RankRuns_, StalledEngineTimesOutToRestricted) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Sogou")};
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Sogou", QStringLiteral("k"), 0), stall);
    host.loadMissionList();
    runs.updateSingleRow();
    EXPECT_EQ(Cell(id, QStringLiteral("SogouRank")), kRestricted);
    EXPECT_EQ(History(id, QStringLiteral("SogouRank")), QStringLiteral("0"));
    EXPECT_EQ(host.balloons, QStringList{QStringLiteral("提示/完成查询任务")});
}

TEST_F(RankRuns_, SingleRowUpdatesOnlyTheCurrentRow) {
    const qint64 a = AddKeyword(QStringLiteral("a"));
    const qint64 b = AddKeyword(QStringLiteral("b"));
    host.ticked = {QStringLiteral("Youdao")};
    ServeResults(u"Youdao", QStringLiteral("b"), 0, LinksWithSiteAt(5, 0, kSiteHost));
    ServeResults(u"Youdao", QStringLiteral("b"), 1, LinksWithSiteAt(5, 2, kSiteHost));
    host.loadMissionList();
    missions.setCurrentRow(1);
    ASSERT_EQ(missions.fieldText(QStringLiteral("KeyWordName")), QStringLiteral("b"));
    runs.updateSingleRow();

    EXPECT_EQ(Cell(b, QStringLiteral("YoudaoRank")), QStringLiteral("32"));
    EXPECT_EQ(History(b, QStringLiteral("YoudaoRank")), QStringLiteral("32"));
    EXPECT_EQ(Cell(a, QStringLiteral("YoudaoRank")), QString());
    EXPECT_TRUE(History(a, QStringLiteral("*")).isEmpty());
    EXPECT_TRUE(events.isEmpty()); // a balloon, no message box
    EXPECT_TRUE(host.startEnabled);
    EXPECT_TRUE(host.gridEnabled);
}

TEST_F(RankRuns_, StopDuringSingleRowUpdateEndsItAndClearsTheRequest) {
    const qint64 id = AddKeyword(QStringLiteral("k"), QStringLiteral(",BingRank"), QStringLiteral(",'4'"));
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Youdao")};
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Bing", QStringLiteral("k"), 0), stall);
    host.loadMissionList();
    // One engine after the other, so that the engine after the stopped one is never asked.
    runs.sideBySide = false;
    QTimer::singleShot(300, [this] {
        engine.stopRequested = true;
        host.setStopEnabled(false);
    });
    runs.updateSingleRow();
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("4"));
    EXPECT_TRUE(History(id, QStringLiteral("*")).isEmpty());
    EXPECT_FALSE(engine.stopRequested);
    EXPECT_TRUE(host.stopEnabled);
    EXPECT_TRUE(host.startEnabled);
    // Youdao was never asked for: the update ended at the stop.
    for (const QByteArray& target : Asked())
        EXPECT_FALSE(target.startsWith("/search?q=k&start="));
}

TEST_F(RankRuns_, ErrorInTheLoopIsReportedNotCalledSuccess) {
    AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Google")};
    db.Exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE UPDATE ON SE_KeyWord BEGIN SELECT RAISE(ABORT, 'disk is full'); END"));
    runs.runBatch();
    ASSERT_EQ(recorder.Messages().size(), 1u);
    EXPECT_EQ(recorder.Messages()[0].kind, MessageKind::Report);
    EXPECT_TRUE(recorder.Messages()[0].text.contains(QStringLiteral("disk is full")));
    EXPECT_TRUE(host.balloons.isEmpty());
    EXPECT_TRUE(host.startEnabled);
    EXPECT_TRUE(host.gridEnabled);
    EXPECT_FALSE(host.busy);

    // The single-row update gives its controls back after an error too.
    recorder.Clear();
    missions.setCurrentRow(0);
    runs.updateSingleRow();
    EXPECT_EQ(recorder.Messages().size(), 1u);
    EXPECT_TRUE(host.startEnabled);
    EXPECT_TRUE(host.gridEnabled);
}

// The day's history row is replaced, never added to, and takes the ranks by the rank columns' order; a
// keyword with a quote is stored as typed (the values are bound, not written into the statement).
TEST_F(RankRuns_, HistoryRowReplacesTheDaysRow) {
    today = QDate(2010, 5, 12);
    MissionRow row;
    row.keyWordId = 12;
    row.webId = 3;
    row.keyword = QStringLiteral("it's");
    row.url = QStringLiteral("a.com");
    const QStringList columns = rankColumns();
    std::vector<int> ranks(static_cast<size_t>(columns.size()), 0);
    ranks[static_cast<size_t>(columns.indexOf(QStringLiteral("GoogleRank")))] = 7;
    ranks[static_cast<size_t>(columns.indexOf(QStringLiteral("BaiduRank")))] = 5;
    ranks[static_cast<size_t>(columns.indexOf(QStringLiteral("BaiduRank2")))] = 9;
    EXPECT_TRUE(runs.writeHistoryRow(row, ranks));
    ranks[static_cast<size_t>(columns.indexOf(QStringLiteral("GoogleRank")))] = 8;
    EXPECT_TRUE(runs.writeHistoryRow(row, ranks)); // the same day again: replaced
    EXPECT_EQ(History(12, QStringLiteral("KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,"
                                         "BingRank,UpdateTime,WebID")),
              QStringLiteral("it's,a.com,8,5,9,0,0,2010-05-12,3"));
    // Another day is a row of its own.
    today = QDate(2010, 5, 13);
    EXPECT_TRUE(runs.writeHistoryRow(row, ranks));
    EXPECT_EQ(History(12, QStringLiteral("UpdateTime")), QStringLiteral("2010-05-12;2010-05-13"));
}

// A keyword's rank cells and its day's history row are saved in one transaction: when the new history row
// cannot be written, neither the cells nor the row saved earlier that day change, and the run says it
// failed instead of "更新排名成功!".
TEST_F(RankRuns_, AFailedHistoryWriteKeepsTheDaysRowAndCellsAndIsReportedAsAFailure) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing")};
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 3, kSiteHost));
    runs.runBatch();
    ASSERT_EQ(History(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    events.clear();

    db.Exec(QStringLiteral("Create Trigger RefuseHistory Before Insert On SE_RankHistory Begin "
                           "Select Raise(Abort, 'database or disk is full'); End"));
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 5, kSiteHost));
    runs.runBatch();
    db.Exec(QStringLiteral("Drop Trigger RefuseHistory"));

    EXPECT_EQ(History(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    EXPECT_FALSE(events.contains(QStringLiteral("更新排名成功!"))) << events.join(u'|').toStdString();
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("排名未能保存"))) << events[0].toStdString();
    EXPECT_TRUE(host.startEnabled);
}

// The same for the single-row update; the grid then shows what is stored, not the texts rolled back.
TEST_F(RankRuns_, AFailedSaveOfTheSingleRowKeepsTheStoredCells) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing")};
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 3, kSiteHost));
    runs.runBatch();
    events.clear();

    db.Exec(QStringLiteral("Create Trigger RefuseHistory Before Insert On SE_RankHistory Begin "
                           "Select Raise(Abort, 'database or disk is full'); End"));
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 5, kSiteHost));
    host.loadMissionList();
    runs.updateSingleRow();
    db.Exec(QStringLiteral("Drop Trigger RefuseHistory"));

    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    EXPECT_EQ(History(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    ASSERT_EQ(events.size(), 1);
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("排名未能保存"))) << events[0].toStdString();
    EXPECT_EQ(missions.fieldText(QStringLiteral("BingRank")), QStringLiteral("3"));
}

// Counts the pages the checks met (asked for), from whichever check's thread.
class CountingRecorder final : public PageRecorder {
public:
    void startRun() override {}
    void write(const PageRecord&) override { ++pages; }
    void keepUnparsed(QStringView, const QString&, QByteArrayView) override {}
    std::atomic<int> pages{0};
};

// A stop ends the asking: no page is asked for after it, however many pages the range has left.
TEST_F(RankRuns_, NoPageIsAskedForAfterAStop) {
    AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Google")};
    pageRange = 5;
    CountingRecorder recorder;
    engine.runLog = &recorder;
    // Slow pages without the site; the stop comes while the first ones load.
    test::HttpServer::Response slow;
    slow.body = test::ResultPage(u"Bing", {});
    slow.delayMs = 300;
    server.SetFallback(slow);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!server.Requests().isEmpty()) {
            engine.stopRequested = true;
            watch.stop();
        }
    });
    watch.start(5);
    runs.runBatch();
    // The page of each engine that was loading when the stop came, and no other.
    EXPECT_LE(recorder.pages.load(), 2);
    EXPECT_TRUE(events.isEmpty()) << events.join(u'|').toStdString();
}

// An exception inside an engine's check fails that check alone: its cell says no page was read, the run
// goes on and completes.
TEST_F(RankRuns_, ACheckThatThrowsFailsAloneAndTheRunCompletes) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing")};
    runs.makeBrowser = []() -> std::unique_ptr<Browser> { throw std::runtime_error("no browser today"); };
    runs.runBatch();
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), kRestricted);
    EXPECT_EQ(History(id, QStringLiteral("BingRank")), QStringLiteral("0"));
    EXPECT_EQ(events, QStringList{QStringLiteral("更新排名成功!")});
}

// A second run of the day that reads no page of an engine says so in the cell but keeps the engine's
// value in the day's history row; a day without an earlier row gets 0.
TEST_F(RankRuns_, ARunThatReadsNothingKeepsTheDaysHistory) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Bing")};
    ServeResults(u"Baidu", QStringLiteral("k"), 0, LinksWithSiteAt(9, 4, kSiteHost), 2);
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 3, kSiteHost));
    runs.runBatch();
    ASSERT_EQ(History(id, QStringLiteral("BaiduRank,BaiduRank2,BingRank")), QStringLiteral("2,4,3"));

    // Baidu refuses its page; Bing reads a new rank.
    test::HttpServer::Response refused;
    refused.status = 503;
    server.Serve(Target(u"Baidu", QStringLiteral("k"), 0), refused);
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 6, kSiteHost));
    runs.runBatch();
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), kRestricted);
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("6"));
    EXPECT_EQ(History(id, QStringLiteral("BaiduRank,BaiduRank2,BingRank")), QStringLiteral("2,4,6"));

    // The next day starts without a row: nothing read is 0; the day before keeps its row.
    today = today.addDays(1);
    server.Serve(Target(u"Bing", QStringLiteral("k"), 0), refused);
    runs.runBatch();
    EXPECT_EQ(History(id, QStringLiteral("BaiduRank,BaiduRank2,BingRank")), QStringLiteral("2,4,6;0,0,0"));
}

// The run writes the row it checked, found by its key, even when the list was reloaded under it (which
// makes the first row current and drops the row's edit).
TEST_F(RankRuns_, AReloadDuringACheckNeverMovesTheRanksIntoAnotherRow) {
    const qint64 alpha = AddKeyword(QStringLiteral("alpha"));
    const qint64 beta = AddKeyword(QStringLiteral("beta"));
    const qint64 gamma = AddKeyword(QStringLiteral("gamma"));
    host.ticked = {QStringLiteral("Bing")};
    ServeResults(u"Bing", QStringLiteral("alpha"), 0, LinksWithSiteAt(9, 3, kSiteHost));
    ServeResults(u"Bing", QStringLiteral("beta"), 0, LinksWithSiteAt(9, 5, kSiteHost));
    ServeResults(u"Bing", QStringLiteral("gamma"), 0, LinksWithSiteAt(9, 7, kSiteHost));
    int reloadsAsked = 0;
    // While beta's page loads, the list is reloaded under the run.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (reloadsAsked == 0 && missions.currentRow() >= 0 &&
            missions.fieldText(QStringLiteral("KeyWordName")) == QStringLiteral("beta")) {
            ++reloadsAsked;
            host.loadMissionList();
        }
    });
    poll.start(1);
    runs.runBatch();
    poll.stop();

    ASSERT_EQ(reloadsAsked, 1) << "the list was never reloaded during beta's check";
    EXPECT_EQ(Cell(alpha, QStringLiteral("BingRank")), QStringLiteral("3"));
    EXPECT_EQ(Cell(beta, QStringLiteral("BingRank")), QStringLiteral("5"));
    EXPECT_EQ(Cell(gamma, QStringLiteral("BingRank")), QStringLiteral("7"));
    EXPECT_EQ(History(alpha, QStringLiteral("BingRank")), QStringLiteral("3"));
    EXPECT_EQ(History(beta, QStringLiteral("BingRank")), QStringLiteral("5"));
    EXPECT_EQ(History(gamma, QStringLiteral("BingRank")), QStringLiteral("7"));
    EXPECT_EQ(events, QStringList{QStringLiteral("更新排名成功!")});
}

// The engines of one keyword are checked side by side; the cells and history rows are exactly those of a
// run that checks them one after the other, and each engine's pages are still asked for in order.
TEST_F(RankRuns_, SideBySideGivesTheSameRowsAsOneEngineAfterTheOther) {
    pageRange = 2;
    const QStringList keywords = {QStringLiteral("北京"), QStringLiteral("seo"), QStringLiteral("排名")};
    for (const QString& keyword : keywords)
        AddKeyword(keyword);
    TickAll();
    // Every engine serves its pages slowly; the site is on the second page of some engines, on the first of
    // others and absent from the rest.
    test::HttpServer::Response slow;
    slow.delayMs = 30;
    slow.body = test::ResultPage(u"Bing", LinksWithSiteAt(4, 0, kSiteHost));
    server.SetFallback(slow);
    int position = 0;
    for (const QString& keyword : keywords) {
        for (const EngineInfo& info : engines()) {
            ++position;
            const int page = position % 3 == 0 ? 1 : 0;
            const int at = position % 4 == 0 ? 0 : position % 7 + 1;
            for (int index = 0; index <= page; ++index) {
                test::HttpServer::Response response;
                response.delayMs = 30;
                response.body = test::ResultPage(
                    info.name,
                    LinksWithSiteAt(9, index == page ? at : 0, QStringLiteral("http://") + kSiteHost + u'/'));
                server.Serve(Target(info.name, keyword, index), response);
            }
        }
    }
    const QString rowsSql = QStringLiteral(
        "Select "
        "KeyWordName||'|'||BaiduRank||'|'||BaiduRank2||'|'||GoogleRank||'|'||YahooRank||'|'||SogouRank||"
        "'|'||BingRank||'|'||SosoRank||'|'||YoudaoRank From SE_KeyWord Order By KeyWordID");
    const QString historySql = QStringLiteral(
        "Select "
        "KeyWordName||'|'||BaiduRank||'|'||BaiduRank2||'|'||GoogleRank||'|'||YahooRank||'|'||SogouRank||"
        "'|'||BingRank||'|'||SosoRank||'|'||YoudaoRank From SE_RankHistory Order By KeyWordID");
    const auto column = [this](const QString& sql) {
        Recordset rs;
        const int n = db.connection().openQuery(rs, sql);
        QStringList values;
        for (int r = 0; r < n; ++r)
            values << rs.value(r, 0).toString();
        return values;
    };

    runs.sideBySide = false;
    runs.runBatch();
    const QStringList oneAfterTheOther = column(rowsSql);
    const QStringList historyOneAfterTheOther = column(historySql);
    const QList<QByteArray> sequentialRequests = Asked();

    server.ClearRequests();
    db.Exec(QStringLiteral("Update SE_KeyWord Set BaiduRank='',BaiduRank2='',GoogleRank='',YahooRank='',"
                           "SogouRank='',BingRank='',SosoRank='',YoudaoRank=''"));
    runs.sideBySide = true;
    runs.runBatch();

    EXPECT_EQ(column(rowsSql), oneAfterTheOther);
    EXPECT_EQ(column(historySql), historyOneAfterTheOther);
    EXPECT_EQ(events, (QStringList{QStringLiteral("更新排名成功!"), QStringLiteral("更新排名成功!")}));
    // Not every cell may be a not-found text, or the comparison would prove little.
    EXPECT_TRUE(oneAfterTheOther.join(u'|').contains(QStringLiteral("|2|")));
    // The same pages were asked for; per engine in the same order.
    const QList<QByteArray> sideBySideRequests = Asked();
    ASSERT_EQ(sideBySideRequests.size(), sequentialRequests.size());
    for (const EngineInfo& info : engines()) {
        const auto ofEngine = [&info, this](const QList<QByteArray>& requests) {
            QList<QByteArray> mine;
            for (const QByteArray& target : requests)
                for (const QString& keyword :
                     {QStringLiteral("北京"), QStringLiteral("seo"), QStringLiteral("排名")})
                    for (int index = 0; index < 10; ++index)
                        if (target == Target(info.name, keyword, index))
                            mine << target;
            return mine;
        };
        EXPECT_EQ(ofEngine(sideBySideRequests), ofEngine(sequentialRequests))
            << info.name.toString().toStdString();
    }
}

// A stop while the engines of a row are checked side by side ends every check within a poll; the row in
// progress keeps its stored texts where its check was cut off and takes those of the checks that had ended;
// rows already saved stay.
TEST_F(RankRuns_, StopDuringSideBySideChecksLeavesEachRowWholeOrUntouched) {
    const qint64 first = AddKeyword(QStringLiteral("a"));
    const qint64 second =
        AddKeyword(QStringLiteral("b"), QStringLiteral(",GoogleRank,BingRank"), QStringLiteral(",'8','9'"));
    host.ticked = {QStringLiteral("Google"), QStringLiteral("Bing")};
    ServeResults(u"Google", QStringLiteral("a"), 0, LinksWithSiteAt(9, 2, kSiteHost));
    ServeResults(u"Bing", QStringLiteral("a"), 0, LinksWithSiteAt(9, 3, kSiteHost));
    // Row b: Bing answers at once, Google never.
    ServeResults(u"Bing", QStringLiteral("b"), 0, LinksWithSiteAt(9, 5, kSiteHost));
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Google", QStringLiteral("b"), 0), stall);
    // The stop comes once Bing's check of row b has ended, with Google's still waiting for its page.
    const int bing = engineIndex(u"Bing");
    QObject::connect(&runs, &RankRuns::engineChecked, [this, second, bing](qint64 keyWordId, int checked) {
        if (keyWordId == second && checked == bing)
            engine.stopRequested = true;
    });
    QElapsedTimer clock;
    clock.start();
    runs.runBatch();

    EXPECT_LT(clock.elapsed(), 8000) << "the stalled Google check outlasted the stop";
    EXPECT_EQ(Cell(first, QStringLiteral("GoogleRank")), QStringLiteral("2"));
    EXPECT_EQ(Cell(first, QStringLiteral("BingRank")), QStringLiteral("3"));
    EXPECT_EQ(History(first, QStringLiteral("GoogleRank,BingRank")), QStringLiteral("2,3"));
    // Bing's finished check of the stopped row is saved; Google's, cut off, leaves its cell as it was.
    EXPECT_EQ(Cell(second, QStringLiteral("GoogleRank")), QStringLiteral("8"));
    EXPECT_EQ(Cell(second, QStringLiteral("BingRank")), QStringLiteral("5"));
    EXPECT_TRUE(History(second, QStringLiteral("*")).isEmpty());
    EXPECT_EQ(host.balloons, QStringList{QStringLiteral("提示/批量任务停止")});
}

// Each engine is one visitor for the whole run: one browser made once, kept from keyword to keyword.
TEST_F(RankRuns_, EachEngineKeepsOneBrowserForTheWholeRun) {
    for (const QString& keyword : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}) {
        AddKeyword(keyword);
        ServeAbsent(u"Bing", keyword);
        ServeAbsent(u"Sogou", keyword);
    }
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Sogou")};
    std::atomic<int> made{0};
    runs.makeBrowser = [&made] {
        ++made;
        return std::make_unique<PageBrowser>();
    };
    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);
    EXPECT_EQ(made.load(), 2);
    EXPECT_EQ(server.Requests().size(), 6);
    // A second run starts with new visitors.
    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);
    EXPECT_EQ(made.load(), 4);
}

// With a pool of proxies each engine has one worker per proxy and the keywords are dealt out among them:
// the cells and history rows are those of a run through one proxy, every proxy carries its share, and
// a proxy that cannot be reached hands its keywords to the others.
class ProxyPool : public RankRuns_ {
protected:
    void SetUp() override {
        RankRuns_::SetUp();
        host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Bing")};
        for (int k = 0; k < 6; ++k) {
            const QString keyword = QStringLiteral("词%1").arg(k);
            ids << AddKeyword(keyword);
            for (test::HttpServer* proxy : {&proxyA, &proxyB, &proxyC})
                for (const EngineInfo* info : {findEngine(u"Baidu"), findEngine(u"Bing")}) {
                    test::HttpServer::Response page;
                    page.delayMs = 60;
                    page.body =
                        test::ResultPage(info->name, LinksWithSiteAt(9, (k + info->step) % 8,
                                                                     QStringLiteral("http://") + kSiteHost));
                    proxy->Serve(Target(info->name, keyword, 0), page);
                }
        }
    }
    void TearDown() override { applyNetworkSettings({}); }

    void RunThrough(const QList<test::HttpServer*>& proxies, bool withDeadProxy = false) {
        QList<quint16> ports;
        for (test::HttpServer* proxy : proxies)
            ports << proxy->Port();
        if (withDeadProxy)
            ports.insert(1, deadPort());
        RunThroughPorts(ports, RunEnd::Completed);
    }
    void RunThroughPorts(const QList<quint16>& ports, RunEnd expected) {
        NetworkSettings settings;
        for (const quint16 port : ports)
            settings.proxyPool << QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port);
        applyNetworkSettings(settings);
        db.Exec(QStringLiteral("Update SE_KeyWord Set BaiduRank='',BaiduRank2='',BingRank=''"));
        db.Exec(QStringLiteral("Delete From SE_RankHistory"));
        ASSERT_EQ(runs.runBatch(), expected) << events.join(u'|').toStdString();
    }
    // The run's browsers give a proxy that never answers a second, not the half minute of a real run.
    void ShortPageTime() {
        runs.makeBrowser = [] {
            auto browser = std::make_unique<PageBrowser>();
            browser->setLoadTimeout(1000);
            return browser;
        };
    }
    QStringList Rows() {
        QStringList rows;
        for (const qint64 id : ids)
            rows << Cell(id, QStringLiteral("BaiduRank||'|'||BaiduRank2||'|'||BingRank")) + u'/' +
                        History(id, QStringLiteral("BaiduRank,BaiduRank2,BingRank"));
        return rows;
    }
    static int Proxied(const test::HttpServer& proxy) {
        int n = 0;
        for (const test::HttpServer::Request& request : proxy.Requests())
            n += request.proxied ? 1 : 0;
        return n;
    }
    // A port on which nothing listens.
    static quint16 deadPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort(); // closed when the probe goes
    }

    test::HttpServer proxyA;
    test::HttpServer proxyB;
    test::HttpServer proxyC;
    QList<qint64> ids;
};

TEST_F(ProxyPool, DealsTheKeywordsOutAndGivesTheRowsOfOneProxy) {
    RunThrough({&proxyA});
    const QStringList throughOne = Rows();
    EXPECT_EQ(Proxied(proxyA), 12);
    // Not every cell may be a not-found text, or the comparison would prove little.
    EXPECT_TRUE(throughOne.contains(QStringLiteral("5|5|3/5,5,3")));

    proxyA.ClearRequests();
    RunThrough({&proxyA, &proxyB, &proxyC});
    EXPECT_EQ(Rows(), throughOne);
    // Six keywords, two engines, three proxies: two keywords of each engine through each proxy.
    EXPECT_EQ(Proxied(proxyA), 4);
    EXPECT_EQ(Proxied(proxyB), 4);
    EXPECT_EQ(Proxied(proxyC), 4);
    EXPECT_TRUE(server.Requests().isEmpty()); // nothing went past the proxies
}

TEST_F(ProxyPool, AProxyThatFailsHandsItsKeywordsToTheOthers) {
    RunThrough({&proxyA});
    const QStringList throughOne = Rows();
    proxyA.ClearRequests();
    CountingRecorder log;
    engine.runLog = &log;
    RunThrough({&proxyA, &proxyC}, true);
    EXPECT_EQ(Rows(), throughOne);
    EXPECT_EQ(Proxied(proxyA) + Proxied(proxyC), 12);
    EXPECT_TRUE(events.count(QStringLiteral("更新排名成功!")) == 2) << events.join(u'|').toStdString();
    // The dead proxy's one failed page of each engine and its note are in the run log beside the 12 pages.
    EXPECT_EQ(log.pages.load(), 12 + 2 * 2);
}

class NoteRecorder final : public PageRecorder {
public:
    void startRun() override {}
    void write(const PageRecord& page) override {
        const std::lock_guard lock(mutex);
        if (page.keyword.isEmpty())
            notes << page.engine + u' ' + page.note;
        else
            ++pages;
        if (page.note.contains(QStringLiteral("GBK cannot hold")))
            lostCharacters << page.engine;
    }
    void keepUnparsed(QStringView, const QString&, QByteArrayView) override {}
    std::mutex mutex;
    QStringList notes;
    QStringList lostCharacters; // engines whose log says the keyword did not reach them whole
    int pages = 0;
};

// Stand-ins for proxies that fail each in its own way: no answer, a closed connection, an answer that is not
// HTTP, 407, a redirect away from the engine.
struct FailingProxies {
    FailingProxies() {
        test::HttpServer::Response stall;
        stall.mode = test::HttpServer::Mode::Stall;
        silent.SetFallback(stall);
        test::HttpServer::Response credentials;
        credentials.status = 407;
        credentials.headers = {{"Proxy-Authenticate", "Basic realm=\"office\""}};
        wantsCredentials.SetFallback(credentials);
        test::HttpServer::Response away;
        away.status = 302;
        away.headers = {{"Location", "http://portal.wifi-login.example/"}};
        redirects.SetFallback(away);
    }
    QList<quint16> Ports() const {
        return {silent.Port(), closes.Port(), garbage.Port(), wantsCredentials.Port(), redirects.Port()};
    }

    test::HttpServer silent;
    test::RawServer closes;
    test::RawServer garbage{"SSH-2.0-OpenSSH_9.2\r\n\x01\x02\x03"};
    test::HttpServer wantsCredentials;
    test::HttpServer redirects;
};

// Whatever way a proxy fails, it is set aside at its first failure and named in the run log with the reason;
// its keyword is checked through the working proxy, once: every keyword is checked, each once.
TEST_F(ProxyPool, EveryKindOfFailingProxyIsSetAsideAndItsKeywordGoesToAWorkingOne) {
    RunThrough({&proxyA});
    const QStringList throughOne = Rows();
    proxyA.ClearRequests();
    events.clear();
    ShortPageTime();
    FailingProxies failing;
    NoteRecorder log;
    engine.runLog = &log;

    RunThroughPorts(failing.Ports() << proxyA.Port(), RunEnd::Completed);

    EXPECT_EQ(Rows(), throughOne);
    EXPECT_EQ(Proxied(proxyA), 12);   // six keywords of two engines, each asked once
    EXPECT_EQ(log.pages, 12 + 2 * 5); // the pages read and each failed proxy's one page per engine
    ASSERT_EQ(runs.proxiesSetAside().size(), 10u) << log.notes.join(u'|').toStdString();
    for (const SetAsideProxy& proxy : runs.proxiesSetAside())
        EXPECT_FALSE(proxy.reason.isEmpty()) << proxy.proxy.toStdString();
    ASSERT_EQ(log.notes.size(), 10);
    for (const quint16 port : failing.Ports())
        for (QStringView engine : {u"Baidu", u"Bing"}) {
            const QString named = engine.toString() + QStringLiteral(" proxy http://127.0.0.1:") +
                                  QString::number(port) + QStringLiteral(" set aside");
            EXPECT_EQ(log.notes.filter(named).size(), 1) << named.toStdString();
        }
    EXPECT_EQ(runs.checksWithoutProxy(), 0);
    EXPECT_EQ(events.first(), QStringLiteral("更新排名成功!"));
}

// Once an engine's last proxy is set aside, its remaining keywords are not checked: their cells say so, and
// the run is not a success; the engines with a working proxy are read as ever.
TEST_F(ProxyPool, AnEngineWithoutAWorkingProxyLeavesItsKeywordsUncheckedAndTheRunSaysSo) {
    // Both proxies carry Baidu's pages and want credentials for everything else.
    test::HttpServer::Response credentials;
    credentials.status = 407;
    credentials.headers = {{"Proxy-Authenticate", "Basic realm=\"office\""}};
    proxyB.SetFallback(credentials);
    proxyC.SetFallback(credentials);
    for (test::HttpServer* proxy : {&proxyB, &proxyC})
        for (int k = 0; k < 6; ++k)
            proxy->Serve(Target(u"Bing", QStringLiteral("词%1").arg(k), 0), credentials);
    host.onBalloon = [this](const QString& balloon) { events << balloon; };

    RunThroughPorts({proxyB.Port(), proxyC.Port()}, RunEnd::NotAllChecked);

    for (const qint64 id : ids) {
        EXPECT_NE(Cell(id, QStringLiteral("BaiduRank")), kRestricted);
        EXPECT_FALSE(Cell(id, QStringLiteral("BaiduRank")).isEmpty());
        EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), kRestricted);
        EXPECT_TRUE(History(id, QStringLiteral("BingRank")) == QStringLiteral("0"));
    }
    EXPECT_EQ(runs.proxiesSetAside().size(), 2u);
    EXPECT_EQ(runs.checksWithoutProxy(), 6);
    // Only the first keyword of each proxy went to it for Bing; no more after the failure.
    int bing = 0;
    for (test::HttpServer* proxy : {&proxyB, &proxyC})
        for (const test::HttpServer::Request& request : proxy->Requests())
            bing += request.target.contains("/search?q=") ? 1 : 0;
    EXPECT_EQ(bing, 2);
    ASSERT_EQ(events.size(), 2) << events.join(u'|').toStdString();
    EXPECT_TRUE(events[0].startsWith(QStringLiteral("部分关键词未能查询"))) << events[0].toStdString();
    EXPECT_TRUE(events[0].contains(QStringLiteral("Bing 没有可用的代理, 6 项查询未进行")))
        << events[0].toStdString();
    EXPECT_FALSE(events.contains(QStringLiteral("更新排名成功!")));
}

class OutcomeRecorder final : public PageRecorder {
public:
    void startRun() override {}
    void write(const PageRecord& page) override {
        const std::lock_guard lock(mutex);
        lines << page.engine + u' ' + QString::number(static_cast<int>(page.outcome));
    }
    void keepUnparsed(QStringView engine, const QString&, QByteArrayView) override {
        const std::lock_guard lock(mutex);
        kept << engine.toString();
    }
    std::mutex mutex;
    QStringList lines;
    QStringList kept;
};

// An engine that answers with a verification page is named, its cells say restricted, its day's history
// keeps its value, and it is asked nothing more in the run; the other engines go on.
TEST_F(RankRuns_, AVerificationPageBlocksTheEngineForTheRestOfTheRun) {
    pageRange = 2;
    const qint64 first = AddKeyword(QStringLiteral("a"));
    const qint64 second = AddKeyword(QStringLiteral("b"));
    db.Exec(QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,"
                           "BingRank,UpdateTime,KeyWordID,WebID)Values('b','www.mysite.com',7,5,6,9,") +
            sqlDate(today) + u',' + QString::number(second) + QStringLiteral(",1)"));
    host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Google"), QStringLiteral("Bing")};
    // Baidu's security check comes with status 200; Google turns us away with 429.
    server.ServePage(Target(u"Baidu", QStringLiteral("a"), 0),
                     "<html><head><title>百度安全验证</title></head><body><p>网络不给力，请稍后重试</p>"
                     "</body></html>");
    server.Serve(Target(u"Google", QStringLiteral("a"), 0),
                 test::Answer(429, "<html><body>Our systems have detected unusual traffic</body></html>"));
    for (const QString& keyword : {QStringLiteral("a"), QStringLiteral("b")})
        ServeResults(u"Bing", keyword, 0, LinksWithSiteAt(9, 3, kSiteHost));
    OutcomeRecorder log;
    engine.runLog = &log;

    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);

    for (const qint64 id : {first, second}) {
        EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), kRestricted);
        EXPECT_EQ(Cell(id, QStringLiteral("GoogleRank")), kRestricted);
        EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    }
    EXPECT_EQ(History(first, QStringLiteral("BaiduRank,BaiduRank2,GoogleRank,BingRank")),
              QStringLiteral("0,0,0,3"));
    EXPECT_EQ(History(second, QStringLiteral("BaiduRank,BaiduRank2,GoogleRank,BingRank")),
              QStringLiteral("5,6,7,3"));
    // One request each to Baidu and Google, none after their verification pages; Bing read both keywords.
    int baidu = 0, google = 0, bing = 0;
    for (const QByteArray& target : Asked()) {
        baidu += target.startsWith("/s?ie=utf-8&wd=") ? 1 : 0;
        google += target.startsWith("/search?num=100") ? 1 : 0;
        bing += target.startsWith("/search?q=") ? 1 : 0;
    }
    EXPECT_EQ(baidu, 1);
    EXPECT_EQ(google, 1);
    EXPECT_EQ(bing, 2);
    const QString blocked = QString::number(static_cast<int>(PageOutcome::Blocked));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("Baidu ") + blocked)) << log.lines.join(u'|').toStdString();
    EXPECT_TRUE(log.lines.contains(QStringLiteral("Google ") + blocked))
        << log.lines.join(u'|').toStdString();
    EXPECT_EQ(QSet<QString>(log.kept.begin(), log.kept.end()),
              (QSet<QString>{QStringLiteral("Baidu"), QStringLiteral("Google")}));
    ASSERT_EQ(host.balloons.size(), 1);
    EXPECT_TRUE(host.balloons[0].contains(QStringLiteral("Baidu, Google 返回了验证页面")))
        << host.balloons[0].toStdString();
    EXPECT_EQ(runs.runPages().blockedEngines(),
              (QStringList{QStringLiteral("Baidu"), QStringLiteral("Google")}));
}

// A run whose every page failed to come is no success: the user hears why, not "更新排名成功!".
TEST_F(RankRuns_, ARunThatReadsNoPageIsNotCalledASuccess) {
    AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing")};
    server.SetFallback(test::Answer(503, {}));
    EXPECT_EQ(runs.runBatch(), RunEnd::NothingRead);
    EXPECT_EQ(events, QStringList{QStringLiteral("没有读到任何结果页, 请检查网络和代理设置!")});
}

// Pages that come but that no definition reads teach nothing: the run says so, not "更新排名成功!". One page
// read among them makes it a run like any other.
TEST_F(RankRuns_, ARunWhoseEveryPageIsNotUnderstoodIsNotCalledASuccess) {
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Google")};
    server.SetFallback(test::Answer(200, "<html><body><p>a layout nobody knows</p></body></html>"));
    EXPECT_EQ(runs.runBatch(), RunEnd::NothingUnderstood);
    EXPECT_EQ(events, QStringList{QStringLiteral(
                          "所有结果页都无法识别, 搜索引擎可能已改版, 请查看 Logs 并更新 Engines.ini!")});
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QString::fromUtf16(kNotUnderstoodText));

    events.clear();
    ServeResults(u"Google", QStringLiteral("k"), 0, LinksWithSiteAt(9, 2, kSiteHost));
    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);
    EXPECT_EQ(Cell(id, QStringLiteral("GoogleRank")), QStringLiteral("2"));
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QString::fromUtf16(kNotUnderstoodText));
}

// An engine set to Loader=Browser in Engines.ini is read by the browser engine in a run, from the engine's
// own worker thread: the script-built page gives the site's rank, which the plain loader never sees.
TEST_F(RankRuns_, AnEngineWithTheBrowserLoaderReadsAScriptBuiltPage) {
    setScriptPageModuleFolder(qEnvironmentVariable("QUORVANE_BIN_DIR"));
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Engines.ini"));
    ASSERT_TRUE(test::WriteFile(ini, "[Bing]\nLoader=Browser\n"));
    ASSERT_TRUE(loadEngineDefinitions(ini));
    const auto compiledAgain = qScopeGuard([] { loadEngineDefinitions(QString()); });
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Sogou")};
    server.ServePage(Target(u"Bing", QStringLiteral("k"), 0),
                     test::ScriptBuiltResultPage(u"Bing", LinksWithSiteAt(9, 6, kSiteHost)));
    server.ServePage(Target(u"Sogou", QStringLiteral("k"), 0),
                     test::ScriptBuiltResultPage(u"Sogou", LinksWithSiteAt(9, 6, kSiteHost)));

    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("6"));
    // Sogou keeps the plain loader: its script-built page holds no result it can read.
    EXPECT_EQ(Cell(id, QStringLiteral("SogouRank")), QString::fromUtf16(kNotUnderstoodText));
    EXPECT_EQ(History(id, QStringLiteral("BingRank,SogouRank")), QStringLiteral("6,0"));
}

// A stop while a row is being checked keeps what its finished engines learned: their cells and the row's
// date are saved, the unfinished engines' cells keep what was stored, the row gets no history row for the
// day (its checks did not all end), no pending mark is stored, and the next row is left as it was. In both
// orders: one after the other the stop comes before the third check is asked for; side by side the two slow
// engines are being checked when it comes.
class StopMidRow : public RankRuns_, public ::testing::WithParamInterface<bool> {};

TEST_P(StopMidRow, KeepsTheFinishedEnginesCellsAndWritesNoHistoryRow) {
    runs.sideBySide = GetParam();
    const QString columns = QStringLiteral(",BaiduRank,BaiduRank2,YahooRank,SogouRank,BingRank,UpdateTime");
    const QString old = QStringLiteral(",'old','old','old','old','old','2010-01-01'");
    const qint64 id = AddKeyword(QStringLiteral("k"), columns, old);
    const qint64 next = AddKeyword(QStringLiteral("n"), columns, old);
    host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Yahoo"), QStringLiteral("Sogou"),
                   QStringLiteral("Bing")};
    ServeResults(u"Baidu", QStringLiteral("k"), 0, LinksWithSiteAt(9, 4, kSite));
    ServeResults(u"Yahoo", QStringLiteral("k"), 0, LinksWithSiteAt(9, 6, kSite));
    // Sogou and Bing answer late: side by side, the stop finds them in their checks.
    for (const QStringView slow : {u"Sogou", u"Bing"})
        server.Serve(Target(slow, QStringLiteral("k"), 0),
                     test::Answer(200, test::ResultPage(slow, LinksWithSiteAt(9, 2, kSite)), 5000));
    QStringList checked;
    QObject::connect(&runs, &RankRuns::engineChecked, &runs, [&](qint64, int index) {
        checked << engines()[static_cast<size_t>(index)].name.toString();
        if (checked.size() == 2)
            engine.stopRequested = true;
    });
    EXPECT_EQ(runs.runBatch(), RunEnd::Stopped);

    checked.sort(); // side by side, either may end first
    EXPECT_EQ(checked, (QStringList{QStringLiteral("Baidu"), QStringLiteral("Yahoo")}));
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), QStringLiteral("4"));
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank2")), QStringLiteral("4"));
    EXPECT_EQ(Cell(id, QStringLiteral("YahooRank")), QStringLiteral("6"));
    EXPECT_EQ(Cell(id, QStringLiteral("SogouRank")), QStringLiteral("old"));
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("old"));
    EXPECT_EQ(Cell(id, QStringLiteral("UpdateTime")), QStringLiteral("2026-12-10"));
    EXPECT_EQ(History(id, QStringLiteral("BaiduRank")), QString()) << "no history row for a row cut short";
    EXPECT_EQ(Cell(next, QStringLiteral("BingRank")), QStringLiteral("old"));
    EXPECT_EQ(Cell(next, QStringLiteral("UpdateTime")), QStringLiteral("2010-01-01"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where BaiduRank='稍候' or "
                                       "YahooRank='稍候' or SogouRank='稍候' or BingRank='稍候'")),
              QStringLiteral("0"));
    // The grid shows what is stored.
    const int row = missions.fieldIndex(u"KeyWordName");
    for (int r = 0; r < missions.recordCount(); ++r) {
        if (missions.text(r, row) == QStringLiteral("k")) {
            EXPECT_EQ(missions.text(r, missions.fieldIndex(u"SogouRank")), QStringLiteral("old"));
        }
    }
    EXPECT_TRUE(host.startEnabled);
    EXPECT_TRUE(host.gridEnabled);
}

INSTANTIATE_TEST_SUITE_P(Orders, StopMidRow, ::testing::Values(false, true), [](const auto& info) {
    return info.param ? "side_by_side" : "one_after_the_other";
});

// A row none of whose checks ended is left as it was: its cells and its date. (Dating it first would show
// old ranks as today's, and a later merge would keep them as the newer ones.)
class StopBeforeAnyCheck : public RankRuns_, public ::testing::WithParamInterface<bool> {};

TEST_P(StopBeforeAnyCheck, KeepsTheRowsDate) {
    const bool batch = GetParam();
    const qint64 id = AddKeyword(QStringLiteral("k"), QStringLiteral(",BingRank,UpdateTime"),
                                 QStringLiteral(",'7','2010-01-01'"));
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Sogou")};
    ServeResults(u"Bing", QStringLiteral("k"), 0, LinksWithSiteAt(9, 2, kSite));
    ServeResults(u"Sogou", QStringLiteral("k"), 0, LinksWithSiteAt(9, 2, kSite));
    QObject::connect(&runs, &RankRuns::rowStarted, &runs, [this] { engine.stopRequested = true; });
    openMissionList(db.connection(), missions);
    missions.setCurrentRow(0);
    EXPECT_EQ(batch ? runs.runBatch() : runs.updateSingleRow(), RunEnd::Stopped);
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("7"));
    EXPECT_EQ(Cell(id, QStringLiteral("UpdateTime")), QStringLiteral("2010-01-01"));
    EXPECT_EQ(History(id, QStringLiteral("BingRank")), QString());
    EXPECT_EQ(missions.text(0, missions.fieldIndex(u"BingRank")), QStringLiteral("7"))
        << "no mark left shown";
}

INSTANTIATE_TEST_SUITE_P(Runs, StopBeforeAnyCheck, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "batch" : "single_row"; });

// Each engine's cell shows its result as soon as its check ends, before the row is saved; the cells still
// being checked show the pending mark, which is never stored. In both orders.
class CellsAsChecksEnd : public RankRuns_, public ::testing::WithParamInterface<bool> {};

TEST_P(CellsAsChecksEnd, OnlyCellsStillBeingCheckedShowThePendingMark) {
    runs.sideBySide = GetParam();
    const qint64 id = AddKeyword(QStringLiteral("k"));
    host.ticked = {QStringLiteral("Baidu"), QStringLiteral("Yahoo"), QStringLiteral("Sogou"),
                   QStringLiteral("Bing")};
    const QStringList columns{QStringLiteral("BaiduRank"), QStringLiteral("YahooRank"),
                              QStringLiteral("SogouRank"), QStringLiteral("BingRank")};
    int position = 1;
    for (const QStringView engine : {u"Baidu", u"Yahoo", u"Sogou", u"Bing"})
        ServeResults(engine, QStringLiteral("k"), 0, LinksWithSiteAt(9, position++, kSite));
    int seen = 0;
    QObject::connect(&runs, &RankRuns::engineChecked, &runs, [&](qint64 key, int engine) {
        ++seen;
        EXPECT_EQ(key, id);
        int r = -1;
        for (int i = 0; i < missions.recordCount(); ++i)
            if (missions.value(i, missions.fieldIndex(u"KeyWordID")).toLongLong() == id)
                r = i;
        ASSERT_GE(r, 0);
        EXPECT_EQ(missions.currentRow(), r) << "the cursor is on the row being checked";
        const QString column = engines()[static_cast<size_t>(engine)].rankColumn.toString();
        EXPECT_NE(missions.text(r, missions.fieldIndex(column)), QString::fromUtf16(kPendingMark));
        EXPECT_FALSE(missions.text(r, missions.fieldIndex(column)).isEmpty());
        int pending = 0;
        for (const QString& c : columns)
            pending += missions.text(r, missions.fieldIndex(c)) == QString::fromUtf16(kPendingMark);
        EXPECT_EQ(pending, columns.size() - seen);
        EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where BaiduRank='稍候' or "
                                           "YahooRank='稍候' or SogouRank='稍候' or BingRank='稍候'")),
                  QStringLiteral("0"));
    });
    int saved = 0;
    QObject::connect(&runs, &RankRuns::rowSaved, &runs, [&](qint64 key) {
        EXPECT_EQ(key, id);
        EXPECT_EQ(seen, 4) << "the row is saved once all its checks ended";
        ++saved;
    });
    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);
    EXPECT_EQ(seen, 4);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(Cell(id, QStringLiteral("BaiduRank")), QStringLiteral("1"));
    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("4"));
}

INSTANTIATE_TEST_SUITE_P(Orders, CellsAsChecksEnd, ::testing::Values(false, true), [](const auto& info) {
    return info.param ? "side_by_side" : "one_after_the_other";
});

// The keyword stays text until the address is built: a UTF-8 engine's server gets its characters, whatever
// script they are in; a GBK engine that cannot take them is named in the run log.
struct KeywordCase {
    const char* name;
    const char16_t* keyword;
};

class KeywordOnTheWire : public RankRuns_, public ::testing::WithParamInterface<KeywordCase> {};

TEST_P(KeywordOnTheWire, ReachesAUtf8EngineAsItsCharacters) {
    const QString keyword = QString::fromUtf16(GetParam().keyword);
    const qint64 id = AddKeyword(keyword);
    host.ticked = {QStringLiteral("Bing"), QStringLiteral("Soso")};
    ServeResults(u"Bing", keyword, 0, LinksWithSiteAt(9, 3, kSite));
    NoteRecorder log;
    engine.runLog = &log;
    runs.runBatch();

    EXPECT_EQ(Cell(id, QStringLiteral("BingRank")), QStringLiteral("3"));
    QStringList bingKeywords;
    for (const QByteArray& target : Asked()) {
        const QUrlQuery query(QUrl::fromEncoded(target).query(QUrl::FullyEncoded));
        if (target.startsWith("/search?q="))
            bingKeywords << query.queryItemValue(QStringLiteral("q"), QUrl::FullyDecoded);
    }
    EXPECT_EQ(bingKeywords, QStringList{keyword});
    // Soso takes GBK: the characters it cannot hold are named in its first page's log line.
    EXPECT_EQ(log.pages, 1 + 10);
    const std::lock_guard lock(log.mutex);
    EXPECT_TRUE(log.lostCharacters.contains(QStringLiteral("Soso")))
        << log.lostCharacters.join(u'|').toStdString();
    EXPECT_FALSE(log.lostCharacters.contains(QStringLiteral("Bing")));
}

const KeywordCase kKeywordCases[] = {
    {"korean", u"서울 여행"},
    {"emoji", u"北京咖啡☕😀"},
};

INSTANTIATE_TEST_SUITE_P(Scripts, KeywordOnTheWire, ::testing::ValuesIn(kKeywordCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
