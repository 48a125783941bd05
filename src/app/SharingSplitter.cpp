#include "app/SharingSplitter.h"

#include <QLayout>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace quorvane {

SharingSplitter::SharingSplitter(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent) {
    // A drag of the handle sets the share that later changes of the length keep.
    connect(this, &QSplitter::splitterMoved, this, [this] {
        const QList<int> lengths = sizes();
        if (lengths.size() == 2 && lengths[0] + lengths[1] > 0)
            share_ = static_cast<double>(lengths[0]) / (lengths[0] + lengths[1]);
    });
}

int SharingSplitter::firstLength(double share, int total, const Needs& needs) {
    const int wished = static_cast<int>(std::lround(share * total));
    // The second pane's need comes first: the first pane may then scroll, down to its least length.
    const int most = std::max(total - needs.second, std::min(needs.firstLeast, total));
    const int least = std::min(std::max(needs.first, needs.firstLeast), most);
    return std::clamp(wished, std::max(0, least), std::max(0, most));
}

SharingSplitter::Needs SharingSplitter::needs() const {
    Needs needs;
    needs.first = firstNeeds ? firstNeeds() : 0;
    needs.second = secondNeeds ? secondNeeds() : 0;
    if (count() > 0) {
        // What the pane's layout needs; a caption longer than that is cut rather than widening the pane.
        const QWidget* first = widget(0);
        const QSize least = (first->layout() ? first->layout()->totalMinimumSize() : first->minimumSizeHint())
                                .expandedTo(first->minimumSize());
        needs.firstLeast = orientation() == Qt::Horizontal ? least.width() : least.height();
    }
    return needs;
}

int SharingSplitter::total() const {
    const int length = orientation() == Qt::Horizontal ? width() : height();
    return std::max(0, length - handleWidth() * (count() - 1));
}

void SharingSplitter::apply() {
    if (count() != 2)
        return;
    const int all = total();
    const int first = firstLength(share_, all, needs());
    const QList<int> wanted{first, all - first};
    if (sizes() != wanted)
        setSizes(wanted);
}

void SharingSplitter::setFirstLength(int wished) {
    const int all = total();
    if (all > 0)
        share_ = std::clamp(static_cast<double>(wished) / all, 0.0, 1.0);
    apply();
}

void SharingSplitter::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    apply();
}

} // namespace quorvane
