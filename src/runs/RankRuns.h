#pragma once

#include "engine/EngineTable.h"
#include "engine/RankEngine.h"
#include "runs/EngineChecks.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

// What a run needs of the window that shows it: the engine boxes, the mission list, the controls a run
// disables, the cursor and the tray balloon.
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
    // A row of the batch run is done: its cells are saved and its history row written. The row is the
    // mission list's current row.
    virtual void rowChecked(int /*row*/) {}
};

// The rank cell texts that are not numbers.
inline constexpr char16_t kPendingMark[] = u"稍候";
inline constexpr char16_t kRestrictedText[] = u"可能已被搜索引擎限制!";
// Every page the engine's check read came without result items the markers know (a changed layout, a
// verification page): the check learned nothing, and says why.
inline constexpr char16_t kNotUnderstoodText[] = u"无法识别结果页";

// How a batch run or a single-row update ended. Callers decide from this, never from the texts shown.
enum class RunEnd {
    Completed,         // every row was checked and saved (also when the list was empty)
    Stopped,           // a stop request ended it; the row in progress keeps what is stored
    Failed,            // an error ended it; it was reported
    NotStarted,        // no engine was chosen
    NothingRead,       // every row was checked, but not one page came back (no network, a proxy refusing us)
    NotAllChecked,     // every row was gone through, but some keywords were not checked: an engine's every
                       // proxy was set aside, and its remaining checks loaded no page
    NothingUnderstood, // pages came back, but not one of them could be read (the engines changed their pages)
};

// The batch run and the single-row update over the mission list: for every row, the check of each ticked
// engine, its rank cell texts, the row saved, and the day's history row.
class RankRuns {
public:
    RankRuns(Database& database, Recordset& missions, RankEngine& engine, RunHost& host);

    bool anyEngineChosen() const;
    // The batch run over the whole mission list ("&2 批量更新排名").
    RunEnd runBatch();
    // The update of the mission list's current row ("更新排名").
    RunEnd updateSingleRow();
    // Replaces the pair's history row of today with the rank counters. True when both statements worked.
    bool writeHistoryRow(const QString& keyword, const QString& url, qint64 webId, qint64 keyWordId);
    // The two statements that replace the pair's history row of today with the rank counters.
    QStringList historyRowStatements(const QString& keyword, const QString& url, qint64 webId,
                                     qint64 keyWordId) const;
    // Empties every rank cell of rows still stored with the pending mark.
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

private:
    struct RowKeys {
        QString keyword;
        QString url;
        SiteMatch rule = SiteMatch::Address;
        qint64 keyWordId = 0;
        qint64 webId = 0;
    };
    RowKeys readCurrentRow() const;
    void stampUpdateTime();
    // Checks the ticked engines of the rows (as many as the engines' workers take at once: one, or one per
    // proxy) and returns each row's outcomes in the run order; empty when a stop request ended it.
    std::vector<std::vector<EngineCheckOutcome>> checkRows(const std::vector<RowKeys>& rows);
    // Sets the row's cells in its edit from its outcomes; false when the row is gone from the list.
    bool applyOutcomes(const RowKeys& row, const std::vector<EngineCheckOutcome>& outcomes);
    // The rows of the list from `first` on that the next checks take, each stamped with today's date.
    std::vector<RowKeys> takeRows(int first, int count);
    // Saves the checked row's cells and its day's history row in one transaction: both or neither.
    bool saveCheckedRow(const RowKeys& row);
    // The engines whose check of this row read no page keep their value in today's history row.
    void keepTodaysHistoryOfUnreadEngines(const RowKeys& row);
    // The Where condition of the pair's history row of that day.
    static QString historyRowOf(qint64 webId, qint64 keyWordId, const QDate& day);
    // "排名未能保存：" and why.
    QString saveFailureText() const;
    // The rank cell(s) of an engine in the current row's edit.
    void writeCells(QStringView engine, const QString& first, const QString& second);
    // An engine's check result: its counters, its cell texts and its page counts.
    void takeOutcome(QStringView engine, const EngineCheckOutcome& outcome);
    // An engine not checked: its counters from the stored cells, for the history row.
    void takeStoredRanks(QStringView engine);
    // Makes the row of that keyword the mission list's current row; false when it is gone.
    bool focusRow(qint64 keyWordId);
    // Reloads the list if a reload was asked for; returns the row to go on with after `done`.
    int reloadIfRequested(int nextRow, qint64 done);
    // A run starts its page counts and its log afresh.
    void startRunRecord();
    // The run asked for pages and not one came back.
    bool nothingAnswered() const;
    bool nothingUnderstood() const;
    // A balloon's text at the end of a run, with a line naming the engines whose pages were not understood.
    QString endOfRunText(const QString& message) const;

    Database& database_;
    Recordset& missions_;
    RankEngine& engine_;
    RunHost& host_;
    bool running_ = false;
    // The engines' workers of the run in progress.
    std::unique_ptr<EngineWorkerPool> workers_;
    bool reloadRequested_ = false;
    // Engines of the row being checked whose check read no page.
    std::vector<const EngineInfo*> unreadEngines_;
    RunPageCounts runPages_;
    std::vector<SetAsideProxy> proxiesSetAside_;
    int checksWithoutProxy_ = 0;
    QStringList enginesWithoutProxy_; // in the order their last proxy failed
};

} // namespace quorvane
