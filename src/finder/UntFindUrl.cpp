#include "finder/UntFindUrl.h"

#include "engine/EngineTable.h"
#include "engine/Scanners.h"
#include "platform/Browser.h"
#include "platform/GbkCodec.h"
#include "platform/PageBrowser.h"
#include "store/UntPublic.h"
#include "ui/FillCombo.h"
#include "ui/Fonts.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace quorvane {

namespace {
const bool kNoStopRequest = false;
} // namespace

TfrmFindUrl::TfrmFindUrl(TDM& dm, QWidget* parent)
    : TfrmFindUrl(dm, std::make_unique<PageBrowser>(), parent) {}

TfrmFindUrl::TfrmFindUrl(TDM& dm, std::unique_ptr<Browser> browser, QWidget* parent)
    : QDialog(parent)
    , dm_(dm)
    , wb1_(std::move(browser))
    , stopRequested_(&kNoStopRequest) {
    setObjectName(QStringLiteral("frmFindUrl"));
    setWindowTitle(QStringLiteral("关键词查询地址"));
    // System menu and minimise only; the window can be resized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(720, 462);
    BuildWindow();
    PrepareFinder();
    PrepareResultGrid();
}

TfrmFindUrl::~TfrmFindUrl() = default;

void TfrmFindUrl::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tntpnl3 = new QWidget(this);
    tntpnl3->setFixedHeight(48);
    tntpnl3->setFont(SongTiFont(12));
    lblgjc = new QLabel(QStringLiteral("关键词"), tntpnl3);
    lblgjc->setGeometry(62, 16, 40, 16);
    cbbKeyWord = new QComboBox(tntpnl3);
    cbbKeyWord->setEditable(true);
    cbbKeyWord->setInsertPolicy(QComboBox::NoInsert);
    cbbKeyWord->setGeometry(103, 12, 145, 22);
    btnFind = new QPushButton(QStringLiteral("查找网址"), tntpnl3);
    btnFind->setAutoDefault(false);
    btnFind->setGeometry(255, 11, 75, 25);
    rb1 = new QRadioButton(QStringLiteral("百度"), tntpnl3);
    rb1->setGeometry(347, 14, 60, 20);
    rb1->setChecked(true);
    rb2 = new QRadioButton(QStringLiteral("Google"), tntpnl3);
    rb2->setGeometry(409, 14, 70, 20);
    layout->addWidget(tntpnl3);

    advstrngrdMain = new QTableWidget(this);
    QFont gridFont(QStringLiteral("Tahoma"));
    gridFont.setPixelSize(11);
    advstrngrdMain->setFont(gridFont);
    advstrngrdMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    advstrngrdMain->setSelectionMode(QAbstractItemView::ContiguousSelection);
    advstrngrdMain->setSelectionBehavior(QAbstractItemView::SelectItems);
    advstrngrdMain->setWordWrap(false);
    advstrngrdMain->setFrameShape(QFrame::NoFrame);
    advstrngrdMain->verticalHeader()->hide();
    advstrngrdMain->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    advstrngrdMain->verticalHeader()->setDefaultSectionSize(21);
    // Row 0 holds the column titles; the thin header strip above it is only a handle to resize columns.
    advstrngrdMain->horizontalHeader()->setFixedHeight(6);
    advstrngrdMain->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    advstrngrdMain->setAlternatingRowColors(true);
    QPalette palette = advstrngrdMain->palette();
    palette.setColor(QPalette::Base, QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase));
    palette.setColor(QPalette::AlternateBase, palette.color(QPalette::Window));
    advstrngrdMain->setPalette(palette);
    advstrngrdMain->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: blue; }"));
    advstrngrdMain->setRowCount(2);
    layout->addWidget(advstrngrdMain, 1);

    connect(btnFind, &QPushButton::clicked, this, [this] { btnFindClick(); });
}

void TfrmFindUrl::PrepareFinder() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // Every keyword of every URL, in table order, duplicates kept. The order is spelled out: without it
    // SQLite reads this one column from its index, in alphabetical order.
    FillComboFromQuery(dm_, qryMain, QStringLiteral("Select KeyWordName From SE_KeyWord Order By KeyWordID"),
                       QStringLiteral("KeyWordName"), cbbKeyWord);
    cbbKeyWord->setCurrentIndex(-1);
    cbbKeyWord->setEditText(QString());
    foundLinks_.clear();
}

void TfrmFindUrl::PrepareResultGrid() {
    advstrngrdMain->setColumnCount(3);
    advstrngrdMain->setHorizontalHeaderLabels({QString(), QString(), QString()});
    SetCell(0, 0, QStringLiteral("编号"));
    advstrngrdMain->setColumnWidth(0, 50);
    SetCell(0, 1, QStringLiteral("链接"));
    advstrngrdMain->setColumnWidth(1, 350);
    SetCell(0, 2, QStringLiteral("链接名称"));
    advstrngrdMain->setColumnWidth(2, 0);
    advstrngrdMain->setColumnHidden(2, true);
}

void TfrmFindUrl::SetCell(int row, int column, const QString& text) {
    // Plain text items: a link from a result page is shown as it is, never read as markup.
    QTableWidgetItem* item = advstrngrdMain->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        advstrngrdMain->setItem(row, column, item);
    }
    item->setText(text);
}

void TfrmFindUrl::btnFindClick() {
    const QString text = cbbKeyWord->currentText();
    if (text.isEmpty()) {
        ShowInfoMsg(QStringLiteral("请输入查询的关键词!"));
        return;
    }
    const bool baidu = rb1->isChecked();
    const QStringView engine = baidu ? QStringView(u"Baidu") : QStringView(u"Google");
    const QByteArray keyword = ToGbk(text); // untrimmed: blanks are searched as typed
    if (!OpenResultPage(*wb1_, engine, 0, keyword, *stopRequested_))
        return;
    int promoCount = 0;
    foundLinks_ = baidu ? ScanBaiduPage(*wb1_, promoCount) : ScanGooglePage(*wb1_);

    advstrngrdMain->setRowCount(kShownLinks + 1);
    for (int row = 1; row <= kShownLinks; ++row) {
        // With fewer links than rows, the rows without a link stay empty, number included.
        const bool hasLink = row <= foundLinks_.size();
        SetCell(row, 0, hasLink ? QString::number(row) : QString());
        SetCell(row, 1, hasLink ? foundLinks_[row - 1] : QString());
    }
}

} // namespace quorvane
