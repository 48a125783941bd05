#include "webservices/AboutLogo.h"

#include <QPainter>

#include <algorithm>

namespace quorvane {

QPixmap aboutLogo(const QIcon& programIcon, QSize size) {
    QPixmap logo(size);
    logo.fill(Qt::white);
    if (programIcon.isNull())
        return logo;
    const int side = std::min(size.width(), size.height());
    QRect square(0, 0, side, side);
    square.moveCenter(QRect(QPoint(), size).center());
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    programIcon.paint(&painter, square);
    return logo;
}

} // namespace quorvane
