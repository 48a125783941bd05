#pragma once

namespace quorvane {

// The window lives in a module beside the executable: the executable itself links only what the command
// line needs, so that `--update` from cron does not load the window's libraries (Qt Widgets, Qt Charts,
// the workbook writers and with Qt Gui some forty more), about half of the process's start.
// The module's one entry point, by this name with C linkage: runs the window and returns the exit status.
using WindowMain = int (*)(int argc, char** argv);
inline constexpr char kWindowMainSymbol[] = "quorvaneWindowMain";
inline constexpr char kWindowModuleFile[] = "quorvane_window.so";

} // namespace quorvane
