#include "sites/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quorvane {

namespace {

constexpr int kSize = 24;

QPixmap blank() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawPage(QPainter& p, const QRect& r) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

void drawListLines(QPainter& p, const QRect& r) {
    p.setPen(QPen(QColor(60, 90, 160), 1));
    for (int y = r.top() + 4; y < r.bottom() - 1; y += 4)
        p.drawLine(r.left() + 3, y, r.right() - 3, y);
}

void drawArrowHead(QPainter& p, QPointF tip, QPointF back1, QPointF back2) {
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(back1);
    head.lineTo(back2);
    head.closeSubpath();
    p.fillPath(head, QColor(210, 30, 30));
}

QIcon iconOf(const QPixmap& pixmap) {
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    // The greyed picture for the disabled state comes from the style's standard treatment.
    return icon;
}

} // namespace

QIcon importUrlIcon() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect list(2, 2, 13, 19);
    drawPage(p, list);
    drawListLines(p, list);
    p.setPen(QPen(QColor(210, 30, 30), 2.5));
    p.drawLine(QPointF(10, 12), QPointF(18, 12));
    drawArrowHead(p, QPointF(23, 12), QPointF(17, 7), QPointF(17, 17));
    return iconOf(pixmap);
}

QIcon importKeyWordIcon() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect list(1, 1, 11, 14);
    drawPage(p, list);
    drawListLines(p, list);
    drawPage(p, QRect(11, 13, 12, 10));
    p.setPen(QPen(QColor(210, 30, 30), 2.5));
    QPainterPath bend;
    bend.moveTo(9, 6);
    bend.quadTo(17, 6, 17, 12);
    p.setBrush(Qt::NoBrush);
    p.drawPath(bend);
    drawArrowHead(p, QPointF(17, 19), QPointF(13, 13), QPointF(21, 13));
    return iconOf(pixmap);
}

QIcon findUrlIcon() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect page(2, 1, 15, 20);
    drawPage(p, page);
    drawListLines(p, page);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(200, 225, 255, 200));
    p.drawEllipse(QPointF(14, 13), 5, 5);
    p.setPen(QPen(QColor(120, 70, 20), 3));
    p.drawLine(QPointF(17.5, 16.5), QPointF(22, 21));
    return iconOf(pixmap);
}

} // namespace quorvane
