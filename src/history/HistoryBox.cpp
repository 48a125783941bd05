#include "history/HistoryBox.h"

#include "history/HistoryStatements.h"
#include "history/TrendChart.h"
#include "store/DbError.h"
#include "store/UntDM.h"
#include "store/UntPublic.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QDateEdit>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

namespace quorvane {

namespace {

const QString kCaptionWithRows = QStringLiteral("排名历史记录,右键导出记录");
const QString kCaptionWithoutRows = QStringLiteral("暂无排名信息");

} // namespace

HistoryBox::HistoryBox(TDM& dm, const Recordset& qry_mission, TrendChart& chart, QGroupBox* frame)
    : QWidget(frame)
    , grp5(frame)
    , dm_(dm)
    , qry_mission_(qry_mission)
    , chart_(chart) {
    grp5->setTitle(kCaptionWithRows);
    grp5->setFont(SongTiFont(12));
    auto* frameLayout = new QVBoxLayout(grp5);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildDateRow();
    layout->addWidget(tntpnl7);
    dbgrdh2 = new QTableView(this);
    layout->addWidget(dbgrdh2, 1);

    TntPopupMenu1 = new QMenu(this);
    TntPopupMenu1->setObjectName(QStringLiteral("TntPopupMenu1"));
    tntmntmN13 = TntPopupMenu1->addAction(QStringLiteral("导出"));
    tntmntmN13->setObjectName(QStringLiteral("tntmntmN13"));
    dbgrdh2->setContextMenuPolicy(Qt::NoContextMenu);
    connect(dbgrdh2, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { TntPopupMenu1->popup(dbgrdh2->mapToGlobal(at)); });

    // The signals are connected after the start values are set: the box starts empty.
    connect(tntdtmpckr1, &QDateEdit::dateChanged, this, &HistoryBox::RefreshHistory);
    connect(tntdtmpckr2, &QDateEdit::dateChanged, this, &HistoryBox::RefreshHistory);
    connect(&chart_, &TrendChart::engineChanged, this, &HistoryBox::RefreshHistory);
}

HistoryBox::~HistoryBox() = default;

void HistoryBox::buildDateRow() {
    tntpnl7 = new QWidget(this);
    tntpnl7->setObjectName(QStringLiteral("tntpnl7"));
    tntpnl7->setFixedHeight(35);
    lbl2 = new QLabel(QStringLiteral("时间范围"), tntpnl7);
    lbl2->setGeometry(16, 12, 65, 14);
    lbl1 = new QLabel(QStringLiteral("~"), tntpnl7);
    lbl1->setGeometry(166, 15, 10, 14);

    const QDateTime now = QDateTime::currentDateTime();
    const auto makePicker = [this](const char* name, int left, const QDate& day) {
        auto* picker = new QDateEdit(day, tntpnl7);
        picker->setObjectName(QString::fromLatin1(name));
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->setGeometry(left, 8, 97, 20);
        return picker;
    };
    tntdtmpckr1 = makePicker("tntdtmpckr1", 68, now.addDays(-30).date());
    tntdtmpckr2 = makePicker("tntdtmpckr2", 177, now.date());
}

QDate HistoryBox::FirstDay() const {
    return tntdtmpckr1->date();
}

QDate HistoryBox::LastDay() const {
    return tntdtmpckr2->date();
}

void HistoryBox::setPopupAttached(bool attached) {
    popupAttached_ = attached;
    dbgrdh2->setContextMenuPolicy(attached ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

void HistoryBox::RefreshHistory() {
    // Refreshes run from signal handlers: the error is reported here rather than thrown through Qt.
    try {
        refresh();
    } catch (const DbError& error) {
        ShowErrorReport(QString::fromUtf8(error.what()));
    }
}

void HistoryBox::refresh() {
    if (!qry_mission_.IsOpen() || qry_mission_.RecordCount() <= 0)
        return;
    const QString keyWordId = qry_mission_.FieldText(QStringLiteral("KeyWordID"));
    const QString webId = qry_mission_.FieldText(QStringLiteral("WebID"));
    const QDate first = FirstDay();
    const QDate last = LastDay();

    const int count = dm_.OpenSQL(qry_history, HistoryStatement(keyWordId, webId, first, last));
    grp5->setTitle(count > 0 ? kCaptionWithRows : kCaptionWithoutRows);
    setPopupAttached(count > 0);

    chart_.DrawTrendChart(keyWordId, webId, chart_.SelectedEngine(), first, last);
    emit historyRefreshed(count);
}

} // namespace quorvane
