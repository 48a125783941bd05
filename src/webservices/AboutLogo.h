#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace quorvane {

// The About box's logo at the given size: the program's icon, as large as the box allows and centred, on
// white (the box is not square, and a stretched icon would look wrong). A null icon gives a white picture.
QPixmap aboutLogo(const QIcon& programIcon, QSize size);

} // namespace quorvane
