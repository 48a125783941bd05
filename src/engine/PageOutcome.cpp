#include "engine/PageOutcome.h"

#include <QStringList>

namespace quorvane {

void PageCounts::add(PageOutcome outcome) {
    switch (outcome) {
    case PageOutcome::NotLoaded:
        ++notLoaded;
        break;
    case PageOutcome::NotUnderstood:
        ++notUnderstood;
        break;
    case PageOutcome::Read:
        ++read;
        break;
    case PageOutcome::Blocked:
        ++blocked;
        break;
    }
}

PageCounts& PageCounts::operator+=(const PageCounts& other) {
    read += other.read;
    notLoaded += other.notLoaded;
    notUnderstood += other.notUnderstood;
    blocked += other.blocked;
    return *this;
}

void RunPageCounts::add(QStringView engine, const PageCounts& counts) {
    const int i = engineIndex(engine);
    if (i < 0)
        return;
    if (counts_.size() <= static_cast<size_t>(i))
        counts_.resize(static_cast<size_t>(i) + 1);
    counts_[static_cast<size_t>(i)] += counts;
}

PageCounts RunPageCounts::of(QStringView engine) const {
    const int i = engineIndex(engine);
    return i >= 0 && static_cast<size_t>(i) < counts_.size() ? counts_[static_cast<size_t>(i)] : PageCounts{};
}

QString RunPageCounts::notUnderstoodLine() const {
    QStringList parts;
    for (const EngineInfo* engine : runOrder())
        if (const int pages = of(engine->name).notUnderstood; pages > 0)
            parts << engine->name.toString() + QStringLiteral(": %1 页").arg(pages);
    if (parts.isEmpty())
        return {};
    return parts.join(QStringLiteral(", ")) + QStringLiteral("无法识别，见 Logs");
}

PageCounts RunPageCounts::total() const {
    PageCounts sum;
    for (const PageCounts& counts : counts_)
        sum += counts;
    return sum;
}

QStringList RunPageCounts::blockedEngines() const {
    QStringList engines;
    for (const EngineInfo* engine : runOrder())
        if (of(engine->name).blocked > 0)
            engines << engine->name.toString();
    return engines;
}

QString RunPageCounts::blockedLine() const {
    const QStringList engines = blockedEngines();
    if (engines.isEmpty())
        return {};
    return engines.join(QStringLiteral(", ")) +
           QStringLiteral(" 返回了验证页面 (可能已被搜索引擎限制), 本次不再查询");
}

} // namespace quorvane
