// A batch run over 1,000 keyword rows with Bing ticked (with and without the run log), against a loopback
// server that answers every page at once, and the two writes of every saved row on their own: the mission
// row's Post and the day's history row.
//
// The page waits sleep until an event comes and the run does not pause between rows; any sleep left would be
// waiting, not work. Two figures leave it out:
//  - "cpu": process CPU time (every thread: the page loads on Qt's network thread, parsing and scanning,
//    the saves, and the loopback server's own work, which makes it a slight overestimate);
//  - "busy": wall time minus the time spent inside QThread::msleep, counted by a linker wrap of that one
//    function (see bench/CMakeLists.txt), which also counts the polls.
#include "engine/EngineTable.h"
#include "engine/RankEngine.h"
#include "pages/PageBrowser.h"
#include "pages/RenderedPage.h"
#include "platform/Messages.h"
#include "runs/RankRuns.h"
#include "runs/RunLog.h"
#include "store/MissionList.h"
#include "store/SqlText.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"
#include "support/RunBenchSupport.h"
#include "support/SleepTally.h"
#include "support/TempDatabase.h"
#include "support/WidgetBenchMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>
#include <memory>

namespace {

using namespace quorvane;

constexpr int kRows = 1000;
const QDate kToday(2026, 12, 10);

// One database with 1,000 keywords of one site, a loopback server standing in for every engine and serving
// one Bing result page (ten links, the site absent) for any address, a real browser and the run objects.
class RunSetup {
public:
    RunSetup() {
        previousPresenter_ = setMessagePresenter(&messages_);
        test::HttpServer::Response page;
        page.body = test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 0, QString()));
        server_.SetFallback(std::move(page));

        bench::AddKeywords([this](const QString& sql) { db_.Exec(sql); }, kRows);
        runs_.today = [] { return kToday; };
    }
    ~RunSetup() { setMessagePresenter(previousPresenter_); }

    Database& connection() { return db_.connection(); }
    Recordset& Mission() { return mission_; }
    RankRuns& Runs() { return runs_; }
    // With a run log, as the program runs; without, the pages are still classified.
    void UseRunLog(bool on) { engine_.runLog = on ? &log_ : nullptr; }
    RunLog& Log() { return log_; }
    qsizetype Requests() const { return server_.Requests().size(); }

private:
    // Messages go nowhere: the run ends with "更新排名成功!", which would otherwise go to standard error.
    bench::SilentMessages messages_;
    MessagePresenter* previousPresenter_ = nullptr;
    QTemporaryDir logDir_;
    RunLog log_{logDir_.filePath(QStringLiteral("Logs"))};
    test::HttpServer server_;
    test::LoopbackEndpoints endpoints_{server_.BaseUrl()};
    test::TempDatabase db_;
    PageBrowser browser_;
    RankEngine engine_{browser_};
    Recordset mission_;
    bench::TickedEnginesHost host_{db_.connection(), mission_, {QStringLiteral("Bing")}};
    RankRuns runs_{db_.connection(), mission_, engine_, host_};
};

std::unique_ptr<RunSetup> g_setup;

double MsPerRow(qint64 ns, qint64 rows) {
    return static_cast<double>(ns) / 1e6 / static_cast<double>(rows);
}

RunSetup& Setup() {
    if (!g_setup) {
        g_setup = std::make_unique<RunSetup>();
        quorvane::bench::AtBenchmarkEnd([] { g_setup.reset(); });
    }
    return *g_setup;
}

// Argument 1: with the run log (a line per page), as the program runs; 0: without.
void BM_BatchRunBing(benchmark::State& state) {
    RunSetup& setup = Setup();
    setup.UseRunLog(state.range(0) != 0);
    double cpu = 0;
    qint64 wallNs = 0;
    qint64 sleptNs = 0;
    long long polls = 0;
    long long otherSleeps = 0;
    qsizetype pages = 0;
    for (auto _ : state) {
        const qsizetype requestsBefore = setup.Requests();
        const double cpuBefore = bench::ProcessCpuSeconds();
        const qint64 sleptBefore = bench::SleptNs();
        const long long pollsBefore = bench::SleepCalls2ms();
        const long long otherBefore = bench::SleepCallsOther();
        QElapsedTimer wall;
        wall.start();
        setup.Runs().runBatch();
        wallNs += wall.nsecsElapsed();
        cpu += bench::ProcessCpuSeconds() - cpuBefore;
        sleptNs += bench::SleptNs() - sleptBefore;
        polls += bench::SleepCalls2ms() - pollsBefore;
        otherSleeps += bench::SleepCallsOther() - otherBefore;
        pages += setup.Requests() - requestsBefore;
    }
    if (pages != qsizetype{kRows} * state.iterations())
        state.SkipWithError("the run did not load one page per row");
    const double n = static_cast<double>(pages);
    state.counters["pages"] = n;
    state.counters["polls_per_page"] = static_cast<double>(polls) / n;
    state.counters["row_pauses"] = static_cast<double>(otherSleeps);
    state.counters["wall_ms_per_row"] = MsPerRow(wallNs, pages);
    state.counters["busy_ms_per_row"] = MsPerRow(wallNs - sleptNs, pages);
    state.counters["cpu_ms_per_row"] = cpu * 1e3 / n;
}
BENCHMARK(BM_BatchRunBing)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The run log on its own: one page's line, appended and flushed; and one page nobody understood, kept
// with the pruning of the engine's older pages (20 kept).
void BM_RunLogLine(benchmark::State& state) {
    RunLog& log = Setup().Log();
    log.startRun();
    PageRecord page{QStringLiteral("Bing"),
                    QStringLiteral("关键词123"),
                    0,
                    QStringLiteral("http://127.0.0.1:1/search?q=%E5%85%B3&first=0"),
                    200,
                    5321,
                    PageOutcome::Read,
                    10,
                    0,
                    QString()};
    for (auto _ : state)
        log.write(page);
}
BENCHMARK(BM_RunLogLine)->Unit(benchmark::kMicrosecond);

void BM_KeepUnparsedPage(benchmark::State& state) {
    RunLog& log = Setup().Log();
    const QByteArray markup(60 * 1024, 'x'); // a result page's size
    QDateTime time(QDate(2026, 12, 10), QTime(8, 0));
    log.now = [&time] { return time = time.addMSecs(1); };
    for (auto _ : state)
        log.keepUnparsed(u"Bing", QStringLiteral("http://127.0.0.1:1/search?q=x&first=0"), markup);
    log.now = [] { return QDateTime::currentDateTime(); };
}
BENCHMARK(BM_KeepUnparsedPage)->Unit(benchmark::kMicrosecond);

// A browser whose page is there the moment it is asked for: a check's own work per page, without the
// network and the waits (load, classification, scan, match and, with argument 1 or 2, the run log).
class InstantBrowser final : public Browser {
public:
    explicit InstantBrowser(QByteArray markup)
        : markup_(std::move(markup)) {}
    void setSilent(bool) override {}
    void navigate(const QString&) override {}
    int readyState() const override { return ReadyStateComplete; }
    QByteArray bodyMarkup() const override { return markup_; }
    QByteArray documentMarkup() const override { return markup_; }
    LoadOutcome lastLoad() const override {
        LoadOutcome load;
        load.httpStatus = 200;
        load.bytes = markup_.size();
        return load;
    }

private:
    QByteArray markup_;
};

void BM_CheckOneInstantPage(benchmark::State& state) {
    RunSetup& setup = Setup(); // the endpoints and the log folder
    // Ten results, the site absent, as the browser serialises them; argument 2: a page without results.
    const QByteArray page = state.range(0) == 2 ? QByteArray("<html><body><p>verify</p></body></html>")
                                                : test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 0, {}));
    InstantBrowser browser(renderHtml(page).root);
    RankEngine engine(browser);
    engine.runLog = state.range(0) != 0 ? &setup.Log() : nullptr;
    const QString keyword = QStringLiteral("关键词");
    const PageCounts pages = engine.checkEngineRank(keyword, QStringLiteral("www.mysite.com"), u"Bing").pages;
    if (pages.read != (state.range(0) == 2 ? 0 : 1))
        state.SkipWithError("the page was not classified as expected");
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.checkEngineRank(keyword, QStringLiteral("www.mysite.com"), u"Bing"));
}
BENCHMARK(BM_CheckOneInstantPage)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The history row of today for each of the 1,000 pairs: the delete of an earlier one and the insert.
void BM_WriteHistoryRow(benchmark::State& state) {
    RunSetup& setup = Setup();
    MissionRow row;
    row.keyword = QStringLiteral("关键词");
    row.url = QStringLiteral("www.mysite.com");
    row.webId = 1;
    const std::vector<int> ranks(static_cast<size_t>(rankColumns().size()), 0);
    QElapsedTimer wall;
    wall.start();
    for (auto _ : state)
        for (int id = 1; id <= kRows; ++id) {
            row.keyWordId = id;
            benchmark::DoNotOptimize(setup.Runs().writeHistoryRow(row, ranks));
        }
    state.counters["ms_per_row"] = MsPerRow(wall.nsecsElapsed(), kRows * state.iterations());
}
BENCHMARK(BM_WriteHistoryRow)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The mission row's saves as a run makes them: the update time, then the Bing cells (pending mark, then the
// result) and the Posts of the unticked engines, which write nothing.
void BM_MissionRowPost(benchmark::State& state) {
    RunSetup& setup = Setup();
    Recordset& mission = setup.Mission();
    openMissionList(setup.connection(), mission);
    const QString pending = QString::fromUtf16(kPendingMark);
    QElapsedTimer wall;
    wall.start();
    for (auto _ : state) {
        for (int row = 0; row < mission.recordCount(); ++row) {
            mission.setCurrentRow(row);
            mission.edit();
            mission.setFieldValue(QStringLiteral("UpdateTime"), dateText(kToday));
            mission.post();
            for (const EngineInfo* entry : runOrder()) {
                const QStringView engine = entry->name;
                mission.edit();
                if (engine == u"Bing") {
                    mission.setFieldValue(QStringLiteral("BingRank"), pending);
                    mission.setFieldValue(QStringLiteral("BingRank"), QStringLiteral(">10"));
                }
                mission.post();
            }
        }
    }
    state.counters["ms_per_row"] = MsPerRow(wall.nsecsElapsed(), mission.recordCount() * state.iterations());
}
BENCHMARK(BM_MissionRowPost)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
