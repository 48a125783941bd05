// A pool of proxies against one proxy: three loopback servers stand in for three proxies (and the engines
// behind them), every result page comes after 200 ms, 30 keywords (QUORVANE_BENCH_KEYWORDS to change),
// Baidu and Bing ticked, page range 1. Each benchmark is one whole batch run through 1 or 3 proxies; the
// counters give its wall time and whether the database afterwards equals the one the single proxy left.
#include "engine/EngineTable.h"
#include "engine/NetworkSetup.h"
#include "engine/RankEngine.h"
#include "platform/Messages.h"
#include "pages/PageBrowser.h"
#include "runs/RankRuns.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"
#include "support/RunBenchSupport.h"
#include "support/TempDatabase.h"
#include "support/WidgetBenchMain.h"

#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

namespace {

using namespace quorvane;

QString proxyBenchRows(test::TempDatabase& db) {
    return test::QueryRowsText(
        db.connection(),
        QStringLiteral("Select k.KeyWordName, k.BaiduRank, k.BaiduRank2, k.BingRank, h.BaiduRank, "
                       "h.BingRank From SE_KeyWord k Left Join SE_RankHistory h On "
                       "h.KeyWordID=k.KeyWordID Order By k.KeyWordID"));
}

QString& singleProxyRows() {
    static QString rows;
    return rows;
}

void BM_ProxyPoolRun(benchmark::State& state) {
    const int proxies = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        bench::SilentMessages silent;
        MessagePresenter* previous = setMessagePresenter(&silent);
        test::TempDatabase db;
        const int keywords = bench::KeywordCount(30);
        bench::AddKeywords([&db](const QString& sql) { db.Exec(sql); }, keywords);
        // The engines' address is never reached: every request goes through a proxy.
        test::HttpServer unreachable;
        const test::LoopbackEndpoints endpoints(unreachable.BaseUrl());
        std::array<test::HttpServer, 3> pool;
        NetworkSettings settings;
        for (int p = 0; p < proxies; ++p) {
            test::HttpServer::Response page;
            page.delayMs = 200;
            page.body =
                test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 4, QStringLiteral("www.mysite.com")));
            pool[static_cast<size_t>(p)].SetFallback(page);
            settings.proxyPool << QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"),
                                                pool[static_cast<size_t>(p)].Port());
        }
        applyNetworkSettings(settings);
        PageBrowser browser;
        RankEngine engine(browser);
        Recordset missions;
        bench::TickedEnginesHost host(db.connection(), missions,
                                      {QStringLiteral("Baidu"), QStringLiteral("Bing")});
        RankRuns runs(db.connection(), missions, engine, host);
        QElapsedTimer clock;
        state.ResumeTiming();

        clock.start();
        runs.runBatch();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

        state.PauseTiming();
        state.counters["wall_s"] = seconds;
        int pages = 0;
        for (const test::HttpServer& proxy : pool)
            pages += static_cast<int>(proxy.Requests().size());
        state.counters["pages"] = pages;
        const QString rows = proxyBenchRows(db);
        if (proxies == 1)
            singleProxyRows() = rows;
        state.counters["same_database"] = rows == singleProxyRows() ? 1 : 0;
        applyNetworkSettings({});
        setMessagePresenter(previous);
        state.ResumeTiming();
    }
}
// One proxy first, so that the pool is compared with it.
BENCHMARK(BM_ProxyPoolRun)
    ->ArgNames({"proxies"})
    ->Arg(1)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace
