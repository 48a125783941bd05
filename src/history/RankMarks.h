#pragma once

#include <QGraphicsItem>
#include <QPointer>

class QChart;
class QXYSeries;

namespace quorvane {

// The rank marks of the trend chart: each point's rank in a small box, joined to the point by a short
// arrow. One item paints all marks, so a long history costs one paint call rather than one item per
// point; marks that would overlap their left neighbour are left out, keeping a dense chart legible.
class RankMarks : public QGraphicsItem {
public:
    static constexpr qreal kArrowLength = 8;

    RankMarks(QChart* chart, QXYSeries* series);

    // Called when the plot area or the points change.
    void relayout();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QChart* chart_;
    QXYSeries* series_;
};

} // namespace quorvane
