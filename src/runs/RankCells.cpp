#include "runs/RankCells.h"

#include "engine/EngineTable.h"

namespace quorvane {

CheckVerdict verdictOf(const EngineCheckOutcome& outcome) {
    const RankEngine::CheckResult& result = outcome.result;
    if (!result.completed || !result.readAnyPage || result.blocked) {
        // ">N" would claim the site is absent, which nobody learned.
        const bool notUnderstood =
            result.completed && !result.blocked && result.pages.read == 0 && result.pages.notUnderstood > 0;
        return notUnderstood ? CheckVerdict::NotUnderstood : CheckVerdict::Restricted;
    }
    return result.rank2 >= 1 ? CheckVerdict::Ranked : CheckVerdict::NotFound;
}

RankCellTexts rankCellTexts(const EngineCheckOutcome& outcome) {
    const RankEngine::CheckResult& result = outcome.result;
    switch (verdictOf(outcome)) {
    case CheckVerdict::Ranked:
        return {QString::number(result.rank), QString::number(result.rank2)};
    case CheckVerdict::NotFound: {
        const QString text = u'>' + QString::number(notFoundLimit(*outcome.engine, result.pageCount));
        return {text, text};
    }
    case CheckVerdict::NotUnderstood:
        return {QString::fromUtf16(kNotUnderstoodText), QString::fromUtf16(kNotUnderstoodText)};
    case CheckVerdict::Restricted:
        break;
    }
    return {QString::fromUtf16(kRestrictedText), QString::fromUtf16(kRestrictedText)};
}

RankCellTexts pendingCellTexts() {
    return {QString::fromUtf16(kPendingMark), QString::fromUtf16(kPendingMark)};
}

std::optional<HistoryRanks> historyRanksOf(const EngineCheckOutcome& outcome) {
    switch (verdictOf(outcome)) {
    case CheckVerdict::Ranked:
        return HistoryRanks{outcome.result.rank, outcome.result.rank2};
    case CheckVerdict::NotFound:
        return HistoryRanks{};
    case CheckVerdict::Restricted:
    case CheckVerdict::NotUnderstood:
        break;
    }
    return std::nullopt;
}

int storedRank(const QVariant& cell) {
    bool ok = false;
    const int value = cell.toString().trimmed().toInt(&ok);
    return ok && value >= 1 ? value : 0;
}

} // namespace quorvane
