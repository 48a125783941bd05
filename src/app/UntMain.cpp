#include "app/UntMain.h"

#include "engine/Endpoints.h"
#include "engine/EngineTable.h"
#include "history/HistoryBox.h"
#include "history/HistoryStatements.h"
#include "history/TrendChart.h"
#include "platform/GbkCodec.h"
#include "platform/PageBrowser.h"
#include "settings/UntSet.h"
#include "store/Messages.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "store/UntPublic.h"
#include "ui/DBGrid.h"
#include "ui/ModalDialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>

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
    Engine().StopRequested = false;
    Engine().PageCount = 1;
    Engine().RankBaidu2 = 0;
    Engine().PromoCount = 0;
    Engine().PageLinks.clear();
    // Read the engines' addresses now, so that a complaint about Endpoints.ini never interrupts a run.
    LoadEndpointsBesideExecutable();
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
    {
        TfrmSetLinkWord frm(dm_, this);
        frm.SetStopRequest(Engine().StopRequested);
        ExecModal(frm);
    }
    // Every change was written when it was made; the grid shows the edited list.
    Reported([this] { LoadMissionList(); });
}

void TfrmIndex::btnStartClick() {
    Runs().BatchRun();
}

void TfrmIndex::btnrefreshClick() {
    Reported([this] { LoadMissionList(); });
}

void TfrmIndex::btnAttributeClick() {
    tntpnl9->show();
    tntpnl9->raise();
}

void TfrmIndex::btnStopClick() {
    // Stop acts only while a run has disabled the start button.
    if (btnStart->isEnabled())
        return;
    Engine().StopRequested = true;
    btnStop->setEnabled(false);
}

void TfrmIndex::btnCloseClick() {
    if (!ConfirmExit())
        return;
    exitConfirmed_ = true;
    QCoreApplication::exit(0);
}

void TfrmIndex::btnSaveChartClick() {}
void TfrmIndex::tntmntmN5Click() {
    Runs().SingleRowUpdate();
}

void TfrmIndex::OpenSearchPage(QStringView engine) {
    Reported([this, engine] {
        if (!qry_mission.IsOpen() || qry_mission.IsEmpty())
            return;
        const QString keyword = qry_mission.FieldText(QStringLiteral("KeyWordName"));
        ShellOpen(this, FirstPageUrl(engine, ToGbk(keyword)));
    });
}

void TfrmIndex::tntmntmBaidu1Click() {
    OpenSearchPage(u"Baidu");
}
void TfrmIndex::tntmntmGoogle1Click() {
    OpenSearchPage(u"Google");
}
void TfrmIndex::tntmntmYahoo1Click() {
    OpenSearchPage(u"Yahoo");
}
void TfrmIndex::tntmntmSogou1Click() {
    OpenSearchPage(u"Sogou");
}
void TfrmIndex::tntmntmBing1Click() {
    OpenSearchPage(u"Bing");
}
void TfrmIndex::tntmntmSoso1Click() {
    OpenSearchPage(u"Soso");
}
void TfrmIndex::tntmntmYoudao1Click() {
    OpenSearchPage(u"Youdao");
}

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

void TfrmIndex::dbgrdh1CellClick(const QModelIndex&) {
    historyBox->RefreshHistory();
}

void TfrmIndex::dbgrdh1DblClick(const QModelIndex& index) {
    // A rank cell opens that engine's first result page; other columns (BaiduRank2 too) do nothing.
    if (!index.isValid() || !qry_mission.IsOpen() || qry_mission.IsEmpty())
        return;
    const QString engine = EngineOfMissionField(dbgrdh1->recordsetModel()->gridColumn(index.column()).field);
    if (!engine.isEmpty())
        OpenSearchPage(engine);
}

} // namespace quorvane
