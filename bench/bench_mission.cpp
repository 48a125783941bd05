// The mission list at a large size: loading 10,000 rows, sorting them in memory, reloading them into the
// grid and painting the grid anywhere in the list.
#include "store/Database.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "ui/DataGrid.h"

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

using namespace quorvane;

// A database with `keywords` switched-on keywords spread over 100 URLs, made once per size.
class MissionDatabase {
public:
    explicit MissionDatabase(int keywords) {
        const QString path = dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb"));
        const QString password = QString::fromUtf16(kDbPassword);
        QString error;
        if (!createDatabase(path, password, SchemaVersion::Full, &error) ||
            !database_.openDatabase(path, password))
            throw std::runtime_error("cannot create the benchmark database");
        exec(QStringLiteral(
            "Insert Into SE_KeyUrl (UrlName) With Recursive n(i) As (Select 1 Union All Select i+1 "
            "From n Where i < 100) Select 'www.site' || i || '.com' From n"));
        exec(QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName, Valid, UpdateTime, BaiduRank, "
                            "BaiduRank2, GoogleRank, "
                            "YahooRank, SogouRank, BingRank, SosoRank, YoudaoRank) With Recursive n(i) As "
                            "(Select 1 Union All "
                            "Select i+1 From n Where i < %1) Select i % 100 + 1, 'keyword' || i, '1', "
                            "date('2010-01-01', '+' || "
                            "(i * 7 % 365) || ' days'), i % 97 + 1, i % 89 + 1, '>' || (i % 50), i % 13, i % "
                            "11, i % 7, i % 5, "
                            "i % 3 From n")
                 .arg(keywords));
    }
    Database& connection() { return database_; }

private:
    void exec(const QString& sql) {
        if (!database_.execInTransaction(database_.execQuery, sql))
            throw std::runtime_error("benchmark set-up failed");
    }
    QTemporaryDir dir_;
    Database database_;
};

MissionDatabase& missionDatabase() {
    static MissionDatabase db(10000);
    return db;
}

// The large list of the sort goal: 100,000 keywords.
MissionDatabase& largeMissionDatabase() {
    static MissionDatabase db(100000);
    return db;
}

void BM_OpenMissionList(benchmark::State& state) {
    Database& database = missionDatabase().connection();
    Recordset missions;
    for (auto _ : state)
        benchmark::DoNotOptimize(openMissionList(database, missions));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * missions.recordCount());
}
BENCHMARK(BM_OpenMissionList)->Unit(benchmark::kMillisecond);

void BM_SortMissionList(benchmark::State& state) {
    Recordset missions;
    openMissionList(state.range(0) > 10000 ? largeMissionDatabase().connection()
                                           : missionDatabase().connection(),
                    missions);
    missions.setCurrentRow(missions.recordCount() / 2);
    const QString sorts[] = {QStringLiteral("UpdateTime ASC"), QStringLiteral("UpdateTime DESC"),
                             QStringLiteral("BaiduRank ASC"), QStringLiteral("KeyWordName DESC")};
    size_t next = 0;
    for (auto _ : state) {
        missions.sort(sorts[next]);
        next = (next + 1) % std::size(sorts);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * missions.recordCount());
}
BENCHMARK(BM_SortMissionList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The grid on screen while the list is reloaded (the refresh command) and while it is sorted by title.
struct MissionGrid {
    MissionGrid() {
        grid.bind(missions,
                  {{QStringLiteral("关键词"), QStringLiteral("KeyWordName"), 89, Qt::AlignCenter, true},
                   {QStringLiteral("相关链接"), QStringLiteral("UrlName"), 120, Qt::AlignLeft, true},
                   {QStringLiteral("Baidu"), QStringLiteral("BaiduRank"), 55, Qt::AlignCenter, true},
                   {QStringLiteral("Google"), QStringLiteral("GoogleRank"), 40, Qt::AlignCenter, true},
                   {QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 55, Qt::AlignCenter, true}});
        grid.setFooterTextProvider(
            [this](int c) { return c == 0 ? QString::number(missions.recordCount()) : QString(); });
        grid.resize(640, 320);
        grid.show();
        openMissionList(missionDatabase().connection(), missions);
        QApplication::processEvents();
    }
    Recordset missions;
    DataGrid grid;
};

void BM_MissionGridReload(benchmark::State& state) {
    MissionGrid view;
    for (auto _ : state) {
        openMissionList(missionDatabase().connection(), view.missions);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_MissionGridReload)->Unit(benchmark::kMillisecond);

void BM_MissionGridTitleSort(benchmark::State& state) {
    MissionGrid view;
    for (auto _ : state) {
        view.grid.clickTitle(4, Qt::NoModifier);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_MissionGridTitleSort)->Unit(benchmark::kMillisecond);

// Painting one screen of rows costs the same at the top and at the end of the list.
void BM_MissionGridPaint(benchmark::State& state) {
    MissionGrid view;
    QScrollBar* bar = view.grid.verticalScrollBar();
    bar->setValue(state.range(0) == 0 ? 0 : bar->maximum());
    QPixmap target(view.grid.viewport()->size());
    for (auto _ : state)
        view.grid.viewport()->render(&target);
}
BENCHMARK(BM_MissionGridPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
