#include "history/TrendChart.h"

#include "engine/EngineTable.h"

#include "history/HistoryStatements.h"
#include "history/RankMarks.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "ui/Fonts.h"

#include <QButtonGroup>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

constexpr int kButtonRowHeight = 36;
constexpr int kButtonHeight = 17;
constexpr int kLabelSpacing = 110; // pixels per date label on the bottom axis: room for a whole date

constexpr int kMinTickSpacing = 22; // pixels between two rank labels: a label's height and a gap

// The day of a history row as both grids show it, yyyy-MM-dd.
QString dayLabel(const QVariant& updateTime) {
    const QString text = updateTime.toString();
    const QDate day = QDate::fromString(text.left(10), Qt::ISODate);
    return day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : text;
}

// A whole step of 1, 2 or 5 times a power of ten that cuts the span into at most `parts` parts.
double niceStep(double span, int parts) {
    const double raw = std::max(1.0, span / std::max(1, parts));
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw)
            return factor * power;
    return 10 * power;
}

} // namespace

TrendChart::TrendChart(Database& database, QGroupBox* frame)
    : QWidget(frame)
    , chartGroup(frame)
    , database_(database) {
    chartGroup->setTitle(chartCaption());
    chartGroup->setFont(songTiFont(12));
    auto* frameLayout = new QVBoxLayout(chartGroup);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildButtons();
    buildChart();
    layout->addWidget(engineButtonRow);
    layout->addWidget(chartView, 1);
}

TrendChart::~TrendChart() = default;

void TrendChart::buildButtons() {
    engineButtonRow = new QWidget(this);
    engineButtonRow->setObjectName(QStringLiteral("engineButtonRow"));
    engineButtonRow->setFixedHeight(kButtonRowHeight);
    auto* row = new QHBoxLayout(engineButtonRow);
    row->setContentsMargins(11, 8, 0, kButtonRowHeight - 8 - kButtonHeight);
    row->setSpacing(4);
    engines_ = new QButtonGroup(this);
    const std::span<const EngineInfo> table = engines();
    for (size_t i = 0; i < table.size(); ++i) {
        auto* button = new QRadioButton(table[i].name.toString(), engineButtonRow);
        button->setObjectName(QStringLiteral("rb") + QString::number(i + 1));
        button->setFixedHeight(kButtonHeight);
        engines_->addButton(button, static_cast<int>(i));
        row->addWidget(button);
        engineButtons_.push_back(button);
        buttonEngines_.append(table[i].name.toString());
    }
    row->addStretch(1);
    if (!engineButtons_.empty())
        engineButtons_.front()->setChecked(true);
    // Only a newly selected button asks for a refresh: a click on the selected one toggles nothing.
    connect(engines_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit engineChanged(buttonEngines_.value(id));
    });
}

void TrendChart::buildChart() {
    chart = new QChart;
    chart->legend()->hide();
    chart->setTitle(QString());
    chart->setTitleFont(songTiFont(12));
    chart->setPlotAreaBackgroundVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    // The chart area is low at the window's first size: the plot gets the height the default margins
    // around the chart would take.
    chart->setMargins(QMargins(4, 2, 8, 2));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);

    rankSeries = new QLineSeries(chart);
    rankSeries->setObjectName(QStringLiteral("rankSeries"));
    rankSeries->setPen(QPen(Qt::red, 2));
    rankSeries->setColor(Qt::red);
    rankSeries->setPointsVisible(true);
    chart->addSeries(rankSeries);
    rankSeries->setMarkerSize(4); // small circles; set after addSeries, whose theme sets its own size

    axisLeft = new QValueAxis(chart);
    axisLeft->setReverse(true); // the best rank at the top
    axisLeft->setTitleText(QStringLiteral("排名"));
    axisLeft->setTitleFont(songTiFont(12));
    axisLeft->setGridLineVisible(false);
    axisLeft->setMinorGridLineVisible(false);
    axisLeft->setLabelFormat(QStringLiteral("%.0f"));
    axisLeft->setTickType(QValueAxis::TicksDynamic);
    axisLeft->setTickAnchor(1);
    axisLeft->setTickInterval(1);
    axisLeft->setRange(0, 10);
    axisLeft->setVisible(false); // no points yet
    chart->addAxis(axisLeft, Qt::AlignLeft);
    rankSeries->attachAxis(axisLeft);

    axisBottom = new QCategoryAxis(chart);
    axisBottom->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axisBottom->setGridLineVisible(false);
    axisBottom->setRange(0, 1);
    chart->addAxis(axisBottom, Qt::AlignBottom);
    rankSeries->attachAxis(axisBottom);

    // The sentence in the plot when the engine has no rank in the range; an empty frame would say nothing.
    emptyNotice_ = new QGraphicsSimpleTextItem(chart);
    emptyNotice_->setFont(songTiFont(14));
    emptyNotice_->setBrush(QColor(96, 96, 96));
    emptyNotice_->setZValue(10);
    emptyNotice_->hide();

    marks_ = new RankMarks(chart, rankSeries);
    connect(chart, &QChart::plotAreaChanged, this, [this] {
        marks_->relayout();
        placeEmptyNotice();
        // A taller or shorter plot has room for another number of rank labels.
        if (!rankSeries->points().isEmpty())
            scaleRankAxis();
        // A wider or narrower chart has room for another number of date labels.
        if (maxBottomLabels() != labelledFor_)
            labelBottomAxis();
    });
    connect(rankSeries, &QXYSeries::pointsReplaced, this, [this] { marks_->relayout(); });

    chartView = new QChartView(chart, this);
    chartView->setObjectName(QStringLiteral("chartView"));
    chartView->setRenderHint(QPainter::Antialiasing);
}

QString TrendChart::selectedEngine() const {
    for (size_t i = 0; i < engineButtons_.size(); ++i)
        if (engineButtons_[i]->isChecked())
            return buttonEngines_.value(static_cast<qsizetype>(i));
    return buttonEngines_.value(0);
}

QRadioButton* TrendChart::engineButton(QStringView engine) const {
    const qsizetype i = buttonEngines_.indexOf(engine);
    return i < 0 ? nullptr : engineButtons_[static_cast<size_t>(i)];
}

QString TrendChart::chartTitle() const {
    return chart->title();
}

QString TrendChart::emptyNoticeText() const {
    return emptyNotice_->isVisible() ? emptyNotice_->text() : QString();
}

void TrendChart::showEmptyNotice(const QString& text) {
    emptyNotice_->setText(text);
    emptyNotice_->setVisible(!text.isEmpty());
    placeEmptyNotice();
}

void TrendChart::placeEmptyNotice() {
    const QRectF plot = chart->plotArea();
    const QRectF box = emptyNotice_->boundingRect();
    emptyNotice_->setPos(plot.center() - QPointF(box.width() / 2, box.height() / 2));
}

void TrendChart::clearChart() {
    showEmptyNotice(QString());
    rankSeries->clear();
    rankSeries->setVisible(true);
    labels_.clear();
    // A chart without points names no pair: an old title would name the pair of an earlier drawing.
    chart->setTitle(QString());
    scaleRankAxis();
    labelBottomAxis();
}

void TrendChart::drawTrendChart(const QString& keyWordId, const QString& webId, const QString& engine,
                                const QDate& first, const QDate& last) {
    const QString column = chartRankColumn(engine);
    const BoundSql sql = trendStatement(keyWordId, webId, first, last, engine);
    clearChart();
    if (sql.sql.isEmpty())
        return;
    // The points and labels are all the chart keeps; a long history's rows would double the window's memory.
    Recordset chartRows;
    if (database_.openQuery(chartRows, sql) <= 0) {
        showEmptyNotice(engine + QStringLiteral("在") + first.toString(QStringLiteral("yyyy-MM-dd")) +
                        QStringLiteral("至") + last.toString(QStringLiteral("yyyy-MM-dd")) +
                        QStringLiteral("之间没有排名"));
        return;
    }

    const int rankField = chartRows.fieldIndex(column);
    const int dayField = chartRows.fieldIndex(u"UpdateTime");
    QList<QPointF> points;
    points.reserve(chartRows.recordCount());
    labels_.reserve(chartRows.recordCount());
    for (int row = 0; row < chartRows.recordCount(); ++row) {
        points.append(QPointF(points.size(), chartRows.value(row, rankField).toDouble()));
        labels_.append(dayLabel(chartRows.value(row, dayField)));
    }
    // One replace rather than an append per point: a long history redraws once.
    rankSeries->replace(points);
    scaleRankAxis();
    labelBottomAxis();

    const int lastRow = chartRows.recordCount() - 1;
    const QString keyWord = chartRows.value(lastRow, chartRows.fieldIndex(u"KeyWordName")).toString();
    const QString url = chartRows.value(lastRow, chartRows.fieldIndex(u"UrlName")).toString();
    chart->setTitle(QStringLiteral("关键词\"") + keyWord + QStringLiteral("\"和链接\"") + url + u'"');
}

void TrendChart::scaleRankAxis() {
    const QList<QPointF> points = rankSeries->points();
    // An empty chart has no ranks to mark: a rank scale would only invent some, and Qt Charts keeps labels
    // it laid out while the chart area was still small cut down to "..." for good. The plot stays empty.
    axisLeft->setVisible(!points.isEmpty());
    if (points.isEmpty()) {
        axisLeft->setTickInterval(1);
        axisLeft->setRange(0, 10);
        return;
    }
    double low = points.first().y();
    double high = low;
    for (const QPointF& p : points) {
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
    // Room for the circles and their marks beyond the best and worst rank.
    const double pad = std::max(1.0, std::ceil((high - low) * 0.1));
    double from = std::max(0.0, std::floor(low) - pad);
    const double to = std::ceil(high) + pad;
    // As many labels as the plot's height has room for, apart enough to read.
    const qreal height = chart->plotArea().height() > 0 ? chart->plotArea().height() : chartView->height();
    const int parts = std::max(1, static_cast<int>(height / kMinTickSpacing));
    const double step = niceStep(to - from, parts);
    // The ticks count from rank 1 (the anchor) in whole steps: 1, 11, 21 ... Rank 0 means "not found" and
    // is never a place on the scale; with a step of one rank, half a rank above rank 1 is room enough.
    if (step == 1)
        from = std::max(from, 0.5);
    axisLeft->setTickInterval(step);
    axisLeft->setRange(from, to);
}

int TrendChart::maxBottomLabels() const {
    const qreal width = chart->plotArea().width() > 0 ? chart->plotArea().width() : chartView->width();
    return std::max(2, static_cast<int>(width / kLabelSpacing));
}

void TrendChart::labelBottomAxis() {
    const int budget = maxBottomLabels();
    labelledFor_ = budget;
    for (const QString& label : axisBottom->categoriesLabels())
        axisBottom->remove(label);
    const int count = static_cast<int>(labels_.size());
    if (count == 0) {
        axisBottom->setRange(0, 1);
        return;
    }
    // Every step-th date, so that a long history keeps its labels apart and few.
    const int step = (count + budget - 1) / budget;
    for (int i = 0; i < count; i += step)
        axisBottom->append(labels_[i], i);
    // Half a step of room at each end keeps the first and last circles inside the plot.
    axisBottom->setRange(-0.5, count - 0.5);
}

} // namespace quorvane
