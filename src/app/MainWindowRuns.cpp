// The main window's side of the rank runs: the engine boxes, the page range and the controls a run
// disables.
#include "app/MainWindow.h"

#include "engine/EngineTable.h"
#include "history/HistoryBox.h"
#include "history/TrendChart.h"
#include "pages/PageBrowser.h"
#include "platform/Messages.h"
#include "platform/ProgramFolders.h"
#include "ui/DataGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QToolButton>

namespace quorvane {

class MainWindow::RunControls final : public RunHost {
public:
    explicit RunControls(MainWindow& window)
        : w_(window) {}

    bool engineTicked(QStringView engine) const override {
        const QCheckBox* box = w_.engineBox(engine);
        return box && box->isChecked();
    }
    void loadMissionList() override { w_.reloadMissionListNow(); }
    void setStartControlsEnabled(bool enabled) override {
        w_.startButton_->setEnabled(enabled);
        w_.addUrlsButton_->setEnabled(enabled);
    }
    void setGridEnabled(bool enabled) override { w_.missionGrid_->setEnabled(enabled); }
    void setStopEnabled(bool enabled) override { w_.stopButton_->setEnabled(enabled); }
    void setBusyCursor(bool busy) override {
        if (busy == w_.busyCursor_)
            return;
        w_.busyCursor_ = busy;
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    void showBalloon(const QString& title, const QString& message) override {
        w_.showBalloon(title, message);
    }
    void showRunMessage(MessageKind kind, const QString& text) override { showMessage(kind, text); }

private:
    MainWindow& w_;
};

// Construction and destruction live here, where RunControls is complete.
MainWindow::MainWindow(Database& database, QString dbFile, QWidget* parent)
    : QMainWindow(parent)
    , database_(database)
    , dbFileSetting_(std::move(dbFile)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Velmora-Quorvane Ver1.3"));
    buildWindow();
    rankBrowser_ = new PageBrowser(rankBrowserPanel_);
    rankBrowser_->setObjectName(QStringLiteral("rankBrowser"));
    trendChart_ = new TrendChart(database_, chartGroup_);
    historyBox_ = new HistoryBox(database_, missions_, *trendChart_, historyGroup_);
    trendChart_->setObjectName(QStringLiteral("trendChart"));
    historyBox_->setObjectName(QStringLiteral("historyBox"));
    setUpRuns();
    connectCommands();
    setUpMakerServices();
    resize(kOuterSize);
    auto* watcher = new WindowCommandWatcher(this);
    connect(watcher, &WindowCommandWatcher::command, this, &MainWindow::onWindowCommand);
}

MainWindow::~MainWindow() = default;

void MainWindow::setUpRuns() {
    engine_ = std::make_unique<RankEngine>(*rankBrowser_);
    runLog_ = std::make_unique<RunLog>(dataFolder() + QStringLiteral("Logs"));
    engine_->runLog = runLog_.get();
    // The range is read at the start of every check, so a change applies from the next check on.
    engine_->pageRangeSource = [this] {
        bool ok = false;
        const int pages = pageRangeCombo_->currentText().toInt(&ok);
        return ok ? pages : 1;
    };
    runControls_ = std::make_unique<RunControls>(*this);
    runs_ = std::make_unique<RankRuns>(database_, missions_, *engine_, *runControls_);
    // A row's history row was just written: the history box shows it at once.
    connect(runs_.get(), &RankRuns::rowSaved, this, [this] { historyBox_->refreshHistory(); });
}

QCheckBox* MainWindow::engineBox(QStringView engine) const {
    const int index = engineIndex(engine);
    return index >= 0 && index < static_cast<int>(engineBoxes_.size())
               ? engineBoxes_[static_cast<size_t>(index)]
               : nullptr;
}

bool MainWindow::anyEngineChosen() const {
    return runs_->anyEngineChosen();
}

void MainWindow::tickAllEngines(bool checked) {
    for (const EngineInfo& info : engines())
        engineBox(info.name)->setChecked(checked);
}

void MainWindow::applyPageRange() {
    const QString pages = pageRangeCombo_->currentText();
    if (pages.isEmpty())
        return;
    pageRangePanel_->hide();
    showInfoMsg(QStringLiteral("设置的查询范围为从第1页至") + pages + QStringLiteral("页!"));
}

void MainWindow::closePageRangePanel() {
    pageRangePanel_->hide();
    pageRangeCombo_->setCurrentIndex(0);
}

} // namespace quorvane
