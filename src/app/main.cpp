#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "cli/CommandLineMain.h"
#include "cli/CommandLineOptions.h"
#include "engine/EngineDefinitions.h"
#include "engine/NetworkSetup.h"
#include "platform/ApplicationFolder.h"
#include "platform/Messages.h"
#include "platform/SingleInstanceGuard.h"
#include "store/Database.h"
#include "ui/MessageBoxes.h"
#include "ui/QtTranslations.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    using namespace quorvane;

    // The command line (the batch update, the merge, --print-engines) runs without a window or a display; it
    // is chosen before any application object exists, so no widget or platform plugin is ever loaded for it.
    if (isCommandLineRun(argc, argv))
        return runCommandLine(argc, argv);

    // The browser engine of an engine's Loader=Browser shares OpenGL contexts; set only then, since it costs
    // the window's start.
    if (engineDefinitionsAskForBrowser(applicationFolderBeforeStart() + QStringLiteral("Engines.ini")))
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
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
