// The main window's controls: sizes and places as the user sees them.
#include "app/AddressToolTip.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/WidthFirstSplitter.h"
#include "engine/EngineTable.h"
#include "history/HistoryBox.h"
#include "ui/DataGrid.h"
#include "ui/Fonts.h"
#include "ui/RecordsetModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <functional>

namespace quorvane {

namespace {

// A tool-bar button: a small picture above its caption.
QToolButton* speedButton(QWidget* parent, const QString& name, const QString& caption, const QIcon& picture,
                         const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(picture);
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(geometry);
    return button;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption, QPoint at, bool bold = false) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    if (bold) {
        QFont font = l->font();
        font.setBold(true);
        l->setFont(font);
    }
    l->adjustSize();
    l->move(at);
    return l;
}

// The addresses column's given width, and the most it asks for to show a long address whole.
constexpr int kAddressWidth = 120;
constexpr int kWidestAddress = 320;

// Runs an action after each resize of the watched widget.
class ResizeWatcher final : public QObject {
public:
    ResizeWatcher(QWidget* watched, std::function<void()> onResize)
        : QObject(watched)
        , onResize_(std::move(onResize)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            onResize_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onResize_;
};

// The width of a grid's columns with its row indicator, its frame and a vertical scroll bar.
int gridWidthFor(const QTableView& grid, int columns) {
    return columns + grid.verticalHeader()->width() + 2 * grid.frameWidth() +
           grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid);
}

// The room a group box and its layout take on the left and right of what they hold.
int sideChrome(const QWidget& box) {
    int chrome = box.contentsMargins().left() + box.contentsMargins().right();
    if (const QLayout* layout = box.layout())
        chrome += layout->contentsMargins().left() + layout->contentsMargins().right();
    return chrome;
}

// The least room between one engine box's caption and the next box.
constexpr int kEngineBoxGap = 4;

QCheckBox* makeEngineBox(QWidget* parent, const QString& name, const QString& caption, QPoint at) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->adjustSize();
    box->move(at);
    return box;
}

// The mission grid's columns at the widths given for them, widened where the grid's font needs more room for
// the title or for the longest text the column normally holds. The restriction notice "可能已被搜索引擎限制!"
// is not among them: it is cut and shown whole by the cell's tooltip.
std::vector<DataGridColumn> missionColumns(const DataGrid& grid) {
    const Qt::Alignment centre = Qt::AlignCenter;
    // The texts a rank column holds at its widest: the engine's ">N" at ten pages and the pending mark.
    const auto rankValues = [](const QString& field) {
        return QStringList{u'>' + QString::number(widestRank(field)), QStringLiteral("稍候")};
    };
    const QStringList dates{QStringLiteral("0000-00-00")};
    std::vector<DataGridColumn> columns{
        {QStringLiteral("关键词"), QStringLiteral("KeyWordName"), 89, centre, true},
        {QStringLiteral("相关链接"), QStringLiteral("UrlName"), kAddressWidth, Qt::AlignLeft, true},
        {QStringLiteral("Baidu不包含推广"), QStringLiteral("BaiduRank"), 55, centre, true},
        {QStringLiteral("Baidu包含推广"), QStringLiteral("BaiduRank2"), 55, centre, false},
        {QStringLiteral("Google"), QStringLiteral("GoogleRank"), 40, centre, true},
        {QStringLiteral("Yahoo"), QStringLiteral("YahooRank"), 35, centre, false},
        {QStringLiteral("Sogou"), QStringLiteral("SogouRank"), 35, centre, false},
        {QStringLiteral("Bing"), QStringLiteral("BingRank"), 30, centre, false},
        {QStringLiteral("Soso"), QStringLiteral("SosoRank"), 30, centre, false},
        {QStringLiteral("Youdao"), QStringLiteral("YoudaoRank"), 40, centre, false},
        {QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 55, centre, true},
    };
    for (DataGridColumn& column : columns) {
        if (column.field == u"KeyWordName" || column.field == u"UrlName")
            continue; // free text: the given widths stand, longer texts are cut and shown by the tooltip
        const QStringList values = column.field == u"UpdateTime" ? dates : rankValues(column.field);
        column.width = std::max(column.width, grid.fittingWidth(column.title, values, column.sortable));
    }
    return columns;
}

// A row under check carries the pending mark in one of these cells (not in BaiduRank2).
RowColours pendingRowColours(const Recordset& rs, int row) {
    static const char16_t* const cells[] = {u"BaiduRank", u"GoogleRank", u"YahooRank", u"SogouRank",
                                            u"BingRank",  u"SosoRank",   u"YoudaoRank"};
    for (const char16_t* cell : cells) {
        const int field = rs.fieldIndex(QStringView(cell));
        if (field >= 0 && rs.value(row, field).toString() == QStringLiteral("稍候"))
            return {QColor(255, 0, 0), QColor(255, 255, 255)};
    }
    return {};
}

} // namespace

void MainWindow::buildWindow() {
    setFont(songTiFont(12));
    setWindowIcon(applicationIcon());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildToolBar());
    column->addWidget(buildBrowserStrip());

    resultsChartSplitter = new QSplitter(Qt::Vertical, central);
    resultsChartSplitter->setObjectName(QStringLiteral("resultsChartSplitter"));
    resultsChartSplitter->setHandleWidth(2);
    resultsChartSplitter->setChildrenCollapsible(false);
    resultsChartSplitter->addWidget(buildResultsBox());
    resultsChartSplitter->addWidget(buildChartArea());
    // The results box keeps its height when the window grows; the chart area takes the rest.
    resultsChartSplitter->setStretchFactor(0, 0);
    resultsChartSplitter->setStretchFactor(1, 1);
    resultsChartSplitter->handle(1)->setCursor(Qt::SizeVerCursor);
    column->addWidget(resultsChartSplitter, 1);
    setCentralWidget(central);

    buildMenus();
    buildTray();
}

QWidget* MainWindow::buildToolBar() {
    toolBarPanel = new QFrame(this);
    toolBarPanel->setObjectName(QStringLiteral("toolBarPanel"));
    toolBarPanel->setFixedHeight(65);
    auto* row = new QHBoxLayout(toolBarPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* buttons = new QWidget(toolBarPanel);
    addUrlsButton = speedButton(buttons, QStringLiteral("addUrlsButton"), QStringLiteral("&1 添加网址"),
                                addLinkPicture(), QRect(1, 6, 70, 54));
    startButton = speedButton(buttons, QStringLiteral("startButton"), QStringLiteral("&2 批量更新排名"),
                              startPicture(), QRect(72, 6, 89, 54));
    refreshButton = speedButton(buttons, QStringLiteral("refreshButton"), QStringLiteral("刷新任务"), QIcon(),
                                QRect(88, 3, 71, 45));
    refreshButton->setAutoRaise(true);
    refreshButton->hide();
    settingsButton = speedButton(buttons, QStringLiteral("settingsButton"), QStringLiteral("设置"),
                                 settingsPicture(), QRect(160, 6, 48, 54));
    stopButton = speedButton(buttons, QStringLiteral("stopButton"), QStringLiteral("停止"), stopPicture(),
                             QRect(208, 6, 48, 54));
    exitButton = speedButton(buttons, QStringLiteral("exitButton"), QStringLiteral("退出"), exitPicture(),
                             QRect(255, 6, 47, 54));
    stopButton->setFont(songTiFont(13));
    exitButton->setFont(songTiFont(13));
    exportHistoryButton = speedButton(buttons, QStringLiteral("exportHistoryButton"),
                                      QStringLiteral("导出历史记录"), exportPicture(), QRect(302, 6, 73, 54));
    exportHistoryButton->hide();
    versionPagePanel = new QWidget(buttons);
    versionPagePanel->setObjectName(QStringLiteral("versionPagePanel"));
    versionPagePanel->setGeometry(392, 8, 1, 1);
    versionPagePanel->hide();
    row->addWidget(buttons, 1);

    makerPagePanel = new QFrame(toolBarPanel);
    makerPagePanel->setObjectName(QStringLiteral("makerPagePanel"));
    makerPagePanel->setFixedWidth(323);
    makerPagePanel->setLayout(new QVBoxLayout);
    makerPagePanel->layout()->setContentsMargins(0, 0, 0, 0);
    row->addWidget(makerPagePanel);

    promotionPanel = new QFrame(toolBarPanel);
    promotionPanel->setObjectName(QStringLiteral("promotionPanel"));
    promotionPanel->setFixedWidth(445);
    promotionPanel->setAutoFillBackground(true);
    QPalette white = promotionPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    promotionPanel->setPalette(white);
    promotionTitle = label(promotionPanel, QStringLiteral("promotionTitle"), QStringLiteral("特别推荐"),
                           QPoint(11, 3), true);
    // The promotional links get their captions and targets with the maker's web services.
    promotionLink1 = label(promotionPanel, QStringLiteral("promotionLink1"), QString(), QPoint(13, 20));
    promotionLink2 = label(promotionPanel, QStringLiteral("promotionLink2"), QString(), QPoint(13, 39));
    row->addWidget(promotionPanel);
    return toolBarPanel;
}

QWidget* MainWindow::buildBrowserStrip() {
    browserStrip = new QWidget(this);
    browserStrip->setObjectName(QStringLiteral("browserStrip"));
    browserStrip->setFixedHeight(1);
    auto* row = new QHBoxLayout(browserStrip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    rankBrowserPanel = new QWidget(browserStrip);
    rankBrowserPanel->setObjectName(QStringLiteral("rankBrowserPanel"));
    navPagePanel = new QWidget(browserStrip);
    navPagePanel->setObjectName(QStringLiteral("navPagePanel"));
    row->addWidget(rankBrowserPanel);
    row->addWidget(navPagePanel);
    return browserStrip;
}

QWidget* MainWindow::buildResultsBox() {
    resultsBox = new QGroupBox(this);
    resultsBox->setObjectName(QStringLiteral("resultsBox"));
    auto* row = new QHBoxLayout(resultsBox);
    row->setContentsMargins(2, 2, 2, 2);

    // A wider window widens the mission box first, until every column and the addresses show whole; the
    // history box takes the rest.
    auto* splitter = new WidthFirstSplitter(resultsBox);
    splitter->firstWants = [this] { return missionBoxWants(); };
    splitter->secondNeeds = [this] { return historyBoxNeeds(); };
    missionHistorySplitter = splitter;
    missionHistorySplitter->setObjectName(QStringLiteral("missionHistorySplitter"));
    missionHistorySplitter->setHandleWidth(3);
    missionHistorySplitter->setChildrenCollapsible(false);

    missionBox = new QGroupBox(
        QStringLiteral(
            "排名结果(在短时间内不要频繁的查询关键词,以免被搜索引擎限制,出现异常结果,右键导出记录)"),
        missionHistorySplitter);
    missionBox->setObjectName(QStringLiteral("missionBox"));
    auto* results = new QVBoxLayout(missionBox);
    results->setContentsMargins(2, 2, 2, 2);
    results->setSpacing(0);
    results->addWidget(buildEngineRow());
    buildMissionGrid();
    results->addWidget(missionGrid, 1);
    buildPageRangePanel();

    historyGroup = new QGroupBox(QStringLiteral("排名历史记录,右键导出记录"), missionHistorySplitter);
    historyGroup->setObjectName(QStringLiteral("historyGroup"));
    // The window commands give the mission box its width; the history box takes what is left.
    historyGroup->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    missionHistorySplitter->addWidget(missionBox);
    missionHistorySplitter->addWidget(historyGroup);
    missionHistorySplitter->setStretchFactor(0, 0);
    missionHistorySplitter->setStretchFactor(1, 1);
    row->addWidget(missionHistorySplitter);
    return resultsBox;
}

QWidget* MainWindow::buildEngineRow() {
    engineRow = new QWidget(missionBox);
    engineRow->setObjectName(QStringLiteral("engineRow"));
    engineRow->setFixedHeight(35);
    // The boxes stand at fixed places; a narrow gap between box and caption keeps each caption clear of
    // the next box.
    engineRow->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
    engineRowLabel =
        label(engineRow, QStringLiteral("engineRowLabel"), QStringLiteral("选则搜索引擎"), QPoint(16, 11));
    baiduBox = makeEngineBox(engineRow, QStringLiteral("baiduBox"), QStringLiteral("Baidu"), QPoint(96, 8));
    googleBox =
        makeEngineBox(engineRow, QStringLiteral("googleBox"), QStringLiteral("Google"), QPoint(152, 8));
    yahooBox = makeEngineBox(engineRow, QStringLiteral("yahooBox"), QStringLiteral("Yahoo"), QPoint(214, 9));
    sosoBox = makeEngineBox(engineRow, QStringLiteral("sosoBox"), QStringLiteral("Soso"), QPoint(266, 9));
    bingBox = makeEngineBox(engineRow, QStringLiteral("bingBox"), QStringLiteral("Bing"), QPoint(320, 9));
    sogouBox = makeEngineBox(engineRow, QStringLiteral("sogouBox"), QStringLiteral("Sogou"), QPoint(376, 10));
    youdaoBox =
        makeEngineBox(engineRow, QStringLiteral("youdaoBox"), QStringLiteral("Youdao"), QPoint(432, 11));
    allEnginesBox = makeEngineBox(engineRow, QStringLiteral("allEnginesBox"), QStringLiteral("选择所有"),
                                  QPoint(496, 11));
    const std::array boxes{baiduBox, googleBox, yahooBox,  sosoBox,
                           bingBox,  sogouBox,  youdaoBox, allEnginesBox};
    for (QCheckBox* box : boxes)
        box->setChecked(true);
    // A caption wider in this font than its place allows would run into the next box: that box and the
    // ones after it move right just as far as needed, keeping their order.
    for (size_t i = 1; i < boxes.size(); ++i) {
        const int clear = boxes[i - 1]->geometry().right() + 1 + kEngineBoxGap;
        if (boxes[i]->x() < clear)
            boxes[i]->move(clear, boxes[i]->y());
    }
    return engineRow;
}

void MainWindow::buildMissionGrid() {
    missionGrid = new DataGrid(missionBox);
    missionGrid->setObjectName(QStringLiteral("missionGrid"));
    RecordsetModel* model = missionGrid->bind(missions, missionColumns(*missionGrid));
    model->setRowColourHook(&pendingRowColours);
    missionGrid->setCellToolTipProvider(addressToolTip(missions, *missionGrid));
    missionGrid->setFooterTextProvider([this](int column) {
        return column == 0 && missions.isOpen() ? QString::number(missions.recordCount()) : QString();
    });
}

int MainWindow::missionColumnsWidth(int addressWidth) const {
    const RecordsetModel* model = missionGrid->recordsetModel();
    int columns = 0;
    for (int c = 0; c < model->columnCount(); ++c)
        columns += model->gridColumn(c).field == u"UrlName" ? addressWidth : missionGrid->columnWidth(c);
    return gridWidthFor(*missionGrid, columns);
}

int MainWindow::missionBoxNeeds() const {
    return missionColumnsWidth(kAddressWidth) + sideChrome(*missionBox);
}

int MainWindow::missionBoxWants() const {
    const int address = std::clamp(longestAddress_, kAddressWidth, kWidestAddress);
    return missionColumnsWidth(address) + sideChrome(*missionBox);
}

int MainWindow::historyBoxNeeds() const {
    const DataGrid* grid = historyBox->historyGrid;
    int columns = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        columns += grid->columnWidth(c);
    return gridWidthFor(*grid, columns) + sideChrome(*historyGroup) + sideChrome(*historyBox);
}

void MainWindow::fitAddressColumn() {
    const RecordsetModel* model = missionGrid->recordsetModel();
    const int address = model->columnOfField(u"UrlName");
    if (address < 0)
        return;
    int others = 0;
    for (int c = 0; c < model->columnCount(); ++c)
        others += c == address ? 0 : missionGrid->columnWidth(c);
    const int width = std::max(kAddressWidth, missionGrid->viewport()->width() - others);
    if (width != missionGrid->columnWidth(address))
        missionGrid->setColumnWidth(address, width);
}

void MainWindow::buildPageRangePanel() {
    pageRangePanel = new QFrame(missionBox);
    pageRangePanel->setObjectName(QStringLiteral("pageRangePanel"));
    pageRangePanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    pageRangePanel->setAutoFillBackground(true);
    pageRangePanel->setGeometry(192, 104, 369, 121);
    pageSizeNote =
        label(pageRangePanel, QStringLiteral("pageSizeNote"),
              QStringLiteral("说明:Baidu,Google，Yahoo,Sogou默认每页记录条数为100 "), QPoint(11, 21), true);
    bingPageSizeNote = label(pageRangePanel, QStringLiteral("bingPageSizeNote"),
                             QStringLiteral("Bing默认为50"), QPoint(11, 40), true);
    otherEnginesNote = label(pageRangePanel, QStringLiteral("otherEnginesNote"),
                             QStringLiteral("其它搜索引擎默认取前10页"), QPoint(104, 41));
    pageRangeTitle =
        label(pageRangePanel, QStringLiteral("pageRangeTitle"),
              QStringLiteral("查询页数(仅对Baidu,Google,Yahoo,Bing,Sogou有效)"), QPoint(11, 61), true);
    QPalette red = pageRangeTitle->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    pageRangeTitle->setPalette(red);
    pageRangeFromLabel = label(pageRangePanel, QStringLiteral("pageRangeFromLabel"),
                               QStringLiteral("从第一页至"), QPoint(64, 90));
    pageRangeCombo = new QComboBox(pageRangePanel);
    pageRangeCombo->setObjectName(QStringLiteral("pageRangeCombo"));
    for (int page = 1; page <= 10; ++page)
        pageRangeCombo->addItem(QString::number(page));
    pageRangeCombo->setGeometry(128, 86, 49, 20);
    pageRangeUnitLabel =
        label(pageRangePanel, QStringLiteral("pageRangeUnitLabel"), QStringLiteral("页"), QPoint(181, 90));
    applyPageRangeButton = new QToolButton(pageRangePanel);
    applyPageRangeButton->setObjectName(QStringLiteral("applyPageRangeButton"));
    applyPageRangeButton->setText(QStringLiteral("确认"));
    applyPageRangeButton->setFocusPolicy(Qt::NoFocus);
    applyPageRangeButton->setGeometry(197, 85, 52, 22);
    closePageRangeButton = new QToolButton(pageRangePanel);
    closePageRangeButton->setObjectName(QStringLiteral("closePageRangeButton"));
    closePageRangeButton->setIcon(stopPicture());
    closePageRangeButton->setIconSize(QSize(12, 12));
    closePageRangeButton->setAutoRaise(true);
    closePageRangeButton->setFocusPolicy(Qt::NoFocus);
    closePageRangeButton->setGeometry(352, 2, 16, 14);
    pageRangePanel->hide();
    pageRangePanel->raise();
}

QWidget* MainWindow::buildChartArea() {
    chartArea = new QWidget(this);
    chartArea->setObjectName(QStringLiteral("chartArea"));
    // The chart area takes what the results box leaves, down to nothing.
    chartArea->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    auto* fill = new QVBoxLayout(chartArea);
    fill->setContentsMargins(0, 0, 0, 0);
    chartGroup = new QGroupBox(QStringLiteral("排名走势图(Baidu曲线为不包含推广排名)"), chartArea);
    chartGroup->setObjectName(QStringLiteral("chartGroup"));
    fill->addWidget(chartGroup);
    return chartArea;
}

void MainWindow::buildMenus() {
    mainMenu = menuBar();
    mainMenu->setObjectName(QStringLiteral("mainMenu"));
    helpAction = mainMenu->addAction(QStringLiteral("帮助"));
    aboutAction = mainMenu->addAction(QStringLiteral("关于"));
    visitSiteAction = mainMenu->addAction(QStringLiteral("访问Velmora"));
    downloadUpdateAction = mainMenu->addAction(QStringLiteral("最新版本下载"));

    missionMenu = new QMenu(this);
    missionMenu->setObjectName(QStringLiteral("missionMenu"));
    updateRowAction = missionMenu->addAction(QStringLiteral("更新排名"));
    openSearchMenu = missionMenu->addMenu(QStringLiteral("打开搜索页"));
    openBaiduAction = openSearchMenu->addAction(QStringLiteral("Baidu"));
    openGoogleAction = openSearchMenu->addAction(QStringLiteral("Google"));
    openYahooAction = openSearchMenu->addAction(QStringLiteral("Yahoo"));
    openSogouAction = openSearchMenu->addAction(QStringLiteral("Sogou"));
    openBingAction = openSearchMenu->addAction(QStringLiteral("Bing"));
    openSosoAction = openSearchMenu->addAction(QStringLiteral("Soso"));
    openYoudaoAction = openSearchMenu->addAction(QStringLiteral("Youdao"));
    deleteRowAction = missionMenu->addAction(QStringLiteral("删除"));
    exportLatestAction = missionMenu->addAction(QStringLiteral("导出"));
}

void MainWindow::buildTray() {
    trayMenu = new QMenu(this);
    trayMenu->setObjectName(QStringLiteral("trayMenu"));
    trayStopAction = trayMenu->addAction(QStringLiteral("停止"));
    trayDownloadAction = trayMenu->addAction(QStringLiteral("下载地址"));
    trayAddUrlAction = trayMenu->addAction(QStringLiteral("添加网址"));
    trayRefreshAction = trayMenu->addAction(QStringLiteral("刷新任务"));
    trayExitAction = trayMenu->addAction(QStringLiteral("退出"));

    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    trayIcon->setContextMenu(trayMenu);
}

void MainWindow::connectCommands() {
    connect(addUrlsButton, &QToolButton::clicked, this, &MainWindow::addUrls);
    connect(startButton, &QToolButton::clicked, this, &MainWindow::startBatchRun);
    connect(refreshButton, &QToolButton::clicked, this, &MainWindow::refreshMissionList);
    connect(settingsButton, &QToolButton::clicked, this, &MainWindow::showPageRangePanel);
    connect(stopButton, &QToolButton::clicked, this, &MainWindow::stopRun);
    connect(exitButton, &QToolButton::clicked, this, &MainWindow::exitProgram);
    connect(exportHistoryButton, &QToolButton::clicked, this, &MainWindow::exportLatestResults);

    connect(updateRowAction, &QAction::triggered, this, &MainWindow::updateSelectedRow);
    connect(openBaiduAction, &QAction::triggered, this, [this] { openSearchPage(u"Baidu"); });
    connect(openGoogleAction, &QAction::triggered, this, [this] { openSearchPage(u"Google"); });
    connect(openYahooAction, &QAction::triggered, this, [this] { openSearchPage(u"Yahoo"); });
    connect(openSogouAction, &QAction::triggered, this, [this] { openSearchPage(u"Sogou"); });
    connect(openBingAction, &QAction::triggered, this, [this] { openSearchPage(u"Bing"); });
    connect(openSosoAction, &QAction::triggered, this, [this] { openSearchPage(u"Soso"); });
    connect(openYoudaoAction, &QAction::triggered, this, [this] { openSearchPage(u"Youdao"); });
    connect(deleteRowAction, &QAction::triggered, this, &MainWindow::deleteSelectedRow);
    connect(exportLatestAction, &QAction::triggered, this, &MainWindow::exportLatestResults);
    connect(historyBox->exportHistoryAction, &QAction::triggered, this, &MainWindow::exportHistory);

    // The tray items run the handlers of the tool-bar buttons of the same name, whether those buttons are
    // enabled, disabled or hidden.
    connect(allEnginesBox, &QCheckBox::clicked, this, &MainWindow::tickAllEngines);
    connect(applyPageRangeButton, &QToolButton::clicked, this, &MainWindow::applyPageRange);
    connect(closePageRangeButton, &QToolButton::clicked, this, &MainWindow::closePageRangePanel);
    connect(trayStopAction, &QAction::triggered, this, &MainWindow::stopRun);
    connect(trayAddUrlAction, &QAction::triggered, this, &MainWindow::addUrls);
    connect(trayRefreshAction, &QAction::triggered, this, &MainWindow::refreshMissionList);
    connect(trayExitAction, &QAction::triggered, this, &MainWindow::exitProgram);

    connect(missionGrid, &QAbstractItemView::clicked, this, &MainWindow::missionCellClicked);
    // The viewport narrows and widens with the mission box and with the vertical scroll bar.
    new ResizeWatcher(missionGrid->viewport(), [this] { fitAddressColumn(); });
    // The history box shows the history of the row the user stands on, wherever the cursor goes (keys,
    // find, reloads, a run stepping on), not only after a click.
    historyBox->followCurrentRow();
    connect(missionGrid, &QAbstractItemView::doubleClicked, this, &MainWindow::missionCellDoubleClicked);
}

} // namespace quorvane
