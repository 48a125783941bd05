#include "engine/RankRuns.h"

#include "engine/EngineChecks.h"
#include "engine/EngineTable.h"
#include "engine/RunLog.h"
#include "platform/GbkCodec.h"
#include "store/DbError.h"
#include "store/SharedFunctions.h"
#include "store/SqlText.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <exception>

namespace quorvane {

namespace {

const QString kPending = QString::fromUtf16(kPendingMark);
const QString kRestricted = QString::fromUtf16(kRestrictedText);

// A rank cell's number when it holds one (at least 1), else 0.
int storedRank(const QVariant& cell) {
    bool ok = false;
    const int value = cell.toString().trimmed().toInt(&ok);
    return ok && value >= 1 ? value : 0;
}

} // namespace

RankRuns::RankRuns(Database& database, Recordset& missions, RankEngine& engine, RunHost& host)
    : database_(database)
    , missions_(missions)
    , engine_(engine)
    , host_(host) {}

bool RankRuns::AnyEngineChosen() const {
    for (const EngineInfo& info : kEngines)
        if (host_.EngineTicked(info.name))
            return true;
    return false;
}

RankRuns::RowKeys RankRuns::readCurrentRow() const {
    RowKeys keys;
    keys.keyword = missions_.FieldText(QStringLiteral("KeyWordName"));
    keys.url = missions_.FieldText(QStringLiteral("UrlName"));
    keys.keyWordId = missions_.FieldByName(QStringLiteral("KeyWordID")).toLongLong();
    keys.webId = missions_.FieldByName(QStringLiteral("WebID")).toLongLong();
    return keys;
}

void RankRuns::stampUpdateTime() {
    missions_.Edit();
    missions_.SetFieldValue(QStringLiteral("UpdateTime"), DateText(Today()));
    missions_.Post();
}

void RankRuns::writeCells(QStringView engine, const QString& first, const QString& second) {
    const EngineInfo* info = FindEngine(engine);
    missions_.SetFieldValue(info->rankColumn.toString(), first);
    if (!info->rankColumn2.isEmpty())
        missions_.SetFieldValue(info->rankColumn2.toString(), second);
}

void RankRuns::takeOutcome(QStringView engine, const EngineCheckOutcome& outcome) {
    const EngineInfo* info = FindEngine(engine);
    const bool twoCells = !info->rankColumn2.isEmpty();
    int& counter = engine_.Counter(engine);
    int& counter2 = engine_.Counter(engine, twoCells); // Baidu's second counter, else the same one
    counter = outcome.rank;
    counter2 = twoCells ? outcome.rank2 : outcome.rank;
    runPages_.add(engine, outcome.result.pages);
    if (!outcome.result.completed || !outcome.result.readAnyPage) {
        // No result: not one page could be read (the engine may be refusing us). ">N" would claim the
        // site is absent, which nobody learned.
        writeCells(engine, kRestricted, kRestricted);
        counter = 0;
        counter2 = 0;
    } else if (counter2 >= 1) {
        writeCells(engine, QString::number(counter), QString::number(counter2));
    } else {
        const QString notFound = u'>' + QString::number(NotFoundLimit(*info, outcome.pageCount));
        writeCells(engine, notFound, notFound);
    }
}

void RankRuns::takeStoredRanks(QStringView engine) {
    const EngineInfo* info = FindEngine(engine);
    engine_.Counter(engine) = storedRank(missions_.FieldByName(info->rankColumn.toString()));
    if (!info->rankColumn2.isEmpty())
        engine_.Counter(engine, true) = storedRank(missions_.FieldByName(info->rankColumn2.toString()));
}

bool RankRuns::focusRow(qint64 keyWordId) {
    if (missions_.CurrentRow() >= 0 &&
        missions_.FieldByName(QStringLiteral("KeyWordID")).toLongLong() == keyWordId)
        return true;
    const int field = missions_.FieldIndex(u"KeyWordID");
    for (int row = 0; row < missions_.RecordCount(); ++row) {
        if (missions_.Value(row, field).toLongLong() == keyWordId) {
            missions_.SetCurrentRow(row);
            return true;
        }
    }
    return false;
}

int RankRuns::reloadIfRequested(int nextRow, qint64 done) {
    if (!reloadRequested_)
        return nextRow;
    reloadRequested_ = false;
    host_.LoadMissionList();
    if (!missions_.IsOpen() || missions_.IsEmpty())
        return 0;
    // Go on after the row just written; if it is gone, with the row now at its place.
    const int field = missions_.FieldIndex(u"KeyWordID");
    for (int row = 0; row < missions_.RecordCount(); ++row)
        if (missions_.Value(row, field).toLongLong() == done)
            return row + 1;
    return std::min(nextRow - 1, missions_.RecordCount());
}

void RankRuns::startRunRecord() {
    runPages_.clear();
    if (engine_.runLog)
        engine_.runLog->StartRun();
}

QString RankRuns::endOfRunText(const QString& message) const {
    const QString pagesNotUnderstood = runPages_.notUnderstoodLine();
    return pagesNotUnderstood.isEmpty() ? message : message + u'\n' + pagesNotUnderstood;
}

bool RankRuns::CheckRow(const RowKeys& row) {
    // The run writes the row it checks, whatever moved the list's current row meanwhile.
    if (!focusRow(row.keyWordId))
        return true;
    missions_.Edit();
    // Every ticked engine's cell shows the pending mark at once; the checks then run as jobs of their own.
    const int pageRange = std::clamp(engine_.PageRangeSource(), 1, 10);
    const QByteArray keywordGbk = ToGbk(row.keyword);
    std::vector<EngineCheckRequest> requests;
    for (QStringView engine : kRunOrder) {
        if (!host_.EngineTicked(engine))
            continue;
        if (engine_.StopRequested) {
            missions_.Cancel();
            return false;
        }
        writeCells(engine, kPending, kPending);
        requests.push_back({engine.toString(), keywordGbk, row.url, pageRange});
    }
    const std::vector<EngineCheckOutcome> outcomes =
        RunEngineChecks(requests, engine_.StopRequested, engine_.runLog, SideBySide, MakeBrowser);

    if (!focusRow(row.keyWordId))
        return true;
    if (!missions_.IsEditing())
        missions_.Edit();
    if (engine_.StopRequested) {
        // A stopped row keeps the texts it had: the pending marks are dropped unsaved.
        missions_.Cancel();
        return false;
    }
    // The row is written once, when all its engines are done, in the run order.
    auto outcome = outcomes.begin();
    for (QStringView engine : kRunOrder) {
        if (outcome != outcomes.end() && outcome->engine == engine)
            takeOutcome(engine, *outcome++);
        else
            takeStoredRanks(engine);
    }
    missions_.Post();
    return true;
}

void RankRuns::BatchRun() {
    if (!AnyEngineChosen()) {
        ShowInfoMsg(QStringLiteral("请至少选择一个搜索引擎!"));
        return;
    }
    host_.SetStartControlsEnabled(false);
    running_ = true;
    startRunRecord();
    QString error;
    bool empty = true;
    try {
        host_.LoadMissionList();
        empty = !missions_.IsOpen() || missions_.IsEmpty();
        if (!empty) {
            missions_.SetCurrentRow(0);
            host_.SetGridEnabled(false);
        }
        int row = 0;
        while (row < missions_.RecordCount()) {
            missions_.SetCurrentRow(row);
            host_.SetBusyCursor(true);
            if (engine_.StopRequested)
                break;
            const RowKeys keys = readCurrentRow();
            stampUpdateTime();
            engine_.ResetCounters();
            if (!CheckRow(keys))
                break;
            if (!WriteHistoryRow(keys.keyword, keys.url, keys.webId, keys.keyWordId)) {
                // A lost history row is a failure, never a success.
                error = QStringLiteral("排名历史记录未能保存：") + PlainWords(database_.LastFailure());
                break;
            }
            host_.RowChecked(row);
            QCoreApplication::processEvents();
            QThread::msleep(5);
            row = reloadIfRequested(row + 1, keys.keyWordId);
        }
    } catch (const std::exception& e) {
        error = UserTextOf(e);
    }
    running_ = false;
    reloadRequested_ = false; // every ending below reloads the list or has just written its last row

    // End steps: they run whatever ended the loop.
    if (!error.isEmpty()) {
        // An error is never reported as success.
        ShowErrorReport(error);
        ClearPendingMarks();
        try {
            host_.LoadMissionList();
        } catch (const std::exception& e) {
            ShowErrorReport(UserTextOf(e));
        }
    } else if (empty) {
        ShowInfoMsg(QStringLiteral("请先添加关键词和链接!"));
    } else if (!engine_.StopRequested) {
        ShowInfoMsg(QStringLiteral("更新排名成功!"));
        host_.ShowBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成批量查询任务")));
    } else {
        host_.ShowBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("批量任务停止")));
        ClearPendingMarks();
        host_.LoadMissionList();
    }
    host_.SetBusyCursor(false);
    host_.SetStopEnabled(true);
    engine_.StopRequested = false;
    host_.SetGridEnabled(true);
    host_.SetStartControlsEnabled(true);
}

void RankRuns::SingleRowUpdate() {
    if (!AnyEngineChosen()) {
        ShowInfoMsg(QStringLiteral("请至少选择一个搜索引擎!"));
        return;
    }
    host_.SetStartControlsEnabled(false);
    host_.SetGridEnabled(false);
    startRunRecord();
    engine_.ResetCounters();
    running_ = true;
    try {
        const RowKeys keys = readCurrentRow();
        host_.SetBusyCursor(true);
        stampUpdateTime();
        const bool stopped = !CheckRow(keys);
        if (!stopped) {
            if (WriteHistoryRow(keys.keyword, keys.url, keys.webId, keys.keyWordId))
                host_.ShowBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成查询任务")));
            else
                ShowErrorReport(QStringLiteral("排名历史记录未能保存：") +
                                PlainWords(database_.LastFailure()));
        }
    } catch (const std::exception& e) {
        ShowErrorReport(UserTextOf(e));
    }
    running_ = false;
    if (reloadRequested_) {
        reloadRequested_ = false;
        try {
            host_.LoadMissionList();
        } catch (const std::exception& e) {
            ShowErrorReport(UserTextOf(e));
        }
    }
    // A stop ends the update as it ends a batch run: the request is cleared and Stop works again.
    engine_.StopRequested = false;
    host_.SetStopEnabled(true);
    host_.SetGridEnabled(true);
    host_.SetBusyCursor(false);
    host_.SetStartControlsEnabled(true);
}

bool RankRuns::WriteHistoryRow(const QString& keyword, const QString& url, qint64 webId, qint64 keyWordId) {
    const QDate today = Today();
    const QString deleteSql = QStringLiteral("Delete From SE_RankHistory Where KeyWordID=") +
                              QString::number(keyWordId) + QStringLiteral(" and WebID=") +
                              QString::number(webId) + QStringLiteral(" and UpdateTime=") + JetDate(today);
    const QStringList values = {
        QuotedStr(keyword),
        QuotedStr(url),
        QString::number(engine_.RankGoogle),
        QString::number(engine_.RankBaidu),
        QString::number(engine_.RankBaidu2),
        QString::number(engine_.RankSogou),
        QString::number(engine_.RankSoso),
        QString::number(engine_.RankYahoo),
        QString::number(engine_.RankYoudao),
        QString::number(engine_.RankBing),
        SqlDate(today),
        QString::number(keyWordId),
        QString::number(webId),
    };
    const QString insertSql =
        QStringLiteral(
            "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,"
            "SosoRank,YahooRank,YoudaoRank,BingRank,UpdateTime,KeyWordID,WebID)Values(") +
        values.join(u',') + u')';
    // One transaction: a crash, a lock or a full disk between the two never loses the day's row.
    return database_.ExecInOneTransaction({deleteSql, insertSql});
}

bool RankRuns::ClearPendingMarks() {
    return database_.ExecSQLInTrans(
        database_.execQuery,
        QStringLiteral(
            "Update SE_KeyWord Set GoogleRank='',BaiduRank='',BaiduRank2='',YahooRank='',SosoRank='',"
            "BingRank='',YoudaoRank='',SogouRank='' Where GoogleRank='稍候' or BaiduRank='稍候' or "
            "BaiduRank2='稍候' or YahooRank='稍候' or SosoRank='稍候' or BingRank='稍候' or "
            "YoudaoRank='稍候' or SogouRank='稍候'"));
}

} // namespace quorvane
