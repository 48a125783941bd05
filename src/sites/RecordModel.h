#pragma once

#include "store/Recordset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <functional>
#include <vector>

namespace quorvane {

// One column of a list over a Recordset.
struct ListColumn {
    QString title;
    QString field;
    int width = 64; // the grids' default column width
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool checkBox = false; // drawn as a check box instead of text
};

// A read-only table over a Recordset that follows its resets, edits and deletes. Rows are coloured by
// their 1-based position: odd rows the tooltip background, even rows light grey, text black. The
// vertical header is the row indicator: a marker at the set's current row.
class RecordModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RecordModel(Recordset& records, std::vector<ListColumn> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    Recordset& records() const { return records_; }
    const ListColumn& column(int column) const { return columns_.at(static_cast<size_t>(column)); }
    // The column showing a field, -1 when none does.
    int columnOf(const QString& field) const;
    // The row's value of a field, also for fields no column shows.
    QVariant rowValue(int row, const QString& field) const;
    // The text a column shows for a stored value (a rule's name for its number); the value's own text when
    // none is set.
    using ShownText = std::function<QString(const QVariant&)>;
    void setShownText(int column, ShownText shownText);

    static QColor rowBackground(int row);
    static bool isTicked(const QVariant& value);

private:
    Recordset& records_;
    // Set when the recordset is destroyed before the views that still show this model.
    bool recordsGone_ = false;
    std::vector<ListColumn> columns_;
    std::vector<ShownText> shownTexts_; // per column; empty where the value's text is shown
    int indicatorRow_ = -1;
};

} // namespace quorvane
