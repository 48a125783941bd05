#pragma once

#include <QFont>

namespace quorvane {

// "宋体" at the given pixel size; where that face is missing, an installed CJK face takes its place.
QFont SongTiFont(int pixelSize);

} // namespace quorvane
