#include "engine/RankRuns.h"

#include "engine/EngineTable.h"
#include "platform/GbkCodec.h"
#include "store/SharedFunctions.h"
#include "store/SqlText.h"

#include <QCoreApplication>
#include <QThread>

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

bool RankRuns::EngineStep(QStringView engine, const RowKeys& row) {
    const EngineInfo* info = FindEngine(engine);
    const QString column = info->rankColumn.toString();
    const QString column2 = info->rankColumn2.toString(); // Baidu only
    const bool twoCells = !column2.isEmpty();
    int& counter = engine_.Counter(engine);
    int& counter2 = engine_.Counter(engine, twoCells); // Baidu's second counter, else the same one

    auto writeCells = [&](const QString& first, const QString& second) {
        missions_.SetFieldValue(column, first);
        if (twoCells)
            missions_.SetFieldValue(column2, second);
    };

    missions_.Edit();
    if (host_.EngineTicked(engine)) {
        if (engine_.StopRequested) {
            missions_.Cancel();
            return false;
        }
        writeCells(kPending, kPending);
        const RankEngine::CheckResult result = engine_.CheckEngineRank(ToGbk(row.keyword), row.url, engine);
        if (result.completed && engine_.StopRequested) {
            missions_.Cancel(); // the pending mark is dropped unsaved
            return false;
        }
        if (!result.completed || !result.readAnyPage) {
            // No result: a stop after a read page, or not one page could be read (the engine may be
            // refusing us). ">N" would claim the site is absent, which nobody learned.
            writeCells(kRestricted, kRestricted);
            counter = 0;
            counter2 = 0;
        } else if (counter2 >= 1) {
            writeCells(QString::number(counter), QString::number(counter2));
        } else {
            const QString notFound = u'>' + QString::number(NotFoundLimit(*info, engine_.PageCount));
            writeCells(notFound, notFound);
        }
    } else {
        counter = storedRank(missions_.FieldByName(column));
        if (twoCells)
            counter2 = storedRank(missions_.FieldByName(column2));
    }
    missions_.Post();
    return true;
}

bool RankRuns::CheckRow(const RowKeys& row) {
    for (QStringView engine : kRunOrder)
        if (!EngineStep(engine, row))
            return false;
    return true;
}

void RankRuns::BatchRun() {
    if (!AnyEngineChosen()) {
        ShowInfoMsg(QStringLiteral("请至少选择一个搜索引擎!"));
        return;
    }
    host_.SetStartControlsEnabled(false);
    QString error;
    bool empty = true;
    try {
        host_.LoadMissionList();
        empty = !missions_.IsOpen() || missions_.IsEmpty();
        if (!empty) {
            missions_.SetCurrentRow(0);
            host_.SetGridEnabled(false);
        }
        for (int row = 0; row < missions_.RecordCount(); ++row) {
            missions_.SetCurrentRow(row);
            host_.SetBusyCursor(true);
            if (engine_.StopRequested)
                break;
            const RowKeys keys = readCurrentRow();
            stampUpdateTime();
            engine_.ResetCounters();
            if (!CheckRow(keys))
                break;
            WriteHistoryRow(keys.keyword, keys.url, keys.webId, keys.keyWordId);
            host_.RowChecked(row);
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }

    // End steps: they run whatever ended the loop.
    if (!error.isEmpty()) {
        // An error is never reported as success.
        ShowErrorReport(error);
        ClearPendingMarks();
        try {
            host_.LoadMissionList();
        } catch (const std::exception& e) {
            ShowErrorReport(QString::fromUtf8(e.what()));
        }
    } else if (empty) {
        ShowInfoMsg(QStringLiteral("请先添加关键词和链接!"));
    } else if (!engine_.StopRequested) {
        ShowInfoMsg(QStringLiteral("更新排名成功!"));
        host_.ShowBalloon(QStringLiteral("提示"), QStringLiteral("完成批量查询任务"));
    } else {
        host_.ShowBalloon(QStringLiteral("提示"), QStringLiteral("批量任务停止"));
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
    engine_.ResetCounters();
    bool stopped = false;
    try {
        const RowKeys keys = readCurrentRow();
        host_.SetBusyCursor(true);
        stampUpdateTime();
        stopped = !CheckRow(keys);
        if (!stopped) {
            WriteHistoryRow(keys.keyword, keys.url, keys.webId, keys.keyWordId);
            host_.ShowBalloon(QStringLiteral("提示"), QStringLiteral("完成查询任务"));
        }
    } catch (const std::exception& e) {
        ShowErrorReport(QString::fromUtf8(e.what()));
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
    if (!database_.ExecSQLInTrans(database_.execQuery, deleteSql))
        return false;
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
    return database_.ExecSQLInTrans(
        database_.execQuery,
        QStringLiteral(
            "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,"
            "SosoRank,YahooRank,YoudaoRank,BingRank,UpdateTime,KeyWordID,WebID)Values(") +
            values.join(u',') + u')');
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
