#pragma once

namespace quorvane {

// The program without its window, for cron and systemd timers: reads the options, takes the
// single-instance guard, opens the database beside the executable and runs the batch update (ConsoleRun),
// with SIGINT and SIGTERM as "停止". Builds its own QCoreApplication, so it needs no display; a GUI
// application on the offscreen platform when Engines.ini gives an engine the browser loader. Returns the
// exit status (ExitStatus).
int runCommandLine(int argc, char** argv);

} // namespace quorvane
