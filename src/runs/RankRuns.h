#pragma once

#include "engine/EngineTable.h"
#include "engine/RankEngine.h"
#include "platform/Messages.h"
#include "runs/EngineChecks.h"
#include "runs/RankCells.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringView>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quorvane {

// What a run needs of the window that shows it: the engine boxes, the mission list, the controls a run
// disables, the cursor, the tray balloon and the messages.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual bool engineTicked(QStringView engine) const = 0;
    virtual void loadMissionList() = 0;
    // "&2 批量更新排名" and "&1 添加网址".
    virtual void setStartControlsEnabled(bool enabled) = 0;
    virtual void setGridEnabled(bool enabled) = 0;
    virtual void setStopEnabled(bool enabled) = 0;
    virtual void setBusyCursor(bool busy) = 0;
    virtual void showBalloon(const QString& title, const QString& message) = 0;
    // How the run ended or why it could not start, for the user: the window shows it in a message box, the
    // command line writes it. The run itself shows nothing.
    // Information for a note, Error for an end that is no success, Report for an error that ended the run.
    virtual void showRunMessage(MessageKind kind, const QString& text) = 0;
};

// How a batch run or a single-row update ended. Callers decide from this, never from the texts shown.
enum class RunEnd {
    Completed,         // every row was checked and saved (also when the list was empty)
    Stopped,           // a stop request ended it; the row in progress keeps its finished engines' cells
    Failed,            // an error ended it; it was reported
    NotStarted,        // no engine was chosen
    NothingRead,       // every row was checked, but not one page came back (no network, a proxy refusing us)
    NotAllChecked,     // every row was gone through, but some keywords were not checked: an engine's every
                       // proxy was set aside, and its remaining checks loaded no page
    NothingUnderstood, // pages came back, but not one of them could be read (the engines changed their pages)
};

// One row of the mission list as a run takes it: its keys, keyword, site and rule, and the rank cells it
// showed when the run took it (for the history of the engines the run does not check). Not the grid's
// cursor: the run goes on with its rows whatever the grid does.
struct MissionRow {
    qint64 keyWordId = 0;
    qint64 webId = 0;
    QString keyword;
    QString url;
    SiteMatch rule = SiteMatch::Address;
    std::vector<QString> cells; // by rankColumns()
};

// The rows of the mission list, in its order; only that row when onlyRow is given.
std::vector<MissionRow> missionRowsOf(const Recordset& missions, int onlyRow = -1);

// A row's result: the outcome of each engine's check, by the engine's place in the table in force; none for
// an engine the run did not check (or whose check a stop cut short).
struct RowResult {
    std::vector<std::optional<EngineCheckOutcome>> engines;
    bool anyFinished() const;
};

// The batch run and the single-row update over the mission list: one run object. For every row, the check
// of each ticked engine through the engine workers, the cells made from the results, the row saved with its
// update time and the day's history row, all in one transaction. It tells its listeners (the window, the
// command line) what happens: a row started, an engine's check ended (its cell shows at once), a row saved,
// the run ended.
class RankRuns : public QObject {
    Q_OBJECT
public:
    RankRuns(Database& database, Recordset& missions, RankEngine& engine, RunHost& host);
    ~RankRuns() override;

    bool anyEngineChosen() const;
    // The batch run over the whole mission list ("&2 批量更新排名").
    RunEnd runBatch();
    // The update of the mission list's current row ("更新排名").
    RunEnd updateSingleRow();
    // Replaces the pair's history row of today with the ranks given by the rank columns' order
    // (rankColumns()). True when both statements worked, in one transaction.
    bool writeHistoryRow(const MissionRow& row, const std::vector<int>& ranks);
    // Empties every rank cell of rows still stored with the pending mark (a file an older version left).
    bool clearPendingMarks();

    // True while a batch run or a single-row update is in progress.
    bool isRunning() const { return running_; }
    // A reload of the mission list asked for during a run: it waits until the row in progress is
    // written, so that the run never saves a row's ranks into another row; the run then goes on with the
    // row after the one it checked, in the reloaded order.
    void requestReload() { reloadRequested_ = true; }
    // What became of the pages of the last run, per engine.
    const RunPageCounts& runPages() const { return runPages_; }
    // The proxies of the pool the last run set aside, in the order they failed.
    const std::vector<SetAsideProxy>& proxiesSetAside() const { return proxiesSetAside_; }
    // Checks of the last run that were not made because their engine had no working proxy left.
    int checksWithoutProxy() const { return checksWithoutProxy_; }
    // The line that tells the user of both; empty when no proxy was set aside.
    QString proxiesLine() const;

    // Whether the engines of one keyword are checked side by side (the default) or one after the other.
    bool sideBySide = true;
    // Makes the browser of each engine worker, on the worker's own thread (tests may hand in others).
    BrowserFactory makeBrowser = pageBrowserFactory();

    // Today's date as runs stamp it (tests move it to another day).
    std::function<QDate()> today = [] { return QDate::currentDate(); };

signals:
    // The row's checks begin; the grid's cursor is on it.
    void rowStarted(qint64 keyWordId);
    // An engine's check of the row ended (engine: its place in the table); its cells show the result.
    void engineChecked(qint64 keyWordId, int engine);
    // The row's cells, update time and history row are saved.
    void rowSaved(qint64 keyWordId);
    void finished(quorvane::RunEnd end);

private:
    enum class Scope { Batch, CurrentRow };
    struct Statements;

    // The one start-to-end path of both runs.
    RunEnd run(Scope scope);
    // Checks the rows and saves each; false when a stop or an error ended it (error says which). A batch
    // goes on in the reloaded list when a reload was asked for.
    bool checkAndSave(std::vector<MissionRow> rows, bool batch, QString& error);
    // The ticked engines, in the run order.
    std::vector<const EngineInfo*> tickedEngines() const;
    // Saves what the row's finished checks learned, its update time and, for a row whose every check ended,
    // the day's history row, in one transaction; a row none of whose checks finished is left as it was.
    bool saveRow(const MissionRow& row, const RowResult& result, bool whole);
    // The statements of saveRow: the cells and the date, then, given its ranks, the day's history row.
    void writeRow(const QStringList& cells, const QVariantList& values, const std::vector<int>* ranks,
                  const MissionRow& row, const QString& day);
    // The history ranks of the row, by rankColumns(): the checked engines' ranks, today's stored value for
    // an engine whose check learned nothing, the stored cell for the engines not checked.
    std::vector<int> historyRanks(const MissionRow& row, const RowResult& result);
    // Shows texts in the row's cells of the mission list, writing nothing; false when the row is gone.
    bool showCells(qint64 keyWordId, const EngineInfo& engine, const RankCellTexts& texts);
    void showValue(qint64 keyWordId, QStringView field, const QVariant& value);
    int rowOf(qint64 keyWordId);
    void indexRows();
    // Reloads the list if a reload was asked for; returns the place in `rows` to go on with.
    size_t reloadIfRequested(std::vector<MissionRow>& rows, size_t next, qint64 done);
    void startRunRecord();
    void countOutcome(const EngineCheckOutcome& outcome);
    bool nothingAnswered() const;
    bool nothingUnderstood() const;
    QString endOfRunText(const QString& message) const;
    QString saveFailureText() const;
    Statements& statements();

    Database& database_;
    Recordset& missions_;
    RankEngine& engine_;
    RunHost& host_;
    bool running_ = false;
    std::unique_ptr<EngineWorkerPool> workers_;
    std::unique_ptr<Statements> statements_; // prepared at a run's first save, kept for the run
    bool reloadRequested_ = false;
    QString saveError_;           // why the last row could not be saved
    QHash<qint64, int> rowOfKey_; // the mission list's row of each keyword key
    RunPageCounts runPages_;
    std::vector<SetAsideProxy> proxiesSetAside_;
    int checksWithoutProxy_ = 0;
    QStringList enginesWithoutProxy_; // in the order their last proxy failed
};

} // namespace quorvane
