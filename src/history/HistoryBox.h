#pragma once

#include "store/Recordset.h"

#include <QDate>
#include <QString>
#include <QWidget>

class QAbstractItemView;
class QAction;
class QDateEdit;
class QGroupBox;
class QLabel;
class QMenu;
class QTimer;

namespace quorvane {

class DataGrid;
class Database;
class TrendChart;

// The history box: the content of historyGroup. The dated rank history of one keyword/URL pair (the mission
// list's current row) between two picked days, in the history grid; every refresh also redraws the trend
// chart, so grid and chart always show the same pair and range.
//
// A refresh happens on a change of either date, on the selection of another engine button of the chart,
// when the main window calls refreshHistory (a click on a data cell of the mission grid, the end of a rank
// run) and, once followCurrentRow is on, after each move of the mission list's current row.
class HistoryBox : public QWidget {
    Q_OBJECT
public:
    // Fills the frame historyGroup (which must have no layout yet). missions is the mission list whose
    // current row names the pair; chart is the trend chart drawn by each refresh. Neither is owned; both must
    // outlive the box.
    HistoryBox(Database& database, const Recordset& missions, TrendChart& chart, QGroupBox* historyGroup);
    ~HistoryBox() override;

    // Re-queries the history of the mission list's current pair for the picked range and redraws the chart.
    // Does nothing when the mission list is closed or empty. A statement error is shown by the general
    // error report; grid and chart stay usable and the next refresh starts afresh.
    void refreshHistory();

    // Refreshes after each move of the mission list's current row (keyboard, click, find, reload, a run going
    // from row to row). Moves in one turn of the event loop refresh once, when control returns to it; a
    // refreshHistory meanwhile makes that refresh unnecessary.
    void followCurrentRow();
    // True while a refresh for a move of the current row waits for the event loop.
    bool refreshPending() const;

    // Refreshes on each click on a data cell of the mission grid. Titles, the footer and keyboard moves do
    // not refresh. The grid moves its current row (and the mission list's) on the press, before the click.
    void followClicksOf(QAbstractItemView* missionGrid);

    // The picked days (only the date part counts).
    QDate firstDay() const;
    QDate lastDay() const;

    QGroupBox* historyGroup;
    QWidget* dateRow;
    QLabel* rangeLabel;
    QDateEdit* firstDayPicker;
    QLabel* rangeSeparator;
    QDateEdit* lastDayPicker;
    DataGrid* historyGrid;
    Recordset historyRows;
    // The history grid's popup menu, attached while the last refresh found rows. Its one item "导出"
    // (exportHistoryAction) is for the history export, which connects to it.
    QMenu* historyMenu;
    QAction* exportHistoryAction;

    // True while the popup menu is attached to the grid.
    bool popupAttached() const;

signals:
    // A refresh has finished (rows found or not).
    void historyRefreshed(int rowCount);

private:
    void buildDateRow();
    void buildGrid();
    void setPopupAttached(bool attached);
    void refresh();

    Database& database_;
    const Recordset& missions_;
    TrendChart& chart_;
    QTimer* pendingRefresh_;
};

} // namespace quorvane
