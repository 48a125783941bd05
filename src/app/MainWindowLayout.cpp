// The main window's controls, their layouts and how the window's size is shared among them.
#include "app/AddressToolTip.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "app/SharingSplitter.h"
#include "engine/EngineTable.h"
#include "history/HistoryBox.h"
#include "history/HistoryStatements.h"
#include "ui/DataGrid.h"
#include "ui/Fonts.h"
#include "ui/RecordsetModel.h"
#include "ui/WrappingRowLayout.h"

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

// A tool-bar button: a small picture above its caption, at least as wide as designed and wider where its
// caption needs it.
QToolButton* speedButton(QWidget* parent, const QString& name, const QString& caption, const QIcon& picture,
                         int designWidth) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(picture);
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    button->setMinimumWidth(designWidth);
    return button;
}

QLabel* label(QWidget* parent, const QString& name, const QString& caption, bool bold = false) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    if (bold) {
        QFont font = l->font();
        font.setBold(true);
        l->setFont(font);
    }
    return l;
}

// A panel whose preferred width is given rather than taken from its content; it gives way down to nothing.
class PreferredWidthFrame final : public QFrame {
public:
    PreferredWidthFrame(int preferredWidth, QWidget* parent)
        : QFrame(parent)
        , preferredWidth_(preferredWidth) {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override { return {preferredWidth_, QFrame::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QFrame::minimumSizeHint().height()}; }

private:
    int preferredWidth_;
};

constexpr char16_t kMissionBoxCaption[] =
    u"排名结果(在短时间内不要频繁的查询关键词,以免被搜索引擎限制,出现异常结果,右键导出记录)";

// Gives a group box its caption, cut with an ellipsis to the box's width, with the whole caption as the
// tooltip when it is cut.
void showCaptionWithin(QGroupBox& box, const char16_t* caption) {
    const QString whole = QString::fromUtf16(caption);
    // The caption's indent and the frame's edge on the right.
    const int room = std::max(0, box.width() - 16);
    const QString shown = box.fontMetrics().elidedText(whole, Qt::ElideRight, room);
    if (box.title() != shown)
        box.setTitle(shown);
    box.setToolTip(shown == whole ? QString() : whole);
}

// The addresses column's given width; wider where the mission grid has room.
constexpr int kAddressWidth = 120;

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

// A menu item with a name by which the window's parts can be told apart.
QAction* namedAction(QWidget* menu, const QString& name, const QString& text) {
    auto* action = new QAction(text, menu);
    action->setObjectName(name);
    menu->addAction(action);
    return action;
}

// The least room between one engine box's caption and the next box.
constexpr int kEngineBoxGap = 4;

// An engine box taking the designed room up to the next box, or more where its caption needs it.
QCheckBox* makeEngineBox(QWidget* parent, const QString& name, const QString& caption, int designRoom) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setMinimumWidth(std::max(designRoom, box->sizeHint().width() + kEngineBoxGap));
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
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
    };
    for (const RankColumn& rank : shownRankColumns())
        columns.push_back({rank.caption().toString(), rank.field().toString(), rank.engine->gridWidth, centre,
                           rank.sortable()});
    columns.push_back({QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 55, centre, true});
    for (DataGridColumn& column : columns) {
        if (column.field == u"KeyWordName" || column.field == u"UrlName")
            continue; // free text: the given widths stand, longer texts are cut and shown by the tooltip
        const QStringList values = column.field == u"UpdateTime" ? dates : rankValues(column.field);
        column.width = std::max(column.width, grid.fittingWidth(column.title, values, column.sortable));
    }
    return columns;
}

// A row under check carries the pending mark in one of the engines' first rank cells (never in a second).
RowColours pendingRowColours(const Recordset& rs, int row) {
    for (const EngineInfo& engine : engines()) {
        const int field = rs.fieldIndex(engine.rankColumn);
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

    resultsChartSplitter_ = new SharingSplitter(Qt::Vertical, central);
    resultsChartSplitter_->setObjectName(QStringLiteral("resultsChartSplitter"));
    resultsChartSplitter_->setHandleWidth(2);
    resultsChartSplitter_->setChildrenCollapsible(false);
    resultsChartSplitter_->addWidget(buildResultsBox());
    resultsChartSplitter_->addWidget(buildChartArea());
    // A taller or shorter window changes the results box (the grids' rows) and the chart area in the
    // proportion they have; a short one takes the chart's height first.
    resultsChartSplitter_->handle(1)->setCursor(Qt::SizeVerCursor);
    column->addWidget(resultsChartSplitter_, 1);
    setCentralWidget(central);

    buildMenus();
    buildTray();
}

QWidget* MainWindow::buildToolBar() {
    toolBarPanel_ = new QFrame(this);
    toolBarPanel_->setObjectName(QStringLiteral("toolBarPanel"));
    toolBarPanel_->setFixedHeight(65);
    auto* row = new QHBoxLayout(toolBarPanel_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The buttons from the left, each whole.
    auto* buttons = new QWidget(toolBarPanel_);
    buttons->setObjectName(QStringLiteral("toolBarButtons"));
    auto* line = new QHBoxLayout(buttons);
    line->setContentsMargins(1, 6, 0, 5);
    line->setSpacing(1);
    addUrlsButton_ = speedButton(buttons, QStringLiteral("addUrlsButton"), QStringLiteral("&1 添加网址"),
                                 addLinkPicture(), 70);
    startButton_ = speedButton(buttons, QStringLiteral("startButton"), QStringLiteral("&2 批量更新排名"),
                               startPicture(), 89);
    refreshButton_ =
        speedButton(buttons, QStringLiteral("refreshButton"), QStringLiteral("刷新任务"), QIcon(), 71);
    refreshButton_->setAutoRaise(true);
    refreshButton_->hide();
    settingsButton_ =
        speedButton(buttons, QStringLiteral("settingsButton"), QStringLiteral("设置"), settingsPicture(), 48);
    stopButton_ =
        speedButton(buttons, QStringLiteral("stopButton"), QStringLiteral("停止"), stopPicture(), 48);
    exitButton_ =
        speedButton(buttons, QStringLiteral("exitButton"), QStringLiteral("退出"), exitPicture(), 47);
    stopButton_->setFont(songTiFont(13));
    exitButton_->setFont(songTiFont(13));
    exportHistoryButton_ = speedButton(buttons, QStringLiteral("exportHistoryButton"),
                                       QStringLiteral("导出历史记录"), exportPicture(), 73);
    exportHistoryButton_->hide();
    versionPagePanel_ = new QWidget(buttons);
    versionPagePanel_->setObjectName(QStringLiteral("versionPagePanel"));
    versionPagePanel_->hide();
    for (QWidget* item : {static_cast<QWidget*>(addUrlsButton_), static_cast<QWidget*>(startButton_),
                          static_cast<QWidget*>(refreshButton_), static_cast<QWidget*>(settingsButton_),
                          static_cast<QWidget*>(stopButton_), static_cast<QWidget*>(exitButton_),
                          static_cast<QWidget*>(exportHistoryButton_), versionPagePanel_})
        line->addWidget(item);
    // The buttons keep their widths; the blank after them takes what the window gains, and the
    // promotion panel gives way first when it loses.
    buttons->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    row->addWidget(buttons);
    row->addStretch(1);

    makerPagePanel_ = new QFrame(toolBarPanel_);
    makerPagePanel_->setObjectName(QStringLiteral("makerPagePanel"));
    makerPagePanel_->setFixedWidth(323);
    makerPagePanel_->setLayout(new QVBoxLayout);
    makerPagePanel_->layout()->setContentsMargins(0, 0, 0, 0);
    row->addWidget(makerPagePanel_);
    row->addWidget(buildPromotionPanel());
    return toolBarPanel_;
}

QWidget* MainWindow::buildPromotionPanel() {
    // At the far right, 445 wide where the window has room; a narrower window narrows it first, so that the
    // buttons and the maker's page stay whole.
    promotionPanel_ = new PreferredWidthFrame(445, toolBarPanel_);
    promotionPanel_->setObjectName(QStringLiteral("promotionPanel"));
    promotionPanel_->setAutoFillBackground(true);
    QPalette white = promotionPanel_->palette();
    white.setColor(QPalette::Window, Qt::white);
    promotionPanel_->setPalette(white);
    auto* lines = new QVBoxLayout(promotionPanel_);
    lines->setContentsMargins(11, 3, 0, 0);
    lines->setSpacing(3);
    promotionTitle_ =
        label(promotionPanel_, QStringLiteral("promotionTitle"), QStringLiteral("特别推荐"), true);
    // The promotional links get their captions and targets with the maker's web services.
    promotionLink1_ = label(promotionPanel_, QStringLiteral("promotionLink1"), QString());
    promotionLink2_ = label(promotionPanel_, QStringLiteral("promotionLink2"), QString());
    lines->addWidget(promotionTitle_);
    for (QLabel* link : {promotionLink1_, promotionLink2_}) {
        // A link longer than the panel is cut rather than widening the tool bar.
        link->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        link->setContentsMargins(2, 0, 0, 0); // the links stand a little right of the title
        lines->addWidget(link);
    }
    lines->addStretch(1);
    return promotionPanel_;
}

QWidget* MainWindow::buildBrowserStrip() {
    browserStrip_ = new QWidget(this);
    browserStrip_->setObjectName(QStringLiteral("browserStrip"));
    browserStrip_->setFixedHeight(1);
    auto* row = new QHBoxLayout(browserStrip_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    rankBrowserPanel_ = new QWidget(browserStrip_);
    rankBrowserPanel_->setObjectName(QStringLiteral("rankBrowserPanel"));
    navPagePanel_ = new QWidget(browserStrip_);
    navPagePanel_->setObjectName(QStringLiteral("navPagePanel"));
    row->addWidget(rankBrowserPanel_);
    row->addWidget(navPagePanel_);
    return browserStrip_;
}

QWidget* MainWindow::buildResultsBox() {
    resultsBox_ = new QGroupBox(this);
    resultsBox_->setObjectName(QStringLiteral("resultsBox"));
    auto* row = new QHBoxLayout(resultsBox_);
    row->setContentsMargins(2, 2, 2, 2);

    // The mission box and the history box keep their proportion as the window's width changes; the history
    // box keeps its columns, and the mission grid scrolls sideways when the window is too narrow for both.
    auto* splitter = new SharingSplitter(Qt::Horizontal, resultsBox_);
    splitter->firstNeeds = [this] { return missionBoxNeeds(); };
    splitter->secondNeeds = [this] { return historyBoxNeeds(); };
    missionHistorySplitter_ = splitter;
    missionHistorySplitter_->setObjectName(QStringLiteral("missionHistorySplitter"));
    missionHistorySplitter_->setHandleWidth(3);
    missionHistorySplitter_->setChildrenCollapsible(false);

    missionBox_ = new QGroupBox(missionHistorySplitter_);
    missionBox_->setObjectName(QStringLiteral("missionBox"));
    missionBox_->setTitle(QString::fromUtf16(kMissionBoxCaption));
    // The caption is cut at the box's right edge rather than widening the box.
    missionBox_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* results = new QVBoxLayout(missionBox_);
    results->setContentsMargins(2, 2, 2, 2);
    results->setSpacing(0);
    results->addWidget(buildEngineRow());
    buildMissionGrid();
    results->addWidget(missionGrid_, 1);
    buildPageRangePanel();
    // The caption is cut with an ellipsis where the box is narrower than it, whole in the tooltip, so that
    // it never runs into the history box's caption.
    new ResizeWatcher(missionBox_, [this] {
        placePageRangePanel();
        showCaptionWithin(*missionBox_, kMissionBoxCaption);
    });

    historyGroup_ = new QGroupBox(QStringLiteral("排名历史记录,右键导出记录"), missionHistorySplitter_);
    historyGroup_->setObjectName(QStringLiteral("historyGroup"));
    // The splitter gives the history box its width; its caption does not widen it.
    historyGroup_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    missionHistorySplitter_->addWidget(missionBox_);
    missionHistorySplitter_->addWidget(historyGroup_);
    row->addWidget(missionHistorySplitter_);
    return resultsBox_;
}

QWidget* MainWindow::buildEngineRow() {
    engineRow_ = new QWidget(missionBox_);
    engineRow_->setObjectName(QStringLiteral("engineRow"));
    // A narrow gap between box and caption keeps each caption clear of the next box.
    engineRow_->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
    // One line 35 high; a mission box too narrow for it puts the rest of the boxes on further lines.
    auto* row = new WrappingRowLayout(engineRow_, 35, 24);
    row->setContentsMargins(16, 0, 0, 0);
    engineRowLabel_ = label(engineRow_, QStringLiteral("engineRowLabel"), QStringLiteral("选则搜索引擎"));
    engineRowLabel_->setMinimumWidth(std::max(80, engineRowLabel_->sizeHint().width() + kEngineBoxGap));
    row->addWidget(engineRowLabel_);
    // Each box takes the room designed up to the next one, or what its caption needs when that is more, so
    // the order and the designed places hold wherever the captions leave room.
    engineBoxes_.clear();
    for (const EngineInfo& engine : engines())
        engineBoxes_.push_back(makeEngineBox(engineRow_,
                                             engine.name.toString().toLower() + QStringLiteral("Box"),
                                             engine.name.toString(), engine.boxRoom));
    allEnginesBox_ =
        makeEngineBox(engineRow_, QStringLiteral("allEnginesBox"), QStringLiteral("选择所有"), 0);
    std::vector<QCheckBox*> boxes = engineBoxes_;
    boxes.push_back(allEnginesBox_);
    for (QCheckBox* box : boxes) {
        box->setChecked(true);
        row->addWidget(box);
    }
    return engineRow_;
}

void MainWindow::buildMissionGrid() {
    missionGrid_ = new DataGrid(missionBox_);
    missionGrid_->setObjectName(QStringLiteral("missionGrid"));
    RecordsetModel* model = missionGrid_->bind(missions_, missionColumns(*missionGrid_));
    model->setRowColourHook(&pendingRowColours);
    missionGrid_->setCellToolTipProvider(addressToolTip(missions_, *missionGrid_));
    missionGrid_->setFooterTextProvider([this](int column) {
        return column == 0 && missions_.isOpen() ? QString::number(missions_.recordCount()) : QString();
    });
}

int MainWindow::missionBoxNeeds() const {
    const RecordsetModel* model = missionGrid_->recordsetModel();
    int columns = 0;
    for (int c = 0; c < model->columnCount(); ++c)
        columns += model->gridColumn(c).field == u"UrlName" ? kAddressWidth : missionGrid_->columnWidth(c);
    return gridWidthFor(*missionGrid_, columns) + sideChrome(*missionBox_);
}

int MainWindow::historyBoxNeeds() const {
    const DataGrid* grid = historyBox_->historyGrid;
    int columns = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        columns += grid->columnWidth(c);
    const int gridNeeds = gridWidthFor(*grid, columns) + sideChrome(*historyBox_);
    // The date row (its two pickers) must fit as well as the grid.
    const int rowNeeds = historyBox_->dateRow->minimumSizeHint().width() + sideChrome(*historyBox_);
    return std::max(gridNeeds, rowNeeds) + sideChrome(*historyGroup_);
}

void MainWindow::fitAddressColumn() {
    const RecordsetModel* model = missionGrid_->recordsetModel();
    const int address = model->columnOfField(u"UrlName");
    if (address < 0)
        return;
    int others = 0;
    for (int c = 0; c < model->columnCount(); ++c)
        others += c == address ? 0 : missionGrid_->columnWidth(c);
    const int width = std::max(kAddressWidth, missionGrid_->viewport()->width() - others);
    if (width != missionGrid_->columnWidth(address))
        missionGrid_->setColumnWidth(address, width);
}

void MainWindow::buildPageRangePanel() {
    pageRangePanel_ = new QFrame(missionBox_);
    pageRangePanel_->setObjectName(QStringLiteral("pageRangePanel"));
    pageRangePanel_->setFrameStyle(QFrame::Box | QFrame::Plain);
    pageRangePanel_->setAutoFillBackground(true);
    auto* lines = new QVBoxLayout(pageRangePanel_);
    lines->setContentsMargins(11, 2, 2, 8);
    lines->setSpacing(4);

    closePageRangeButton_ = new QToolButton(pageRangePanel_);
    closePageRangeButton_->setObjectName(QStringLiteral("closePageRangeButton"));
    closePageRangeButton_->setIcon(stopPicture());
    closePageRangeButton_->setIconSize(QSize(12, 12));
    closePageRangeButton_->setAutoRaise(true);
    closePageRangeButton_->setFocusPolicy(Qt::NoFocus);
    closePageRangeButton_->setFixedSize(16, 14);
    lines->addWidget(closePageRangeButton_, 0, Qt::AlignRight);

    lines->addWidget(
        label(pageRangePanel_, QStringLiteral("pageSizeNote"), QString::fromUtf16(kPageSizeNote), true));
    auto* notes = new QHBoxLayout;
    notes->setSpacing(16);
    notes->addWidget(label(pageRangePanel_, QStringLiteral("bingPageSizeNote"),
                           QString::fromUtf16(kOtherPageSizeNote), true));
    notes->addWidget(label(pageRangePanel_, QStringLiteral("otherEnginesNote"),
                           QStringLiteral("其它搜索引擎默认取前10页")));
    notes->addStretch(1);
    lines->addLayout(notes);
    QLabel* title =
        label(pageRangePanel_, QStringLiteral("pageRangeTitle"), QString::fromUtf16(kPageRangeTitle), true);
    QPalette red = title->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    title->setPalette(red);
    lines->addWidget(title);

    auto* choice = new QHBoxLayout;
    choice->setContentsMargins(53, 4, 0, 0);
    choice->setSpacing(4);
    choice->addWidget(
        label(pageRangePanel_, QStringLiteral("pageRangeFromLabel"), QStringLiteral("从第一页至")));
    pageRangeCombo_ = new QComboBox(pageRangePanel_);
    pageRangeCombo_->setObjectName(QStringLiteral("pageRangeCombo"));
    for (int page = 1; page <= 10; ++page)
        pageRangeCombo_->addItem(QString::number(page));
    pageRangeCombo_->setMinimumWidth(49);
    choice->addWidget(pageRangeCombo_);
    choice->addWidget(label(pageRangePanel_, QStringLiteral("pageRangeUnitLabel"), QStringLiteral("页")));
    applyPageRangeButton_ = new QToolButton(pageRangePanel_);
    applyPageRangeButton_->setObjectName(QStringLiteral("applyPageRangeButton"));
    applyPageRangeButton_->setText(QStringLiteral("确认"));
    applyPageRangeButton_->setFocusPolicy(Qt::NoFocus);
    applyPageRangeButton_->setMinimumSize(52, 22);
    choice->addWidget(applyPageRangeButton_);
    choice->addStretch(1);
    lines->addLayout(choice);

    pageRangePanel_->resize(pageRangePanel_->sizeHint().expandedTo(QSize(369, 121)));
    pageRangePanel_->hide();
}

void MainWindow::placePageRangePanel() {
    // Over the grid at its designed place, moved left and up as far as a narrow box needs.
    const QSize room = missionBox_->size() - pageRangePanel_->size();
    pageRangePanel_->move(std::clamp(192, 0, std::max(0, room.width())),
                          std::clamp(104, 0, std::max(0, room.height())));
    pageRangePanel_->raise();
}

QWidget* MainWindow::buildChartArea() {
    chartArea_ = new QWidget(this);
    chartArea_->setObjectName(QStringLiteral("chartArea"));
    // The chart area shares the height with the results box; it gives way first when the window is short.
    chartArea_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    auto* fill = new QVBoxLayout(chartArea_);
    fill->setContentsMargins(0, 0, 0, 0);
    chartGroup_ = new QGroupBox(chartCaption(), chartArea_);
    chartGroup_->setObjectName(QStringLiteral("chartGroup"));
    fill->addWidget(chartGroup_);
    return chartArea_;
}

void MainWindow::buildMenus() {
    QMenuBar* mainMenu = menuBar();
    mainMenu->setObjectName(QStringLiteral("mainMenu"));
    helpAction_ = namedAction(mainMenu, QStringLiteral("helpAction"), QStringLiteral("帮助"));
    aboutAction_ = namedAction(mainMenu, QStringLiteral("aboutAction"), QStringLiteral("关于"));
    visitSiteAction_ =
        namedAction(mainMenu, QStringLiteral("visitSiteAction"), QStringLiteral("访问Velmora"));
    downloadUpdateAction_ =
        namedAction(mainMenu, QStringLiteral("downloadUpdateAction"), QStringLiteral("最新版本下载"));

    missionMenu_ = new QMenu(this);
    missionMenu_->setObjectName(QStringLiteral("missionMenu"));
    updateRowAction_ =
        namedAction(missionMenu_, QStringLiteral("updateRowAction"), QStringLiteral("更新排名"));
    openSearchMenu_ = missionMenu_->addMenu(QStringLiteral("打开搜索页"));
    openSearchMenu_->setObjectName(QStringLiteral("openSearchMenu"));
    for (const EngineInfo* entry : runOrder()) {
        const QString engine = entry->name.toString();
        QAction* open = namedAction(openSearchMenu_, QStringLiteral("open%1Action").arg(engine), engine);
        connect(open, &QAction::triggered, this, [this, engine] { openSearchPage(engine); });
    }
    deleteRowAction_ = namedAction(missionMenu_, QStringLiteral("deleteRowAction"), QStringLiteral("删除"));
    exportLatestAction_ =
        namedAction(missionMenu_, QStringLiteral("exportLatestAction"), QStringLiteral("导出"));
}

void MainWindow::buildTray() {
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName(QStringLiteral("trayMenu"));
    trayStopAction_ = namedAction(trayMenu_, QStringLiteral("trayStopAction"), QStringLiteral("停止"));
    trayDownloadAction_ =
        namedAction(trayMenu_, QStringLiteral("trayDownloadAction"), QStringLiteral("下载地址"));
    trayAddUrlAction_ =
        namedAction(trayMenu_, QStringLiteral("trayAddUrlAction"), QStringLiteral("添加网址"));
    trayRefreshAction_ =
        namedAction(trayMenu_, QStringLiteral("trayRefreshAction"), QStringLiteral("刷新任务"));
    trayExitAction_ = namedAction(trayMenu_, QStringLiteral("trayExitAction"), QStringLiteral("退出"));

    trayIcon_ = new QSystemTrayIcon(this);
    trayIcon_->setObjectName(QStringLiteral("trayIcon"));
    trayIcon_->setContextMenu(trayMenu_);
}

void MainWindow::connectCommands() {
    connect(addUrlsButton_, &QToolButton::clicked, this, &MainWindow::addUrls);
    connect(startButton_, &QToolButton::clicked, this, &MainWindow::startBatchRun);
    connect(refreshButton_, &QToolButton::clicked, this, &MainWindow::refreshMissionList);
    connect(settingsButton_, &QToolButton::clicked, this, &MainWindow::showPageRangePanel);
    connect(stopButton_, &QToolButton::clicked, this, &MainWindow::stopRun);
    connect(exitButton_, &QToolButton::clicked, this, &MainWindow::exitProgram);
    connect(exportHistoryButton_, &QToolButton::clicked, this, &MainWindow::exportLatestResults);

    connect(updateRowAction_, &QAction::triggered, this, &MainWindow::updateSelectedRow);
    connect(deleteRowAction_, &QAction::triggered, this, &MainWindow::deleteSelectedRow);
    connect(exportLatestAction_, &QAction::triggered, this, &MainWindow::exportLatestResults);
    connect(historyBox_->exportHistoryAction, &QAction::triggered, this, &MainWindow::exportHistory);

    // The tray items run the handlers of the tool-bar buttons of the same name, whether those buttons are
    // enabled, disabled or hidden.
    connect(allEnginesBox_, &QCheckBox::clicked, this, &MainWindow::tickAllEngines);
    connect(applyPageRangeButton_, &QToolButton::clicked, this, &MainWindow::applyPageRange);
    connect(closePageRangeButton_, &QToolButton::clicked, this, &MainWindow::closePageRangePanel);
    connect(trayStopAction_, &QAction::triggered, this, &MainWindow::stopRun);
    connect(trayAddUrlAction_, &QAction::triggered, this, &MainWindow::addUrls);
    connect(trayRefreshAction_, &QAction::triggered, this, &MainWindow::refreshMissionList);
    connect(trayExitAction_, &QAction::triggered, this, &MainWindow::exitProgram);

    connect(missionGrid_, &QAbstractItemView::clicked, this, &MainWindow::missionCellClicked);
    // The viewport narrows and widens with the mission box and with the vertical scroll bar.
    new ResizeWatcher(missionGrid_->viewport(), [this] { fitAddressColumn(); });
    // The history box shows the history of the row the user stands on, wherever the cursor goes (keys,
    // find, reloads, a run stepping on), not only after a click.
    historyBox_->followCurrentRow();
    connect(missionGrid_, &QAbstractItemView::doubleClicked, this, &MainWindow::missionCellDoubleClicked);
}

} // namespace quorvane
