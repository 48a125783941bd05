#include "app/UntMain.h"

#include "store/Messages.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "store/UntPublic.h"
#include "ui/DBGrid.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QSplitter>

#include <exception>

namespace quorvane {

namespace {

// A command's errors go to the general error report; the window stays usable.
template <typename Command> void Reported(Command&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowErrorReport(QString::fromUtf8(e.what()));
    }
}

} // namespace

TfrmIndex::TfrmIndex(TDM& dm, QString dbFile, QWidget* parent)
    : QMainWindow(parent)
    , dm_(dm)
    , dbFileSetting_(std::move(dbFile)) {
    setObjectName(QStringLiteral("frmIndex"));
    setWindowTitle(QStringLiteral("Velmora-Quorvane Ver1.3"));
    BuildWindow();
    ConnectCommands();
    resize(1081, 706);
    auto* watcher = new WindowCommandWatcher(this);
    connect(watcher, &WindowCommandWatcher::command, this, &TfrmIndex::OnWindowCommand);
}

TfrmIndex::~TfrmIndex() = default;

void TfrmIndex::PrepareMainWindow() {
    tntpnl1->setFixedHeight(1);
    tntpnl5->setFixedSize(1, 1);
    SetResultsArea(320, 632);
    cbbpage->setCurrentIndex(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    DbFile = dbFileSetting_;
    DbPassword = QString::fromUtf16(kDbPassword);
}

void TfrmIndex::FormCreate() {
    PrepareMainWindow();
    if (!dm_.ConnectDB(DbFile, DbPassword)) {
        ShowErrorMsg(QStringLiteral("连接数据库失败!"));
        terminateRequested_ = true;
        return;
    }
    // An error in a later step is reported; the steps after it are skipped and the window still opens.
    Reported([this] {
        dm_.UpgradeSchema();
        LoadMissionList();
        SetupTrayIcon();
    });
}

bool TfrmIndex::ConfirmExit() {
    return AskYesNo(QStringLiteral("你确定要退出程序吗?")) == IdYes;
}

void TfrmIndex::FormCloseQuery(QCloseEvent* event) {
    if (ConfirmExit())
        event->accept();
    else
        event->ignore();
}

void TfrmIndex::closeEvent(QCloseEvent* event) {
    // After a confirmed exit the application ends without asking again.
    if (exitConfirmed_) {
        event->accept();
        return;
    }
    FormCloseQuery(event);
}

void TfrmIndex::LoadMissionList() {
    const int rows = OpenMissionList(dm_, qry_mission);
    dbgrdh1->setPopupMenu(rows >= 1 ? tntpmn1 : nullptr);
    dbgrdh1->updateFooter();
}

void TfrmIndex::SetResultsArea(int grp2Height, int grp3Width) {
    // Lay the window out first, so that the splitters know their lengths even before it is shown.
    if (QLayout* window = layout())
        window->activate();
    if (QLayout* central = centralWidget()->layout())
        central->activate();
    if (QLayout* results = grp2->layout())
        results->activate();
    const auto apply = [](QSplitter* splitter, int first) {
        const int length = splitter->orientation() == Qt::Vertical ? splitter->height() : splitter->width();
        splitter->setSizes({first, std::max(0, length - first - splitter->handleWidth())});
    };
    apply(tntspltr1, grp2Height);
    apply(tntspltr2, grp3Width);
}

void TfrmIndex::OnWindowCommand(WindowCommandWatcher::Command command) {
    if (command == WindowCommandWatcher::Command::Maximise)
        SetResultsArea(500, 800);
    else
        SetResultsArea(300, 632);
}

void TfrmIndex::btnAddLinkClick() {
    // The settings dialog for URLs and keywords opens here once it exists.
    emit addLinkCommand();
}

void TfrmIndex::btnStartClick() {}

void TfrmIndex::btnrefreshClick() {
    Reported([this] { LoadMissionList(); });
}

void TfrmIndex::btnAttributeClick() {
    tntpnl9->show();
    tntpnl9->raise();
}

void TfrmIndex::btnStopClick() {}

void TfrmIndex::btnCloseClick() {
    if (!ConfirmExit())
        return;
    exitConfirmed_ = true;
    QCoreApplication::exit(0);
}

void TfrmIndex::btnSaveChartClick() {}
void TfrmIndex::tntmntmN5Click() {}
void TfrmIndex::tntmntmBaidu1Click() {}
void TfrmIndex::tntmntmGoogle1Click() {}
void TfrmIndex::tntmntmYahoo1Click() {}
void TfrmIndex::tntmntmSogou1Click() {}
void TfrmIndex::tntmntmBing1Click() {}
void TfrmIndex::tntmntmSoso1Click() {}
void TfrmIndex::tntmntmYoudao1Click() {}

void TfrmIndex::tntmntmDeleteClick() {
    Reported([this] {
        if (!qry_mission.IsOpen() || qry_mission.IsEmpty())
            return;
        if (AskYesNo(QStringLiteral("被删除的记录无法还原,确定要删除吗?")) != IdYes)
            return;
        // Only the grid's current row goes, whatever other rows are selected; its history stays.
        bool isNumber = false;
        const qlonglong id = qry_mission.FieldByName(QStringLiteral("KeyWordID")).toLongLong(&isNumber);
        const bool deleted =
            isNumber &&
            dm_.ExecSQLInTrans(dm_.qry_exec, QStringLiteral("Delete From SE_KeyWord Where KeyWordID=") +
                                                 QString::number(id));
        if (!deleted)
            ShowInfoMsg(QStringLiteral("删除失败!"));
        LoadMissionList();
    });
}

void TfrmIndex::tntmntmN13Click() {}
void TfrmIndex::dbgrdh1CellClick(const QModelIndex&) {}
void TfrmIndex::dbgrdh1DblClick(const QModelIndex&) {}

} // namespace quorvane
