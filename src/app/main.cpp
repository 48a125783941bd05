#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/SingleInstanceGuard.h"
#include "cli/CommandLineMain.h"
#include "cli/CommandLineOptions.h"
#include "engine/NetworkSettings.h"
#include "store/Database.h"
#include "store/SharedFunctions.h"
#include "ui/MessageBoxes.h"

int main(int argc, char** argv) {
    using namespace quorvane;

    // The command line runs without a window or a display; it is chosen before any application object
    // exists, so no widget or platform plugin is ever loaded for it.
    if (IsCommandLineRun(argc, argv))
        return RunCommandLine(argc, argv);

    QuorvaneApplication app(argc, argv);
    app.setWindowIcon(ApplicationIcon());
    MessageBoxPresenter messageBoxes;
    SetMessagePresenter(&messageBoxes);

    SingleInstanceGuard guard(QCoreApplication::applicationFilePath());
    if (guard.ClaimInstance()) {
        ShowInfoMsg(QStringLiteral("程序正在运行！"));
        return 0;
    }
    LoadNetworkSettingsBesideExecutable();

    Database connection;
    MainWindow window(connection);
    window.startUp();
    if (window.TerminateRequested())
        return 1;
    window.show();
    return app.exec();
}
