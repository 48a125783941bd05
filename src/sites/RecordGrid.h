#pragma once

#include <QList>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>

namespace quorvane {

class RecordModel;

// Paints the settings lists' cells: the row colours of the model, pure blue with white text for selected
// rows, and a classic check box over the whole cell in check-box columns.
class RecordDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// A read-only list over a RecordModel with the sites-and-keywords dialog's mouse handling:
//  - a left click selects only the clicked row (with or without Shift); with Ctrl it toggles the row;
//  - a left-button release is reported (leftReleased) so the dialog can apply its range anchor and then
//    the cell's click action; the release that ends a double click is not reported;
//  - each wheel event moves the current row by one.
// The view's current row is the Recordset's current row.
class RecordGrid : public QTableView {
    Q_OBJECT
public:
    explicit RecordGrid(QWidget* parent = nullptr);

    void setRecordModel(RecordModel* model);
    // The narrowest column width that shows the title and each of the values whole in the list's font: the
    // width of the columns the lists leave at their default.
    int fittingWidth(const QString& title, const QStringList& values = {}) const;
    RecordModel* recordModel() const { return model_; }
    // The column that narrows, down to what its title needs, when the list is too narrow for all its columns
    // (a vertical scroll bar or a wide row marker takes room), and widens back to its own width when room
    // returns: the list then never scrolls sideways for want of a few pixels.
    void setElasticColumn(int column);

    // Selected rows, ascending.
    QList<int> selectedRows() const;
    // Selects exactly the rows between the two, both included, in one step (one repaint); `current`
    // stays the current row.
    void selectRange(int from, int to, int current);
    // Makes a row current and the only selected one.
    void selectOnly(int row);
    // Counts the list's reloads and removals: an anchor taken before a change is stale.
    int generation() const { return generation_; }

signals:
    void leftReleased(const QModelIndex& index, Qt::KeyboardModifiers modifiers);
    void DoubleClicked(const QModelIndex& index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void fitElasticColumn();

    RecordModel* model_ = nullptr;
    int elasticColumn_ = -1;
    int generation_ = 0;
    bool swallowRelease_ = false;
};

} // namespace quorvane
