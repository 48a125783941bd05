// The main window's side of the rank runs: the engine boxes, the page range and the controls a run
// disables.
#include "app/UntMain.h"

#include "engine/EngineTable.h"
#include "history/HistoryBox.h"
#include "history/TrendChart.h"
#include "platform/PageBrowser.h"
#include "store/UntPublic.h"
#include "ui/DBGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QToolButton>

namespace quorvane {

class TfrmIndex::RunControls final : public RunHost {
public:
    explicit RunControls(TfrmIndex& window)
        : w_(window) {}

    bool EngineTicked(QStringView engine) const override {
        const QCheckBox* box = w_.EngineBox(engine);
        return box && box->isChecked();
    }
    void LoadMissionList() override { w_.LoadMissionList(); }
    void SetStartControlsEnabled(bool enabled) override {
        w_.btnStart->setEnabled(enabled);
        w_.btnAddLink->setEnabled(enabled);
    }
    void SetGridEnabled(bool enabled) override { w_.dbgrdh1->setEnabled(enabled); }
    void SetStopEnabled(bool enabled) override { w_.btnStop->setEnabled(enabled); }
    void SetBusyCursor(bool busy) override {
        if (busy == w_.busyCursor_)
            return;
        w_.busyCursor_ = busy;
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    void ShowBalloon(const QString& title, const QString& message) override { w_.ShowBalloon(title, message); }

private:
    TfrmIndex& w_;
};

// Construction and destruction live here, where RunControls is complete.
TfrmIndex::TfrmIndex(TDM& dm, QString dbFile, QWidget* parent)
    : QMainWindow(parent)
    , dm_(dm)
    , dbFileSetting_(std::move(dbFile)) {
    setObjectName(QStringLiteral("frmIndex"));
    setWindowTitle(QStringLiteral("Velmora-Quorvane Ver1.3"));
    BuildWindow();
    wb1 = new PageBrowser(tntpnl4);
    wb1->setObjectName(QStringLiteral("wb1"));
    trendChart = new TrendChart(dm_, grp4);
    historyBox = new HistoryBox(dm_, qry_mission, *trendChart, grp5);
    SetUpRuns();
    ConnectCommands();
    resize(1081, 706);
    auto* watcher = new WindowCommandWatcher(this);
    connect(watcher, &WindowCommandWatcher::command, this, &TfrmIndex::OnWindowCommand);
}

TfrmIndex::~TfrmIndex() = default;

void TfrmIndex::SetUpRuns() {
    engine_ = std::make_unique<RankEngine>(*wb1);
    // The range is read at the start of every check, so a change applies from the next check on.
    engine_->PageRangeSource = [this] {
        bool ok = false;
        const int pages = cbbpage->currentText().toInt(&ok);
        return ok ? pages : 1;
    };
    runControls_ = std::make_unique<RunControls>(*this);
    runs_ = std::make_unique<RankRuns>(dm_, qry_mission, *engine_, *runControls_);
}

QCheckBox* TfrmIndex::EngineBox(QStringView engine) const {
    const std::pair<QStringView, QCheckBox*> boxes[] = {
        {u"Baidu", chkbaidu}, {u"Google", chkgoogle}, {u"Yahoo", chkyahoo},   {u"Soso", chksoso},
        {u"Bing", chkbing},   {u"Sogou", chkSogou},   {u"Youdao", chkyoudao},
    };
    for (const auto& [name, box] : boxes)
        if (name == engine)
            return box;
    return nullptr;
}

bool TfrmIndex::AnyEngineChosen() const {
    return runs_->AnyEngineChosen();
}

void TfrmIndex::chkallClick(bool checked) {
    for (const EngineInfo& info : kEngines)
        EngineBox(info.name)->setChecked(checked);
}

void TfrmIndex::btn2Click() {
    const QString pages = cbbpage->currentText();
    if (pages.isEmpty())
        return;
    Engine().PageCount = pages.toInt();
    tntpnl9->hide();
    ShowInfoMsg(QStringLiteral("设置的查询范围为从第1页至") + pages + QStringLiteral("页!"));
}

void TfrmIndex::btn1Click() {
    tntpnl9->hide();
    cbbpage->setCurrentIndex(0);
}

} // namespace quorvane
