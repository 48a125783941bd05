#pragma once

#include "store/Recordset.h"

#include <QDate>
#include <QStringList>
#include <QWidget>

#include <array>

class QButtonGroup;
class QCategoryAxis;
class QChart;
class QChartView;
class QGroupBox;
class QLineSeries;
class QRadioButton;
class QValueAxis;

namespace quorvane {

class RankMarks;
class TDM;

// The trend chart: the content of the chart box grp4. A row of engine buttons above a line chart of one
// keyword/URL pair's rank per day for the chosen engine, the best rank at the top. The chart is drawn by
// the history refresh only; choosing another engine asks for that refresh through engineChanged.
class TrendChart : public QWidget {
    Q_OBJECT
public:
    // Fills the frame grp4 (which must have no layout yet) and gives it its caption.
    TrendChart(TDM& dm, QGroupBox* grp4);
    ~TrendChart() override;

    // The engine name of the first selected button in the order rb1 to rb7.
    QString SelectedEngine() const;

    // Redraws the chart from the pair's history rows between the two days (both included) in which the
    // engine found the site: one point per such day, evenly spaced, labelled with the date, the title
    // naming the keyword and URL texts of the last row. With no such row the chart is empty and untitled.
    // Statement errors (DbError) reach the caller after the chart was cleared.
    void DrawTrendChart(const QString& keyWordId, const QString& webId, const QString& engine,
                        const QDate& first, const QDate& last);

    // The date label of each point, in the order of the points.
    const QStringList& PointLabels() const { return labels_; }
    // rb1 to rb7 in order.
    std::array<QRadioButton*, 7> EngineButtons() const { return {rb1, rb2, rb3, rb4, rb5, rb6, rb7}; }
    QString Title() const;

    QGroupBox* grp4;
    QWidget* tntpnl10;
    QRadioButton* rb1;
    QRadioButton* rb2;
    QRadioButton* rb3;
    QRadioButton* rb4;
    QRadioButton* rb5;
    QRadioButton* rb6;
    QRadioButton* rb7;
    QChartView* dbcht1;
    QChart* chart;
    QLineSeries* lnsrsSeries1;
    QValueAxis* axisLeft;
    QCategoryAxis* axisBottom;
    Recordset qry_line;

signals:
    // Another engine button was selected (by mouse or keyboard); carries its engine name.
    void engineChanged(const QString& engine);

private:
    void buildButtons();
    void buildChart();
    void clearChart();
    void scaleRankAxis();
    void labelBottomAxis();
    int maxBottomLabels() const;

    TDM& dm_;
    QButtonGroup* engines_;
    RankMarks* marks_;
    QStringList labels_;
    int labelledFor_ = -1; // the label budget the bottom axis was last labelled with
};

} // namespace quorvane
