#include "cli/CommandLineMain.h"
#include "engine/RunLog.h"
#include "engine/RunSettings.h"

#include "app/SingleInstanceGuard.h"
#include "cli/CommandLineOptions.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleRun.h"
#include "cli/StopSignals.h"
#include "engine/Endpoints.h"
#include "engine/NetworkSettings.h"
#include "engine/RunLog.h"
#include "engine/RunSettings.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/SharedFunctions.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace quorvane {

int RunCommandLine(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));

    const ParsedCommandLine parsed = ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (!parsed.options) {
        WriteLine(stderr, QStringLiteral("Quorvane: ") + parsed.error + u'\n');
        std::fputs(UsageText().toUtf8().constData(), stderr);
        return ExitBadArguments;
    }
    const CommandLineOptions& options = *parsed.options;
    if (options.action == CommandLineOptions::Action::Help) {
        std::fputs(UsageText().toUtf8().constData(), stdout);
        return ExitCompleted;
    }
    if (options.action == CommandLineOptions::Action::Version) {
        std::fputs(VersionText().toUtf8().constData(), stdout);
        return ExitCompleted;
    }

    ConsoleMessages messages(stderr, options.quiet);
    // The same guard as the window's: one copy per installation folder, window or not.
    SingleInstanceGuard guard(QCoreApplication::applicationFilePath());
    if (guard.ClaimInstance()) {
        messages.present(MessageKind::Error, QStringLiteral("Error"), QStringLiteral("程序正在运行！"));
        return ExitAlreadyRunning;
    }

    // Complaints about Endpoints.ini come now, before the run, as they do when the window opens.
    LoadEndpointsBesideExecutable();
    LoadNetworkSettingsBesideExecutable();

    Database database;
    if (!database.ConnectDB(QString::fromUtf16(kDbFile), QString::fromUtf16(kDbPassword))) {
        ShowErrorMsg(QStringLiteral("连接数据库失败!"));
        return ExitNoDatabase;
    }
    try {
        database.UpgradeSchema();
    } catch (const std::exception& e) {
        ShowErrorReport(QString::fromUtf8(e.what()));
        return ExitStoppedOrFailed;
    }

    ConsoleRun run(database, options, messages, stdout);
    RunLog runLog(GetAppDir() + QStringLiteral("Logs"));
    run.SetRunLog(&runLog);
    run.SetSideBySide(EnginesSideBySideBesideExecutable());
    StopSignals stopSignals([&run](int) { run.RequestStop(); });
    const ConsoleRun::Summary summary = run.Run();
    return summary.outcome == ConsoleRun::Outcome::Completed ? ExitCompleted : ExitStoppedOrFailed;
}

} // namespace quorvane
