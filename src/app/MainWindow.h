#pragma once

#include "app/WindowCommands.h"
#include "engine/RankEngine.h"
#include "runs/RankRuns.h"
#include "runs/RunLog.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "store/Schema.h"

#include <QMainWindow>
#include <QRect>
#include <QSize>
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

class DataGrid;
class HistoryBox;
class MakerServices;
class PageBrowser;
class TrendChart;

// The main window: the tool bar, the engine choice, the mission grid, the history box and the chart area,
// the menus and the tray icon. Controls are public members named as the program names them, so that the
// parts built on this window (rank runs, history, chart, exports, web panels) reach them directly.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // dbFile: the database file, relative to the executable's folder (tests point it elsewhere).
    explicit MainWindow(Database& database, QString dbFile = QString::fromUtf16(kDbFile),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // The creation steps: prepare the window, connect to the database (on failure: "连接数据库失败!" and
    // the application is told to end), bring the schema up to date, load the mission list, put up the
    // tray icon. An error after the connection goes to the general error report; the steps after it are
    // skipped and the window still opens.
    void startUp();
    // True once the creation steps told the application to end.
    bool terminateRequested() const { return terminateRequested_; }

    // Asks "你确定要退出程序吗?"; true exactly for Yes.
    bool confirmExit();

    // Reopens missions with the mission-list statement; the grid offers its pop-up menu missionMenu only
    // while the list has rows. Statement errors reach the caller. During a rank run the reload is left
    // to the run, which does it once the row in progress is written.
    void loadMissionList();

    // Shows the tray icon with the application's icon, the balloon "提示" / "Quorvane" and the tooltip.
    void setupTrayIcon();
    // Shows a balloon over the tray icon (information icon, 10 seconds), replacing any balloon on screen.
    void showBalloon(const QString& title, const QString& message);

    // The heights and widths the window commands give the results box resultsBox and the mission box
    // missionBox. The mission box never gets less than missionBoxNeeds().
    void setResultsArea(int grp2Height, int grp3Width);

    // The mission box's width at which every column of the mission grid shows without sideways scrolling,
    // the addresses at their given width, with room for a vertical scroll bar.
    int missionBoxNeeds() const;
    // The mission box's width at which the addresses column also shows the longest address whole (up to a
    // limit); the width the window gains goes to the mission box until it has this much.
    int missionBoxWants() const;
    // The history box's width at which every column of the history grid shows, with a vertical scroll bar.
    int historyBoxNeeds() const;

    // The window's outer size, frame included, at start-up: both grids show every column on a 1366 x 768
    // screen. A smaller screen gets a window as large as its free area.
    static constexpr QSize kOuterSize{1366, 706};
    // The inner size that gives a window the outer size, given its frame and inner geometry as they are now.
    static QSize innerSizeFor(QSize outer, const QRect& frameGeometry, const QRect& geometry);
    // Gives the shown window the outer size kOuterSize once a window manager has drawn its frame, centred on
    // the screen as at start-up; later frames and sizes are the user's.
    void fitOuterSize();

    QString dbFile;
    QString dbPassword;

    // The mission list shown by missionGrid.
    Recordset missions;

    // Tool bar.
    QFrame* toolBarPanel = nullptr;
    QToolButton* addUrlsButton = nullptr;       // "&1 添加网址"
    QToolButton* startButton = nullptr;         // "&2 批量更新排名"
    QToolButton* refreshButton = nullptr;       // "刷新任务", hidden
    QToolButton* settingsButton = nullptr;      // "设置"
    QToolButton* stopButton = nullptr;          // "停止"
    QToolButton* exitButton = nullptr;          // "退出"
    QToolButton* exportHistoryButton = nullptr; // "导出历史记录", hidden
    QWidget* versionPagePanel = nullptr;        // holds the browser of the version page (1 x 1, hidden)
    QFrame* makerPagePanel = nullptr;           // where the maker's page is shown
    QFrame* promotionPanel = nullptr;           // promotion panel
    QLabel* promotionTitle = nullptr;           // "特别推荐"
    QLabel* promotionLink1 = nullptr;           // promotional links
    QLabel* promotionLink2 = nullptr;

    // Browser strip, shrunk to one pixel: rankBrowserPanel holds rankBrowser (rank runs), navPagePanel holds
    // the browser of the maker's navigation page.
    QWidget* browserStrip = nullptr;
    QWidget* rankBrowserPanel = nullptr;
    QWidget* navPagePanel = nullptr;

    // Results box: the mission box missionBox and the history box historyGroup beside it.
    QSplitter* resultsChartSplitter = nullptr; // between the results box and the chart area
    QGroupBox* resultsBox = nullptr;
    QSplitter* missionHistorySplitter = nullptr; // between missionBox and historyGroup
    QGroupBox* missionBox = nullptr;
    QWidget* engineRow = nullptr; // engine row
    QLabel* engineRowLabel = nullptr;
    QCheckBox* baiduBox = nullptr;
    QCheckBox* googleBox = nullptr;
    QCheckBox* yahooBox = nullptr;
    QCheckBox* sosoBox = nullptr;
    QCheckBox* bingBox = nullptr;
    QCheckBox* sogouBox = nullptr;
    QCheckBox* youdaoBox = nullptr;
    QCheckBox* allEnginesBox = nullptr;
    DataGrid* missionGrid = nullptr;
    QGroupBox* historyGroup = nullptr; // the history box; it has an empty vertical layout for its content

    // Page-range panel over the grid.
    QFrame* pageRangePanel = nullptr;
    QLabel* pageSizeNote = nullptr;
    QLabel* bingPageSizeNote = nullptr;
    QLabel* otherEnginesNote = nullptr;
    QLabel* pageRangeTitle = nullptr;
    QLabel* pageRangeFromLabel = nullptr;
    QComboBox* pageRangeCombo = nullptr;
    QLabel* pageRangeUnitLabel = nullptr;
    QToolButton* applyPageRangeButton = nullptr; // "确认"
    QToolButton* closePageRangeButton = nullptr; // closes the panel

    // Chart area: chartGroup has an empty vertical layout for the chart.
    QWidget* chartArea = nullptr;
    QGroupBox* chartGroup = nullptr;

    // Main menu.
    QMenuBar* mainMenu = nullptr;
    QAction* helpAction = nullptr;           // "帮助"
    QAction* aboutAction = nullptr;          // "关于"
    QAction* visitSiteAction = nullptr;      // "访问Velmora"
    QAction* downloadUpdateAction = nullptr; // "最新版本下载"

    // Pop-up menu of the mission grid.
    QMenu* missionMenu = nullptr;
    QAction* updateRowAction = nullptr; // "更新排名"
    QMenu* openSearchMenu = nullptr;    // "打开搜索页"
    QAction* openBaiduAction = nullptr;
    QAction* openGoogleAction = nullptr;
    QAction* openYahooAction = nullptr;
    QAction* openSogouAction = nullptr;
    QAction* openBingAction = nullptr;
    QAction* openSosoAction = nullptr;
    QAction* openYoudaoAction = nullptr;
    QAction* deleteRowAction = nullptr;    // "删除"
    QAction* exportLatestAction = nullptr; // "导出"

    // The history box in historyGroup (date range, history grid historyGrid and its pop-up menu) and the
    // trend chart in chartGroup.
    HistoryBox* historyBox = nullptr;
    TrendChart* trendChart = nullptr;

    // The maker's pages, the version check, the links to the maker's site and the About box
    // (MainWindowMaker.cpp).
    MakerServices* makerServices = nullptr;

    // The browser that loads result pages for the rank runs (kept out of sight in rankBrowserPanel).
    PageBrowser* rankBrowser = nullptr;
    // The rank counters, the page bookkeeping and stopRequested of the run in progress.
    RankEngine& engine() { return *engine_; }
    RankRuns& runs() { return *runs_; }
    // True when at least one of the seven engine boxes is ticked.
    bool anyEngineChosen() const;
    // The check box of an engine ("Baidu", ...), or null.
    QCheckBox* engineBox(QStringView engine) const;
    // Opens the engine's first result page for the current mission row's keyword in the user's browser.
    void openSearchPage(QStringView engine);

    // Tray icon and its menu.
    QSystemTrayIcon* trayIcon = nullptr;
    QMenu* trayMenu = nullptr;
    QAction* trayStopAction = nullptr;     // "停止"
    QAction* trayDownloadAction = nullptr; // "下载地址"
    QAction* trayAddUrlAction = nullptr;   // "添加网址"
    QAction* trayRefreshAction = nullptr;  // "刷新任务"
    QAction* trayExitAction = nullptr;     // "退出"

public slots:
    void addUrls();
    void startBatchRun();
    void refreshMissionList();
    void showPageRangePanel();
    void stopRun();
    void exitProgram();
    void exportLatestResults();
    void exportHistory();
    void updateSelectedRow();
    void deleteSelectedRow();
    void tickAllEngines(bool checked);
    void applyPageRange();
    void closePageRangePanel();
    void missionCellClicked(const QModelIndex& index);
    void missionCellDoubleClicked(const QModelIndex& index);

signals:
    // A balloon was put up over the tray icon.
    void balloonShown(const QString& title, const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void reloadMissionListNow();
    void prepareWindow();
    void askBeforeClose(QCloseEvent* event);
    void onWindowCommand(WindowCommandWatcher::Command command);

    // Building the window (MainWindowLayout.cpp).
    void buildWindow();
    QWidget* buildToolBar();
    QWidget* buildBrowserStrip();
    QWidget* buildResultsBox();
    QWidget* buildEngineRow();
    void buildMissionGrid();
    void buildPageRangePanel();
    QWidget* buildChartArea();
    void buildMenus();
    void buildTray();
    void connectCommands();
    // The addresses column of the mission grid takes the grid's width that the other columns leave.
    void fitAddressColumn();
    int missionColumnsWidth(int addressWidth) const;
    void setUpMakerServices();
    // The rank engine, its runs and the window side of a run (MainWindowRuns.cpp).
    void setUpRuns();

    class RunControls;

    Database& database_;
    const QString dbFileSetting_;
    std::unique_ptr<RunLog> runLog_;
    std::unique_ptr<RankEngine> engine_;
    std::unique_ptr<RunControls> runControls_;
    std::unique_ptr<RankRuns> runs_;
    bool busyCursor_ = false;
    bool terminateRequested_ = false;
    bool outerSizeFitted_ = false; // the frame, once drawn, has been taken off the window's inner size
    bool exitConfirmed_ = false;
    int longestAddress_ = 0; // the width the longest address of the mission list needs in the grid
};

} // namespace quorvane
