#include "ui/WrappingRowLayout.h"

#include <QWidget>

#include <algorithm>

namespace quorvane {

WrappingRowLayout::WrappingRowLayout(QWidget* parent, int lineHeight, int wrappedLineHeight)
    : QLayout(parent)
    , lineHeight_(lineHeight)
    , wrappedLineHeight_(wrappedLineHeight) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

WrappingRowLayout::~WrappingRowLayout() {
    qDeleteAll(items_);
}

void WrappingRowLayout::addItem(QLayoutItem* item) {
    items_.append(item);
}

int WrappingRowLayout::count() const {
    return static_cast<int>(items_.size());
}

QLayoutItem* WrappingRowLayout::itemAt(int index) const {
    return items_.value(index);
}

QLayoutItem* WrappingRowLayout::takeAt(int index) {
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

int WrappingRowLayout::heightForLines(int lines) const {
    const QMargins m = contentsMargins();
    return m.top() + m.bottom() + (lines <= 1 ? lineHeight_ : lines * wrappedLineHeight_);
}

int WrappingRowLayout::lineCount(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

int WrappingRowLayout::heightForWidth(int width) const {
    return heightForLines(lineCount(width));
}

QSize WrappingRowLayout::sizeHint() const {
    const QMargins m = contentsMargins();
    int width = 0;
    for (const QLayoutItem* item : items_)
        width += item->isEmpty() ? 0 : item->sizeHint().width() + spacing();
    return {m.left() + m.right() + std::max(0, width - spacing()), heightForLines(1)};
}

QSize WrappingRowLayout::minimumSize() const {
    // One control a line at the least; the layout's height follows its width.
    const QMargins m = contentsMargins();
    int widest = 0;
    for (const QLayoutItem* item : items_)
        widest = std::max(widest, item->isEmpty() ? 0 : item->sizeHint().width());
    return {m.left() + m.right() + widest, heightForLines(1)};
}

void WrappingRowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int WrappingRowLayout::arrange(const QRect& rect, bool place) const {
    const QRect area = rect.marginsRemoved(contentsMargins());
    // First the lines, then their height: one line is centred in the designed height.
    QList<int> lineOf;
    int lines = 1;
    int x = area.left();
    for (const QLayoutItem* item : items_) {
        const int width = item->isEmpty() ? 0 : item->sizeHint().width();
        if (width > 0 && x > area.left() && x + width > area.right() + 1) {
            ++lines;
            x = area.left();
        }
        lineOf.append(lines - 1);
        x += width > 0 ? width + spacing() : 0;
    }
    if (!place)
        return lines;
    const int height = lines <= 1 ? lineHeight_ : wrappedLineHeight_;
    x = area.left();
    int line = 0;
    for (int i = 0; i < items_.size(); ++i) {
        QLayoutItem* item = items_[i];
        if (item->isEmpty())
            continue;
        if (lineOf[i] != line) {
            line = lineOf[i];
            x = area.left();
        }
        const QSize size = item->sizeHint();
        const int h = std::min(size.height(), height);
        item->setGeometry(QRect(x, area.top() + line * height + (height - h) / 2, size.width(), h));
        x += size.width() + spacing();
    }
    return lines;
}

} // namespace quorvane
