#include "app/Application.h"
#include "app/Pictures.h"
#include "app/UntMain.h"
#include "app/wdRunOnce.h"
#include "store/UntDM.h"
#include "store/UntPublic.h"
#include "ui/MessageBoxes.h"

int main(int argc, char** argv)
{
    using namespace quorvane;

    QuorvaneApplication app(argc, argv);
    app.setWindowIcon(ApplicationIcon());
    MessageBoxPresenter messageBoxes;
    SetMessagePresenter(&messageBoxes);

    InstanceGuard guard(QCoreApplication::applicationFilePath());
    if (guard.ClaimInstance()) {
        ShowInfoMsg(QStringLiteral("程序正在运行！"));
        return 0;
    }

    TDM DM;
    TfrmIndex frmIndex(DM);
    frmIndex.FormCreate();
    if (frmIndex.TerminateRequested())
        return 1;
    frmIndex.show();
    return app.exec();
}
