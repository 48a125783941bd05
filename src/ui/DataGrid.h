#pragma once

#include "ui/RecordsetModel.h"

#include <QMenu>
#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <vector>

namespace quorvane {

class GridFindDialog;
class GridFooter;
class GridTitleBar;

// A data grid over a Recordset, as the windows show their lists.
//
// How to use it:
//   auto* grid = new DataGrid(parent);
//   RecordsetModel* model = grid->bind(missions, {
//       {QStringLiteral("关键词"), QStringLiteral("KeyWordName"), 89, Qt::AlignCenter, true}, ...});
//   grid->setFooterTextProvider([&](int column) { return column == 0 ? QString::number(n) : QString(); });
//   model->setRowColourHook([](const Recordset& rs, int row) -> RowColours { ... });
//   grid->setPopupMenu(menu);        // or nullptr: no pop-up menu
//
// What it gives:
//  - a title row (24 high by default, setTitleHeight) with centred titles and a row indicator column;
//  - one footer row with a yellow background under the rows; its texts come from the owner's provider
//    and are read again whenever the grid repaints the footer (updateFooter() forces it);
//  - no editing in place; every character key typed into the grid is discarded; Ctrl+F opens the find
//    dialog (findText() searches without it);
//  - multi-row selection with Ctrl/Shift and a click (setSelectionMode(SingleSelection) for one row);
//    selected rows are drawn blue with white text, other rows as the row-colour hook decides;
//  - columns the user can resize and move; titles too wide for their column are cut at the right with an
//    ellipsis, and a cell too narrow for its text shows the whole text as its tooltip (cellToolTip);
//  - a three-state sort marker (none, down, up) on each sortable title. A title click (clickTitle) chooses
//    the sort from the marker before the click (none or down: ascending, up: descending), sorts the
//    recordset in memory with Recordset::Sort (an error is ignored) and then moves the markers on: without
//    Ctrl every other marker becomes none; the clicked one goes down -> up and up -> down (up -> none with
//    Ctrl). Markers live in the model and survive reopens of the recordset. Nothing happens while the
//    recordset is closed or for a column that does not sort.
//  - the grid's current row and the recordset's currentRow follow each other both ways; a move of the
//    recordset's cursor moves the grid's cursor without changing the user's selection.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    struct FindOptions {
        bool matchCase = false;
        bool wholeCell = false;
    };

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // Shows a recordset with the given column table. Call once; the model belongs to the grid.
    RecordsetModel* bind(Recordset& recordset, std::vector<DataGridColumn> columns);
    RecordsetModel* recordsetModel() const { return model_; }

    // The narrowest width at which a column shows its title (with room for the sort marker when it sorts)
    // and each of the values whole, in the grid's font and style.
    int fittingWidth(const QString& title, const QStringList& values, bool sortable) const;
    // The whole text of a cell when its column is too narrow to show it, otherwise empty; a cell for which
    // the tooltip provider gives a text shows that instead.
    QString cellToolTip(const QModelIndex& index) const;
    // The tooltip of a cell (by row and model column) in place of the cut text; empty: the cut text.
    using CellToolTipProvider = std::function<QString(int row, int column)>;
    void setCellToolTipProvider(CellToolTipProvider provider) { cellToolTip_ = std::move(provider); }

    void setTitleHeight(int height);
    int titleHeight() const;
    void setRowHeight(int height);

    // The footer row's text under each column (by model column); an empty text leaves the cell empty.
    using FooterTextProvider = std::function<QString(int column)>;
    void setFooterTextProvider(FooterTextProvider provider);
    QString footerText(int column) const;
    void updateFooter();
    QWidget* footer() const;

    // The pop-up menu shown on a right click; nullptr for none. Not owned.
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    QMenu* popupMenu() const { return popupMenu_; }

    // A click on a column's title with the given keys held (see above). Emits titleClicked for a column
    // that sorts.
    void clickTitle(int column, Qt::KeyboardModifiers modifiers);

    // The colours a cell is drawn with: selected rows blue/white, otherwise the row-colour hook's choice
    // (invalid colours mean the usual ones).
    RowColours cellColours(const QModelIndex& index) const;
    static QColor selectedBackground() { return QColor(0, 0, 255); }
    static QColor selectedText() { return QColor(255, 255, 255); }
    static QColor footerBackground() { return QColor(255, 255, 0); }

    // Searches the cells after the current one, row by row in the order the columns are shown, wrapping
    // round once. A match becomes the current (and selected) cell. False when nothing matches.
    bool findText(const QString& text, FindOptions options);
    void openFindDialog();
    GridFindDialog* findDialog() const;

signals:
    void titleClicked(int column);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void updateGeometries() override;

private:
    void followRecordset(int row);
    void followView(const QModelIndex& current);

    RecordsetModel* model_ = nullptr;
    GridTitleBar* titleBar_ = nullptr;
    GridFooter* footer_ = nullptr;
    QPointer<QMenu> popupMenu_;
    QPointer<GridFindDialog> findDialog_;
    FooterTextProvider footerText_;
    CellToolTipProvider cellToolTip_;
    bool viewDrivesRecordset_ = true;
};

// Draws a grid cell with the colours DataGrid::cellColours chooses. initStyleOption is public so that the
// colours a cell gets can be read without painting.
class GridItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridItemDelegate(DataGrid* grid);
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    DataGrid* grid_;
};

} // namespace quorvane
