#include "runs/RankRuns.h"

#include "engine/EngineTable.h"
#include "engine/NetworkSetup.h"
#include "platform/Messages.h"
#include "runs/EngineChecks.h"
#include "runs/RunLog.h"
#include "store/DbError.h"
#include "store/SqlText.h"

#include <algorithm>
#include <exception>

namespace quorvane {

namespace {

const QString kPending = QString::fromUtf16(kPendingMark);
const QString kRestricted = QString::fromUtf16(kRestrictedText);
const QString kNotUnderstood = QString::fromUtf16(kNotUnderstoodText);

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

bool RankRuns::anyEngineChosen() const {
    for (const EngineInfo& info : engines())
        if (host_.engineTicked(info.name))
            return true;
    return false;
}

RankRuns::RowKeys RankRuns::readCurrentRow() const {
    RowKeys keys;
    keys.keyword = missions_.fieldText(QStringLiteral("KeyWordName"));
    keys.url = missions_.fieldText(QStringLiteral("UrlName"));
    // A list without the rule's field (read from a file the upgrade has not reached) compares addresses.
    if (missions_.fieldIndex(u"MatchRule") >= 0)
        keys.rule = siteMatchOfStored(missions_.fieldByName(QStringLiteral("MatchRule")));
    keys.keyWordId = missions_.fieldByName(QStringLiteral("KeyWordID")).toLongLong();
    keys.webId = missions_.fieldByName(QStringLiteral("WebID")).toLongLong();
    return keys;
}

void RankRuns::stampUpdateTime() {
    missions_.edit();
    missions_.setFieldValue(QStringLiteral("UpdateTime"), dateText(today()));
    missions_.post();
}

void RankRuns::writeCells(QStringView engine, const QString& first, const QString& second) {
    const EngineInfo* info = findEngine(engine);
    missions_.setFieldValue(info->rankColumn.toString(), first);
    if (!info->rankColumn2.isEmpty())
        missions_.setFieldValue(info->rankColumn2.toString(), second);
}

void RankRuns::takeOutcome(QStringView engine, const EngineCheckOutcome& outcome) {
    const EngineInfo* info = findEngine(engine);
    const bool twoCells = !info->rankColumn2.isEmpty();
    int& counter = engine_.counter(engine);
    int& counter2 = engine_.counter(engine, twoCells); // Baidu's second counter, else the same one
    counter = outcome.rank;
    counter2 = twoCells ? outcome.rank2 : outcome.rank;
    runPages_.add(engine, outcome.result.pages);
    if (outcome.noProxyLeft) {
        ++checksWithoutProxy_;
        if (!enginesWithoutProxy_.contains(engine))
            enginesWithoutProxy_ << engine.toString();
    }
    if (!outcome.result.completed || !outcome.result.readAnyPage || outcome.result.blocked) {
        // No result: not one page could be read (the engine may be refusing us), the engine answered with a
        // verification page, or every page that came was one the markers do not understand. ">N" would
        // claim the site is absent, which nobody learned.
        const PageCounts& pages = outcome.result.pages;
        const bool notUnderstood =
            outcome.result.completed && !outcome.result.blocked && pages.read == 0 && pages.notUnderstood > 0;
        const QString& text = notUnderstood ? kNotUnderstood : kRestricted;
        writeCells(engine, text, text);
        counter = 0;
        counter2 = 0;
        unreadEngines_.push_back(info);
    } else if (counter2 >= 1) {
        writeCells(engine, QString::number(counter), QString::number(counter2));
    } else {
        const QString notFound = u'>' + QString::number(notFoundLimit(*info, outcome.pageCount));
        writeCells(engine, notFound, notFound);
    }
}

void RankRuns::takeStoredRanks(QStringView engine) {
    const EngineInfo* info = findEngine(engine);
    engine_.counter(engine) = storedRank(missions_.fieldByName(info->rankColumn.toString()));
    if (!info->rankColumn2.isEmpty())
        engine_.counter(engine, true) = storedRank(missions_.fieldByName(info->rankColumn2.toString()));
}

bool RankRuns::focusRow(qint64 keyWordId) {
    if (missions_.currentRow() >= 0 &&
        missions_.fieldByName(QStringLiteral("KeyWordID")).toLongLong() == keyWordId)
        return true;
    const int field = missions_.fieldIndex(u"KeyWordID");
    for (int row = 0; row < missions_.recordCount(); ++row) {
        if (missions_.value(row, field).toLongLong() == keyWordId) {
            missions_.setCurrentRow(row);
            return true;
        }
    }
    return false;
}

int RankRuns::reloadIfRequested(int nextRow, qint64 done) {
    if (!reloadRequested_)
        return nextRow;
    reloadRequested_ = false;
    host_.loadMissionList();
    if (!missions_.isOpen() || missions_.isEmpty())
        return 0;
    // Go on after the row just written; if it is gone, with the row now at its place.
    const int field = missions_.fieldIndex(u"KeyWordID");
    for (int row = 0; row < missions_.recordCount(); ++row)
        if (missions_.value(row, field).toLongLong() == done)
            return row + 1;
    return std::min(nextRow - 1, missions_.recordCount());
}

void RankRuns::startRunRecord() {
    runPages_.clear();
    proxiesSetAside_.clear();
    checksWithoutProxy_ = 0;
    enginesWithoutProxy_.clear();
    if (engine_.runLog)
        engine_.runLog->startRun();
}

bool RankRuns::nothingAnswered() const {
    const PageCounts pages = runPages_.total();
    return pages.asked() > 0 && pages.answered() == 0;
}

bool RankRuns::nothingUnderstood() const {
    const PageCounts pages = runPages_.total();
    return pages.notUnderstood > 0 && pages.read == 0;
}

QString RankRuns::proxiesLine() const {
    if (proxiesSetAside_.empty())
        return {};
    QString line = QStringLiteral("%1 个代理失效, 本次不再使用, 见 Logs").arg(proxiesSetAside_.size());
    if (checksWithoutProxy_ > 0)
        line += QStringLiteral("; %1 没有可用的代理, %2 项查询未进行")
                    .arg(enginesWithoutProxy_.join(QStringLiteral(", ")))
                    .arg(checksWithoutProxy_);
    return line;
}

QString RankRuns::endOfRunText(const QString& message) const {
    QStringList lines{message};
    for (const QString& line : {runPages_.blockedLine(), runPages_.notUnderstoodLine(), proxiesLine()})
        if (!line.isEmpty())
            lines << line;
    return lines.join(u'\n');
}

std::vector<RankRuns::RowKeys> RankRuns::takeRows(int first, int count) {
    std::vector<RowKeys> rows;
    for (int row = first; row < missions_.recordCount() && static_cast<int>(rows.size()) < count; ++row) {
        missions_.setCurrentRow(row);
        rows.push_back(readCurrentRow());
        stampUpdateTime();
    }
    if (!rows.empty())
        missions_.setCurrentRow(first);
    return rows;
}

std::vector<std::vector<EngineCheckOutcome>> RankRuns::checkRows(const std::vector<RowKeys>& rows) {
    const int pageRange = std::clamp(engine_.pageRangeSource(), 1, 10);
    std::vector<EngineCheckRequest> requests;
    std::vector<size_t> rowOfRequest;
    // The first row is the list's current one: its ticked engines' cells show the pending mark at once.
    const bool marks = focusRow(rows.front().keyWordId);
    if (marks)
        missions_.edit();
    for (size_t r = 0; r < rows.size(); ++r) {
        for (const EngineInfo* entry : runOrder()) {
            const QStringView engine = entry->name;
            if (!host_.engineTicked(engine))
                continue;
            if (engine_.stopRequested) {
                if (marks)
                    missions_.cancel();
                return {};
            }
            if (r == 0 && marks)
                writeCells(engine, kPending, kPending);
            requests.push_back(
                {engine.toString(), rows[r].keyword, SiteTarget(rows[r].url, rows[r].rule), pageRange});
            rowOfRequest.push_back(r);
        }
    }
    std::vector<EngineCheckOutcome> outcomes = workers_->check(requests, sideBySide);
    proxiesSetAside_ = workers_->setAside();
    if (engine_.stopRequested) {
        // A stopped row keeps the texts it had: the pending marks are dropped unsaved.
        if (focusRow(rows.front().keyWordId) && missions_.isEditing())
            missions_.cancel();
        return {};
    }
    std::vector<std::vector<EngineCheckOutcome>> byRow(rows.size());
    for (size_t i = 0; i < outcomes.size(); ++i)
        byRow[rowOfRequest[i]].push_back(std::move(outcomes[i]));
    return byRow;
}

bool RankRuns::applyOutcomes(const RowKeys& row, const std::vector<EngineCheckOutcome>& outcomes) {
    // The run writes the row it checked, whatever moved the list's current row meanwhile.
    unreadEngines_.clear();
    engine_.resetCounters();
    if (!focusRow(row.keyWordId))
        return false;
    if (!missions_.isEditing())
        missions_.edit();
    // The row is written once, when all its engines are done, in the run order.
    auto outcome = outcomes.begin();
    for (const EngineInfo* entry : runOrder()) {
        const QStringView engine = entry->name;
        if (outcome != outcomes.end() && outcome->engine == engine)
            takeOutcome(engine, *outcome++);
        else
            takeStoredRanks(engine);
    }
    return true;
}

void RankRuns::keepTodaysHistoryOfUnreadEngines(const RowKeys& row) {
    if (unreadEngines_.empty())
        return;
    QStringList columns;
    for (const EngineInfo* info : unreadEngines_) {
        columns << info->rankColumn.toString();
        if (!info->rankColumn2.isEmpty())
            columns << info->rankColumn2.toString();
    }
    Recordset stored;
    database_.openQuery(stored, QStringLiteral("Select ") + columns.join(u',') +
                                    QStringLiteral(" From SE_RankHistory Where ") +
                                    historyRowOf(row.webId, row.keyWordId, today()));
    if (stored.isEmpty())
        return; // the day had no row yet: 0 it is
    stored.setCurrentRow(0);
    for (const EngineInfo* info : unreadEngines_) {
        engine_.counter(info->name) = stored.fieldByName(info->rankColumn.toString()).toInt();
        if (!info->rankColumn2.isEmpty())
            engine_.counter(info->name, true) = stored.fieldByName(info->rankColumn2.toString()).toInt();
    }
}

QString RankRuns::historyRowOf(qint64 webId, qint64 keyWordId, const QDate& day) {
    return QStringLiteral("KeyWordID=") + QString::number(keyWordId) + QStringLiteral(" and WebID=") +
           QString::number(webId) + QStringLiteral(" and UpdateTime=") + sqlDate(day);
}

bool RankRuns::saveCheckedRow(const RowKeys& row) {
    keepTodaysHistoryOfUnreadEngines(row);
    const QStringList history = historyRowStatements(row.keyword, row.url, row.webId, row.keyWordId);
    // A kill, a lock or a full disk between the cells and the history row never leaves one without the
    // other.
    return database_.inOneTransaction([&] {
        if (missions_.isEditing())
            missions_.post();
        database_.execStatements(history);
    });
}

QString RankRuns::saveFailureText() const {
    return QStringLiteral("排名未能保存：") + plainWords(database_.lastFailure());
}

RunEnd RankRuns::runBatch() {
    if (!anyEngineChosen()) {
        showInfoMsg(QStringLiteral("请至少选择一个搜索引擎!"));
        return RunEnd::NotStarted;
    }
    host_.setStartControlsEnabled(false);
    running_ = true;
    startRunRecord();
    workers_ = std::make_unique<EngineWorkerPool>(engine_.stopRequested, engine_.runLog, makeBrowser,
                                                  configuredProxyPool());
    QString error;
    bool empty = true;
    try {
        host_.loadMissionList();
        empty = !missions_.isOpen() || missions_.isEmpty();
        if (!empty) {
            missions_.setCurrentRow(0);
            host_.setGridEnabled(false);
        }
        int row = 0;
        while (row < missions_.recordCount()) {
            missions_.setCurrentRow(row);
            host_.setBusyCursor(true);
            if (engine_.stopRequested)
                break;
            const std::vector<RowKeys> rows = takeRows(row, workers_->workersPerEngine());
            const std::vector<std::vector<EngineCheckOutcome>> outcomes = checkRows(rows);
            if (outcomes.empty())
                break; // stopped
            for (size_t r = 0; r < rows.size() && error.isEmpty(); ++r) {
                if (!applyOutcomes(rows[r], outcomes[r]))
                    continue; // gone from the list meanwhile
                if (!saveCheckedRow(rows[r])) {
                    // A row not saved is a failure, never a success.
                    error = saveFailureText();
                    break;
                }
                host_.rowChecked(missions_.currentRow());
            }
            if (!error.isEmpty())
                break;
            row = reloadIfRequested(row + static_cast<int>(rows.size()), rows.back().keyWordId);
        }
    } catch (const std::exception& e) {
        error = userTextOf(e);
    }
    running_ = false;
    workers_.reset();         // the engines' browsers end with the run
    reloadRequested_ = false; // every ending below reloads the list or has just written its last row

    // End steps: they run whatever ended the loop.
    RunEnd end = !error.isEmpty()                  ? RunEnd::Failed
                 : empty || !engine_.stopRequested ? RunEnd::Completed
                                                   : RunEnd::Stopped;
    if (end == RunEnd::Completed && !empty && nothingAnswered())
        end = RunEnd::NothingRead;
    else if (end == RunEnd::Completed && checksWithoutProxy_ > 0)
        end = RunEnd::NotAllChecked;
    else if (end == RunEnd::Completed && !empty && nothingUnderstood())
        end = RunEnd::NothingUnderstood;
    if (!error.isEmpty()) {
        // An error is never reported as success.
        showErrorReport(error);
        clearPendingMarks();
        try {
            host_.loadMissionList();
        } catch (const std::exception& e) {
            showErrorReport(userTextOf(e));
        }
    } else if (empty) {
        showInfoMsg(QStringLiteral("请先添加关键词和链接!"));
    } else if (end == RunEnd::NothingRead) {
        // The cells say so; a run that learned nothing is never reported as a success.
        showErrorMsg(QStringLiteral("没有读到任何结果页, 请检查网络和代理设置!"));
        host_.showBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成批量查询任务")));
    } else if (end == RunEnd::NotAllChecked) {
        // Keywords whose pages never loaded were not checked: never a success.
        showErrorMsg(QStringLiteral("部分关键词未能查询: ") + proxiesLine());
        host_.showBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成批量查询任务")));
    } else if (end == RunEnd::NothingUnderstood) {
        // Pages came, but none of them could be read: no rank was learned, which is no success either.
        showErrorMsg(
            QStringLiteral("所有结果页都无法识别, 搜索引擎可能已改版, 请查看 Logs 并更新 Engines.ini!"));
        host_.showBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成批量查询任务")));
    } else if (!engine_.stopRequested) {
        showInfoMsg(QStringLiteral("更新排名成功!"));
        host_.showBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成批量查询任务")));
    } else {
        host_.showBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("批量任务停止")));
        clearPendingMarks();
        host_.loadMissionList();
    }
    host_.setBusyCursor(false);
    host_.setStopEnabled(true);
    engine_.stopRequested = false;
    host_.setGridEnabled(true);
    host_.setStartControlsEnabled(true);
    return end;
}

RunEnd RankRuns::updateSingleRow() {
    if (!anyEngineChosen()) {
        showInfoMsg(QStringLiteral("请至少选择一个搜索引擎!"));
        return RunEnd::NotStarted;
    }
    host_.setStartControlsEnabled(false);
    host_.setGridEnabled(false);
    startRunRecord();
    engine_.resetCounters();
    running_ = true;
    workers_ = std::make_unique<EngineWorkerPool>(engine_.stopRequested, engine_.runLog, makeBrowser,
                                                  configuredProxyPool());
    RunEnd end = RunEnd::Completed;
    try {
        const RowKeys keys = readCurrentRow();
        host_.setBusyCursor(true);
        stampUpdateTime();
        const std::vector<std::vector<EngineCheckOutcome>> outcomes = checkRows({keys});
        if (outcomes.empty()) {
            end = RunEnd::Stopped;
        } else if (!applyOutcomes(keys, outcomes.front())) {
            // The row left the list during its check: nothing to write.
        } else if (saveCheckedRow(keys)) {
            host_.showBalloon(QStringLiteral("提示"), endOfRunText(QStringLiteral("完成查询任务")));
        } else {
            end = RunEnd::Failed;
            showErrorReport(saveFailureText());
            // The grid shows what is stored, not the checked texts that were rolled back.
            reloadRequested_ = true;
        }
    } catch (const std::exception& e) {
        end = RunEnd::Failed;
        showErrorReport(userTextOf(e));
    }
    running_ = false;
    workers_.reset();
    if (end == RunEnd::Completed && checksWithoutProxy_ > 0)
        end = RunEnd::NotAllChecked;
    if (reloadRequested_) {
        reloadRequested_ = false;
        try {
            host_.loadMissionList();
        } catch (const std::exception& e) {
            showErrorReport(userTextOf(e));
        }
    }
    // A stop ends the update as it ends a batch run: the request is cleared and Stop works again.
    engine_.stopRequested = false;
    host_.setStopEnabled(true);
    host_.setGridEnabled(true);
    host_.setBusyCursor(false);
    host_.setStartControlsEnabled(true);
    return end;
}

bool RankRuns::writeHistoryRow(const QString& keyword, const QString& url, qint64 webId, qint64 keyWordId) {
    // One transaction: a crash, a lock or a full disk between the two never loses the day's row.
    return database_.execAllInOneTransaction(historyRowStatements(keyword, url, webId, keyWordId));
}

QStringList RankRuns::historyRowStatements(const QString& keyword, const QString& url, qint64 webId,
                                           qint64 keyWordId) const {
    const QDate day = today();
    const QString deleteSql =
        QStringLiteral("Delete From SE_RankHistory Where ") + historyRowOf(webId, keyWordId, day);
    const QStringList values = {
        quotedStr(keyword),
        quotedStr(url),
        QString::number(engine_.rankGoogle),
        QString::number(engine_.rankBaidu),
        QString::number(engine_.rankBaidu2),
        QString::number(engine_.rankSogou),
        QString::number(engine_.rankSoso),
        QString::number(engine_.rankYahoo),
        QString::number(engine_.rankYoudao),
        QString::number(engine_.rankBing),
        sqlDate(day),
        QString::number(keyWordId),
        QString::number(webId),
    };
    const QString insertSql =
        QStringLiteral(
            "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,"
            "SosoRank,YahooRank,YoudaoRank,BingRank,UpdateTime,KeyWordID,WebID)Values(") +
        values.join(u',') + u')';
    return {deleteSql, insertSql};
}

bool RankRuns::clearPendingMarks() {
    return database_.execInTransaction(
        database_.execQuery,
        QStringLiteral(
            "Update SE_KeyWord Set GoogleRank='',BaiduRank='',BaiduRank2='',YahooRank='',SosoRank='',"
            "BingRank='',YoudaoRank='',SogouRank='' Where GoogleRank='稍候' or BaiduRank='稍候' or "
            "BaiduRank2='稍候' or YahooRank='稍候' or SosoRank='稍候' or BingRank='稍候' or "
            "YoudaoRank='稍候' or SogouRank='稍候'"));
}

} // namespace quorvane
