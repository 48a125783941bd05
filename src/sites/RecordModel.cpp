#include "sites/RecordModel.h"

#include <QPalette>
#include <QToolTip>

namespace quorvane {

RecordModel::RecordModel(Recordset& records, std::vector<ListColumn> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , records_(records)
    , columns_(std::move(columns)) {
    // A dialog's recordsets die before the views that QWidget deletes after them: from then on the model
    // is empty and never touches the recordset again.
    connect(&records_, &QObject::destroyed, this, [this] {
        beginResetModel();
        recordsGone_ = true;
        endResetModel();
    });
    connect(&records_, &Recordset::aboutToReset, this, [this] { beginResetModel(); });
    connect(&records_, &Recordset::resetDone, this, [this] { endResetModel(); });
    connect(&records_, &Recordset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(&records_, &Recordset::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(&records_, &Recordset::rowRemoved, this, [this](int) { endRemoveRows(); });
    connect(&records_, &Recordset::currentRowChanged, this, [this](int row) {
        const int previous = indicatorRow_;
        indicatorRow_ = row;
        const int count = rowCount();
        if (previous >= 0 && previous < count)
            emit headerDataChanged(Qt::Vertical, previous, previous);
        if (row >= 0 && row < count)
            emit headerDataChanged(Qt::Vertical, row, row);
    });
}

int RecordModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || recordsGone_ || !records_.isOpen() ? 0 : records_.recordCount();
}

int RecordModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int RecordModel::columnOf(const QString& field) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

QVariant RecordModel::rowValue(int row, const QString& field) const {
    if (recordsGone_)
        return {};
    const int f = records_.fieldIndex(field);
    if (f < 0 || row < 0 || row >= records_.recordCount())
        return {};
    return records_.value(row, f);
}

QColor RecordModel::rowBackground(int row) {
    // Row numbers count from 1: the first row is odd.
    if (row % 2 == 0)
        return QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipBase);
    return QColor(0xEA, 0xEA, 0xEA);
}

void RecordModel::setShownText(int column, ShownText shownText) {
    if (shownTexts_.size() < columns_.size())
        shownTexts_.resize(columns_.size());
    shownTexts_.at(static_cast<size_t>(column)) = std::move(shownText);
}

bool RecordModel::isTicked(const QVariant& value) {
    return !value.isNull() && value.toLongLong() != 0; // Jet's true is -1
}

QVariant RecordModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const ListColumn& col = column(index.column());
    const QVariant value = rowValue(index.row(), col.field);
    switch (role) {
    case Qt::DisplayRole:
        if (col.checkBox)
            return {};
        if (const auto shown = static_cast<size_t>(index.column());
            shown < shownTexts_.size() && shownTexts_[shown])
            return shownTexts_[shown](value);
        return value.toString();
    case Qt::CheckStateRole:
        return col.checkBox ? QVariant(isTicked(value) ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(col.alignment);
    case Qt::BackgroundRole:
        return rowBackground(index.row());
    case Qt::ForegroundRole:
        return QColor(Qt::black);
    default:
        return {};
    }
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return column(section).title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return {};
    }
    if (role == Qt::DisplayRole)
        return !recordsGone_ && section == records_.currentRow() ? QStringLiteral("\u25B6") : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags RecordModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace quorvane
