// The window's half of the program, in the module that the executable loads when it starts without
// command-line options.
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/WindowModule.h"
#include "engine/EngineDefinitions.h"
#include "engine/NetworkSetup.h"
#include "platform/Messages.h"
#include "platform/ProgramFolders.h"
#include "platform/ShellOpen.h"
#include "platform/SingleInstanceGuard.h"
#include "store/Database.h"
#include "store/UserFolders.h"
#include "ui/DesktopOpen.h"
#include "ui/MessageBoxes.h"
#include "ui/QtTranslations.h"

#include <QCoreApplication>

#include <type_traits>

extern "C" Q_DECL_EXPORT int quorvaneWindowMain(int argc, char** argv) {
    using namespace quorvane;
    static_assert(std::is_same_v<decltype(&quorvaneWindowMain), WindowMain>);

    // The browser engine of an engine's Loader=Browser shares OpenGL contexts; set only then, since it costs
    // the window's start.
    if (engineDefinitionsAskForBrowser(configFolder() + QStringLiteral("Engines.ini")))
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuorvaneApplication app(argc, argv);
    // Before the first dialog: Qt's own texts (file dialogs, standard buttons) in the program's language.
    installQtTranslations(app);
    app.setWindowIcon(applicationIcon());
    MessageBoxPresenter messageBoxes;
    setMessagePresenter(&messageBoxes);
    setShellOpenHandler(openWithDesktop);

    SingleInstanceGuard guard(instanceKey(programFolders(), QCoreApplication::applicationFilePath()));
    if (guard.claimInstance()) {
        showInfoMsg(QStringLiteral("程序正在运行！"));
        return 0;
    }
    // An installed copy's first start makes the user's database; a folder that cannot be made or written is
    // named before anything else is tried.
    const UserFoldersCheck folders = prepareUserFolders(programFolders());
    if (folders.problem != UserFoldersCheck::Problem::None) {
        showErrorMsg(userFoldersProblemText(folders));
        return 1;
    }
    for (const SettingsFault& fault : loadNetworkSettingsBesideExecutable())
        showErrorMsg(fault.text);

    Database connection;
    MainWindow window(connection);
    window.startUp();
    if (window.terminateRequested())
        return 1;
    window.show();
    return app.exec();
}
