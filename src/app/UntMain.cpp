#include "app/UntMain.h"

#include "store/Messages.h"
#include "store/Schema.h"
#include "store/UntPublic.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <exception>

namespace quorvane {

TfrmIndex::TfrmIndex(TDM& dm, QString dbFile, QWidget* parent)
    : QMainWindow(parent)
    , dm_(dm)
    , dbFileSetting_(std::move(dbFile))
{
    setObjectName(QStringLiteral("frmIndex"));
    setWindowTitle(QStringLiteral("Velmora-Quorvane Ver1.3"));
    resize(1081, 706);
}

TfrmIndex::~TfrmIndex() = default;

void TfrmIndex::PrepareMainWindow()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    DbFile = dbFileSetting_;
    DbPassword = QString::fromUtf16(kDbPassword);
}

void TfrmIndex::FormCreate()
{
    PrepareMainWindow();
    if (!dm_.ConnectDB(DbFile, DbPassword)) {
        ShowErrorMsg(QStringLiteral("连接数据库失败!"));
        terminateRequested_ = true;
        return;
    }
    // An error in a later step is reported; the steps after it are skipped and the window still opens.
    try {
        dm_.UpgradeSchema();
    } catch (const std::exception& e) {
        ShowErrorReport(QString::fromUtf8(e.what()));
    }
}

bool TfrmIndex::ConfirmExit() { return AskYesNo(QStringLiteral("你确定要退出程序吗?")) == IdYes; }

void TfrmIndex::FormCloseQuery(QCloseEvent* event)
{
    if (ConfirmExit())
        event->accept();
    else
        event->ignore();
}

void TfrmIndex::closeEvent(QCloseEvent* event) { FormCloseQuery(event); }

} // namespace quorvane
