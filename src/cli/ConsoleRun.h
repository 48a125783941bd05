#pragma once

#include "cli/CommandLineOptions.h"
#include "cli/ConsoleOutput.h"
#include "engine/RankEngine.h"
#include "pages/PageBrowser.h"
#include "runs/RankRuns.h"
#include "runs/RunLog.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace quorvane {

// The batch run without a window: the same run as "批量更新排名" (RankRuns::runBatch over the mission
// list, same checks, cells and history rows), with the engines and the page range of the command line, a
// line per keyword on the output as each row is done, and a summary at the end. With a shard, only its
// keywords are checked, and each one saved is noted in the shard record (store/ShardRecord.h).
class ConsoleRun final {
public:
    enum class Outcome { Completed, Stopped, Failed };
    struct Summary {
        Outcome outcome = Outcome::Completed;
        int keywordsDone = 0;
        int keywords = 0;
        qint64 pagesRequested = 0;
        qint64 pagesLoaded = 0;
        qint64 pagesNotUnderstood = 0;
        QStringList blockedEngines; // engines that answered with a verification page
        int proxiesSetAside = 0;    // proxies of the pool that failed and were used no more
        int checksWithoutProxy = 0; // checks not made: their engine had no working proxy left
        double seconds = 0;
    };

    // Where the checks write their pages (none by default); not owned.
    void setRunLog(RunLog* log) { engine_.runLog = log; }
    // One engine after the other instead of side by side (sideBySide=0 in Endpoints.ini).
    void setSideBySide(bool sideBySide) { runs_.sideBySide = sideBySide; }

    // The database must be connected. Messages go through the given presenter, which must be installed.
    ConsoleRun(Database& database, const CommandLineOptions& options, ConsoleMessages& messages,
               std::FILE* out);
    ~ConsoleRun();
    ConsoleRun(const ConsoleRun&) = delete;
    ConsoleRun& operator=(const ConsoleRun&) = delete;

    // Runs the batch update and writes the summary line.
    Summary run();
    // As "停止" does: the run ends at its next stop test; the row in progress keeps the cells of the engines
    // that had finished it, and the others' stored texts.
    void requestStop() { engine_.stopRequested = true; }

    // "完成: 3/3 个关键词, 读到 21 页, 未读到 0 页, 用时 4.2 秒"
    static QString summaryLine(const Summary& summary);
    // "[2/3] 北京 www.mysite.com  Baidu 5/9  Google >100" for the mission list's row.
    static QString keywordLine(const Recordset& missions, int row, const QStringList& engines);

    // The run itself, for tests that move its date.
    RankRuns& runs() { return runs_; }

private:
    class Host;

    const CommandLineOptions options_;
    ConsoleMessages& messages_;
    Database& database_;
    std::FILE* out_;
    PageBrowser browser_; // the engine's own; each check loads its pages with a browser of its own
    RankEngine engine_{browser_};
    Recordset missions_;
    std::unique_ptr<Host> host_;
    RankRuns runs_;
};

} // namespace quorvane
