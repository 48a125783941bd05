#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "cli/CommandLineMain.h"
#include "cli/CommandLineOptions.h"
#include "engine/EngineDefinitions.h"
#include "engine/NetworkSetup.h"
#include "platform/Messages.h"
#include "platform/SingleInstanceGuard.h"
#include "store/Database.h"
#include "ui/MessageBoxes.h"
#include "ui/QtTranslations.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

// "Quorvane --print-engines": the engine definitions in force (compiled-in, changed by Engines.ini beside
// the executable) written to standard output, faults in the file to standard error; exit status 1 when
// the file has faults. No window and no display.
int printEngineDefinitions(int argc, char** argv) {
    using namespace quorvane;
    const QCoreApplication app(argc, argv);
    const bool ok = loadEngineDefinitionsBesideExecutable();
    std::fputs(engineDefinitionsText().toUtf8().constData(), stdout);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvane;

    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--print-engines") == 0)
            return printEngineDefinitions(argc, argv);
    // The command line runs without a window or a display; it is chosen before any application object
    // exists, so no widget or platform plugin is ever loaded for it.
    if (isCommandLineRun(argc, argv))
        return runCommandLine(argc, argv);

    QuorvaneApplication app(argc, argv);
    // Before the first dialog: Qt's own texts (file dialogs, standard buttons) in the program's language.
    installQtTranslations(app);
    app.setWindowIcon(applicationIcon());
    MessageBoxPresenter messageBoxes;
    setMessagePresenter(&messageBoxes);

    SingleInstanceGuard guard(QCoreApplication::applicationFilePath());
    if (guard.claimInstance()) {
        showInfoMsg(QStringLiteral("程序正在运行！"));
        return 0;
    }
    loadNetworkSettingsBesideExecutable();

    Database connection;
    MainWindow window(connection);
    window.startUp();
    if (window.terminateRequested())
        return 1;
    window.show();
    return app.exec();
}
