// Three shards side by side and merged against one ordinary run, as an agency with three machines (or three
// addresses) would run them: the real program in folders of its own, a loopback server that answers every
// result page after 200 ms, 30 keywords (QUORVANE_BENCH_KEYWORDS to change) and all seven engines.
//
// BM_OneRun is `Quorvane --update --quiet` over every keyword. BM_ThreeShardsMerged starts
// `Quorvane --update --shard K/3 --quiet` for K = 0, 1, 2 at once, each on its own copy of the same database,
// waits for all three, then runs `Quorvane --merge` of the three copies in the first folder; its wall time
// includes the merge. Counters: wall_s; for the shards also merge_s, share_of_one_run (the shards' wall time
// over the one run's; the aim is at most 0.40) and same_as_one_run (1 when the merged cells and history
// equal the one run's, row by row). BM_MergeOfLargeCopies times the merge alone with 100,000 keywords
// (us_per_keyword, and rise_MB: the memory it took).
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/ShardMerge.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/PeakMemory.h"
#include "support/ResultPages.h"
#include "support/RunBenchSupport.h"
#include "support/TempDatabase.h"
#include "support/WidgetBenchMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

using namespace quorvane;

// A program folder: the program, its Endpoints.ini and a database.
class ProgramFolder {
public:
    ProgramFolder(const QString& baseUrl, const QString& databaseToCopy) {
        const QString source = QStringLiteral(QUORVANE_PROGRAM);
        if (!QFile::copy(source, program()) || !QFile::setPermissions(program(), QFile::permissions(source)))
            throw std::runtime_error("cannot copy the program");
        if (!test::WriteFile(dir_.filePath(QStringLiteral("Endpoints.ini")),
                             test::LoopbackEndpoints::Text(baseUrl)))
            throw std::runtime_error("cannot write Endpoints.ini");
        if (!QDir().mkpath(dir_.filePath(QStringLiteral("DataBase"))) ||
            !QFile::copy(databaseToCopy, database()))
            throw std::runtime_error("cannot copy the database");
    }
    QString program() const { return dir_.filePath(QStringLiteral("Quorvane")); }
    QString database() const { return dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb")); }

private:
    QTemporaryDir dir_;
};

// Runs the programs at once and pumps events (the loopback server answers meanwhile) until all have ended.
// True when every one ended with status 0.
bool runTogether(const std::vector<std::pair<QString, QStringList>>& commands) {
    std::vector<std::unique_ptr<QProcess>> processes;
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    environment.insert(QStringLiteral("HOME"), QDir::homePath());
    QEventLoop loop;
    int running = 0;
    for (const auto& [program, arguments] : commands) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        QObject::connect(process.get(), &QProcess::finished, &loop, [&running, &loop] {
            if (--running == 0)
                loop.quit();
        });
        process->start(program, arguments);
        ++running;
        processes.push_back(std::move(process));
    }
    loop.exec();
    for (const auto& process : processes)
        if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
            return false;
    return true;
}

QString rowsOf(const QString& database) {
    Database connection;
    if (!connection.openDatabase(database, QString::fromUtf16(kDbPassword)))
        return {};
    QStringList rows;
    for (const char* sql :
         {"Select KeyWordID,GoogleRank,BaiduRank,BaiduRank2,YahooRank,SosoRank,BingRank,SogouRank,"
          "YoudaoRank,UpdateTime From SE_KeyWord Order By KeyWordID",
          "Select KeyWordID,WebID,KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,"
          "SosoRank,YahooRank,YoudaoRank,BingRank,UpdateTime From SE_RankHistory Order By "
          "KeyWordID,UpdateTime"}) {
        const QString text = test::QueryRowsText(connection, QString::fromLatin1(sql));
        if (!text.isEmpty())
            rows << text;
    }
    return rows.join(u'\n');
}

// The slow engines and the database every run starts from.
class Stand {
public:
    Stand() {
        test::HttpServer::Response page;
        page.delayMs = 200;
        page.body = test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 0, QString()));
        server.SetFallback(page);
        if (!createDatabase(seed(), QString::fromUtf16(kDbPassword), SchemaVersion::Full, nullptr))
            throw std::runtime_error("cannot create the database");
        Database connection;
        connection.openDatabase(seed(), QString::fromUtf16(kDbPassword));
        bench::AddKeywords(
            [&connection](const QString& sql) { connection.execInTransaction(connection.execQuery, sql); },
            bench::KeywordCount(30));
    }
    QString seed() const { return dir_.filePath(QStringLiteral("seed.mdb")); }

    test::HttpServer server;
    double oneRunSeconds = 0;
    QString oneRunRows;

private:
    QTemporaryDir dir_;
};

std::unique_ptr<Stand> g_stand;

Stand& stand() {
    if (!g_stand) {
        g_stand = std::make_unique<Stand>();
        bench::AtBenchmarkEnd([] { g_stand.reset(); });
    }
    return *g_stand;
}

void BM_OneRun(benchmark::State& state) {
    Stand& s = stand();
    for (auto _ : state) {
        state.PauseTiming();
        const ProgramFolder folder(s.server.BaseUrl(), s.seed());
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const bool ok =
            runTogether({{folder.program(), {QStringLiteral("--update"), QStringLiteral("--quiet")}}});
        s.oneRunSeconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        state.PauseTiming();
        if (!ok)
            state.SkipWithError("the run failed");
        s.oneRunRows = rowsOf(folder.database());
        state.counters["wall_s"] = s.oneRunSeconds;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OneRun)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_ThreeShardsMerged(benchmark::State& state) {
    Stand& s = stand();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::unique_ptr<ProgramFolder>> workers;
        for (int k = 0; k < 3; ++k)
            workers.push_back(std::make_unique<ProgramFolder>(s.server.BaseUrl(), s.seed()));
        std::vector<std::pair<QString, QStringList>> shards;
        for (int k = 0; k < 3; ++k)
            shards.push_back({workers[k]->program(),
                              {QStringLiteral("--update"), QStringLiteral("--shard"),
                               QStringLiteral("%1/3").arg(k), QStringLiteral("--quiet")}});
        // The merge goes into a folder of its own with the database the shards started from.
        const ProgramFolder main(s.server.BaseUrl(), s.seed());
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        bool ok = runTogether(shards);
        QElapsedTimer merge;
        merge.start();
        ok = ok && runTogether({{main.program(),
                                 {QStringLiteral("--merge"), workers[0]->database(), workers[1]->database(),
                                  workers[2]->database()}}});
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;

        state.PauseTiming();
        if (!ok)
            state.SkipWithError("a shard or the merge failed");
        state.counters["wall_s"] = seconds;
        state.counters["merge_s"] = static_cast<double>(merge.nsecsElapsed()) / 1e9;
        if (s.oneRunSeconds > 0) {
            state.counters["share_of_one_run"] = seconds / s.oneRunSeconds;
            state.counters["same_as_one_run"] = rowsOf(main.database()) == s.oneRunRows ? 1 : 0;
        }
        state.ResumeTiming();
    }
}
// After the one run, which it is compared with.
BENCHMARK(BM_ThreeShardsMerged)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The copies' checked keywords and their days folded into the database by set-wise statements over each
// attached copy, matched by site and keyword text: the least work the merge can do, for comparison.
void foldBySql(Database& db, const QStringList& copies, const QString& password) {
    const QString ranks = QStringLiteral("GoogleRank,BaiduRank,BaiduRank2,YahooRank,SosoRank,BingRank,SogouRank,"
                                         "YoudaoRank");
    QString copyRanks = QStringLiteral("ck.") + ranks;
    copyRanks.replace(u',', QStringLiteral(",ck."));
    QString historyRanks = QStringLiteral("h.") + ranks;
    historyRanks.replace(u',', QStringLiteral(",h."));
    // Each checked keyword of the copy with this database's keyword of the same site and text.
    const QString pairs = QStringLiteral(
        "Create Temp Table qv_pairs As Select k.KeyWordID As here, k.WebID As webId, ck.KeyWordID As copy "
        "From c.SE_KeyWord ck Join c.SE_KeyUrl cu On cu.WebID=ck.WebID Join SE_KeyUrl u On "
        "u.UrlName=cu.UrlName Join SE_KeyWord k On k.WebID=u.WebID and k.KeyWordName=ck.KeyWordName Where "
        "ck.KeyWordID In (Select KeyWordID From c.SE_ShardRun)");
    for (const QString& copy : copies) {
        db.execStatements({QStringLiteral("Attach Database '") + copy + QStringLiteral("' As c Key '") +
                           password + u'\''});
        const bool folded = db.execAllInOneTransaction({
            pairs,
            QStringLiteral("Create Index temp.qv_pairs_here On qv_pairs(here)"),
            QStringLiteral("Update SE_KeyWord Set (") + ranks + QStringLiteral(",UpdateTime)=(Select ") +
                copyRanks +
                QStringLiteral(",ck.UpdateTime From qv_pairs p Join c.SE_KeyWord ck On ck.KeyWordID=p.copy "
                               "Where p.here=SE_KeyWord.KeyWordID) Where KeyWordID In (Select here From "
                               "qv_pairs)"),
            QStringLiteral("Delete From SE_RankHistory Where rowid In (Select h.rowid From qv_pairs p Join "
                           "c.SE_ShardRun r On r.KeyWordID=p.copy Join SE_RankHistory h On h.KeyWordID=p.here "
                           "and h.WebID=p.webId and h.UpdateTime=r.RunDay)"),
            QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,") + ranks +
                QStringLiteral(",UpdateTime,KeyWordID,WebID) Select k.KeyWordName,u.UrlName,") + historyRanks +
                QStringLiteral(",h.UpdateTime,p.here,p.webId From qv_pairs p Join c.SE_ShardRun r On "
                               "r.KeyWordID=p.copy Join c.SE_KeyWord ck On ck.KeyWordID=p.copy Join "
                               "c.SE_RankHistory h On h.KeyWordID=p.copy and h.WebID=ck.WebID and "
                               "h.UpdateTime=r.RunDay Join SE_KeyWord k On k.KeyWordID=p.here Join SE_KeyUrl u "
                               "On u.WebID=p.webId"),
            QStringLiteral("Drop Table qv_pairs"),
        });
        db.execStatements({QStringLiteral("Detach Database c")});
        if (!folded)
            throw std::runtime_error("the fold by statements failed");
    }
}

// The merge alone at an agency's size: 100,000 keywords (QUORVANE_BENCH_MERGE_KEYWORDS to change), three
// copies each holding one shard's new cells, history rows and notes, folded in by the store in this process;
// then the same copies folded by statements alone (foldBySql) into another copy of the database: floor_s,
// share_of_floor (the merge's time over it) and same_as_floor (1 when both give the same rows).
void BM_MergeOfLargeCopies(benchmark::State& state) {
    const int fromEnvironment = qEnvironmentVariableIntValue("QUORVANE_BENCH_MERGE_KEYWORDS");
    const int keywords = fromEnvironment > 0 ? fromEnvironment : 100'000;
    const QString password = QString::fromUtf16(kDbPassword);
    const QTemporaryDir dir;
    auto make = [&](const QString& name, int shard) {
        const QString path = dir.filePath(name);
        if (!createDatabase(path, password, SchemaVersion::Full, nullptr))
            throw std::runtime_error("cannot create the database");
        Database db;
        db.openDatabase(path, password);
        bench::AddKeywords([&db](const QString& sql) { db.execInTransaction(db.execQuery, sql); }, keywords);
        if (shard < 0)
            return path;
        const QString mine = QStringLiteral(" Where KeyWordID % 3 = %1").arg(shard);
        db.execAllInOneTransaction({
            QStringLiteral("Update SE_KeyWord Set GoogleRank=KeyWordID % 100 + 1, BaiduRank='>100', "
                           "UpdateTime='2026-12-11'") +
                mine,
            QStringLiteral(
                "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,UpdateTime,"
                "KeyWordID,WebID) Select KeyWordName,'www.mysite.com',KeyWordID % 100,0,'2026-12-11',"
                "KeyWordID,WebID From SE_KeyWord") +
                mine,
            QStringLiteral(
                "Create Table SE_ShardRun (KeyWordID INTEGER NOT NULL, RunDay TEXT NOT NULL, Shard "
                "INTEGER, Shards INTEGER, Primary Key (KeyWordID, RunDay))"),
            QStringLiteral("Insert Into SE_ShardRun Select KeyWordID,'2026-12-11',%1,3 From SE_KeyWord")
                    .arg(shard) +
                mine,
        });
        return path;
    };
    const QString target = make(QStringLiteral("target.mdb"), -1);
    const QString floorTarget = make(QStringLiteral("floor.mdb"), -1);
    const QStringList copies = {make(QStringLiteral("0.mdb"), 0), make(QStringLiteral("1.mdb"), 1),
                                make(QStringLiteral("2.mdb"), 2)};
    Database db;
    db.openDatabase(target, password);
    MergeReport report;
    double seconds = 0;
    double rise = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const double before = bench::residentMegabytes();
        bench::resetPeakResident();
        QElapsedTimer clock;
        clock.start();
        report = mergeShardCopies(db, copies, password);
        seconds += static_cast<double>(clock.nsecsElapsed()) / 1e9;
        rise = std::max(rise, bench::peakResidentMegabytes() - before);
    }
    if (report.end != MergeEnd::Merged || report.keywordsUpdated != keywords ||
        report.historyRows != keywords) {
        const std::string why = QStringLiteral("the merge did not take every keyword: end %1, %2 updated, %3 "
                                               "history rows, %4 skipped")
                                    .arg(static_cast<int>(report.end))
                                    .arg(report.keywordsUpdated)
                                    .arg(report.historyRows)
                                    .arg(report.skippedRows.size())
                                    .toStdString();
        state.SkipWithError(why.c_str());
    }
    // The floor: the same copies folded by set-wise statements over the attached copies, without the
    // merge's checks and counts, into another copy of the target.
    Database floorDb;
    floorDb.openDatabase(floorTarget, password);
    malloc_trim(0);
    const double floorBefore = bench::residentMegabytes();
    bench::resetPeakResident();
    QElapsedTimer floorClock;
    floorClock.start();
    foldBySql(floorDb, copies, password);
    const double floorSeconds = static_cast<double>(floorClock.nsecsElapsed()) / 1e9;
    const double floorRise = bench::peakResidentMegabytes() - floorBefore;
    const QString rowsSql[] = {
        QStringLiteral("Select KeyWordID,GoogleRank,BaiduRank,UpdateTime From SE_KeyWord Order By KeyWordID"),
        QStringLiteral("Select KeyWordID,WebID,KeyWordName,UrlName,GoogleRank,BaiduRank,UpdateTime From "
                       "SE_RankHistory Order By KeyWordID,UpdateTime")};
    bool same = true;
    for (const QString& sql : rowsSql) {
        QStringList mergedFields;
        QStringList floorFields;
        const RecordTable merged = db.readRows(sql, mergedFields);
        const RecordTable folded = floorDb.readRows(sql, floorFields);
        same = same && merged.rowCount() == folded.rowCount();
        for (int r = 0; same && r < merged.rowCount(); ++r)
            for (int c = 0; same && c < merged.columnCount(); ++c)
                same = merged.value(r, c) == folded.value(r, c);
    }
    state.counters["keywords"] = keywords;
    state.counters["rise_MB"] = rise; // what the merge took above the process's size before it
    state.counters["floor_s"] = floorSeconds;
    state.counters["floor_rise_MB"] = floorRise;
    // The goal: at most 1.5 (and rise_MB under 50).
    state.counters["share_of_floor"] = seconds / static_cast<double>(state.iterations()) / floorSeconds;
    state.counters["same_as_floor"] = same ? 1 : 0;
    state.counters["us_per_keyword"] =
        seconds * 1e6 / static_cast<double>(keywords) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MergeOfLargeCopies)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
