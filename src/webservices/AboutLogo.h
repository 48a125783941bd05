#pragma once

#include <QPixmap>
#include <QSize>

namespace quorvane {

// Quorvane's logo, drawn at the given size: a rising rank line over a blue tile.
QPixmap aboutLogo(QSize size);

} // namespace quorvane
