#include "app/MainWindow.h"
#include "app/SharingSplitter.h"

#include "config/Endpoints.h"
#include "config/RunSettings.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "export/HistoryExport.h"
#include "export/LatestResultsExport.h"
#include "history/HistoryBox.h"
#include "history/HistoryStatements.h"
#include "history/TrendChart.h"
#include "pages/PageBrowser.h"
#include "platform/Messages.h"
#include "platform/ShellOpen.h"
#include "sites/SitesKeywordsDialog.h"
#include "store/DbError.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "ui/DataGrid.h"
#include "ui/ModalDialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLayout>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>

#include <algorithm>
#include <exception>

namespace quorvane {

namespace {

// A command's errors go to the general error report; the window stays usable.
template <typename Command> void reported(Command&& command) {
    try {
        command();
    } catch (const std::exception& e) {
        showErrorReport(userTextOf(e));
    }
}

} // namespace

void MainWindow::prepareWindow() {
    browserStrip_->setFixedHeight(1);
    versionPagePanel_->setFixedSize(1, 1);
    resize(kOuterSize);
    if (const QScreen* screen = this->screen()) {
        // A screen smaller than the window's size gets a window as large as its free area.
        resize(size().boundedTo(screen->availableGeometry().size()));
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    setResultsArea(320, 632);
    pageRangeCombo_->setCurrentIndex(0);
    dbFile_ = dbFileSetting_;
    dbPassword_ = QString::fromUtf16(kDbPassword);
    engine().stopRequested = false;
    // Read the engines' addresses and definitions now, so that a complaint about Endpoints.ini or
    // Engines.ini never interrupts a run.
    SettingsFaults faults = loadEndpointsBesideExecutable();
    runs_->sideBySide = enginesSideBySideBesideExecutable(&faults);
    for (const SettingsFault& fault : faults)
        showErrorMsg(fault.text);
    loadEngineDefinitionsBesideExecutable();
}

QSize MainWindow::innerSizeFor(QSize outer, const QRect& frameGeometry, const QRect& geometry) {
    return outer - (frameGeometry.size() - geometry.size());
}

void MainWindow::fitOuterSize() {
    if (outerSizeFitted_ || !isVisible() || windowState() != Qt::WindowNoState)
        return;
    // Until a window manager frames the window (and where none does) the frame adds nothing.
    if (frameGeometry().size() == geometry().size())
        return;
    outerSizeFitted_ = true;
    const QScreen* screen = this->screen();
    const QSize outerSize = screen ? kOuterSize.boundedTo(screen->availableGeometry().size()) : kOuterSize;
    resize(innerSizeFor(outerSize, frameGeometry(), geometry()));
    if (screen) {
        QRect outer(QPoint(), outerSize);
        outer.moveCenter(screen->availableGeometry().center());
        move(outer.topLeft()); // a move places the frame
    }
    // The first sizes of the results area are for the window's first size, now that the frame is off it.
    setResultsArea(320, 632);
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
    if (!database_.openDatabase(dbFile_, dbPassword_)) {
        showErrorMsg(
            openFailureText(database_.openFailure(), QFileInfo(database_.connectionString()).absolutePath()));
        terminateRequested_ = true;
        return;
    }
    // An error in a later step is reported; the steps after it are skipped and the window still opens.
    try {
        database_.upgradeSchema();
    } catch (const std::exception& e) {
        showErrorReport(startFailureText(e, QFileInfo(database_.connectionString()).absolutePath()));
        return;
    }
    reported([this] {
        loadMissionList();
        setupTrayIcon();
    });
}

bool MainWindow::confirmExit() {
    return askYesNo(QStringLiteral("你确定要退出程序吗?")) == IdYes;
}

void MainWindow::askBeforeClose(QCloseEvent* event) {
    if (confirmExit()) {
        // A run in progress ends as "停止" ends it, instead of running its nested waits to the last row.
        stopRun();
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // After a confirmed exit the application ends without asking again.
    if (exitConfirmed_) {
        event->accept();
        return;
    }
    askBeforeClose(event);
}

void MainWindow::loadMissionList() {
    // During a run the reload waits until the row in progress is written (the run then reloads).
    if (runs_ && runs_->isRunning()) {
        runs_->requestReload();
        return;
    }
    reloadMissionListNow();
}

void MainWindow::reloadMissionListNow() {
    const int rows = openMissionList(database_, missions_);
    missionGrid_->setPopupMenu(rows >= 1 ? missionMenu_ : nullptr);
    missionGrid_->updateFooter();
}

void MainWindow::setResultsArea(int resultsHeight, int missionWidth) {
    // Lay the window out first, so that the splitters know their lengths even before it is shown.
    if (QLayout* window = layout())
        window->activate();
    if (QLayout* central = centralWidget()->layout())
        central->activate();
    resultsChartSplitter_->setFirstLength(resultsHeight);
    if (QLayout* box = resultsBox_->layout())
        box->activate();
    missionHistorySplitter_->setFirstLength(missionWidth);
}

void MainWindow::onWindowCommand(WindowCommandWatcher::Command command) {
    if (command == WindowCommandWatcher::Command::Maximise)
        setResultsArea(500, 800);
    else
        setResultsArea(300, 632);
}

void MainWindow::addUrls() {
    {
        SitesKeywordsDialog window(database_, this);
        window.setStopRequest(engine().stopRequested);
        execModal(window);
    }
    // Every change was written when it was made; the grid shows the edited list.
    reported([this] { loadMissionList(); });
}

void MainWindow::startBatchRun() {
    runs().runBatch();
    // Today's row of the current pair has just been written (or the run ended without it): show it.
    historyBox_->refreshHistory();
}

void MainWindow::refreshMissionList() {
    reported([this] { loadMissionList(); });
}

void MainWindow::showPageRangePanel() {
    placePageRangePanel();
    pageRangePanel_->show();
}

void MainWindow::stopRun() {
    // Stop acts only while a run has disabled the start button.
    if (startButton_->isEnabled())
        return;
    engine().stopRequested = true;
    stopButton_->setEnabled(false);
}

void MainWindow::exitProgram() {
    if (!confirmExit())
        return;
    exitConfirmed_ = true;
    // The run in progress ends as "停止" ends it; the application leaves once the run has returned.
    stopRun();
    QCoreApplication::exit(0);
}

namespace {

// What the user is told at the end of an export.
void showExportResult(const ExportResult& result) {
    switch (result.end) {
    case ExportEnd::Cancelled:
        return;
    case ExportEnd::Saved:
        showInfoMsg(exportSuccessText(result.target));
        return;
    case ExportEnd::Failed:
        showErrorMsg(exportFailureText(result.reason));
        return;
    case ExportEnd::BookUnusable:
        showErrorReport(result.reason);
        return;
    }
}

} // namespace

void MainWindow::exportLatestResults() {
    reported([this] { showExportResult(quorvane::exportLatestResults(this, missions_, *missionGrid_)); });
}

void MainWindow::exportHistory() {
    reported([this] { showExportResult(quorvane::exportHistory(this, historyBox_->historyRows)); });
}

void MainWindow::updateSelectedRow() {
    runs().updateSingleRow();
    historyBox_->refreshHistory();
}

void MainWindow::openSearchPage(QStringView engine) {
    reported([this, engine] {
        if (!missions_.isOpen() || missions_.isEmpty())
            return;
        const QString keyword = missions_.fieldText(QStringLiteral("KeyWordName"));
        shellOpen(this, firstPageUrl(engine, keyword));
    });
}

void MainWindow::deleteSelectedRow() {
    reported([this] {
        if (!missions_.isOpen() || missions_.isEmpty())
            return;
        if (askYesNo(QStringLiteral("被删除的记录无法还原,确定要删除吗?")) != IdYes)
            return;
        // Only the grid's current row goes, whatever other rows are selected; its history stays.
        bool isNumber = false;
        const qlonglong id = missions_.fieldByName(QStringLiteral("KeyWordID")).toLongLong(&isNumber);
        const bool deleted =
            isNumber && database_.execInTransaction(
                            database_.execQuery,
                            QStringLiteral("Delete From SE_KeyWord Where KeyWordID=") + QString::number(id));
        if (!deleted)
            showInfoMsg(QStringLiteral("删除失败!"));
        loadMissionList();
    });
}

void MainWindow::missionCellClicked(const QModelIndex&) {
    historyBox_->refreshHistory();
}

void MainWindow::missionCellDoubleClicked(const QModelIndex& index) {
    // A rank cell opens that engine's first result page; other columns (a second rank too) do nothing.
    if (!index.isValid() || !missions_.isOpen() || missions_.isEmpty())
        return;
    const QString engine =
        engineOfMissionField(missionGrid_->recordsetModel()->gridColumn(index.column()).field);
    if (!engine.isEmpty())
        openSearchPage(engine);
}

} // namespace quorvane
