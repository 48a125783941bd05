// The engines of a keyword side by side against one after the other: a loopback server answers every
// result page after 200 ms, 50 keywords (QUORVANE_BENCH_KEYWORDS to change), all seven engines ticked, at
// page ranges 1 and 3. Each benchmark is one whole batch run; the counters give its wall time, the program's
// CPU time per page, and whether the database afterwards equals the one the other order left.
#include "engine/EngineTable.h"
#include "engine/RankEngine.h"
#include "platform/Messages.h"
#include "pages/PageBrowser.h"
#include "runs/RankRuns.h"
#include "store/MissionList.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"
#include "support/RunBenchSupport.h"
#include "support/TempDatabase.h"
#include "support/WidgetBenchMain.h"

#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <ctime>
#include <map>
#include <memory>

namespace {

using namespace quorvane;

// The ranks and history a run left, to compare the two orders.
QString databaseText(test::TempDatabase& db) {
    return test::QueryRowsText(
        db.connection(),
        QStringLiteral("Select k.KeyWordName, k.BaiduRank, k.BaiduRank2, k.GoogleRank, k.YahooRank, "
                       "k.SogouRank, k.BingRank, k.SosoRank, k.YoudaoRank, h.BaiduRank, h.GoogleRank, "
                       "h.BingRank, h.YoudaoRank From SE_KeyWord k Left Join SE_RankHistory h On "
                       "h.KeyWordID=k.KeyWordID Order By k.KeyWordID"));
}

std::map<int, QString>& resultsByRange() {
    static std::map<int, QString> results;
    return results;
}

void BM_BatchRun(benchmark::State& state) {
    const bool sideBySide = state.range(0) != 0;
    const int pageRange = static_cast<int>(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        bench::SilentMessages silent;
        MessagePresenter* previous = setMessagePresenter(&silent);
        test::TempDatabase db;
        const int keywords = bench::KeywordCount(50);
        bench::AddKeywords([&db](const QString& sql) { db.Exec(sql); }, keywords);
        // Every page is slow and lists ten other sites: each check reads all of its pages.
        test::HttpServer server;
        test::HttpServer::Response page;
        page.delayMs = 200;
        page.body = test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 0, QString()));
        server.SetFallback(page);
        const test::LoopbackEndpoints endpoints(server.BaseUrl());
        PageBrowser browser;
        RankEngine engine(browser);
        engine.pageRangeSource = [pageRange] { return pageRange; };
        Recordset missions;
        QSet<QString> allEngines;
        for (const EngineInfo& info : engines())
            allEngines.insert(info.name.toString());
        bench::TickedEnginesHost host(db.connection(), missions, allEngines);
        RankRuns runs(db.connection(), missions, engine, host);
        runs.sideBySide = sideBySide;
        const double cpuBefore = bench::ProcessCpuSeconds();
        QElapsedTimer clock;
        state.ResumeTiming();

        clock.start();
        runs.runBatch();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

        state.PauseTiming();
        const double cpu = bench::ProcessCpuSeconds() - cpuBefore;
        const double pages = static_cast<double>(server.Requests().size());
        state.counters["wall_s"] = seconds;
        state.counters["pages"] = pages;
        state.counters["cpu_ms_per_page"] = pages > 0 ? cpu * 1000 / pages : 0;
        state.counters["cpu_ms_per_row"] = cpu * 1000 / keywords;
        const QString result = databaseText(db);
        auto [slot, first] = resultsByRange().try_emplace(pageRange, result);
        state.counters["same_database"] = first || slot->second == result ? 1 : 0;
        setMessagePresenter(previous);
        state.ResumeTiming();
    }
}
// One after the other first, so that side by side is compared with it.
BENCHMARK(BM_BatchRun)
    ->ArgNames({"side_by_side", "pages"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 3})
    ->Args({1, 3})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
