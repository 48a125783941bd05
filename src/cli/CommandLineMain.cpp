#include "cli/CommandLineMain.h"

#include "cli/CommandLineOptions.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleRun.h"
#include "cli/MergeCommand.h"
#include "cli/ReadPageCommand.h"
#include "cli/SiteCommands.h"
#include "config/Endpoints.h"
#include "config/RunSettings.h"
#include "engine/EngineDefinitions.h"
#include "engine/NetworkSetup.h"
#include "pages/ScriptBrowser.h"
#include "platform/Messages.h"
#include "platform/ProgramFolders.h"
#include "platform/SingleInstanceGuard.h"
#include "platform/StopSignals.h"
#include "runs/RunLog.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/Schema.h"
#include "store/UserFolders.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <exception>
#include <memory>

namespace quorvane {

namespace {

// A core application needs no display; an update with an engine that loads its pages with the browser
// engine needs a GUI application, offscreen where there is no display. Decided before the application
// exists, so the arguments are read here once more.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    const bool update = parsed.options && parsed.options->action == CommandLineOptions::Action::Update;
    if (update && engineDefinitionsAskForBrowser(configFolder() + QStringLiteral("Engines.ini"))) {
        // Made by the browser engine's module: the command line links no GUI library. Without the module the
        // engine's checks fail and say why.
        if (std::unique_ptr<QCoreApplication> app = makeScriptBrowserApplication(argc, argv))
            return app;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int runCommandLine(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));

    const ParsedCommandLine parsed = parseCommandLine(QCoreApplication::arguments().mid(1));
    if (!parsed.options) {
        writeLine(stderr, QStringLiteral("Quorvane: ") + parsed.error + u'\n');
        std::fputs(usageText().toUtf8().constData(), stderr);
        return ExitBadArguments;
    }
    const CommandLineOptions& options = *parsed.options;
    if (options.action == CommandLineOptions::Action::Help) {
        std::fputs(usageText().toUtf8().constData(), stdout);
        return ExitCompleted;
    }
    if (options.action == CommandLineOptions::Action::Version) {
        std::fputs(versionText(programFolders()).toUtf8().constData(), stdout);
        return ExitCompleted;
    }
    if (options.action == CommandLineOptions::Action::PrintEngines) {
        // The definitions in force (compiled-in, changed by Engines.ini beside the executable); faults in the
        // file go to standard error and make the status 1.
        const bool ok = loadEngineDefinitionsBesideExecutable();
        std::fputs(engineDefinitionsText().toUtf8().constData(), stdout);
        return ok ? ExitCompleted : ExitStoppedOrFailed;
    }

    if (options.action == CommandLineOptions::Action::ReadPage) {
        // Reads a file and no database: no guard, so that it works beside a running window. Faults in
        // Engines.ini go to standard error and the compiled definitions of that engine are used.
        loadEngineDefinitionsBesideExecutable();
        return runReadPage(options.pageFile, options.pageEngine, stdout, stderr);
    }

    ConsoleMessages messages(stderr, options.quiet);
    // The same guard as the window's: one copy per installation folder (per data folder when installed),
    // window or not.
    SingleInstanceGuard guard(instanceKey(programFolders(), QCoreApplication::applicationFilePath()));
    if (guard.claimInstance()) {
        messages.present(MessageKind::Error, QStringLiteral("Error"), QStringLiteral("程序正在运行！"));
        return ExitAlreadyRunning;
    }

    const bool merge = options.action == CommandLineOptions::Action::Merge;
    const bool update = options.action == CommandLineOptions::Action::Update;
    if (update) {
        // Complaints about Endpoints.ini come now, before the run, as they do when the window opens.
        SettingsFaults faults = loadEndpointsBesideExecutable();
        faults += loadNetworkSettingsBesideExecutable();
        for (const SettingsFault& fault : faults)
            showErrorMsg(fault.text);
    }

    // An installed copy keeps its database in the user's data folder, made on the first start; a folder
    // that cannot be made or written is named, rather than left to a bare "连接数据库失败!".
    const UserFoldersCheck folders = prepareUserFolders(programFolders());
    if (folders.problem != UserFoldersCheck::Problem::None) {
        showErrorMsg(userFoldersProblemText(folders));
        return ExitNoDatabase;
    }
    if (folders.databaseMade)
        showInfoMsg(QStringLiteral("已创建新的数据库: ") + dataFolder() +
                    QStringLiteral("DataBase/Trevanid.mdb"));

    Database database;
    if (!database.openDatabase(QString::fromUtf16(kDbFile), QString::fromUtf16(kDbPassword))) {
        // The same words as the window: a lock or a full disk is named as the cause.
        showErrorMsg(
            openFailureText(database.openFailure(), QFileInfo(database.connectionString()).absolutePath()));
        return ExitNoDatabase;
    }
    try {
        database.upgradeSchema();
    } catch (const std::exception& e) {
        showErrorReport(startFailureText(e, QFileInfo(database.connectionString()).absolutePath()));
        return ExitStoppedOrFailed;
    }

    if (merge)
        return runMerge(database, options, messages, stdout);
    if (!update) {
        const SiteCommandResult result = runSiteCommand(database, options);
        for (const QString& line : result.out)
            writeLine(stdout, line);
        for (const QString& line : result.err)
            writeLine(stderr, QStringLiteral("Quorvane: ") + line);
        return result.status;
    }

    ConsoleRun run(database, options, messages, stdout);
    RunLog runLog(dataFolder() + QStringLiteral("Logs"));
    run.setRunLog(&runLog);
    SettingsFaults sideBySideFaults;
    run.setSideBySide(enginesSideBySideBesideExecutable(&sideBySideFaults));
    for (const SettingsFault& fault : sideBySideFaults)
        showErrorMsg(fault.text);
    StopSignals stopSignals([&run](int) { run.requestStop(); });
    const ConsoleRun::Summary summary = run.run();
    return summary.outcome == ConsoleRun::Outcome::Completed ? ExitCompleted : ExitStoppedOrFailed;
}

} // namespace quorvane
