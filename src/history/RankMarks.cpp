#include "history/RankMarks.h"

#include <QChart>
#include <QFontMetricsF>
#include <QPainter>
#include <QXYSeries>

#include <limits>

namespace quorvane {

namespace {

constexpr qreal kPointRadius = 4;
constexpr qreal kBoxPadding = 2;
constexpr qreal kMargin = 40; // room around the plot area for marks of points at its edges

} // namespace

RankMarks::RankMarks(QChart* chart, QXYSeries* series)
    : QGraphicsItem(chart)
    , chart_(chart)
    , series_(series) {
    setZValue(10); // above the line and its circles
}

void RankMarks::relayout() {
    prepareGeometryChange();
    update();
}

QRectF RankMarks::boundingRect() const {
    return chart_->plotArea().adjusted(-kMargin, -kMargin, kMargin, kMargin);
}

void RankMarks::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    if (!series_->isVisible() || series_->count() == 0)
        return;
    const QRectF plot = chart_->plotArea();
    const QFontMetricsF metrics(painter->font());
    const qreal boxHeight = metrics.height() + 2 * kBoxPadding;
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(QPen(Qt::black, 1));

    qreal lastRight = -std::numeric_limits<qreal>::max();
    const QList<QPointF> points = series_->points();
    for (const QPointF& point : points) {
        const QPointF at = chart_->mapToPosition(point, series_);
        if (at.x() < plot.left() - 1 || at.x() > plot.right() + 1)
            continue;
        const QString text = QString::number(qRound(point.y()));
        const qreal boxWidth = metrics.horizontalAdvance(text) + 2 * kBoxPadding;
        const qreal left = at.x() - boxWidth / 2;
        if (left < lastRight + 2)
            continue;
        lastRight = left + boxWidth;

        // Above the point, or below it where the mark would leave the plot (into the title).
        const bool above = at.y() - kPointRadius - kArrowLength - boxHeight >= plot.top();
        const qreal sign = above ? -1 : 1;
        const QPointF tip(at.x(), at.y() + sign * kPointRadius);
        const QPointF tail(at.x(), tip.y() + sign * kArrowLength);
        painter->drawLine(tip, tail);
        // The arrow head at the point.
        painter->drawLine(tip, tip + QPointF(-2, sign * 3));
        painter->drawLine(tip, tip + QPointF(2, sign * 3));
        const QRectF box(left, above ? tail.y() - boxHeight : tail.y(), boxWidth, boxHeight);
        painter->fillRect(box, QColor(255, 255, 225));
        painter->drawRect(box);
        painter->drawText(box, Qt::AlignCenter, text);
    }
}

} // namespace quorvane
