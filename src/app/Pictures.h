#pragma once

#include <QIcon>

namespace quorvane {

// The main window's pictures, drawn in code at 16 x 16 pixels.

QIcon AddLinkPicture();  // a page with a green plus sign
QIcon StartPicture();    // a page with a pencil
QIcon SettingsPicture(); // a small tree of boxes
QIcon StopPicture();     // a blue cross
QIcon ExitPicture();     // an open door, with a greyed picture for the disabled state
QIcon ExportPicture();   // a page with a green arrow
QIcon ApplicationIcon(); // the program's own icon: a magnifier over rising bars

} // namespace quorvane
