#pragma once

#include <QDate>
#include <QStringList>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QCategoryAxis;
class QChart;
class QChartView;
class QGraphicsSimpleTextItem;
class QGroupBox;
class QLineSeries;
class QRadioButton;
class QValueAxis;

namespace quorvane {

class RankMarks;
class Database;

// The trend chart: the content of the chart box chartGroup. A row of engine buttons above a line chart of one
// keyword/URL pair's rank per day for the chosen engine, the best rank at the top. The chart is drawn by
// the history refresh only; choosing another engine asks for that refresh through engineChanged.
class TrendChart : public QWidget {
    Q_OBJECT
public:
    // Fills the frame chartGroup (which must have no layout yet) and gives it its caption.
    TrendChart(Database& database, QGroupBox* chartGroup);
    ~TrendChart() override;

    // The engine name of the first selected button in the order of the engine table.
    QString selectedEngine() const;

    // Redraws the chart from the pair's history rows between the two days (both included) in which the
    // engine found the site: one point per such day, evenly spaced, labelled with the date, the title
    // naming the keyword and URL texts of the last row. With no such row the chart is untitled and
    // its plot says that the engine has no rank in the range (emptyNoticeText).
    // Statement errors (DbError) reach the caller after the chart was cleared.
    void drawTrendChart(const QString& keyWordId, const QString& webId, const QString& engine,
                        const QDate& first, const QDate& last);

    // The sentence shown in the plot when the last drawing found no rank of the engine in the range, such as
    // "Google在2026-11-10至2026-12-10之间没有排名"; empty while the chart shows points or has not been drawn.
    QString emptyNoticeText() const;

    // The date label (yyyy-MM-dd) of each point, in the order of the points.
    const QStringList& pointLabels() const { return labels_; }
    // One button per engine of the table in force when the chart was made, in table order.
    const std::vector<QRadioButton*>& engineButtons() const { return engineButtons_; }
    // The button of the engine of that name, or null.
    QRadioButton* engineButton(QStringView engine) const;
    QString chartTitle() const;

    QGroupBox* chartGroup;
    QWidget* engineButtonRow;
    QChartView* chartView;
    QChart* chart;
    QLineSeries* rankSeries;
    QValueAxis* axisLeft;
    QCategoryAxis* axisBottom;

signals:
    // Another engine button was selected (by mouse or keyboard); carries its engine name.
    void engineChanged(const QString& engine);

private:
    void buildButtons();
    void buildChart();
    void clearChart();
    void scaleRankAxis();
    void showEmptyNotice(const QString& text);
    void placeEmptyNotice();
    void labelBottomAxis();
    int maxBottomLabels() const;

    Database& database_;
    QButtonGroup* engines_;
    std::vector<QRadioButton*> engineButtons_;
    QStringList buttonEngines_; // the engine name of each button
    RankMarks* marks_;
    QGraphicsSimpleTextItem* emptyNotice_;
    QStringList labels_;
    int labelledFor_ = -1; // the label budget the bottom axis was last labelled with
};

} // namespace quorvane
