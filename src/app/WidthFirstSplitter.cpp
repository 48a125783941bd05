#include "app/WidthFirstSplitter.h"

#include <QResizeEvent>

#include <algorithm>

namespace quorvane {

WidthFirstSplitter::WidthFirstSplitter(QWidget* parent)
    : QSplitter(Qt::Horizontal, parent) {}

QList<int> WidthFirstSplitter::shared(const QList<int>& before, int total, int firstWants, int secondNeeds) {
    if (before.size() != 2)
        return before;
    int first = before[0];
    int second = before[1];
    const int change = total - (first + second);
    if (change > 0) {
        const int toFirst = std::clamp(firstWants - first, 0, change);
        first += toFirst;
        second += change - toFirst;
    } else if (change < 0) {
        const int fromSecond = std::clamp(second - secondNeeds, 0, -change);
        second -= fromSecond;
        first = std::max(0, first - (-change - fromSecond));
        second = std::max(0, total - first);
    }
    return {first, second};
}

void WidthFirstSplitter::resizeEvent(QResizeEvent* event) {
    const QList<int> before = sizes();
    const bool shown = event->oldSize().width() > 0 && before.size() == 2 && before[0] + before[1] > 0;
    QSplitter::resizeEvent(event);
    if (!shown)
        return; // the first layout: the owner sets the widths
    const QList<int> after = sizes();
    int total = 0;
    for (const int width : after)
        total += width;
    const QList<int> wanted =
        shared(before, total, firstWants ? firstWants() : 0, secondNeeds ? secondNeeds() : 0);
    if (wanted != after)
        setSizes(wanted);
}

} // namespace quorvane
