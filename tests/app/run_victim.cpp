// The program's main window doing a batch run, for the tests that kill it in the middle:
//   run_victim DATABASE ENDPOINTS_INI [KILL_AT]
// With KILL_AT = n the program kills itself just before its n-th writing statement (update, insert or
// delete) would run, so a test can stop it between any two statements of a row's write; every writing
// statement is also listed on standard error.
// It opens the window on the database, points the engines at the given addresses, ticks only Bing and
// presses "&2 批量更新排名". Messages go to standard error (no boxes), questions are answered No.
#include "app/MainWindow.h"
#include "config/Endpoints.h"
#include "pages/PageReaderProcess.h"
#include "store/Database.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // Its runs read their pages in page readers started from this program.
    if (const std::optional<int> readerExit = quorvane::runPageReaderIfAsked(argc, argv))
        return *readerExit;
    QApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: run_victim DATABASE ENDPOINTS_INI [KILL_AT]\n");
        return 2;
    }
    using namespace quorvane;
    Database database;
    const int killAt = argc == 4 ? std::atoi(argv[3]) : 0;
    int writes = 0;
    database.setStatementObserver([&writes, killAt](const QString& sql) {
        const QString verb = sql.section(u' ', 0, 0).toLower();
        if (verb != QStringLiteral("update") && verb != QStringLiteral("insert") &&
            verb != QStringLiteral("delete"))
            return;
        ++writes;
        std::fprintf(stderr, "write %d: %s\n", writes, qPrintable(sql.left(60)));
        if (writes == killAt)
            std::raise(SIGKILL);
    });
    MainWindow window(database, QString::fromLocal8Bit(argv[1]));
    window.startUp();
    if (window.terminateRequested())
        return 1;
    loadEndpoints(QString::fromLocal8Bit(argv[2]));
    window.findChild<QCheckBox*>(QStringLiteral("allEnginesBox"))->click(); // all seven cleared
    window.findChild<QCheckBox*>(QStringLiteral("bingBox"))->setChecked(true);
    QTimer::singleShot(0, &window, [&window] {
        std::fprintf(stderr, "run started\n");
        window.findChild<QToolButton*>(QStringLiteral("startButton"))->click();
        std::fprintf(stderr, "run ended\n");
    });
    return app.exec();
}
