#pragma once

#include "store/Recordset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <functional>
#include <vector>

namespace quorvane {

// One column of a data grid: its title, the recordset field it shows, its starting width in pixels, the
// alignment of its cells and whether a click on its title sorts the rows.
struct DataGridColumn {
    QString title;
    QString field;
    int width = 64;
    Qt::Alignment alignment = Qt::AlignCenter;
    bool sortable = false;
};

// The three states of a title's sort marker. Up is shown after an ascending sort, Down after a
// descending one.
enum class SortMarker { None, Down, Up };

// Colours for every cell of one row; an invalid colour leaves the grid's usual colour.
struct RowColours {
    QColor background;
    QColor text;
};

// A read-only table model over a Recordset: one model row per recordset row, one model column per entry of
// the column table. It holds no copy of the rows: every cell is read from the recordset when it is asked
// for, so a set of any size costs nothing per paint beyond the visible cells. The model follows the
// recordset's signals (reopen, sort, row edits, row deletes, current row).
//
// Roles:
//  - DisplayRole / EditRole: the field value as text (null shows empty);
//  - TextAlignmentRole: the column's alignment, vertically centred;
//  - BackgroundRole / ForegroundRole: from the row-colour hook, when one is set;
//  - horizontal header: DisplayRole the title, TextAlignmentRole centred, SortMarkerRole the marker;
//  - vertical header (the row indicator): DecorationRole a small triangle on the current row.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The horizontal header's SortMarker, as an int.
    static constexpr int SortMarkerRole = Qt::UserRole + 1;

    // Decides the colours of a row from the recordset; called while cells are drawn, so keep it cheap.
    using RowColourHook = std::function<RowColours(const Recordset& recordset, int row)>;

    RecordsetModel(Recordset& recordset, std::vector<DataGridColumn> columns, QObject* parent = nullptr);

    Recordset& recordset() const { return recordset_; }
    const DataGridColumn& gridColumn(int column) const { return columns_.at(static_cast<size_t>(column)); }
    // The column showing a field (compared without regard to case); -1 when none does.
    int columnOfField(QStringView field) const;
    // The recordset field behind a column; -1 when the set lacks it.
    int fieldIndex(int column) const { return fieldIndex_.at(static_cast<size_t>(column)); }
    QString cellText(int row, int column) const;

    SortMarker sortMarker(int column) const { return markers_.at(static_cast<size_t>(column)); }
    void setSortMarker(int column, SortMarker marker);

    void setRowColourHook(RowColourHook hook);
    RowColours rowColours(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void resolveFields();
    void onCurrentRowChanged(int row);

    Recordset& recordset_;
    // Set when the recordset is destroyed before the views that still show this model.
    bool recordsetGone_ = false;
    const std::vector<DataGridColumn> columns_;
    std::vector<int> fieldIndex_;
    std::vector<SortMarker> markers_; // kept across reopens of the recordset
    RowColourHook rowColourHook_;
    int indicatorRow_ = -1;
    bool resetting_ = false;
};

} // namespace quorvane
