#include "history/HistoryBox.h"

#include "history/HistoryStatements.h"
#include "history/TrendChart.h"
#include "store/DbError.h"
#include "store/UntDM.h"
#include "store/UntPublic.h"
#include "ui/DBGrid.h"
#include "ui/Fonts.h"
#include "ui/GridFindDialog.h" // DBGrid.h's findDialog() needs the complete type

#include <QAbstractItemView>
#include <QAction>
#include <QDateEdit>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

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
    buildGrid();
    layout->addWidget(dbgrdh2, 1);

    TntPopupMenu1 = new QMenu(this);
    TntPopupMenu1->setObjectName(QStringLiteral("TntPopupMenu1"));
    tntmntmN13 = TntPopupMenu1->addAction(QStringLiteral("导出"));
    tntmntmN13->setObjectName(QStringLiteral("tntmntmN13"));

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

void HistoryBox::buildGrid() {
    dbgrdh2 = new DBGrid(this);
    dbgrdh2->setObjectName(QStringLiteral("dbgrdh2"));
    const auto column = [](const char16_t* title, const char16_t* field, int width, bool sorts) {
        return GridColumn{QString::fromUtf16(title), QString::fromUtf16(field), width, Qt::AlignCenter,
                          sorts};
    };
    // The day column is widened to show a whole date in the grid's font.
    const int dayWidth =
        std::max(55, dbgrdh2->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16);
    dbgrdh2->bind(qry_history, {
                                   column(u"Baidu不包含推广", u"BaiduRank", 55, true),
                                   column(u"Baidu包含推广", u"BaiduRank2", 55, false),
                                   column(u"Google", u"GoogleRank", 40, true),
                                   column(u"Yahoo", u"YahooRank", 40, false),
                                   column(u"Sogou", u"SogouRank", 40, false),
                                   column(u"Bing", u"BingRank", 40, false),
                                   column(u"Soso", u"SosoRank", 40, false),
                                   column(u"Youdao", u"YoudaoRank", 40, false),
                                   column(u"更新时间", u"UpdateTime", dayWidth, true),
                               });
    dbgrdh2->setTitleHeight(22);
    dbgrdh2->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgrdh2->setFooterTextProvider(
        [this](int column) { return column == 0 ? QString::number(qry_history.RecordCount()) : QString(); });
}

void HistoryBox::FollowClicksOf(QAbstractItemView* missionGrid) {
    connect(missionGrid, &QAbstractItemView::clicked, this, &HistoryBox::RefreshHistory);
}

QDate HistoryBox::FirstDay() const {
    return tntdtmpckr1->date();
}

QDate HistoryBox::LastDay() const {
    return tntdtmpckr2->date();
}

bool HistoryBox::PopupAttached() const {
    return dbgrdh2->popupMenu() != nullptr;
}

void HistoryBox::setPopupAttached(bool attached) {
    dbgrdh2->setPopupMenu(attached ? TntPopupMenu1 : nullptr);
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
