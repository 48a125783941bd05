#pragma once

#include "engine/RankEngine.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <functional>

namespace quorvane {

// What a run needs of the window that shows it: the engine boxes, the mission list, the controls a run
// disables, the cursor and the tray balloon.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual bool EngineTicked(QStringView engine) const = 0;
    virtual void LoadMissionList() = 0;
    // "&2 批量更新排名" and "&1 添加网址".
    virtual void SetStartControlsEnabled(bool enabled) = 0;
    virtual void SetGridEnabled(bool enabled) = 0;
    virtual void SetStopEnabled(bool enabled) = 0;
    virtual void SetBusyCursor(bool busy) = 0;
    virtual void ShowBalloon(const QString& title, const QString& message) = 0;
    // A row of the batch run is done: its cells are saved and its history row written. The row is the
    // mission list's current row.
    virtual void RowChecked(int /*row*/) {}
};

// The rank cell texts that are not numbers.
inline constexpr char16_t kPendingMark[] = u"稍候";
inline constexpr char16_t kRestrictedText[] = u"可能已被搜索引擎限制!";

// The batch run and the single-row update over the mission list: for every row, the check of each ticked
// engine, its rank cell texts, the row saved, and the day's history row.
class RankRuns {
public:
    RankRuns(Database& database, Recordset& missions, RankEngine& engine, RunHost& host);

    bool AnyEngineChosen() const;
    // The batch run over the whole mission list ("&2 批量更新排名").
    void BatchRun();
    // The update of the mission list's current row ("更新排名").
    void SingleRowUpdate();
    // Replaces the pair's history row of today with the rank counters. True when both statements worked.
    bool WriteHistoryRow(const QString& keyword, const QString& url, qint64 webId, qint64 keyWordId);
    // Empties every rank cell of rows still stored with the pending mark.
    bool ClearPendingMarks();

    // Today's date as runs stamp it (tests move it to another day).
    std::function<QDate()> Today = [] { return QDate::currentDate(); };

private:
    struct RowKeys {
        QString keyword;
        QString url;
        qint64 keyWordId = 0;
        qint64 webId = 0;
    };
    RowKeys readCurrentRow() const;
    void stampUpdateTime();
    // One engine's step for the current row; false when a stop request ends the run.
    bool EngineStep(QStringView engine, const RowKeys& row);
    // Checks the row's engines in the run order; false when a stop request ended it.
    bool CheckRow(const RowKeys& row);

    Database& database_;
    Recordset& missions_;
    RankEngine& engine_;
    RunHost& host_;
};

} // namespace quorvane
