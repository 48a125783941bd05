#include "runs/RankRuns.h"

#include "engine/EngineTable.h"
#include "engine/NetworkSetup.h"
#include "runs/EngineChecks.h"
#include "runs/RunLog.h"
#include "store/DbError.h"
#include "store/SqlText.h"

#include <algorithm>
#include <exception>

namespace quorvane {

namespace {

const QString kKeyField = QStringLiteral("KeyWordID");
const QString kUpdateTimeField = QStringLiteral("UpdateTime");

// The place of a rank column among rankColumns(); -1 for none.
int rankColumnIndex(const QStringList& columns, QStringView column) {
    return column.isEmpty() ? -1 : static_cast<int>(columns.indexOf(column.toString()));
}

} // namespace

std::vector<MissionRow> missionRowsOf(const Recordset& missions, int onlyRow) {
    std::vector<MissionRow> rows;
    if (!missions.isOpen() || missions.isEmpty())
        return rows;
    const int begin = onlyRow >= 0 ? onlyRow : 0;
    const int end = onlyRow >= 0 ? std::min(onlyRow + 1, missions.recordCount()) : missions.recordCount();
    const int id = missions.fieldIndex(u"KeyWordID");
    const int web = missions.fieldIndex(u"WebID");
    const int keyword = missions.fieldIndex(u"KeyWordName");
    const int url = missions.fieldIndex(u"UrlName");
    // A list without the rule's field (read from a file the upgrade has not reached) compares addresses.
    const int rule = missions.fieldIndex(u"MatchRule");
    std::vector<int> cells;
    for (const QString& column : rankColumns())
        cells.push_back(missions.fieldIndex(column));
    rows.reserve(static_cast<size_t>(std::max(0, end - begin)));
    for (int r = begin; r < end; ++r) {
        MissionRow row;
        row.keyWordId = missions.value(r, id).toLongLong();
        row.webId = missions.value(r, web).toLongLong();
        row.keyword = missions.text(r, keyword);
        row.url = missions.text(r, url);
        if (rule >= 0)
            row.rule = siteMatchOfStored(missions.value(r, rule));
        row.cells.reserve(cells.size());
        for (const int field : cells)
            row.cells.push_back(field >= 0 ? missions.text(r, field) : QString());
        rows.push_back(std::move(row));
    }
    return rows;
}

bool RowResult::anyFinished() const {
    return std::any_of(engines.begin(), engines.end(),
                       [](const auto& outcome) { return outcome.has_value(); });
}

// The texts of the run's statements; the connection prepares each once and the run binds every row's
// values to them.
struct RankRuns::Statements {
    Statements()
        : columns(rankColumns())
        , deleteHistory(
              QStringLiteral("Delete From SE_RankHistory Where KeyWordID=? and WebID=? and UpdateTime=?"))
        , insertHistory(QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,") +
                        columns.join(u',') + QStringLiteral(",UpdateTime,KeyWordID,WebID)Values(") +
                        QStringList(columns.size() + 5, QStringLiteral("?")).join(u',') + u')')
        , readHistory(QStringLiteral("Select ") + columns.join(u',') +
                      QStringLiteral(" From SE_RankHistory Where KeyWordID=? and WebID=? and UpdateTime=?")) {
    }

    // The statement that writes these cells and the update time of a row.
    static QString updateCells(const QStringList& cells) {
        return QStringLiteral("Update SE_KeyWord Set ") + cells.join(QStringLiteral("=?,")) +
               QStringLiteral("=? Where KeyWordID=?");
    }

    const QStringList columns;
    const QString deleteHistory;
    const QString insertHistory;
    const QString readHistory;
};

RankRuns::RankRuns(Database& database, Recordset& missions, RankEngine& engine, RunHost& host)
    : database_(database)
    , missions_(missions)
    , engine_(engine)
    , host_(host) {}

RankRuns::~RankRuns() = default;

RankRuns::Statements& RankRuns::statements() {
    if (!statements_)
        statements_ = std::make_unique<Statements>();
    return *statements_;
}

bool RankRuns::anyEngineChosen() const {
    return !tickedEngines().empty();
}

std::vector<const EngineInfo*> RankRuns::tickedEngines() const {
    std::vector<const EngineInfo*> ticked;
    for (const EngineInfo* engine : runOrder())
        if (host_.engineTicked(engine->name))
            ticked.push_back(engine);
    return ticked;
}

void RankRuns::indexRows() {
    rowOfKey_.clear();
    const int field = missions_.fieldIndex(kKeyField);
    if (!missions_.isOpen() || field < 0)
        return;
    rowOfKey_.reserve(missions_.recordCount());
    for (int row = 0; row < missions_.recordCount(); ++row)
        rowOfKey_.insert(missions_.value(row, field).toLongLong(), row);
}

int RankRuns::rowOf(qint64 keyWordId) {
    const int field = missions_.fieldIndex(kKeyField);
    if (!missions_.isOpen() || field < 0)
        return -1;
    const auto matches = [&](int row) {
        return row >= 0 && row < missions_.recordCount() &&
               missions_.value(row, field).toLongLong() == keyWordId;
    };
    int row = rowOfKey_.value(keyWordId, -1);
    if (matches(row))
        return row;
    // The list was reloaded or sorted since: index it again.
    indexRows();
    row = rowOfKey_.value(keyWordId, -1);
    return matches(row) ? row : -1;
}

void RankRuns::showValue(qint64 keyWordId, QStringView field, const QVariant& value) {
    const int row = rowOf(keyWordId);
    if (row >= 0 && missions_.fieldIndex(field) >= 0)
        missions_.showValue(row, field, value);
}

bool RankRuns::showCells(qint64 keyWordId, const EngineInfo& engine, const RankCellTexts& texts) {
    if (rowOf(keyWordId) < 0)
        return false;
    showValue(keyWordId, engine.rankColumn, texts.first);
    if (engine.hasSecondRank())
        showValue(keyWordId, engine.rankColumn2, texts.second);
    return true;
}

size_t RankRuns::reloadIfRequested(std::vector<MissionRow>& rows, size_t next, qint64 done) {
    if (!reloadRequested_)
        return next;
    reloadRequested_ = false;
    host_.loadMissionList();
    rows = missionRowsOf(missions_);
    indexRows();
    // Go on after the row just written; if it is gone, with the row now at its place.
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r].keyWordId == done)
            return r + 1;
    return std::min(next - 1, rows.size());
}

void RankRuns::startRunRecord() {
    runPages_.clear();
    proxiesSetAside_.clear();
    checksWithoutProxy_ = 0;
    enginesWithoutProxy_.clear();
    if (engine_.runLog)
        engine_.runLog->startRun();
}

void RankRuns::countOutcome(const EngineCheckOutcome& outcome) {
    const QString name = outcome.engine->name.toString();
    runPages_.add(name, outcome.result.pages);
    if (outcome.noProxyLeft) {
        ++checksWithoutProxy_;
        if (!enginesWithoutProxy_.contains(name))
            enginesWithoutProxy_ << name;
    }
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

QString RankRuns::saveFailureText() const {
    return QStringLiteral("排名未能保存：") + plainWords(database_.lastFailure());
}

std::vector<int> RankRuns::historyRanks(const MissionRow& row, const RowResult& result) {
    const QStringList columns = rankColumns();
    std::vector<int> ranks(static_cast<size_t>(columns.size()), 0);
    std::optional<RecordTable> todays; // the day's stored history row, read when an engine needs it
    const auto span = engines();
    for (size_t e = 0; e < span.size(); ++e) {
        const EngineInfo& engine = span[e];
        const int first = rankColumnIndex(columns, engine.rankColumn);
        const int second = rankColumnIndex(columns, engine.rankColumn2);
        const auto set = [&](int column, int rank) {
            if (column >= 0)
                ranks[static_cast<size_t>(column)] = rank;
        };
        const std::optional<EngineCheckOutcome>& outcome = result.engines[e];
        if (!outcome) {
            // Not checked: the rank its cell shows.
            for (const int column : {first, second})
                if (column >= 0 && static_cast<size_t>(column) < row.cells.size())
                    set(column, storedRank(row.cells[static_cast<size_t>(column)]));
            continue;
        }
        if (const std::optional<HistoryRanks> learned = historyRanksOf(*outcome)) {
            set(first, learned->first);
            set(second, learned->second);
            continue;
        }
        // The check learned nothing: the day's history keeps what an earlier check of the day found.
        if (!todays) {
            QStringList fields;
            todays.emplace(database_.readRows(statements().readHistory,
                                              {row.keyWordId, row.webId, dateText(today())}, fields));
        }
        if (todays->rowCount() == 0)
            continue; // the day had no row yet: 0 it is
        for (const int column : {first, second})
            if (column >= 0)
                set(column, todays->value(0, column).toInt());
    }
    return ranks;
}

bool RankRuns::writeHistoryRow(const MissionRow& row, const std::vector<int>& ranks) {
    const bool transient = !statements_;
    // One transaction: a crash, a lock or a full disk between the two never loses the day's row.
    const bool ok = database_.inOneTransaction([&] {
        Statements& s = statements();
        const QString day = dateText(today());
        database_.exec(s.deleteHistory, {row.keyWordId, row.webId, day});
        QVariantList values{row.keyword, row.url};
        for (const int rank : ranks)
            values << rank;
        values << day << row.keyWordId << row.webId;
        database_.exec(s.insertHistory, values);
    });
    if (transient && !running_)
        statements_.reset();
    return ok;
}

void RankRuns::writeRow(const QStringList& cells, const QVariantList& values, const std::vector<int>* ranks,
                        const MissionRow& row, const QString& day) {
    Statements& s = statements();
    database_.exec(Statements::updateCells(cells), values);
    if (!ranks)
        return;
    database_.exec(s.deleteHistory, {row.keyWordId, row.webId, day});
    QVariantList history{row.keyword, row.url};
    for (const int rank : *ranks)
        history << rank;
    history << day << row.keyWordId << row.webId;
    database_.exec(s.insertHistory, history);
}

bool RankRuns::saveRow(const MissionRow& row, const RowResult& result, bool whole) {
    // A row none of whose checks finished keeps its cells and its date: nothing was learned of it.
    if (!result.anyFinished())
        return true;
    QStringList cells;
    QVariantList values;
    std::vector<std::pair<const EngineInfo*, RankCellTexts>> shown;
    const auto span = engines();
    for (size_t e = 0; e < span.size(); ++e) {
        if (!result.engines[e])
            continue;
        const RankCellTexts texts = rankCellTexts(*result.engines[e]);
        cells << span[e].rankColumn.toString();
        values << texts.first;
        if (span[e].hasSecondRank()) {
            cells << span[e].rankColumn2.toString();
            values << texts.second;
        }
        shown.emplace_back(&span[e], texts);
    }
    const QString day = dateText(today());
    cells << kUpdateTimeField;
    values << day << row.keyWordId;
    // The history row of a row whose checks all ended; a row a stop cut short has none for the day.
    const std::vector<int> ranks = whole ? historyRanks(row, result) : std::vector<int>();
    // A kill, a lock or a full disk between the cells, the date and the history row never leaves one
    // without the others.
    saveError_.clear();
    const bool saved = database_.inOneTransaction([&] {
        try {
            writeRow(cells, values, whole ? &ranks : nullptr, row, day);
        } catch (const DbError& e) {
            // The database's own words say what refused the row.
            saveError_ = QStringLiteral("排名未能保存：") + userTextOf(e);
            throw;
        }
    });
    if (!saved)
        return false;
    for (const auto& [engine, texts] : shown)
        showCells(row.keyWordId, *engine, texts);
    showValue(row.keyWordId, kUpdateTimeField, day);
    if (whole)
        emit rowSaved(row.keyWordId);
    return true;
}

bool RankRuns::checkAndSave(std::vector<MissionRow> rows, bool batch, QString& error) {
    const size_t perEngine = static_cast<size_t>(workers_->workersPerEngine());
    size_t next = 0;
    while (next < rows.size()) {
        host_.setBusyCursor(true);
        if (engine_.stopRequested)
            return false;
        // As many rows as the engines' workers take at once: one, or one per proxy.
        const std::vector<MissionRow> taken(
            rows.begin() + static_cast<std::ptrdiff_t>(next),
            rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), next + perEngine)));
        const std::vector<const EngineInfo*> ticked = tickedEngines();
        const int pageRange = std::clamp(engine_.pageRangeSource(), 1, 10);
        // The grid's cursor follows the run.
        if (const int first = rowOf(taken.front().keyWordId); first >= 0 && first != missions_.currentRow())
            missions_.setCurrentRow(first);
        std::vector<EngineCheckRequest> requests;
        std::vector<size_t> rowOfRequest;
        for (size_t r = 0; r < taken.size(); ++r) {
            emit rowStarted(taken[r].keyWordId);
            for (const EngineInfo* engine : ticked) {
                // The cells being checked show the pending mark; it is never stored.
                showCells(taken[r].keyWordId, *engine, pendingCellTexts());
                requests.push_back(
                    {engine, taken[r].keyword, SiteTarget(taken[r].url, taken[r].rule), pageRange});
                rowOfRequest.push_back(r);
            }
        }
        const auto ended = [&](size_t request, const EngineCheckOutcome& outcome) {
            if (engine_.stopRequested && !outcome.result.completed)
                return; // cut short by the stop: its cell goes back to what it showed
            const qint64 key = taken[rowOfRequest[request]].keyWordId;
            showCells(key, *outcome.engine, rankCellTexts(outcome));
            emit engineChecked(key, engineIndex(*outcome.engine));
        };
        const std::vector<EngineCheckOutcome> outcomes = workers_->check(requests, sideBySide, ended);
        proxiesSetAside_ = workers_->setAside();
        const bool stopped = engine_.stopRequested;
        std::vector<RowResult> results(taken.size());
        for (RowResult& result : results)
            result.engines.resize(engines().size());
        for (size_t i = 0; i < outcomes.size(); ++i) {
            const EngineCheckOutcome& outcome = outcomes[i];
            const MissionRow& row = taken[rowOfRequest[i]];
            if (stopped && !outcome.result.completed) {
                // Unfinished: the cells show what is stored.
                const QStringList columns = rankColumns();
                const EngineInfo& engine = *requests[i].engine;
                const auto stored = [&](QStringView column) {
                    const int c = rankColumnIndex(columns, column);
                    return c >= 0 && static_cast<size_t>(c) < row.cells.size()
                               ? row.cells[static_cast<size_t>(c)]
                               : QString();
                };
                showCells(row.keyWordId, engine, {stored(engine.rankColumn), stored(engine.rankColumn2)});
                continue;
            }
            countOutcome(outcome);
            results[rowOfRequest[i]].engines[static_cast<size_t>(engineIndex(*outcome.engine))] = outcome;
        }
        for (size_t r = 0; r < taken.size(); ++r) {
            if (rowOf(taken[r].keyWordId) < 0)
                continue; // gone from the list meanwhile
            if (!saveRow(taken[r], results[r], !stopped)) {
                // A row not saved is a failure, never a success.
                error = saveError_.isEmpty() ? saveFailureText() : saveError_;
                return false;
            }
        }
        if (stopped)
            return false;
        next += taken.size();
        if (batch)
            next = reloadIfRequested(rows, next, taken.back().keyWordId);
    }
    return true;
}

RunEnd RankRuns::run(Scope scope) {
    const bool batch = scope == Scope::Batch;
    if (!anyEngineChosen()) {
        host_.showRunMessage(MessageKind::Information, QStringLiteral("请至少选择一个搜索引擎!"));
        emit finished(RunEnd::NotStarted);
        return RunEnd::NotStarted;
    }
    host_.setStartControlsEnabled(false);
    if (!batch)
        host_.setGridEnabled(false);
    running_ = true;
    startRunRecord();
    statements_.reset();
    workers_ = std::make_unique<EngineWorkerPool>(engine_.stopRequested, engine_.runLog, makeBrowser,
                                                  configuredProxyPool());
    QString error;
    bool empty = true;
    bool stopped = false;
    try {
        if (batch)
            host_.loadMissionList();
        // The update takes the grid's current row.
        const int current = missions_.currentRow();
        if (!batch && current < 0)
            throw DbError(QStringLiteral("No current record"));
        std::vector<MissionRow> rows = missionRowsOf(missions_, batch ? -1 : current);
        indexRows();
        empty = rows.empty();
        if (batch && !empty) {
            missions_.setCurrentRow(0);
            host_.setGridEnabled(false);
        }
        stopped = !checkAndSave(std::move(rows), batch, error) && error.isEmpty();
    } catch (const std::exception& e) {
        error = userTextOf(e);
    }
    running_ = false;
    workers_.reset();    // the engines' browsers end with the run
    statements_.reset(); // the connection may be closed after the run

    RunEnd end = !error.isEmpty() ? RunEnd::Failed : stopped ? RunEnd::Stopped : RunEnd::Completed;
    if (end == RunEnd::Completed && batch && !empty && nothingAnswered())
        end = RunEnd::NothingRead;
    else if (end == RunEnd::Completed && checksWithoutProxy_ > 0)
        end = RunEnd::NotAllChecked;
    else if (end == RunEnd::Completed && batch && !empty && nothingUnderstood())
        end = RunEnd::NothingUnderstood;

    const QString balloonTitle = QStringLiteral("提示");
    bool reload = reloadRequested_;
    reloadRequested_ = false;
    if (!error.isEmpty()) {
        // An error is never reported as success; the grid shows what is stored.
        host_.showRunMessage(MessageKind::Report, error);
        if (batch)
            clearPendingMarks();
        reload = true;
    } else if (!batch) {
        if (end != RunEnd::Stopped)
            host_.showBalloon(balloonTitle, endOfRunText(QStringLiteral("完成查询任务")));
    } else if (empty) {
        host_.showRunMessage(MessageKind::Information, QStringLiteral("请先添加关键词和链接!"));
    } else if (end == RunEnd::NothingRead) {
        // The cells say so; a run that learned nothing is never reported as a success.
        host_.showRunMessage(MessageKind::Error, QStringLiteral("没有读到任何结果页, 请检查网络和代理设置!"));
        host_.showBalloon(balloonTitle, endOfRunText(QStringLiteral("完成批量查询任务")));
    } else if (end == RunEnd::NotAllChecked) {
        // Keywords whose pages never loaded were not checked: never a success.
        host_.showRunMessage(MessageKind::Error, QStringLiteral("部分关键词未能查询: ") + proxiesLine());
        host_.showBalloon(balloonTitle, endOfRunText(QStringLiteral("完成批量查询任务")));
    } else if (end == RunEnd::NothingUnderstood) {
        // Pages came, but none of them could be read: no rank was learned, which is no success either.
        host_.showRunMessage(
            MessageKind::Error,
            QStringLiteral("所有结果页都无法识别, 搜索引擎可能已改版, 请查看 Logs 并更新 Engines.ini!"));
        host_.showBalloon(balloonTitle, endOfRunText(QStringLiteral("完成批量查询任务")));
    } else if (end == RunEnd::Completed) {
        host_.showRunMessage(MessageKind::Information, QStringLiteral("更新排名成功!"));
        host_.showBalloon(balloonTitle, endOfRunText(QStringLiteral("完成批量查询任务")));
    } else {
        host_.showBalloon(balloonTitle, endOfRunText(QStringLiteral("批量任务停止")));
        clearPendingMarks();
        reload = true;
    }
    if (reload) {
        try {
            host_.loadMissionList();
        } catch (const std::exception& e) {
            host_.showRunMessage(MessageKind::Report, userTextOf(e));
        }
    }
    // A stop ends the run: the request is cleared and Stop works again.
    host_.setBusyCursor(false);
    host_.setStopEnabled(true);
    engine_.stopRequested = false;
    host_.setGridEnabled(true);
    host_.setStartControlsEnabled(true);
    emit finished(end);
    return end;
}

RunEnd RankRuns::runBatch() {
    return run(Scope::Batch);
}

RunEnd RankRuns::updateSingleRow() {
    return run(Scope::CurrentRow);
}

bool RankRuns::clearPendingMarks() {
    const QStringList columns = rankColumns();
    QStringList empties;
    QStringList marked;
    for (const QString& column : columns) {
        empties << column + QStringLiteral("=''");
        marked << column + QStringLiteral("=?");
    }
    const QString sql = QStringLiteral("Update SE_KeyWord Set ") + empties.join(u',') +
                        QStringLiteral(" Where ") + marked.join(QStringLiteral(" or "));
    const QVariantList marks(columns.size(), QString::fromUtf16(kPendingMark));
    return database_.inOneTransaction([&] { database_.exec(sql, marks); });
}

} // namespace quorvane
