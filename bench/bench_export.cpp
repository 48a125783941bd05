// The two export commands of the main window at large sizes, run as the user runs them: "导出" of the
// mission grid over 10,000 and 100,000 missions and "导出" of the history grid over 3,000 and 100,000
// history rows.
//  - "export_ms": the wall time of one export, message processing and the save included;
//  - "per_row_us": that time per row;
//  - "slept_ms": the time one export spent inside QThread::msleep: waiting, not working (none is meant);
//  - "peak_MB": the process's peak resident size during the exports, the window's data included;
//  - "rise_MB": that peak above the size before the exports, what the export itself took.
#include "app/MainWindow.h"
#include "history/HistoryBox.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "ui/FileDialogs.h"

#include "support/PeakMemory.h"
#include "support/RunBenchSupport.h"
#include "support/SleepTally.h"
#include "support/WidgetBenchMain.h"

#include <QAction>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <memory>
#include <stdexcept>
#include <utility>

namespace {

using namespace quorvane;

// A database with the missions over 100 URLs, of which the first has the days of history, and a main
// window over it.
class ExportFixture {
public:
    ExportFixture(int missions, int historyDays) {
        const QString path = dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb"));
        const QString password = QString::fromUtf16(kDbPassword);
        QString error;
        if (!createDatabase(path, password, SchemaVersion::Full, &error) ||
            !setup_.openDatabase(path, password))
            throw std::runtime_error("cannot create the benchmark database");
        const auto run = [this](const QString& sql) { exec(sql); };
        bench::AddRankedMissions(run, missions);
        bench::AddHistoryDays(run, historyDays);
        window = std::make_unique<MainWindow>(database_, path);
        window->startUp();
        if (window->terminateRequested() || window->missions().recordCount() != missions)
            throw std::runtime_error("the window did not load the missions");
        window->findChild<HistoryBox*>(QStringLiteral("historyBox"))
            ->firstDayPicker->setDate(QDate::currentDate().addDays(-historyDays - 10));
        const int keywordOne = [&] {
            for (int row = 0; row < window->missions().recordCount(); ++row)
                if (window->missions().value(row, window->missions().fieldIndex(u"KeyWordID")).toInt() == 1)
                    return row;
            return -1;
        }();
        window->missions().setCurrentRow(keywordOne);
        window->findChild<HistoryBox*>(QStringLiteral("historyBox"))->refreshHistory();
        if (window->findChild<HistoryBox*>(QStringLiteral("historyBox"))->historyRows.recordCount() !=
            historyDays)
            throw std::runtime_error("the history box did not load the history");
        setFileChooser(
            [this](const FileDialogRequest&) { return dir_.filePath(QStringLiteral("export.xls")); });
    }
    ~ExportFixture() { setFileChooser({}); }

    std::unique_ptr<MainWindow> window;

private:
    void exec(const QString& sql) {
        if (!setup_.execInTransaction(setup_.execQuery, sql))
            throw std::runtime_error("benchmark set-up failed");
    }
    QTemporaryDir dir_;
    Database setup_;
    Database database_;
};

// The window of the list size asked for: the mission export over a list of `rows` missions and a month of
// history, the history export over 100 missions and `rows` days of history. One window at a time, so that
// an export's peak holds its own window and not also the one before.
ExportFixture& fixture(int missions, int historyDays) {
    static std::pair<int, int> size;
    static std::unique_ptr<ExportFixture> instance;
    static const bool releasedAtEnd = [] {
        bench::AtBenchmarkEnd([] { instance.reset(); });
        return true;
    }();
    Q_UNUSED(releasedAtEnd);
    if (!instance || size != std::pair{missions, historyDays}) {
        instance.reset();
        instance = std::make_unique<ExportFixture>(missions, historyDays);
        size = {missions, historyDays};
    }
    return *instance;
}

void runExport(benchmark::State& state, QAction* command, int rows) {
    qint64 elapsedNs = 0;
    qint64 sleptNs = 0;
    // What building the fixture left in the heap goes back first, as in a process that only read its data.
    malloc_trim(0);
    const double before = bench::residentMegabytes();
    bench::resetPeakResident();
    for (auto _ : state) {
        const qint64 sleptBefore = bench::SleptNs();
        QElapsedTimer timer;
        timer.start();
        command->trigger();
        elapsedNs += timer.nsecsElapsed();
        sleptNs += bench::SleptNs() - sleptBefore;
    }
    const double peak = bench::peakResidentMegabytes();
    const auto runs = static_cast<double>(state.iterations());
    state.counters["export_ms"] = static_cast<double>(elapsedNs) / 1e6 / runs;
    state.counters["per_row_us"] = static_cast<double>(elapsedNs) / 1e3 / runs / rows;
    state.counters["slept_ms"] = static_cast<double>(sleptNs) / 1e6 / runs;
    state.counters["peak_MB"] = peak;
    state.counters["rise_MB"] = peak - before;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * rows);
}

void BM_ExportLatestResults(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    runExport(state, fixture(rows, 30).window->findChild<QAction*>(QStringLiteral("exportLatestAction")),
              rows);
}
BENCHMARK(BM_ExportLatestResults)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ExportHistory(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    runExport(state, fixture(100, rows).window->findChild<HistoryBox*>()->exportHistoryAction, rows);
}
BENCHMARK(BM_ExportHistory)->Arg(3000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
