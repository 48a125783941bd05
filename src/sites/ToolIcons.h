#pragma once

#include <QIcon>

namespace quorvane {

// The settings tool bar's pictures, drawn at run time (each icon also has its greyed disabled form).
QIcon importUrlIcon();     // a list with a red arrow pointing right
QIcon importKeyWordIcon(); // a list with a red arrow bending down into a page
QIcon findUrlIcon();       // a page with a magnifying glass

} // namespace quorvane
