// What a page read with the script browser costs beyond the plain pipeline, on the recorded result pages
// served by the loopback server: the CPU time of the whole program (this process and the browser engine's
// processes) per page, the browser engine warmed up by one page first; and the memory the engine holds
// while a browser lives and after it is destroyed.
//   plain_cpu_ms   CPU per page with PageBrowser (this process only: it has no other)
//   script_cpu_ms  CPU per page with ScriptBrowser, this process and the engine's processes
//   extra_cpu_ms   the difference: the target is 150 ms at most
//   first_page_cpu_ms  the first page of the first browser: the engine's start
//   new_browser_page_cpu_ms  the first page of a later browser with a page of its own (a new profile and
//                  page process): what a check pays that does not share a ScriptBrowserSession
//   rss_*_MiB      resident memory of this process and the engine's processes: before the first browser,
//                  while each of three browsers in turn lives, and once it is destroyed (the engine itself
//                  stays loaded until the program ends; what a browser adds must go with it)
//   engine_processes_after  the engine's processes left once the last browser is gone
#include "pages/PageBrowser.h"
#include "pages/ScriptBrowser.h"
#include "support/HttpServer.h"
#include "support/WidgetBenchMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using quorvane::Browser;

// The process ids of this process and every process below it.
std::vector<int> processTree() {
    std::map<int, std::vector<int>> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        if (!ok)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(text.substr(close + 2));
        std::string state;
        int parent = 0;
        rest >> state >> parent;
        children[parent].push_back(pid);
    }
    std::vector<int> tree{getpid()};
    for (size_t i = 0; i < tree.size(); ++i)
        for (const int child : children[tree[i]])
            tree.push_back(child);
    return tree;
}

// Field n (1-based, after the command) of /proc/<pid>/stat as a number.
double statField(int pid, int field) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string value;
    for (int i = 3; i <= field; ++i)
        rest >> value;
    return std::stod(value);
}

// CPU seconds of the process tree so far (user and system).
double treeCpuSeconds() {
    double ticks = 0;
    for (const int pid : processTree())
        ticks += statField(pid, 14) + statField(pid, 15);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double treeResidentMiB() {
    double pages = 0;
    for (const int pid : processTree())
        pages += statField(pid, 24);
    return pages * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct RecordedPages {
    quorvane::test::HttpServer server;
    QStringList urls;

    RecordedPages() {
        const QDir fixtures(QStringLiteral(QUORVANE_FIXTURES_DIR));
        for (const QString& engine : fixtures.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QByteArray target = "/" + engine.toLatin1();
            if (server.ServeFile(target, fixtures.filePath(engine + QStringLiteral("/results.html"))))
                urls << server.BaseUrl() + QString::fromLatin1(target);
        }
    }
};

RecordedPages& pages() {
    static auto* recorded = new RecordedPages; // released with the application object, at the end
    static const bool once = [] {
        quorvane::bench::AtBenchmarkEnd([] { delete recorded; });
        return true;
    }();
    (void)once;
    return *recorded;
}

// Waits in an event loop: polls with naps would hold up the browser engine's tasks on this thread.
bool loadPage(Browser& browser, const QString& url) {
    QEventLoop loop;
    QObject::connect(&browser, &Browser::documentComplete, &loop, &QEventLoop::quit);
    QTimer::singleShot(30'000, &loop, &QEventLoop::quit);
    browser.navigate(url);
    loop.exec();
    return browser.readyState() == Browser::ReadyStateComplete && browser.lastLoad().error.isEmpty();
}

// CPU seconds per page over `rounds` passes of the recorded pages.
double cpuPerPage(Browser& browser, int rounds, bool& allRead) {
    const QStringList& urls = pages().urls;
    const double start = treeCpuSeconds();
    for (int r = 0; r < rounds; ++r)
        for (const QString& url : urls)
            allRead = loadPage(browser, url) && allRead;
    return (treeCpuSeconds() - start) / (rounds * urls.size());
}

void scriptBrowserCpu(benchmark::State& state) {
    quorvane::setScriptPageModuleFolder(QStringLiteral(QUORVANE_BIN_DIR_PATH));
    const int rounds = 5;
    bool allRead = !pages().urls.isEmpty();
    double plain = 0;
    double script = 0;
    double first = 0;
    double laterFirst = 0;
    double before = 0;
    std::vector<double> living;
    std::vector<double> after;
    size_t processesAfter = 0;
    for (auto _ : state) {
        quorvane::PageBrowser plainBrowser;
        plain = cpuPerPage(plainBrowser, rounds, allRead);

        before = treeResidentMiB();
        // Three runs' worth of browsers, one after the other: what stays after each must not grow.
        for (int run = 0; run < 3; ++run) {
            auto browser = std::make_unique<quorvane::ScriptBrowser>();
            const double startCpu = treeCpuSeconds();
            allRead = loadPage(*browser, pages().urls.front()) && allRead;
            if (run > 0)
                laterFirst = treeCpuSeconds() - startCpu;
            if (run == 0) {
                first = treeCpuSeconds() - startCpu;
                script = cpuPerPage(*browser, rounds, allRead);
            } else {
                cpuPerPage(*browser, 1, allRead);
            }
            living.push_back(treeResidentMiB());
            const size_t processesLiving = processTree().size();

            browser.reset();
            // The page's renderer goes once the engine has let it go; give it a moment.
            QTest::qWaitFor([&] { return processTree().size() < processesLiving; }, 5000);
            QTest::qWait(500);
            after.push_back(treeResidentMiB());
            processesAfter = processTree().size() - 1;
        }
    }
    if (!allRead)
        state.SkipWithError("a recorded page did not load");
    state.counters["plain_cpu_ms"] = plain * 1000;
    state.counters["script_cpu_ms"] = script * 1000;
    state.counters["extra_cpu_ms"] = (script - plain) * 1000;
    state.counters["first_page_cpu_ms"] = first * 1000;
    state.counters["new_browser_page_cpu_ms"] = laterFirst * 1000;
    state.counters["rss_before_MiB"] = before;
    for (size_t run = 0; run < living.size(); ++run) {
        state.counters["rss_living_" + std::to_string(run + 1) + "_MiB"] = living[run];
        state.counters["rss_after_" + std::to_string(run + 1) + "_MiB"] = after[run];
    }
    state.counters["engine_processes_after"] = static_cast<double>(processesAfter);
}

BENCHMARK(scriptBrowserCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
