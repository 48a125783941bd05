#include "app/MainWindow.h"

#include "engine/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "engine/RunSettings.h"
#include "export/HistoryExport.h"
#include "export/LatestResultsExport.h"
#include "history/HistoryBox.h"
#include "history/HistoryStatements.h"
#include "history/TrendChart.h"
#include "platform/GbkCodec.h"
#include "platform/PageBrowser.h"
#include "settings/SettingsDialog.h"
#include "store/DbError.h"
#include "store/Messages.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "store/SharedFunctions.h"
#include "ui/DataGrid.h"
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
        ShowErrorReport(UserTextOf(e));
    }
}

} // namespace

void MainWindow::prepareWindow() {
    browserStrip->setFixedHeight(1);
    versionPagePanel->setFixedSize(1, 1);
    SetResultsArea(320, 632);
    pageRangeCombo->setCurrentIndex(0);
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
    // Read the engines' addresses and definitions now, so that a complaint about Endpoints.ini or
    // Engines.ini never interrupts a run.
    LoadEndpointsBesideExecutable();
    runs_->SideBySide = EnginesSideBySideBesideExecutable();
    LoadEngineDefinitionsBesideExecutable();
}

QSize MainWindow::InnerSizeFor(QSize outer, const QRect& frameGeometry, const QRect& geometry) {
    return outer - (frameGeometry.size() - geometry.size());
}

void MainWindow::fitOuterSize() {
    if (outerSizeFitted_ || !isVisible() || windowState() != Qt::WindowNoState)
        return;
    // Until a window manager frames the window (and where none does) the frame adds nothing.
    if (frameGeometry().size() == geometry().size())
        return;
    outerSizeFitted_ = true;
    resize(InnerSizeFor(kOuterSize, frameGeometry(), geometry()));
    if (const QScreen* screen = this->screen()) {
        QRect outer(QPoint(), kOuterSize);
        outer.moveCenter(screen->availableGeometry().center());
        move(outer.topLeft()); // a move places the frame
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    fitOuterSize();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A window manager that frames the window moves it into the frame.
    fitOuterSize();
}

void MainWindow::startUp() {
    prepareWindow();
    if (!database_.ConnectDB(DbFile, DbPassword)) {
        // Another program's lock or a full disk is the user's to clear; "cannot connect" would mislead.
        const DbFailure failure = database_.ConnectFailure();
        if (failure == DbFailure::Busy)
            ShowErrorMsg(QStringLiteral("数据库正被其他程序使用，无法打开。请关闭该程序后再启动本程序。"));
        else if (failure == DbFailure::DiskFull)
            ShowErrorMsg(PlainWords(failure));
        else
            ShowErrorMsg(QStringLiteral("连接数据库失败!"));
        terminateRequested_ = true;
        return;
    }
    // An error in a later step is reported; the steps after it are skipped and the window still opens.
    Reported([this] {
        database_.UpgradeSchema();
        LoadMissionList();
        SetupTrayIcon();
    });
}

bool MainWindow::ConfirmExit() {
    return AskYesNo(QStringLiteral("你确定要退出程序吗?")) == IdYes;
}

void MainWindow::askBeforeClose(QCloseEvent* event) {
    if (ConfirmExit())
        event->accept();
    else
        event->ignore();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // After a confirmed exit the application ends without asking again.
    if (exitConfirmed_) {
        event->accept();
        return;
    }
    askBeforeClose(event);
}

void MainWindow::LoadMissionList() {
    // During a run the reload waits until the row in progress is written (the run then reloads).
    if (runs_ && runs_->IsRunning()) {
        runs_->RequestReload();
        return;
    }
    reloadMissionListNow();
}

void MainWindow::reloadMissionListNow() {
    const int rows = OpenMissionList(database_, missions);
    missionGrid->setPopupMenu(rows >= 1 ? missionMenu : nullptr);
    missionGrid->updateFooter();
}

void MainWindow::SetResultsArea(int grp2Height, int grp3Width) {
    // Lay the window out first, so that the splitters know their lengths even before it is shown.
    if (QLayout* window = layout())
        window->activate();
    if (QLayout* central = centralWidget()->layout())
        central->activate();
    if (QLayout* results = resultsBox->layout())
        results->activate();
    const auto apply = [](QSplitter* splitter, int first) {
        const int length = splitter->orientation() == Qt::Vertical ? splitter->height() : splitter->width();
        splitter->setSizes({first, std::max(0, length - first - splitter->handleWidth())});
    };
    apply(resultsChartSplitter, grp2Height);
    apply(missionHistorySplitter, grp3Width);
}

void MainWindow::OnWindowCommand(WindowCommandWatcher::Command command) {
    if (command == WindowCommandWatcher::Command::Maximise)
        SetResultsArea(500, 800);
    else
        SetResultsArea(300, 632);
}

void MainWindow::addUrls() {
    {
        SettingsDialog window(database_, this);
        window.SetStopRequest(Engine().StopRequested);
        ExecModal(window);
    }
    // Every change was written when it was made; the grid shows the edited list.
    Reported([this] { LoadMissionList(); });
}

void MainWindow::startBatchRun() {
    Runs().BatchRun();
}

void MainWindow::refreshMissionList() {
    Reported([this] { LoadMissionList(); });
}

void MainWindow::showPageRangePanel() {
    pageRangePanel->show();
    pageRangePanel->raise();
}

void MainWindow::stopRun() {
    // Stop acts only while a run has disabled the start button.
    if (startButton->isEnabled())
        return;
    Engine().StopRequested = true;
    stopButton->setEnabled(false);
}

void MainWindow::exitProgram() {
    if (!ConfirmExit())
        return;
    exitConfirmed_ = true;
    QCoreApplication::exit(0);
}

void MainWindow::exportLatestResults() {
    Reported([this] { ExportLatestResults(this, missions, *missionGrid); });
}

void MainWindow::exportHistory() {
    Reported([this] { ExportHistory(this, historyBox->historyRows); });
}

void MainWindow::updateSelectedRow() {
    Runs().SingleRowUpdate();
}

void MainWindow::openSearchPage(QStringView engine) {
    Reported([this, engine] {
        if (!missions.IsOpen() || missions.IsEmpty())
            return;
        const QString keyword = missions.FieldText(QStringLiteral("KeyWordName"));
        ShellOpen(this, FirstPageUrl(engine, ToGbk(keyword)));
    });
}

void MainWindow::deleteSelectedRow() {
    Reported([this] {
        if (!missions.IsOpen() || missions.IsEmpty())
            return;
        if (AskYesNo(QStringLiteral("被删除的记录无法还原,确定要删除吗?")) != IdYes)
            return;
        // Only the grid's current row goes, whatever other rows are selected; its history stays.
        bool isNumber = false;
        const qlonglong id = missions.FieldByName(QStringLiteral("KeyWordID")).toLongLong(&isNumber);
        const bool deleted =
            isNumber && database_.ExecSQLInTrans(database_.execQuery,
                                                 QStringLiteral("Delete From SE_KeyWord Where KeyWordID=") +
                                                     QString::number(id));
        if (!deleted)
            ShowInfoMsg(QStringLiteral("删除失败!"));
        LoadMissionList();
    });
}

void MainWindow::missionCellClicked(const QModelIndex&) {
    historyBox->RefreshHistory();
}

void MainWindow::missionCellDoubleClicked(const QModelIndex& index) {
    // A rank cell opens that engine's first result page; other columns (BaiduRank2 too) do nothing.
    if (!index.isValid() || !missions.IsOpen() || missions.IsEmpty())
        return;
    const QString engine =
        EngineOfMissionField(missionGrid->recordsetModel()->gridColumn(index.column()).field);
    if (!engine.isEmpty())
        openSearchPage(engine);
}

} // namespace quorvane
