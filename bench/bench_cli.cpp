// The command-line run against the window's run, and the command line's start-up.
//
// BM_WindowRun and BM_CommandLineRun run the same batch over 1,000 keyword rows with Bing ticked, against a
// loopback server that answers every page at once: the first with the run's own host as the window drives
// it (controls and balloons doing nothing, as a window's costs are its own), the second as ConsoleRun does
// it (counting browser, a line per keyword written to /dev/null, the summary). As in bench_runs, "busy" is
// wall time minus the time slept in QThread::msleep (the page waits' 2 ms polls and the 5 ms row pauses),
// counted by a linker wrap of that function; "cpu" is the process's CPU time.
//
// BM_StartToFirstRequest starts the real program (`Quorvane --update --engines Bing --quiet`) in a copied
// folder whose database holds 10,000 keywords and measures the time from the start of the process to the
// first page request arriving at the loopback server; then it stops the run with SIGTERM.
#include "cli/ConsoleRun.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"
#include "support/RunBenchSupport.h"
#include "support/SleepTally.h"
#include "support/TempDatabase.h"
#include "support/WidgetBenchMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <stdexcept>

namespace {

using namespace quorvane;

constexpr int kRows = 1000;

void writeFile(const QString& path, const QByteArray& text) {
    if (!test::WriteFile(path, text))
        throw std::runtime_error("cannot write " + path.toStdString());
}

CommandLineOptions bingOnly() {
    CommandLineOptions options;
    options.engines = {QStringLiteral("Bing")};
    return options;
}

// One database of 1,000 keywords, a server that answers any page with ten links (the site absent), and
// both runs over them. Messages and lines go to /dev/null.
class RunSetup {
public:
    RunSetup() {
        test::HttpServer::Response page;
        page.body = test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 0, QString()));
        server_.SetFallback(std::move(page));
        bench::AddKeywords([this](const QString& sql) { db_.Exec(sql); }, kRows);
    }
    ~RunSetup() { std::fclose(devNull_); }

    std::FILE* devNull_ = std::fopen("/dev/null", "w");
    ConsoleMessages messages_{devNull_, false};
    test::HttpServer server_;
    test::LoopbackEndpoints endpoints_{server_.BaseUrl()};
    test::TempDatabase db_;
    PageBrowser browser_;
    RankEngine engine_{browser_};
    Recordset missions_;
    bench::TickedEnginesHost host_{db_.connection(), missions_, {QStringLiteral("Bing")}};
    RankRuns windowRun_{db_.connection(), missions_, engine_, host_};
    CommandLineOptions options_ = bingOnly();
    ConsoleRun commandLineRun_{db_.connection(), options_, messages_, devNull_};
};

std::unique_ptr<RunSetup> g_setup;

RunSetup& Setup() {
    if (!g_setup) {
        g_setup = std::make_unique<RunSetup>();
        quorvane::bench::AtBenchmarkEnd([] { g_setup.reset(); });
    }
    return *g_setup;
}

void measureRun(benchmark::State& state, const std::function<void()>& run) {
    RunSetup& setup = Setup();
    double cpu = 0;
    qint64 wallNs = 0;
    qint64 sleptNs = 0;
    qsizetype pages = 0;
    for (auto _ : state) {
        const qsizetype requestsBefore = setup.server_.Requests().size();
        const double cpuBefore = bench::ProcessCpuSeconds();
        const qint64 sleptBefore = bench::SleptNs();
        QElapsedTimer wall;
        wall.start();
        run();
        wallNs += wall.nsecsElapsed();
        cpu += bench::ProcessCpuSeconds() - cpuBefore;
        sleptNs += bench::SleptNs() - sleptBefore;
        pages += setup.server_.Requests().size() - requestsBefore;
    }
    if (pages != qsizetype{kRows} * state.iterations())
        state.SkipWithError("the run did not load one page per row");
    const double n = static_cast<double>(pages);
    state.counters["pages"] = n;
    state.counters["busy_ms_per_row"] = static_cast<double>(wallNs - sleptNs) / 1e6 / n;
    state.counters["cpu_ms_per_row"] = cpu * 1e3 / n;
    state.counters["wall_ms_per_row"] = static_cast<double>(wallNs) / 1e6 / n;
}

void BM_WindowRun(benchmark::State& state) {
    measureRun(state, [] { Setup().windowRun_.runBatch(); });
}
BENCHMARK(BM_WindowRun)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

void BM_CommandLineRun(benchmark::State& state) {
    measureRun(state, [] { Setup().commandLineRun_.run(); });
}
BENCHMARK(BM_CommandLineRun)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

// Again in the other order, so that neither run has the warm caches to itself.
BENCHMARK(BM_WindowRun)->Name("BM_WindowRun/again")->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();

void BM_StartToFirstRequest(benchmark::State& state) {
    QTemporaryDir folder;
    const QString program = QDir(folder.path()).filePath(QStringLiteral("Quorvane"));
    const QString source = QStringLiteral(QUORVANE_PROGRAM);
    QFile::copy(source, program);
    QFile::setPermissions(program, QFile::permissions(source));
    const QString database = QDir(folder.path()).filePath(QStringLiteral("DataBase/Trevanid.mdb"));
    if (!createDatabase(database, QString::fromUtf16(kDbPassword), SchemaVersion::Full, nullptr)) {
        state.SkipWithError("cannot create the database");
        return;
    }
    {
        Database connection;
        connection.openDatabase(database, QString::fromUtf16(kDbPassword));
        bench::AddKeywords(
            [&connection](const QString& sql) { connection.execInTransaction(connection.execQuery, sql); },
            10'000);
    }
    test::HttpServer server;
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.SetFallback(stall);
    writeFile(QDir(folder.path()).filePath(QStringLiteral("Endpoints.ini")),
              test::LoopbackEndpoints::Text(server.BaseUrl()));
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), QDir::homePath());

    double totalMs = 0;
    for (auto _ : state) {
        const qsizetype before = server.Requests().size();
        QProcess process;
        process.setProcessEnvironment(environment);
        const auto start = std::chrono::steady_clock::now();
        process.start(program, {QStringLiteral("--update"), QStringLiteral("--engines"),
                                QStringLiteral("Bing"), QStringLiteral("--quiet")});
        QElapsedTimer clock;
        clock.start();
        while (server.Requests().size() == before && clock.elapsed() < 30000 &&
               process.state() != QProcess::NotRunning)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        if (server.Requests().size() == before) {
            state.SkipWithError("no request arrived");
            break;
        }
        const auto firstRequest = server.Requests()[before].arrived;
        const double ms = std::chrono::duration<double, std::milli>(firstRequest - start).count();
        state.SetIterationTime(ms / 1e3);
        totalMs += ms;
        process.terminate();
        process.waitForFinished(30000);
    }
    state.counters["ms_to_first_request"] = totalMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_StartToFirstRequest)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
