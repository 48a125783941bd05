// The program's main window doing a batch run, for the test that kills it in the middle:
//   run_victim DATABASE ENDPOINTS_INI
// It opens the window on the database, points the engines at the given addresses, ticks only Bing and
// presses "&2 批量更新排名". Messages go to standard error (no boxes), questions are answered No.
#include "app/UntMain.h"
#include "engine/Endpoints.h"
#include "store/UntDM.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: run_victim DATABASE ENDPOINTS_INI\n");
        return 2;
    }
    using namespace quorvane;
    TDM dm;
    TfrmIndex frm(dm, QString::fromLocal8Bit(argv[1]));
    frm.FormCreate();
    if (frm.TerminateRequested())
        return 1;
    LoadEndpoints(QString::fromLocal8Bit(argv[2]));
    frm.chkall->click(); // all seven cleared
    frm.chkbing->setChecked(true);
    QTimer::singleShot(0, &frm, [&frm] {
        std::fprintf(stderr, "run started\n");
        frm.btnStart->click();
        std::fprintf(stderr, "run ended\n");
    });
    return app.exec();
}
