#include "finder/UrlFinder.h"

#include "engine/EngineScanners.h"
#include "engine/EngineTable.h"
#include "pages/Browser.h"
#include "pages/PageBrowser.h"
#include "platform/Messages.h"
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
const StopFlag kNoStopRequest{false};
} // namespace

UrlFinder::UrlFinder(Database& database, QWidget* parent)
    : UrlFinder(database, std::make_unique<PageBrowser>(), parent) {}

UrlFinder::UrlFinder(Database& database, std::unique_ptr<Browser> browser, QWidget* parent)
    : QDialog(parent)
    , database_(database)
    , browser_(std::move(browser))
    , stopRequested_(&kNoStopRequest) {
    setObjectName(QStringLiteral("urlFinder"));
    setWindowTitle(QStringLiteral("关键词查询地址"));
    // System menu and minimise only; the window can be resized.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(720, 462);
    buildWindow();
    prepareFinder();
    prepareResultGrid();
}

UrlFinder::~UrlFinder() = default;

void UrlFinder::buildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    searchRow = new QWidget(this);
    searchRow->setFixedHeight(48);
    searchRow->setFont(songTiFont(12));
    keywordLabel = new QLabel(QStringLiteral("关键词"), searchRow);
    keywordLabel->setGeometry(62, 16, 40, 16);
    keywordCombo = new QComboBox(searchRow);
    keywordCombo->setEditable(true);
    keywordCombo->setInsertPolicy(QComboBox::NoInsert);
    keywordCombo->setGeometry(103, 12, 145, 22);
    findButton = new QPushButton(QStringLiteral("查找网址"), searchRow);
    findButton->setAutoDefault(false);
    findButton->setGeometry(255, 11, 75, 25);
    baiduButton = new QRadioButton(QStringLiteral("百度"), searchRow);
    baiduButton->setGeometry(347, 14, 60, 20);
    baiduButton->setChecked(true);
    googleButton = new QRadioButton(QStringLiteral("Google"), searchRow);
    googleButton->setGeometry(409, 14, 70, 20);
    layout->addWidget(searchRow);

    resultGrid = new QTableWidget(this);
    QFont gridFont(QStringLiteral("Tahoma"));
    gridFont.setPixelSize(11);
    resultGrid->setFont(gridFont);
    resultGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    resultGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    resultGrid->setWordWrap(false);
    resultGrid->setFrameShape(QFrame::NoFrame);
    resultGrid->verticalHeader()->hide();
    resultGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    resultGrid->verticalHeader()->setDefaultSectionSize(21);
    // Row 0 holds the column titles; the thin header strip above it is only a handle to resize columns.
    resultGrid->horizontalHeader()->setFixedHeight(6);
    resultGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    resultGrid->setAlternatingRowColors(true);
    QPalette palette = resultGrid->palette();
    palette.setColor(QPalette::Base, QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase));
    palette.setColor(QPalette::AlternateBase, palette.color(QPalette::Window));
    resultGrid->setPalette(palette);
    resultGrid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: blue; }"));
    resultGrid->setRowCount(2);
    layout->addWidget(resultGrid, 1);

    connect(findButton, &QPushButton::clicked, this, [this] { findLinks(); });
}

void UrlFinder::prepareFinder() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // Every keyword of every URL, in table order, duplicates kept. The order is spelled out: without it
    // SQLite reads this one column from its index, in alphabetical order.
    fillComboFromQuery(database_, finderKeywords,
                       QStringLiteral("Select KeyWordName From SE_KeyWord Order By KeyWordID"),
                       QStringLiteral("KeyWordName"), keywordCombo);
    keywordCombo->setCurrentIndex(-1);
    keywordCombo->setEditText(QString());
    foundLinks_.clear();
}

void UrlFinder::prepareResultGrid() {
    resultGrid->setColumnCount(3);
    resultGrid->setHorizontalHeaderLabels({QString(), QString(), QString()});
    setCell(0, 0, QStringLiteral("编号"));
    resultGrid->setColumnWidth(0, 50);
    setCell(0, 1, QStringLiteral("链接"));
    resultGrid->setColumnWidth(1, 350);
    setCell(0, 2, QStringLiteral("链接名称"));
    resultGrid->setColumnWidth(2, 0);
    resultGrid->setColumnHidden(2, true);
}

void UrlFinder::setCell(int row, int column, const QString& text) {
    // Plain text items: a link from a result page is shown as it is, never read as markup.
    QTableWidgetItem* item = resultGrid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        resultGrid->setItem(row, column, item);
    }
    item->setText(text);
}

void UrlFinder::findLinks() {
    const QString text = keywordCombo->currentText();
    if (text.isEmpty()) {
        showInfoMsg(QStringLiteral("请输入查询的关键词!"));
        return;
    }
    const bool baidu = baiduButton->isChecked();
    const QStringView engine = baidu ? QStringView(u"Baidu") : QStringView(u"Google");
    // Untrimmed: blanks are searched as typed.
    if (!openResultPage(*browser_, pace_, engine, 0, text, *stopRequested_))
        return;
    // The page is read as a run reads it, in a page reader: the period markers, then today's result
    // definitions. A page the reader could not read shows no links.
    foundLinks_.clear();
    if (!reader_)
        reader_ = std::make_unique<PageReader>();
    for (const PageResult& result : readEnginePage(*reader_, engine, browser_->document()).reading.results)
        foundLinks_ << result.address;

    resultGrid->setRowCount(kShownLinks + 1);
    for (int row = 1; row <= kShownLinks; ++row) {
        // With fewer links than rows, the rows without a link stay empty, number included.
        const bool hasLink = row <= foundLinks_.size();
        setCell(row, 0, hasLink ? QString::number(row) : QString());
        setCell(row, 1, hasLink ? foundLinks_[row - 1] : QString());
    }
}

} // namespace quorvane
