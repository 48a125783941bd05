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
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QModelIndex;
class QSystemTrayIcon;
class QToolButton;

namespace quorvane {

class DataGrid;
class HistoryBox;
class MakerServices;
class PageBrowser;
class SharingSplitter;
class TrendChart;

// The main window: the tool bar, the engine choice, the mission grid, the history box and the chart area,
// the menus and the tray icon, placed by layouts and splitters whose first proportions are the window's
// design. The widgets are the window's own; the rest of the program works through the operations below
// (the commands, the runs, the exports, the tray).
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

    const QString& dbFile() const { return dbFile_; }
    const QString& dbPassword() const { return dbPassword_; }

    // Asks "你确定要退出程序吗?"; true exactly for Yes.
    bool confirmExit();

    // Reopens missions with the mission-list statement; the grid offers its pop-up menu only while the list
    // has rows. Statement errors reach the caller. During a rank run the reload is left to the run, which
    // does it once the row in progress is written.
    void loadMissionList();
    // The mission list shown by the mission grid; its current row is the pair the history box shows.
    Recordset& missions() { return missions_; }
    const Recordset& missions() const { return missions_; }

    // Shows the tray icon with the application's icon, the balloon "提示" / "Quorvane" and the tooltip.
    void setupTrayIcon();
    // Shows a balloon over the tray icon (information icon, 10 seconds), replacing any balloon on screen.
    void showBalloon(const QString& title, const QString& message);

    // The height of the results box and the width of the mission box that the window commands give them, in
    // the design's pixels; the shares of the window they then have are kept as its size changes. The
    // results box keeps its least height, the history box its columns.
    void setResultsArea(int resultsHeight, int missionWidth);

    // The mission box's width at which every column of the mission grid shows without sideways scrolling,
    // the addresses at their given width, with room for a vertical scroll bar.
    int missionBoxNeeds() const;
    // The history box's width at which every column of the history grid shows, with a vertical scroll bar.
    int historyBoxNeeds() const;

    // The window's outer size, frame included, at start-up. A smaller screen gets a window as large as its
    // free area.
    static constexpr QSize kOuterSize{1081, 706};
    // The inner size that gives a window the outer size, given its frame and inner geometry as they are now.
    static QSize innerSizeFor(QSize outer, const QRect& frameGeometry, const QRect& geometry);
    // Gives the shown window the outer size kOuterSize once a window manager has drawn its frame, centred on
    // the screen as at start-up; later frames and sizes are the user's.
    void fitOuterSize();

    // The rank counters, the page bookkeeping and stopRequested of the run in progress.
    RankEngine& engine() { return *engine_; }
    RankRuns& runs() { return *runs_; }
    // True when at least one of the seven engine boxes is ticked.
    bool anyEngineChosen() const;
    // Opens the engine's first result page for the current mission row's keyword in the user's browser.
    void openSearchPage(QStringView engine);

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
    // The check box of an engine of the table (by its name), or null.
    QCheckBox* engineBox(QStringView engine) const;

    // Building the window (MainWindowLayout.cpp).
    void buildWindow();
    QWidget* buildToolBar();
    QWidget* buildPromotionPanel();
    QWidget* buildBrowserStrip();
    QWidget* buildResultsBox();
    QWidget* buildEngineRow();
    void buildMissionGrid();
    void buildPageRangePanel();
    // Keeps the floating page-range panel inside the mission box.
    void placePageRangePanel();
    QWidget* buildChartArea();
    void buildMenus();
    void buildTray();
    void connectCommands();
    // The addresses column of the mission grid takes the grid's width that the other columns leave.
    void fitAddressColumn();
    void setUpMakerServices();
    // The rank engine, its runs and the window side of a run (MainWindowRuns.cpp).
    void setUpRuns();

    class RunControls;

    Database& database_;
    const QString dbFileSetting_;
    QString dbFile_;
    QString dbPassword_;
    Recordset missions_;
    std::unique_ptr<RunLog> runLog_;
    std::unique_ptr<RankEngine> engine_;
    std::unique_ptr<RunControls> runControls_;
    std::unique_ptr<RankRuns> runs_;
    bool busyCursor_ = false;
    bool terminateRequested_ = false;
    bool outerSizeFitted_ = false; // the frame, once drawn, has been taken off the window's inner size
    bool exitConfirmed_ = false;

    // Tool bar.
    QFrame* toolBarPanel_ = nullptr;
    QToolButton* addUrlsButton_ = nullptr;       // "&1 添加网址"
    QToolButton* startButton_ = nullptr;         // "&2 批量更新排名"
    QToolButton* refreshButton_ = nullptr;       // "刷新任务", hidden
    QToolButton* settingsButton_ = nullptr;      // "设置"
    QToolButton* stopButton_ = nullptr;          // "停止"
    QToolButton* exitButton_ = nullptr;          // "退出"
    QToolButton* exportHistoryButton_ = nullptr; // "导出历史记录", hidden
    QWidget* versionPagePanel_ = nullptr;        // holds the browser of the version page (1 x 1, hidden)
    QFrame* makerPagePanel_ = nullptr;           // where the maker's page is shown
    QFrame* promotionPanel_ = nullptr;           // "特别推荐" and the two promotional links
    QLabel* promotionTitle_ = nullptr;
    QLabel* promotionLink1_ = nullptr;
    QLabel* promotionLink2_ = nullptr;

    // Browser strip, shrunk to one pixel: rankBrowserPanel_ holds rankBrowser_ (rank runs), navPagePanel_
    // holds the browser of the maker's navigation page.
    QWidget* browserStrip_ = nullptr;
    QWidget* rankBrowserPanel_ = nullptr;
    QWidget* navPagePanel_ = nullptr;
    PageBrowser* rankBrowser_ = nullptr;

    // Results box: the mission box and the history box beside it; the chart area below.
    SharingSplitter* resultsChartSplitter_ = nullptr;
    QGroupBox* resultsBox_ = nullptr;
    SharingSplitter* missionHistorySplitter_ = nullptr;
    QGroupBox* missionBox_ = nullptr;
    QWidget* engineRow_ = nullptr;
    QLabel* engineRowLabel_ = nullptr;
    std::vector<QCheckBox*> engineBoxes_; // one per engine, in the order of the engine table
    QCheckBox* allEnginesBox_ = nullptr;
    DataGrid* missionGrid_ = nullptr;
    QGroupBox* historyGroup_ = nullptr;

    // Page-range panel floating over the grid.
    QFrame* pageRangePanel_ = nullptr;
    QComboBox* pageRangeCombo_ = nullptr;
    QToolButton* applyPageRangeButton_ = nullptr; // "确认"
    QToolButton* closePageRangeButton_ = nullptr; // closes the panel

    // Chart area.
    QWidget* chartArea_ = nullptr;
    QGroupBox* chartGroup_ = nullptr;
    HistoryBox* historyBox_ = nullptr;
    TrendChart* trendChart_ = nullptr;

    // Main menu.
    QAction* helpAction_ = nullptr;           // "帮助"
    QAction* aboutAction_ = nullptr;          // "关于"
    QAction* visitSiteAction_ = nullptr;      // "访问Velmora"
    QAction* downloadUpdateAction_ = nullptr; // "最新版本下载"

    // Pop-up menu of the mission grid.
    QMenu* missionMenu_ = nullptr;
    QAction* updateRowAction_ = nullptr;    // "更新排名"
    QMenu* openSearchMenu_ = nullptr;       // "打开搜索页", one item per engine
    QAction* deleteRowAction_ = nullptr;    // "删除"
    QAction* exportLatestAction_ = nullptr; // "导出"

    // The maker's pages, the version check, the links to the maker's site and the About box.
    MakerServices* makerServices_ = nullptr;

    // Tray icon and its menu.
    QSystemTrayIcon* trayIcon_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* trayStopAction_ = nullptr;     // "停止"
    QAction* trayDownloadAction_ = nullptr; // "下载地址"
    QAction* trayAddUrlAction_ = nullptr;   // "添加网址"
    QAction* trayRefreshAction_ = nullptr;  // "刷新任务"
    QAction* trayExitAction_ = nullptr;     // "退出"
};

} // namespace quorvane
