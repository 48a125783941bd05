// The main window's controls: sizes and places as the user sees them.
#include "app/Pictures.h"
#include "app/UntMain.h"
#include "ui/DBGrid.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QVBoxLayout>

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

QCheckBox* engineBox(QWidget* parent, const QString& name, const QString& caption, QPoint at) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->adjustSize();
    box->move(at);
    return box;
}

std::vector<GridColumn> missionColumns() {
    const Qt::Alignment centre = Qt::AlignCenter;
    return {
        {QStringLiteral("关键词"), QStringLiteral("KeyWordName"), 89, centre, true},
        {QStringLiteral("相关链接"), QStringLiteral("UrlName"), 120, Qt::AlignLeft, true},
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
}

// A row under check carries the pending mark in one of these cells (not in BaiduRank2).
RowColours pendingRowColours(const Recordset& rs, int row) {
    static const char16_t* const cells[] = {u"BaiduRank", u"GoogleRank", u"YahooRank", u"SogouRank",
                                            u"BingRank",  u"SosoRank",   u"YoudaoRank"};
    for (const char16_t* cell : cells) {
        const int field = rs.FieldIndex(QStringView(cell));
        if (field >= 0 && rs.Value(row, field).toString() == QStringLiteral("稍候"))
            return {QColor(255, 0, 0), QColor(255, 255, 255)};
    }
    return {};
}

} // namespace

void TfrmIndex::BuildWindow() {
    setFont(SongTiFont(12));
    setWindowIcon(ApplicationIcon());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(BuildToolBar());
    column->addWidget(BuildBrowserStrip());

    tntspltr1 = new QSplitter(Qt::Vertical, central);
    tntspltr1->setObjectName(QStringLiteral("tntspltr1"));
    tntspltr1->setHandleWidth(2);
    tntspltr1->setChildrenCollapsible(false);
    tntspltr1->addWidget(BuildResultsBox());
    tntspltr1->addWidget(BuildChartArea());
    // The results box keeps its height when the window grows; the chart area takes the rest.
    tntspltr1->setStretchFactor(0, 0);
    tntspltr1->setStretchFactor(1, 1);
    tntspltr1->handle(1)->setCursor(Qt::SizeVerCursor);
    column->addWidget(tntspltr1, 1);
    setCentralWidget(central);

    BuildMenus();
    BuildTray();
}

QWidget* TfrmIndex::BuildToolBar() {
    tntpnl6 = new QFrame(this);
    tntpnl6->setObjectName(QStringLiteral("tntpnl6"));
    tntpnl6->setFixedHeight(65);
    auto* row = new QHBoxLayout(tntpnl6);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    auto* buttons = new QWidget(tntpnl6);
    btnAddLink = speedButton(buttons, QStringLiteral("btnAddLink"), QStringLiteral("&1 添加网址"),
                             AddLinkPicture(), QRect(1, 6, 70, 54));
    btnStart = speedButton(buttons, QStringLiteral("btnStart"), QStringLiteral("&2 批量更新排名"),
                           StartPicture(), QRect(72, 6, 89, 54));
    btnrefresh = speedButton(buttons, QStringLiteral("btnrefresh"), QStringLiteral("刷新任务"), QIcon(),
                             QRect(88, 3, 71, 45));
    btnrefresh->setAutoRaise(true);
    btnrefresh->hide();
    btnAttribute = speedButton(buttons, QStringLiteral("btnAttribute"), QStringLiteral("设置"),
                               SettingsPicture(), QRect(160, 6, 48, 54));
    btnStop = speedButton(buttons, QStringLiteral("btnStop"), QStringLiteral("停止"), StopPicture(),
                          QRect(208, 6, 48, 54));
    btnClose = speedButton(buttons, QStringLiteral("btnClose"), QStringLiteral("退出"), ExitPicture(),
                           QRect(255, 6, 47, 54));
    btnStop->setFont(SongTiFont(13));
    btnClose->setFont(SongTiFont(13));
    btnExport = speedButton(buttons, QStringLiteral("btnExport"), QStringLiteral("导出历史记录"),
                            ExportPicture(), QRect(302, 6, 73, 54));
    btnExport->hide();
    tntpnl5 = new QWidget(buttons);
    tntpnl5->setObjectName(QStringLiteral("tntpnl5"));
    tntpnl5->setGeometry(392, 8, 1, 1);
    tntpnl5->hide();
    row->addWidget(buttons, 1);

    wb2Panel = new QFrame(tntpnl6);
    wb2Panel->setObjectName(QStringLiteral("wb2Panel"));
    wb2Panel->setFixedWidth(323);
    wb2Panel->setLayout(new QVBoxLayout);
    wb2Panel->layout()->setContentsMargins(0, 0, 0, 0);
    row->addWidget(wb2Panel);

    tntpnl8 = new QFrame(tntpnl6);
    tntpnl8->setObjectName(QStringLiteral("tntpnl8"));
    tntpnl8->setFixedWidth(445);
    tntpnl8->setAutoFillBackground(true);
    QPalette white = tntpnl8->palette();
    white.setColor(QPalette::Window, Qt::white);
    tntpnl8->setPalette(white);
    lbl5 = label(tntpnl8, QStringLiteral("lbl5"), QStringLiteral("特别推荐"), QPoint(11, 3), true);
    // The promotional links get their captions and targets with the maker's web services.
    lbl3 = label(tntpnl8, QStringLiteral("lbl3"), QString(), QPoint(13, 20));
    lbl4 = label(tntpnl8, QStringLiteral("lbl4"), QString(), QPoint(13, 39));
    row->addWidget(tntpnl8);
    return tntpnl6;
}

QWidget* TfrmIndex::BuildBrowserStrip() {
    tntpnl1 = new QWidget(this);
    tntpnl1->setObjectName(QStringLiteral("tntpnl1"));
    tntpnl1->setFixedHeight(1);
    auto* row = new QHBoxLayout(tntpnl1);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    tntpnl4 = new QWidget(tntpnl1);
    tntpnl4->setObjectName(QStringLiteral("tntpnl4"));
    tntpnl3 = new QWidget(tntpnl1);
    tntpnl3->setObjectName(QStringLiteral("tntpnl3"));
    row->addWidget(tntpnl4);
    row->addWidget(tntpnl3);
    return tntpnl1;
}

QWidget* TfrmIndex::BuildResultsBox() {
    grp2 = new QGroupBox(this);
    grp2->setObjectName(QStringLiteral("grp2"));
    auto* row = new QHBoxLayout(grp2);
    row->setContentsMargins(2, 2, 2, 2);

    tntspltr2 = new QSplitter(Qt::Horizontal, grp2);
    tntspltr2->setObjectName(QStringLiteral("tntspltr2"));
    tntspltr2->setHandleWidth(3);
    tntspltr2->setChildrenCollapsible(false);

    grp3 = new QGroupBox(
        QStringLiteral(
            "排名结果(在短时间内不要频繁的查询关键词,以免被搜索引擎限制,出现异常结果,右键导出记录)"),
        tntspltr2);
    grp3->setObjectName(QStringLiteral("grp3"));
    auto* results = new QVBoxLayout(grp3);
    results->setContentsMargins(2, 2, 2, 2);
    results->setSpacing(0);
    results->addWidget(BuildEngineRow());
    BuildMissionGrid();
    results->addWidget(dbgrdh1, 1);
    BuildPageRangePanel();

    grp5 = new QGroupBox(QStringLiteral("排名历史记录,右键导出记录"), tntspltr2);
    grp5->setObjectName(QStringLiteral("grp5"));
    // The mission box keeps the width the window commands give it; the history box takes what is left.
    grp5->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    tntspltr2->addWidget(grp3);
    tntspltr2->addWidget(grp5);
    tntspltr2->setStretchFactor(0, 0);
    tntspltr2->setStretchFactor(1, 1);
    row->addWidget(tntspltr2);
    return grp2;
}

QWidget* TfrmIndex::BuildEngineRow() {
    tntpnl11 = new QWidget(grp3);
    tntpnl11->setObjectName(QStringLiteral("tntpnl11"));
    tntpnl11->setFixedHeight(35);
    // The boxes stand at fixed places; a narrow gap between box and caption keeps each caption clear of
    // the next box.
    tntpnl11->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));
    lbl9 = label(tntpnl11, QStringLiteral("lbl9"), QStringLiteral("选则搜索引擎"), QPoint(16, 11));
    chkbaidu = engineBox(tntpnl11, QStringLiteral("chkbaidu"), QStringLiteral("Baidu"), QPoint(96, 8));
    chkgoogle = engineBox(tntpnl11, QStringLiteral("chkgoogle"), QStringLiteral("Google"), QPoint(152, 8));
    chkyahoo = engineBox(tntpnl11, QStringLiteral("chkyahoo"), QStringLiteral("Yahoo"), QPoint(214, 9));
    chksoso = engineBox(tntpnl11, QStringLiteral("chksoso"), QStringLiteral("Soso"), QPoint(266, 9));
    chkbing = engineBox(tntpnl11, QStringLiteral("chkbing"), QStringLiteral("Bing"), QPoint(320, 9));
    chkSogou = engineBox(tntpnl11, QStringLiteral("chkSogou"), QStringLiteral("Sogou"), QPoint(376, 10));
    chkyoudao = engineBox(tntpnl11, QStringLiteral("chkyoudao"), QStringLiteral("Youdao"), QPoint(432, 11));
    chkall = engineBox(tntpnl11, QStringLiteral("chkall"), QStringLiteral("选择所有"), QPoint(496, 11));
    for (QCheckBox* box : {chkbaidu, chkgoogle, chkyahoo, chksoso, chkbing, chkSogou, chkyoudao, chkall})
        box->setChecked(true);
    return tntpnl11;
}

void TfrmIndex::BuildMissionGrid() {
    dbgrdh1 = new DBGrid(grp3);
    dbgrdh1->setObjectName(QStringLiteral("dbgrdh1"));
    RecordsetModel* model = dbgrdh1->bind(qry_mission, missionColumns());
    model->setRowColourHook(&pendingRowColours);
    dbgrdh1->setFooterTextProvider([this](int column) {
        return column == 0 && qry_mission.IsOpen() ? QString::number(qry_mission.RecordCount()) : QString();
    });
}

void TfrmIndex::BuildPageRangePanel() {
    tntpnl9 = new QFrame(grp3);
    tntpnl9->setObjectName(QStringLiteral("tntpnl9"));
    tntpnl9->setFrameStyle(QFrame::Box | QFrame::Plain);
    tntpnl9->setAutoFillBackground(true);
    tntpnl9->setGeometry(192, 104, 369, 121);
    lbl11 =
        label(tntpnl9, QStringLiteral("lbl11"),
              QStringLiteral("说明:Baidu,Google，Yahoo,Sogou默认每页记录条数为100 "), QPoint(11, 21), true);
    lbl12 = label(tntpnl9, QStringLiteral("lbl12"), QStringLiteral("Bing默认为50"), QPoint(11, 40), true);
    lbl10 =
        label(tntpnl9, QStringLiteral("lbl10"), QStringLiteral("其它搜索引擎默认取前10页"), QPoint(104, 41));
    lbl6 = label(tntpnl9, QStringLiteral("lbl6"),
                 QStringLiteral("查询页数(仅对Baidu,Google,Yahoo,Bing,Sogou有效)"), QPoint(11, 61), true);
    QPalette red = lbl6->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lbl6->setPalette(red);
    lbl7 = label(tntpnl9, QStringLiteral("lbl7"), QStringLiteral("从第一页至"), QPoint(64, 90));
    cbbpage = new QComboBox(tntpnl9);
    cbbpage->setObjectName(QStringLiteral("cbbpage"));
    for (int page = 1; page <= 10; ++page)
        cbbpage->addItem(QString::number(page));
    cbbpage->setGeometry(128, 86, 49, 20);
    lbl8 = label(tntpnl9, QStringLiteral("lbl8"), QStringLiteral("页"), QPoint(181, 90));
    btn2 = new QToolButton(tntpnl9);
    btn2->setObjectName(QStringLiteral("btn2"));
    btn2->setText(QStringLiteral("确认"));
    btn2->setFocusPolicy(Qt::NoFocus);
    btn2->setGeometry(197, 85, 52, 22);
    btn1 = new QToolButton(tntpnl9);
    btn1->setObjectName(QStringLiteral("btn1"));
    btn1->setIcon(StopPicture());
    btn1->setIconSize(QSize(12, 12));
    btn1->setAutoRaise(true);
    btn1->setFocusPolicy(Qt::NoFocus);
    btn1->setGeometry(352, 2, 16, 14);
    tntpnl9->hide();
    tntpnl9->raise();
}

QWidget* TfrmIndex::BuildChartArea() {
    tntpnl2 = new QWidget(this);
    tntpnl2->setObjectName(QStringLiteral("tntpnl2"));
    // The chart area takes what the results box leaves, down to nothing.
    tntpnl2->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    auto* fill = new QVBoxLayout(tntpnl2);
    fill->setContentsMargins(0, 0, 0, 0);
    grp4 = new QGroupBox(QStringLiteral("排名走势图(Baidu曲线为不包含推广排名)"), tntpnl2);
    grp4->setObjectName(QStringLiteral("grp4"));
    fill->addWidget(grp4);
    return tntpnl2;
}

void TfrmIndex::BuildMenus() {
    tntmn1 = menuBar();
    tntmn1->setObjectName(QStringLiteral("tntmn1"));
    tntmntmHelp = tntmn1->addAction(QStringLiteral("帮助"));
    tntmntmAbout = tntmn1->addAction(QStringLiteral("关于"));
    tntmntmVisit = tntmn1->addAction(QStringLiteral("访问Velmora"));
    tntmntmDownload = tntmn1->addAction(QStringLiteral("最新版本下载"));

    tntpmn1 = new QMenu(this);
    tntpmn1->setObjectName(QStringLiteral("tntpmn1"));
    tntmntmN5 = tntpmn1->addAction(QStringLiteral("更新排名"));
    tntmntmOpenSearch = tntpmn1->addMenu(QStringLiteral("打开搜索页"));
    tntmntmBaidu1 = tntmntmOpenSearch->addAction(QStringLiteral("Baidu"));
    tntmntmGoogle1 = tntmntmOpenSearch->addAction(QStringLiteral("Google"));
    tntmntmYahoo1 = tntmntmOpenSearch->addAction(QStringLiteral("Yahoo"));
    tntmntmSogou1 = tntmntmOpenSearch->addAction(QStringLiteral("Sogou"));
    tntmntmBing1 = tntmntmOpenSearch->addAction(QStringLiteral("Bing"));
    tntmntmSoso1 = tntmntmOpenSearch->addAction(QStringLiteral("Soso"));
    tntmntmYoudao1 = tntmntmOpenSearch->addAction(QStringLiteral("Youdao"));
    tntmntmDelete = tntpmn1->addAction(QStringLiteral("删除"));
    tntmntmN12 = tntpmn1->addAction(QStringLiteral("导出"));
}

void TfrmIndex::BuildTray() {
    tntpmn2 = new QMenu(this);
    tntpmn2->setObjectName(QStringLiteral("tntpmn2"));
    tntmntmTrayStop = tntpmn2->addAction(QStringLiteral("停止"));
    tntmntmTrayDownload = tntpmn2->addAction(QStringLiteral("下载地址"));
    tntmntmTrayAddLink = tntpmn2->addAction(QStringLiteral("添加网址"));
    tntmntmTrayRefresh = tntpmn2->addAction(QStringLiteral("刷新任务"));
    tntmntmTrayExit = tntpmn2->addAction(QStringLiteral("退出"));

    cltrycn1 = new QSystemTrayIcon(this);
    cltrycn1->setObjectName(QStringLiteral("cltrycn1"));
    cltrycn1->setContextMenu(tntpmn2);
}

void TfrmIndex::ConnectCommands() {
    connect(btnAddLink, &QToolButton::clicked, this, &TfrmIndex::btnAddLinkClick);
    connect(btnStart, &QToolButton::clicked, this, &TfrmIndex::btnStartClick);
    connect(btnrefresh, &QToolButton::clicked, this, &TfrmIndex::btnrefreshClick);
    connect(btnAttribute, &QToolButton::clicked, this, &TfrmIndex::btnAttributeClick);
    connect(btnStop, &QToolButton::clicked, this, &TfrmIndex::btnStopClick);
    connect(btnClose, &QToolButton::clicked, this, &TfrmIndex::btnCloseClick);
    connect(btnExport, &QToolButton::clicked, this, &TfrmIndex::btnSaveChartClick);

    connect(tntmntmN5, &QAction::triggered, this, &TfrmIndex::tntmntmN5Click);
    connect(tntmntmBaidu1, &QAction::triggered, this, &TfrmIndex::tntmntmBaidu1Click);
    connect(tntmntmGoogle1, &QAction::triggered, this, &TfrmIndex::tntmntmGoogle1Click);
    connect(tntmntmYahoo1, &QAction::triggered, this, &TfrmIndex::tntmntmYahoo1Click);
    connect(tntmntmSogou1, &QAction::triggered, this, &TfrmIndex::tntmntmSogou1Click);
    connect(tntmntmBing1, &QAction::triggered, this, &TfrmIndex::tntmntmBing1Click);
    connect(tntmntmSoso1, &QAction::triggered, this, &TfrmIndex::tntmntmSoso1Click);
    connect(tntmntmYoudao1, &QAction::triggered, this, &TfrmIndex::tntmntmYoudao1Click);
    connect(tntmntmDelete, &QAction::triggered, this, &TfrmIndex::tntmntmDeleteClick);
    connect(tntmntmN12, &QAction::triggered, this, &TfrmIndex::btnSaveChartClick);

    // The tray items run the handlers of the tool-bar buttons of the same name, whether those buttons are
    // enabled, disabled or hidden.
    connect(chkall, &QCheckBox::clicked, this, &TfrmIndex::chkallClick);
    connect(btn2, &QToolButton::clicked, this, &TfrmIndex::btn2Click);
    connect(btn1, &QToolButton::clicked, this, &TfrmIndex::btn1Click);
    connect(tntmntmTrayStop, &QAction::triggered, this, &TfrmIndex::btnStopClick);
    connect(tntmntmTrayAddLink, &QAction::triggered, this, &TfrmIndex::btnAddLinkClick);
    connect(tntmntmTrayRefresh, &QAction::triggered, this, &TfrmIndex::btnrefreshClick);
    connect(tntmntmTrayExit, &QAction::triggered, this, &TfrmIndex::btnCloseClick);

    connect(dbgrdh1, &QAbstractItemView::clicked, this, &TfrmIndex::dbgrdh1CellClick);
    connect(dbgrdh1, &QAbstractItemView::doubleClicked, this, &TfrmIndex::dbgrdh1DblClick);
}

} // namespace quorvane
