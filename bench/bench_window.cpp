// The main window's start with a large mission list, as the program starts it: the database opened, the
// missions read into the grid, the window shown and painted once.
//  - "shown_ms": from the window's construction to its first paint;
//  - "peak_MB": the process's peak resident size during the start, the application and its libraries
//    included (what the program's own process would show);
//  - "rise_MB": that peak above the size before the start, what the window and its data took.
#include "app/MainWindow.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "ui/DataGrid.h"

#include "support/PeakMemory.h"
#include "support/RunBenchSupport.h"
#include "support/WidgetBenchMain.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace {

using namespace quorvane;

// A database with `keywords` checked keywords over 100 sites, their ranks filled in as after a run, and
// a month of history for the first keyword (the row the window shows first).
class LargeMissionFolder {
public:
    explicit LargeMissionFolder(int keywords) {
        const QString password = QString::fromUtf16(kDbPassword);
        QString error;
        Database setup;
        if (!createDatabase(path(), password, SchemaVersion::Full, &error) ||
            !setup.openDatabase(path(), password))
            throw std::runtime_error("cannot create the benchmark database");
        const auto exec = [&setup](const QString& sql) {
            if (!setup.execInTransaction(setup.execQuery, sql))
                throw std::runtime_error("benchmark set-up failed");
        };
        bench::AddRankedMissions(exec, keywords);
        bench::AddHistoryDays(exec, 31);
    }
    QString path() const { return dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb")); }

private:
    QTemporaryDir dir_;
};

LargeMissionFolder& folder(int keywords) {
    static std::map<int, std::unique_ptr<LargeMissionFolder>> folders;
    auto& made = folders[keywords];
    if (!made)
        made = std::make_unique<LargeMissionFolder>(keywords);
    return *made;
}

// Notes the grid's first paint: the start ends there.
class FirstPaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

void BM_ShowWindow(benchmark::State& state) {
    const int keywords = bench::KeywordCount(static_cast<int>(state.range(0)));
    const QString database = folder(keywords).path();
    double shownMs = 0;
    double peak = 0;
    double rise = 0;
    int rows = 0;
    for (auto _ : state) {
        // What the set-up and the previous start left in the heap goes back first, as in a new process.
        malloc_trim(0);
        const double before = bench::residentMegabytes();
        bench::resetPeakResident();
        QElapsedTimer timer;
        timer.start();
        {
            Database connection;
            MainWindow window(connection, database);
            window.startUp();
            if (window.terminateRequested()) {
                state.SkipWithError("the window did not open the database");
                return;
            }
            FirstPaintWatch watch;
            window.findChild<DataGrid*>(QStringLiteral("missionGrid"))
                ->viewport()
                ->installEventFilter(&watch);
            window.show();
            if (!QTest::qWaitFor([&watch] { return watch.painted; }, 30000)) {
                state.SkipWithError("the window was never painted");
                return;
            }
            shownMs += static_cast<double>(timer.nsecsElapsed()) / 1e6;
            rows = window.missions().recordCount();
            peak = std::max(peak, bench::peakResidentMegabytes());
            rise = std::max(rise, bench::peakResidentMegabytes() - before);
            window.findChild<DataGrid*>(QStringLiteral("missionGrid"))->viewport()->removeEventFilter(&watch);
        }
    }
    if (rows != keywords)
        state.SkipWithError("the window did not show every keyword");
    state.counters["shown_ms"] = shownMs / static_cast<double>(state.iterations());
    state.counters["peak_MB"] = peak;
    state.counters["rise_MB"] = rise;
}
BENCHMARK(BM_ShowWindow)->Arg(10000)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
