#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/SingleInstanceGuard.h"
#include "store/Database.h"
#include "store/SharedFunctions.h"
#include "ui/MessageBoxes.h"

int main(int argc, char** argv) {
    using namespace quorvane;

    QuorvaneApplication app(argc, argv);
    app.setWindowIcon(ApplicationIcon());
    MessageBoxPresenter messageBoxes;
    SetMessagePresenter(&messageBoxes);

    SingleInstanceGuard guard(QCoreApplication::applicationFilePath());
    if (guard.ClaimInstance()) {
        ShowInfoMsg(QStringLiteral("程序正在运行！"));
        return 0;
    }

    Database connection;
    MainWindow window(connection);
    window.startUp();
    if (window.TerminateRequested())
        return 1;
    window.show();
    return app.exec();
}
