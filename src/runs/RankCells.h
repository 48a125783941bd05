#pragma once

#include "runs/EngineChecks.h"

#include <QString>
#include <QVariant>

#include <optional>

namespace quorvane {

// The rank cell texts that are not numbers.
inline constexpr char16_t kPendingMark[] = u"稍候";
inline constexpr char16_t kRestrictedText[] = u"可能已被搜索引擎限制!";
// Every page the engine's check read came without result items the markers know (a changed layout, a
// verification page): the check learned nothing, and says why.
inline constexpr char16_t kNotUnderstoodText[] = u"无法识别结果页";

// What a finished check of one engine learned.
enum class CheckVerdict {
    Ranked,        // the site was found: its rank(s)
    NotFound,      // the pages were read and the site is not among them: ">N"
    Restricted,    // no page could be read, or the engine answered with a verification page
    NotUnderstood, // pages came, but none the markers know
};

CheckVerdict verdictOf(const EngineCheckOutcome& outcome);

// The texts of an engine's rank cell and, for an engine with a second rank (Baidu), its second cell.
struct RankCellTexts {
    QString first;
    QString second;
};

// The cells of a finished check: the one place that turns a check's result into the grid's texts.
RankCellTexts rankCellTexts(const EngineCheckOutcome& outcome);
// The cells of an engine whose check is in progress.
RankCellTexts pendingCellTexts();

// The ranks of a finished check as the day's history row keeps them (0: not in the pages read); nothing
// when the check learned nothing (the day's row keeps what it had).
struct HistoryRanks {
    int first = 0;
    int second = 0;
};
std::optional<HistoryRanks> historyRanksOf(const EngineCheckOutcome& outcome);

// A rank cell's number when it holds one (at least 1), else 0.
int storedRank(const QVariant& cell);

} // namespace quorvane
