// The program's main window doing a batch run, for the test that kills it in the middle:
//   run_victim DATABASE ENDPOINTS_INI
// It opens the window on the database, points the engines at the given addresses, ticks only Bing and
// presses "&2 批量更新排名". Messages go to standard error (no boxes), questions are answered No.
#include "app/MainWindow.h"
#include "engine/Endpoints.h"
#include "store/Database.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: run_victim DATABASE ENDPOINTS_INI\n");
        return 2;
    }
    using namespace quorvane;
    Database database;
    MainWindow window(database, QString::fromLocal8Bit(argv[1]));
    window.startUp();
    if (window.TerminateRequested())
        return 1;
    LoadEndpoints(QString::fromLocal8Bit(argv[2]));
    window.allEnginesBox->click(); // all seven cleared
    window.bingBox->setChecked(true);
    QTimer::singleShot(0, &window, [&window] {
        std::fprintf(stderr, "run started\n");
        window.startButton->click();
        std::fprintf(stderr, "run ended\n");
    });
    return app.exec();
}
