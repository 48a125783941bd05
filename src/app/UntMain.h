#pragma once

#include "app/WindowCommands.h"
#include "engine/RankEngine.h"
#include "engine/RankRuns.h"
#include "store/Recordset.h"
#include "store/Schema.h"
#include "store/UntDM.h"

#include <QMainWindow>
#include <QString>
#include <QStringView>

#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QModelIndex;
class QSplitter;
class QSystemTrayIcon;
class QToolButton;

namespace quorvane {

class DBGrid;
class HistoryBox;
class PageBrowser;
class TrendChart;

// The main window: the tool bar, the engine choice, the mission grid, the history box and the chart area,
// the menus and the tray icon. Controls are public members named as the program names them, so that the
// parts built on this window (rank runs, history, chart, exports, web panels) reach them directly.
class TfrmIndex : public QMainWindow {
    Q_OBJECT
public:
    // dbFile: the database file, relative to the executable's folder (tests point it elsewhere).
    explicit TfrmIndex(TDM& dm, QString dbFile = QString::fromUtf16(kDbFile), QWidget* parent = nullptr);
    ~TfrmIndex() override;

    // The creation steps: prepare the window, connect to the database (on failure: "连接数据库失败!" and
    // the application is told to end), bring the schema up to date, load the mission list, put up the
    // tray icon. An error after the connection goes to the general error report; the steps after it are
    // skipped and the window still opens.
    void FormCreate();
    // True once the creation steps told the application to end.
    bool TerminateRequested() const { return terminateRequested_; }

    // Asks "你确定要退出程序吗?"; true exactly for Yes.
    bool ConfirmExit();

    // Reopens qry_mission with the mission-list statement; the grid offers its pop-up menu tntpmn1 only
    // while the list has rows. Statement errors reach the caller.
    void LoadMissionList();

    // Shows the tray icon with the application's icon, the balloon "提示" / "Quorvane" and the tooltip.
    void SetupTrayIcon();
    // Shows a balloon over the tray icon (information icon, 10 seconds), replacing any balloon on screen.
    void ShowBalloon(const QString& title, const QString& message);

    // The heights and widths the window commands give the results box grp2 and the mission box grp3.
    void SetResultsArea(int grp2Height, int grp3Width);

    QString DbFile;
    QString DbPassword;

    // The mission list shown by dbgrdh1.
    Recordset qry_mission;

    // Tool bar.
    QFrame* tntpnl6 = nullptr;
    QToolButton* btnAddLink = nullptr;   // "&1 添加网址"
    QToolButton* btnStart = nullptr;     // "&2 批量更新排名"
    QToolButton* btnrefresh = nullptr;   // "刷新任务", hidden
    QToolButton* btnAttribute = nullptr; // "设置"
    QToolButton* btnStop = nullptr;      // "停止"
    QToolButton* btnClose = nullptr;     // "退出"
    QToolButton* btnExport = nullptr;    // "导出历史记录", hidden
    QWidget* tntpnl5 = nullptr;          // holds the version-page browser wb3 (1 x 1, hidden)
    QFrame* wb2Panel = nullptr;          // where the maker's page (browser wb2) is shown
    QFrame* tntpnl8 = nullptr;           // promotion panel
    QLabel* lbl5 = nullptr;              // "特别推荐"
    QLabel* lbl3 = nullptr;              // promotional links
    QLabel* lbl4 = nullptr;

    // Browser strip, shrunk to one pixel: tntpnl4 holds wb1 (rank runs), tntpnl3 holds wb5.
    QWidget* tntpnl1 = nullptr;
    QWidget* tntpnl4 = nullptr;
    QWidget* tntpnl3 = nullptr;

    // Results box: the mission box grp3 and the history box grp5 beside it.
    QSplitter* tntspltr1 = nullptr; // between the results box and the chart area
    QGroupBox* grp2 = nullptr;
    QSplitter* tntspltr2 = nullptr; // between grp3 and grp5
    QGroupBox* grp3 = nullptr;
    QWidget* tntpnl11 = nullptr; // engine row
    QLabel* lbl9 = nullptr;
    QCheckBox* chkbaidu = nullptr;
    QCheckBox* chkgoogle = nullptr;
    QCheckBox* chkyahoo = nullptr;
    QCheckBox* chksoso = nullptr;
    QCheckBox* chkbing = nullptr;
    QCheckBox* chkSogou = nullptr;
    QCheckBox* chkyoudao = nullptr;
    QCheckBox* chkall = nullptr;
    DBGrid* dbgrdh1 = nullptr;
    QGroupBox* grp5 = nullptr; // the history box; it has an empty vertical layout for its content

    // Page-range panel over the grid.
    QFrame* tntpnl9 = nullptr;
    QLabel* lbl11 = nullptr;
    QLabel* lbl12 = nullptr;
    QLabel* lbl10 = nullptr;
    QLabel* lbl6 = nullptr;
    QLabel* lbl7 = nullptr;
    QComboBox* cbbpage = nullptr;
    QLabel* lbl8 = nullptr;
    QToolButton* btn2 = nullptr; // "确认"
    QToolButton* btn1 = nullptr; // closes the panel

    // Chart area: grp4 has an empty vertical layout for the chart.
    QWidget* tntpnl2 = nullptr;
    QGroupBox* grp4 = nullptr;

    // Main menu.
    QMenuBar* tntmn1 = nullptr;
    QAction* tntmntmHelp = nullptr;     // "帮助"
    QAction* tntmntmAbout = nullptr;    // "关于"
    QAction* tntmntmVisit = nullptr;    // "访问Velmora"
    QAction* tntmntmDownload = nullptr; // "最新版本下载"

    // Pop-up menu of the mission grid.
    QMenu* tntpmn1 = nullptr;
    QAction* tntmntmN5 = nullptr;       // "更新排名"
    QMenu* tntmntmOpenSearch = nullptr; // "打开搜索页"
    QAction* tntmntmBaidu1 = nullptr;
    QAction* tntmntmGoogle1 = nullptr;
    QAction* tntmntmYahoo1 = nullptr;
    QAction* tntmntmSogou1 = nullptr;
    QAction* tntmntmBing1 = nullptr;
    QAction* tntmntmSoso1 = nullptr;
    QAction* tntmntmYoudao1 = nullptr;
    QAction* tntmntmDelete = nullptr; // "删除"
    QAction* tntmntmN12 = nullptr;    // "导出"

    // The history box in grp5 (date range, history grid dbgrdh2 and its pop-up menu) and the trend chart
    // in grp4.
    HistoryBox* historyBox = nullptr;
    TrendChart* trendChart = nullptr;

    // The browser that loads result pages for the rank runs (kept out of sight in tntpnl4).
    PageBrowser* wb1 = nullptr;
    // The rank counters, the page bookkeeping and StopRequested of the run in progress.
    RankEngine& Engine() { return *engine_; }
    RankRuns& Runs() { return *runs_; }
    // True when at least one of the seven engine boxes is ticked.
    bool AnyEngineChosen() const;
    // The check box of an engine ("Baidu", ...), or null.
    QCheckBox* EngineBox(QStringView engine) const;
    // Opens the engine's first result page for the current mission row's keyword in the user's browser.
    void OpenSearchPage(QStringView engine);

    // Tray icon and its menu.
    QSystemTrayIcon* cltrycn1 = nullptr;
    QMenu* tntpmn2 = nullptr;
    QAction* tntmntmTrayStop = nullptr;     // "停止"
    QAction* tntmntmTrayDownload = nullptr; // "下载地址"
    QAction* tntmntmTrayAddLink = nullptr;  // "添加网址"
    QAction* tntmntmTrayRefresh = nullptr;  // "刷新任务"
    QAction* tntmntmTrayExit = nullptr;     // "退出"

public slots:
    void btnAddLinkClick();
    void btnStartClick();
    void btnrefreshClick();
    void btnAttributeClick();
    void btnStopClick();
    void btnCloseClick();
    void btnSaveChartClick();
    void tntmntmN5Click();
    void tntmntmBaidu1Click();
    void tntmntmGoogle1Click();
    void tntmntmYahoo1Click();
    void tntmntmSogou1Click();
    void tntmntmBing1Click();
    void tntmntmSoso1Click();
    void tntmntmYoudao1Click();
    void tntmntmDeleteClick();
    void chkallClick(bool checked);
    void btn2Click();
    void btn1Click();
    void dbgrdh1CellClick(const QModelIndex& index);
    void dbgrdh1DblClick(const QModelIndex& index);

signals:
    // A balloon was put up over the tray icon.
    void balloonShown(const QString& title, const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PrepareMainWindow();
    void FormCloseQuery(QCloseEvent* event);
    void OnWindowCommand(WindowCommandWatcher::Command command);

    // Building the window (UntMainLayout.cpp).
    void BuildWindow();
    QWidget* BuildToolBar();
    QWidget* BuildBrowserStrip();
    QWidget* BuildResultsBox();
    QWidget* BuildEngineRow();
    void BuildMissionGrid();
    void BuildPageRangePanel();
    QWidget* BuildChartArea();
    void BuildMenus();
    void BuildTray();
    void ConnectCommands();
    // The rank engine, its runs and the window side of a run (UntMainRuns.cpp).
    void SetUpRuns();

    class RunControls;

    TDM& dm_;
    const QString dbFileSetting_;
    std::unique_ptr<RankEngine> engine_;
    std::unique_ptr<RunControls> runControls_;
    std::unique_ptr<RankRuns> runs_;
    bool busyCursor_ = false;
    bool terminateRequested_ = false;
    bool exitConfirmed_ = false;
};

} // namespace quorvane
