// The two export commands of the main window at large sizes, run as the user runs them: "导出" of the
// mission grid over 10,000 missions and "导出" of the history grid over 3,000 history rows.
//  - "per_row_busy": wall time minus the time spent inside QThread::msleep (the 1 ms pause after every
//    row), per row; what a row costs beyond its pause, message processing included.
//  - "pause_per_row": the time the pauses took, per row.
//  - "peak_rss_MB": the process's peak resident size after the export.
#include "app/MainWindow.h"
#include "history/HistoryBox.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "ui/FileDialogs.h"

#include "support/SleepTally.h"
#include "support/WidgetBenchMain.h"

#include <QAction>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>
#include <stdexcept>

namespace {

using namespace quorvane;

constexpr int kMissions = 10000;
constexpr int kHistoryDays = 3000;

double peakRssMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A database with 10,000 missions over 100 URLs, of which the first has 3,000 days of history, and a main
// window over it.
class ExportFixture {
public:
    ExportFixture() {
        const QString path = dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb"));
        const QString password = QString::fromUtf16(kDbPassword);
        QString error;
        if (!createDatabase(path, password, SchemaVersion::Full, &error) ||
            !setup_.openDatabase(path, password))
            throw std::runtime_error("cannot create the benchmark database");
        exec(QStringLiteral(
            "Insert Into SE_KeyUrl (UrlName) With Recursive n(i) As (Select 1 Union All Select "
            "i+1 From n Where i < 100) Select 'www.site' || i || '.com' From n"));
        exec(QStringLiteral(
                 "Insert Into SE_KeyWord (WebID, KeyWordName, Valid, UpdateTime, BaiduRank, BaiduRank2, "
                 "GoogleRank, YahooRank, SogouRank, BingRank, SosoRank, YoudaoRank) With Recursive "
                 "n(i) As (Select 1 Union All Select i+1 From n Where i < %1) Select i % 100 + 1, "
                 "'关键词' || i, '1', date('2010-01-01', '+' || (i * 7 % 365) || ' days'), i % 97 + 1, "
                 "i % 89 + 1, '>' || (i % 50), '稍候', i % 11, '', i % 5, '可能已被搜索引擎限制!' "
                 "From n")
                 .arg(kMissions));
        exec(QStringLiteral(
                 "Insert Into SE_RankHistory (KeyWordName, UrlName, BaiduRank, BaiduRank2, GoogleRank, "
                 "YahooRank, SogouRank, BingRank, SosoRank, YoudaoRank, UpdateTime, KeyWordID, WebID) "
                 "With Recursive n(i) As (Select 0 Union All Select i+1 From n Where i < %1) Select "
                 "'关键词1', 'www.site2.com', i % 30, i % 30 + 1, i % 50, 0, 0, 0, 0, 0, "
                 "date('now', '-' || i || ' days'), 1, 2 From n")
                 .arg(kHistoryDays - 1));
        window = std::make_unique<MainWindow>(database_, path);
        window->startUp();
        if (window->terminateRequested() || window->missions.recordCount() != kMissions)
            throw std::runtime_error("the window did not load the missions");
        window->historyBox->firstDayPicker->setDate(QDate::currentDate().addDays(-kHistoryDays - 10));
        const int keywordOne = [&] {
            for (int row = 0; row < window->missions.recordCount(); ++row)
                if (window->missions.value(row, window->missions.fieldIndex(u"KeyWordID")).toInt() == 1)
                    return row;
            return -1;
        }();
        window->missions.setCurrentRow(keywordOne);
        window->historyBox->refreshHistory();
        if (window->historyBox->historyRows.recordCount() != kHistoryDays)
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

ExportFixture& fixture() {
    static ExportFixture* instance = [] {
        auto* created = new ExportFixture;
        bench::AtBenchmarkEnd([created] { delete created; });
        return created;
    }();
    return *instance;
}

void runExport(benchmark::State& state, QAction* command, int rows) {
    qint64 busyNs = 0;
    qint64 sleptNs = 0;
    for (auto _ : state) {
        const qint64 sleptBefore = bench::SleptNs();
        QElapsedTimer timer;
        timer.start();
        command->trigger();
        const qint64 elapsed = timer.nsecsElapsed();
        sleptNs += bench::SleptNs() - sleptBefore;
        busyNs += elapsed - (bench::SleptNs() - sleptBefore);
    }
    const double runs = static_cast<double>(state.iterations()) * rows;
    state.counters["per_row_busy_ms"] = busyNs / 1e6 / runs;
    state.counters["pause_per_row_ms"] = sleptNs / 1e6 / runs;
    state.counters["peak_rss_MB"] = peakRssMegabytes();
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * rows);
}

void BM_ExportLatestResults(benchmark::State& state) {
    MainWindow& window = *fixture().window;
    runExport(state, window.exportLatestAction, kMissions);
}
BENCHMARK(BM_ExportLatestResults)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ExportHistory(benchmark::State& state) {
    MainWindow& window = *fixture().window;
    runExport(state, window.historyBox->exportHistoryAction, kHistoryDays);
}
BENCHMARK(BM_ExportHistory)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
