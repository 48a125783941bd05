#pragma once

#include <QFont>

namespace quorvane {

// "宋体" at the given pixel size; where that face is missing, an installed CJK face takes its place.
QFont songTiFont(int pixelSize);
// "黑体" at the given pixel size, with a CJK sans-serif face in its place where it is missing.
QFont heiTiFont(int pixelSize);

} // namespace quorvane
