#include "cli/ConsoleRun.h"

#include "engine/EngineTable.h"
#include "platform/Messages.h"
#include "store/MissionList.h"
#include "store/ShardRecord.h"

#include <QElapsedTimer>

namespace quorvane {

// The window side of the run: the engines of the command line are the ticked boxes, the mission list is
// read from the database, there are no controls, and each finished row becomes a line.
class ConsoleRun::Host final : public RunHost {
public:
    Host(ConsoleRun& run, Database& database)
        : run_(run)
        , database_(database) {}

    bool engineTicked(QStringView engine) const override {
        for (const QString& name : run_.options_.engines)
            if (name == engine)
                return true;
        return false;
    }
    void loadMissionList() override {
        openMissionList(database_, run_.missions_, run_.options_.shard.value_or(Shard{}));
    }
    void setStartControlsEnabled(bool) override {}
    void setGridEnabled(bool) override {}
    void setStopEnabled(bool) override {}
    void setBusyCursor(bool) override {}
    void showBalloon(const QString&, const QString&) override {}
    // The messages seam writes to the console in this mode.
    void showRunMessage(MessageKind kind, const QString& text) override { showMessage(kind, text); }
    // The run saved the keyword's row.
    void rowSaved(qint64 keyWordId) {
        ++rowsDone;
        // The keyword is saved: a shard's copy notes it for --merge.
        if (run_.options_.shard) {
            if (!recordShardKeyword(database_, *run_.options_.shard, run_.runs_.today(), keyWordId)) {
                ++notesLost;
                showErrorMsg(QStringLiteral("分片记录未能保存：") + plainWords(database_.lastFailure()));
            }
        }
        const int row = rowOf(keyWordId);
        if (!run_.options_.quiet && row >= 0)
            writeLine(run_.out_, keywordLine(run_.missions_, row, run_.options_.engines));
    }

    int rowsDone = 0;
    // Keywords saved whose note for --merge could not be written: the merge would miss them.
    int notesLost = 0;

private:
    // The list's row of the keyword; the run has just shown its saved cells there.
    int rowOf(qint64 keyWordId) const {
        const Recordset& missions = run_.missions_;
        const int field = missions.fieldIndex(u"KeyWordID");
        // Rows are saved in the list's order: look from the last one found on.
        for (int i = 0; i < missions.recordCount(); ++i) {
            const int row = (lastRow_ + i) % missions.recordCount();
            if (missions.value(row, field).toLongLong() == keyWordId)
                return lastRow_ = row;
        }
        return -1;
    }

    ConsoleRun& run_;
    Database& database_;
    mutable int lastRow_ = 0;
};

ConsoleRun::ConsoleRun(Database& database, const CommandLineOptions& options, ConsoleMessages& messages,
                       std::FILE* out)
    : options_(options)
    , messages_(messages)
    , database_(database)
    , out_(out)
    , host_(std::make_unique<Host>(*this, database))
    , runs_(database, missions_, engine_, *host_) {
    const int pages = options_.pages;
    engine_.pageRangeSource = [pages] { return pages; };
    QObject::connect(&runs_, &RankRuns::rowSaved, &runs_,
                     [this](qint64 keyWordId) { host_->rowSaved(keyWordId); });
}

ConsoleRun::~ConsoleRun() = default;

ConsoleRun::Summary ConsoleRun::run() {
    QElapsedTimer clock;
    clock.start();
    host_->rowsDone = 0;
    host_->notesLost = 0;

    // A shard's copy keeps its record in a table of its own, made before the first keyword is saved.
    const bool recordReady = !options_.shard || ensureShardRecord(database_);
    if (!recordReady)
        messages_.present(MessageKind::Error, QStringLiteral("Error"),
                          QStringLiteral("分片记录未能保存：") + plainWords(database_.lastFailure()));
    const RunEnd end = recordReady ? runs_.runBatch() : RunEnd::Failed;

    Summary summary;
    summary.keywordsDone = host_->rowsDone;
    summary.keywords = missions_.recordCount();
    // The checks run side by side with browsers of their own; the run sums what became of their pages.
    const PageCounts pages = runs_.runPages().total();
    summary.pagesRequested = pages.asked();
    summary.pagesLoaded = pages.answered();
    summary.pagesNotUnderstood = pages.notUnderstood;
    summary.blockedEngines = runs_.runPages().blockedEngines();
    summary.proxiesSetAside = static_cast<int>(runs_.proxiesSetAside().size());
    summary.checksWithoutProxy = runs_.checksWithoutProxy();
    // A message about Endpoints.ini or Engines.ini on the way does not make a completed run a failed one;
    // a run that read not one page (no network, a proxy that refuses us) is one, and the run said why; so are
    // a run that left keywords unchecked (no working proxy left) and a keyword saved but not noted for the
    // merge.
    if (end == RunEnd::Failed || end == RunEnd::NotStarted || end == RunEnd::NothingRead ||
        end == RunEnd::NothingUnderstood || end == RunEnd::NotAllChecked || host_->notesLost > 0)
        summary.outcome = Outcome::Failed;
    else if (end == RunEnd::Stopped)
        summary.outcome = Outcome::Stopped;
    summary.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    writeLine(out_, summaryLine(summary));
    return summary;
}

QString ConsoleRun::summaryLine(const Summary& summary) {
    QString outcome;
    switch (summary.outcome) {
    case Outcome::Completed:
        outcome = QStringLiteral("完成");
        break;
    case Outcome::Stopped:
        outcome = QStringLiteral("已停止");
        break;
    case Outcome::Failed:
        outcome = QStringLiteral("失败");
        break;
    }
    QString line = outcome + QStringLiteral(": %1/%2 个关键词, 读到 %3 页, 未读到 %4 页, 用时 %5 秒")
                                 .arg(summary.keywordsDone)
                                 .arg(summary.keywords)
                                 .arg(summary.pagesLoaded)
                                 .arg(summary.pagesRequested - summary.pagesLoaded)
                                 .arg(summary.seconds, 0, 'f', 1);
    // A page that loaded but that no marker matched is not "not in the first 100": say so.
    if (summary.pagesNotUnderstood > 0)
        line += QStringLiteral(", 其中 %1 页无法识别, 见 Logs").arg(summary.pagesNotUnderstood);
    // An engine that asks us to slow down is named: the user then knows why its cells say restricted.
    if (!summary.blockedEngines.isEmpty())
        line += QStringLiteral(", 返回验证页面: ") + summary.blockedEngines.join(QStringLiteral(", "));
    // Proxies that failed are named in the run log; here they are counted, with the checks they cost.
    if (summary.proxiesSetAside > 0)
        line += QStringLiteral(", 停用代理 %1 个").arg(summary.proxiesSetAside);
    if (summary.checksWithoutProxy > 0)
        line += QStringLiteral(", %1 项查询因无可用代理未进行").arg(summary.checksWithoutProxy);
    return line;
}

QString ConsoleRun::keywordLine(const Recordset& missions, int row, const QStringList& engines) {
    auto field = [&](QStringView name) { return missions.value(row, missions.fieldIndex(name)).toString(); };
    QString line = u'[' + QString::number(row + 1) + u'/' + QString::number(missions.recordCount()) +
                   QStringLiteral("] ") + field(u"KeyWordName") + u' ' + field(u"UrlName");
    for (const EngineInfo* entry : runOrder()) {
        const QStringView engine = entry->name;
        if (!engines.contains(engine.toString()))
            continue;
        const EngineInfo* info = findEngine(engine);
        line += QStringLiteral("  ") + engine.toString() + u' ' + field(info->rankColumn);
        if (!info->rankColumn2.isEmpty())
            line += u'/' + field(info->rankColumn2);
    }
    return line;
}

} // namespace quorvane
