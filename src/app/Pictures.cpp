#include "app/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace quorvane {

namespace {

QPixmap draw(int size, const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return pixmap;
}

QPixmap draw16(const std::function<void(QPainter&)>& paint) {
    return draw(16, paint);
}

// A sheet of paper with a folded corner, left part of the picture.
void drawPage(QPainter& p) {
    QPainterPath page;
    page.moveTo(2.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(12.5, 4.5);
    page.lineTo(12.5, 14.5);
    page.lineTo(2.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(96, 96, 96), 1));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(9.5, 1.5), QPointF(9.5, 4.5));
    p.drawLine(QPointF(9.5, 4.5), QPointF(12.5, 4.5));
    p.setPen(QPen(QColor(150, 170, 200), 1));
    for (const qreal y : {6.5, 8.5, 10.5})
        p.drawLine(QPointF(4.5, y), QPointF(9.5, y));
}

void drawCross(QPainter& p, const QRectF& box, const QColor& colour, qreal width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

// A door frame with the door swung open towards the viewer.
void drawOpenDoor(QPainter& p, const QColor& frame, const QColor& door, const QColor& opening) {
    p.setPen(QPen(frame, 1));
    p.setBrush(opening);
    p.drawRect(QRectF(4.5, 1.5, 8, 13));
    QPolygonF leaf;
    leaf << QPointF(4.5, 1.5) << QPointF(9.5, 3.5) << QPointF(9.5, 15.5) << QPointF(4.5, 14.5);
    p.setBrush(door);
    p.drawPolygon(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(frame);
    p.drawEllipse(QPointF(8.3, 9), 0.9, 0.9);
}

} // namespace

QIcon addLinkPicture() {
    return QIcon(draw16([](QPainter& p) {
        drawPage(p);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 150, 0));
        p.drawRect(QRectF(10, 7, 2.5, 8.5));
        p.drawRect(QRectF(7, 10, 8.5, 2.5));
    }));
}

QIcon startPicture() {
    return QIcon(draw16([](QPainter& p) {
        drawPage(p);
        p.translate(11.5, 10.5);
        p.rotate(45);
        p.setPen(QPen(QColor(60, 60, 60), 0.8));
        p.setBrush(QColor(240, 200, 40));
        p.drawRect(QRectF(-1.6, -7, 3.2, 9));
        QPolygonF tip;
        tip << QPointF(-1.6, 2) << QPointF(1.6, 2) << QPointF(0, 5);
        p.setBrush(QColor(230, 200, 160));
        p.drawPolygon(tip);
        p.setBrush(QColor(230, 120, 120));
        p.drawRect(QRectF(-1.6, -8.5, 3.2, 1.5));
    }));
}

QIcon settingsPicture() {
    return QIcon(draw16([](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(80, 80, 80));
        p.drawLine(4, 5, 4, 12);
        p.drawLine(4, 8, 9, 8);
        p.drawLine(4, 12, 9, 12);
        p.setBrush(QColor(255, 230, 120));
        p.drawRect(1, 1, 6, 4);
        p.setBrush(QColor(160, 200, 255));
        p.drawRect(9, 6, 6, 4);
        p.drawRect(9, 10, 6, 4);
    }));
}

QIcon stopPicture() {
    return QIcon(draw16([](QPainter& p) { drawCross(p, QRectF(3, 3, 10, 10), QColor(20, 60, 200), 3); }));
}

QIcon exitPicture() {
    QIcon icon(draw16([](QPainter& p) {
        drawOpenDoor(p, QColor(100, 60, 20), QColor(190, 120, 50), QColor(255, 250, 200));
    }));
    icon.addPixmap(draw16([](QPainter& p) {
                       drawOpenDoor(p, QColor(150, 150, 150), QColor(200, 200, 200), QColor(235, 235, 235));
                   }),
                   QIcon::Disabled);
    return icon;
}

QIcon exportPicture() {
    return QIcon(draw16([](QPainter& p) {
        drawPage(p);
        p.setPen(QPen(QColor(0, 150, 0), 2));
        p.drawLine(QPointF(7, 11.5), QPointF(13, 11.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 150, 0));
        QPolygonF head;
        head << QPointF(12, 8) << QPointF(16, 11.5) << QPointF(12, 15);
        p.drawPolygon(head);
    }));
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        icon.addPixmap(draw(size, [size](QPainter& p) {
            p.scale(size / 16.0, size / 16.0);
            p.setPen(Qt::NoPen);
            const QColor bars[] = {QColor(60, 160, 60), QColor(40, 120, 210), QColor(220, 80, 40)};
            for (int i = 0; i < 3; ++i)
                p.fillRect(QRectF(1 + i * 3.5, 12 - i * 3.5, 2.8, 3.5 + i * 3.5), bars[i]);
            p.setPen(QPen(QColor(40, 40, 40), 1.6));
            p.setBrush(QColor(255, 255, 255, 170));
            p.drawEllipse(QPointF(10, 6), 4, 4);
            p.setPen(QPen(QColor(40, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(12.9, 8.9), QPointF(15, 11));
        }));
    }
    return icon;
}

} // namespace quorvane
