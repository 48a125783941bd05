#pragma once

#include "platform/Messages.h"
#include "runs/RankRuns.h"

#include <QSet>
#include <QString>

#include <functional>

namespace quorvane::bench {

// Swallows every message box of a measured run.
class SilentMessages final : public MessagePresenter {
public:
    int present(MessageKind, const QString&, const QString&) override { return 1; }
};

// The window side of a measured run: the given engines ticked, the mission list read from the database,
// nothing shown.
class TickedEnginesHost final : public RunHost {
public:
    TickedEnginesHost(Database& database, Recordset& missions, QSet<QString> ticked);
    bool engineTicked(QStringView engine) const override;
    void loadMissionList() override;
    void setStartControlsEnabled(bool) override {}
    void setGridEnabled(bool) override {}
    void setStopEnabled(bool) override {}
    void setBusyCursor(bool) override {}
    void showBalloon(const QString&, const QString&) override {}
    void showRunMessage(MessageKind, const QString&) override {}

private:
    Database& database_;
    Recordset& missions_;
    QSet<QString> ticked_;
};

// Keywords 关键词1 ... 关键词N of one site (www.mysite.com, WebID 1), inserted through `exec` a thousand rows
// to a statement.
void AddKeywords(const std::function<void(const QString&)>& exec, int count);

// A list as a user's window holds it: 100 sites www.site1.com ... www.site100.com and `count` switched-on
// keywords 关键词1 ... spread over them, with rank cells as runs leave them (numbers, ">N", "稍候", empty,
// "可能已被搜索引擎限制!") and days through a year.
void AddRankedMissions(const std::function<void(const QString&)>& exec, int count);
// `days` days of history up to today for 关键词1 on www.site2.com (KeyWordID 1, WebID 2).
void AddHistoryDays(const std::function<void(const QString&)>& exec, int days);

// QUORVANE_BENCH_KEYWORDS when it is set to a positive number, else the benchmark's own count.
int KeywordCount(int fallback);

// The CPU time of the whole process so far (every thread), in seconds.
double ProcessCpuSeconds();

} // namespace quorvane::bench
