#include "history/HistoryBox.h"

#include "engine/EngineTable.h"
#include "history/HistoryStatements.h"
#include "history/TrendChart.h"
#include "platform/Messages.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "ui/DataGrid.h"
#include "ui/Fonts.h"
#include "ui/GridFindDialog.h" // DataGrid.h's findDialog() needs the complete type

#include <QAbstractItemView>
#include <QAction>
#include <QDateEdit>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace quorvane {

namespace {

const QString kCaptionWithRows = QStringLiteral("排名历史记录,右键导出记录");
const QString kCaptionWithoutRows = QStringLiteral("暂无排名信息");

} // namespace

HistoryBox::HistoryBox(Database& database, const Recordset& missions, TrendChart& chart, QGroupBox* frame)
    : QWidget(frame)
    , historyGroup(frame)
    , database_(database)
    , missions_(missions)
    , chart_(chart)
    , pendingRefresh_(new QTimer(this)) {
    pendingRefresh_->setSingleShot(true);
    pendingRefresh_->setInterval(0);
    connect(pendingRefresh_, &QTimer::timeout, this, &HistoryBox::refreshHistory);
    historyGroup->setTitle(kCaptionWithRows);
    historyGroup->setFont(songTiFont(12));
    auto* frameLayout = new QVBoxLayout(historyGroup);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildDateRow();
    layout->addWidget(dateRow);
    buildGrid();
    layout->addWidget(historyGrid, 1);

    historyMenu = new QMenu(this);
    historyMenu->setObjectName(QStringLiteral("historyMenu"));
    exportHistoryAction = historyMenu->addAction(QStringLiteral("导出"));
    exportHistoryAction->setObjectName(QStringLiteral("exportHistoryAction"));

    // The signals are connected after the start values are set: the box starts empty.
    connect(firstDayPicker, &QDateEdit::dateChanged, this, &HistoryBox::refreshHistory);
    connect(lastDayPicker, &QDateEdit::dateChanged, this, &HistoryBox::refreshHistory);
    connect(&chart_, &TrendChart::engineChanged, this, &HistoryBox::refreshHistory);
}

HistoryBox::~HistoryBox() = default;

void HistoryBox::buildDateRow() {
    dateRow = new QWidget(this);
    dateRow->setObjectName(QStringLiteral("dateRow"));
    dateRow->setFixedHeight(35);
    rangeLabel = new QLabel(QStringLiteral("时间范围"), dateRow);
    rangeLabel->setGeometry(16, 12, 65, 14);
    rangeSeparator = new QLabel(QStringLiteral("~"), dateRow);
    rangeSeparator->setGeometry(166, 15, 10, 14);

    const QDateTime now = QDateTime::currentDateTime();
    const auto makePicker = [this](const char* name, int left, const QDate& day) {
        auto* picker = new QDateEdit(day, dateRow);
        picker->setObjectName(QString::fromLatin1(name));
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->setGeometry(left, 8, 97, 20);
        return picker;
    };
    firstDayPicker = makePicker("firstDayPicker", 68, now.addDays(-30).date());
    lastDayPicker = makePicker("lastDayPicker", 177, now.date());
}

void HistoryBox::buildGrid() {
    historyGrid = new DataGrid(this);
    historyGrid->setObjectName(QStringLiteral("historyGrid"));
    std::vector<DataGridColumn> columns;
    for (const RankColumn& rank : shownRankColumns())
        columns.push_back({rank.caption().toString(), rank.field().toString(),
                           std::max(40, rank.engine->gridWidth), Qt::AlignCenter, rank.sortable()});
    columns.push_back({QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 55, Qt::AlignCenter, true});
    // Columns are widened where the grid's font needs more room for the title, the engine's widest rank or
    // a whole date; the grid scrolls sideways when they do not all fit.
    for (DataGridColumn& c : columns) {
        const QString widest =
            c.field == u"UpdateTime" ? QStringLiteral("0000-00-00") : QString::number(widestRank(c.field));
        c.width = std::max(c.width, historyGrid->fittingWidth(c.title, {widest}, c.sortable));
    }
    historyGrid->bind(historyRows, columns);
    historyGrid->setTitleHeight(22);
    historyGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    historyGrid->setFooterTextProvider(
        [this](int column) { return column == 0 ? QString::number(historyRows.recordCount()) : QString(); });
}

void HistoryBox::followClicksOf(QAbstractItemView* missionGrid) {
    connect(missionGrid, &QAbstractItemView::clicked, this, &HistoryBox::refreshHistory);
}

void HistoryBox::followCurrentRow() {
    // A reload or a sort moves the cursor several times in one go; only where it ends counts.
    connect(&missions_, &Recordset::currentRowChanged, pendingRefresh_, qOverload<>(&QTimer::start),
            Qt::UniqueConnection);
}

bool HistoryBox::refreshPending() const {
    return pendingRefresh_->isActive();
}

QDate HistoryBox::firstDay() const {
    return firstDayPicker->date();
}

QDate HistoryBox::lastDay() const {
    return lastDayPicker->date();
}

bool HistoryBox::popupAttached() const {
    return historyGrid->popupMenu() != nullptr;
}

void HistoryBox::setPopupAttached(bool attached) {
    historyGrid->setPopupMenu(attached ? historyMenu : nullptr);
}

void HistoryBox::refreshHistory() {
    pendingRefresh_->stop(); // this refresh shows the current row already
    // Refreshes run from signal handlers: the error is reported here rather than thrown through Qt.
    try {
        refresh();
    } catch (const DbError& error) {
        showErrorReport(QString::fromUtf8(error.what()));
    }
}

void HistoryBox::refresh() {
    if (!missions_.isOpen() || missions_.recordCount() <= 0)
        return;
    const QString keyWordId = missions_.fieldText(QStringLiteral("KeyWordID"));
    const QString webId = missions_.fieldText(QStringLiteral("WebID"));
    const QDate first = firstDay();
    const QDate last = lastDay();

    const int count = database_.openQuery(historyRows, historyStatement(keyWordId, webId, first, last));
    historyGroup->setTitle(count > 0 ? kCaptionWithRows : kCaptionWithoutRows);
    setPopupAttached(count > 0);

    chart_.drawTrendChart(keyWordId, webId, chart_.selectedEngine(), first, last);
    emit historyRefreshed(count);
}

} // namespace quorvane
