#include "webservices/AboutLogo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quorvane {

QPixmap aboutLogo(QSize size) {
    QPixmap logo(size);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF tile = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(2, 2, -2, -2);
    QLinearGradient blue(tile.topLeft(), tile.bottomRight());
    blue.setColorAt(0, QColor(0x3a, 0x8e, 0xe6));
    blue.setColorAt(1, QColor(0x0b, 0x3d, 0x91));
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawRoundedRect(tile, 8, 8);

    // Grid lines of a chart, then the rank line climbing towards the top: a site moving up the results.
    const QRectF chart =
        tile.adjusted(tile.width() * 0.14, tile.height() * 0.18, -tile.width() * 0.12, -tile.height() * 0.2);
    painter.setPen(QPen(QColor(255, 255, 255, 70), 1));
    for (int line = 0; line <= 3; ++line) {
        const qreal y = chart.top() + chart.height() * line / 3;
        painter.drawLine(QPointF(chart.left(), y), QPointF(chart.right(), y));
    }
    const QPointF points[] = {
        {chart.left(), chart.bottom()},
        {chart.left() + chart.width() * 0.3, chart.top() + chart.height() * 0.62},
        {chart.left() + chart.width() * 0.55, chart.top() + chart.height() * 0.75},
        {chart.right(), chart.top()},
    };
    QPainterPath rise;
    rise.moveTo(points[0]);
    for (int i = 1; i < 4; ++i)
        rise.lineTo(points[i]);
    painter.setPen(QPen(QColor(0xb4, 0xf0, 0x3c), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(rise);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (const QPointF& point : points)
        painter.drawEllipse(point, 3, 3);

    QFont mark = painter.font();
    mark.setBold(true);
    mark.setPixelSize(static_cast<int>(tile.height() * 0.3));
    painter.setFont(mark);
    painter.setPen(Qt::white);
    painter.drawText(tile.adjusted(6, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Q"));
    return logo;
}

} // namespace quorvane
