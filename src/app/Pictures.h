#pragma once

#include <QIcon>

namespace quorvane {

// The main window's pictures, drawn in code at 16 x 16 pixels.

QIcon addLinkPicture();  // a page with a green plus sign
QIcon startPicture();    // a page with a pencil
QIcon settingsPicture(); // a small tree of boxes
QIcon stopPicture();     // a blue cross
QIcon exitPicture();     // an open door, with a greyed picture for the disabled state
QIcon exportPicture();   // a page with a green arrow
QIcon applicationIcon(); // the program's own icon: a magnifier over rising bars

} // namespace quorvane
