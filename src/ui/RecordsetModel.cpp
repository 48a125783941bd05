#include "ui/RecordsetModel.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace quorvane {

namespace {

// The row indicator: a small black triangle pointing at the current row.
const QPixmap& indicatorPixmap() {
    static const QPixmap pixmap = [] {
        QPixmap p(8, 9);
        p.fill(Qt::transparent);
        QPainter painter(&p);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        const QPointF triangle[] = {{1.5, 0.5}, {7.0, 4.5}, {1.5, 8.5}};
        painter.drawPolygon(triangle, 3);
        return p;
    }();
    return pixmap;
}

} // namespace

RecordsetModel::RecordsetModel(Recordset& recordset, std::vector<DataGridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , recordset_(recordset)
    , columns_(std::move(columns))
    , fieldIndex_(columns_.size(), -1)
    , markers_(columns_.size(), SortMarker::None) {
    resolveFields();
    indicatorRow_ = recordset_.currentRow();
    // A window's recordsets die before the views that QWidget deletes after them: from then on the model
    // is empty and never touches the recordset again.
    connect(&recordset_, &QObject::destroyed, this, [this] {
        beginResetModel();
        recordsetGone_ = true;
        endResetModel();
    });
    connect(&recordset_, &Recordset::aboutToReset, this, [this] {
        resetting_ = true;
        beginResetModel();
    });
    connect(&recordset_, &Recordset::resetDone, this, [this] {
        resolveFields();
        indicatorRow_ = recordset_.currentRow();
        resetting_ = false;
        endResetModel();
    });
    connect(&recordset_, &Recordset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && !columns_.empty())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(&recordset_, &Recordset::rowAboutToBeRemoved, this, [this](int row) {
        if (indicatorRow_ == row)
            indicatorRow_ = -1;
        else if (indicatorRow_ > row)
            --indicatorRow_;
        beginRemoveRows(QModelIndex(), row, row);
    });
    connect(&recordset_, &Recordset::rowRemoved, this, [this](int) { endRemoveRows(); });
    connect(&recordset_, &Recordset::currentRowChanged, this, &RecordsetModel::onCurrentRowChanged);
}

void RecordsetModel::resolveFields() {
    for (size_t c = 0; c < columns_.size(); ++c)
        fieldIndex_[c] =
            !recordsetGone_ && recordset_.isOpen() ? recordset_.fieldIndex(columns_[c].field) : -1;
}

void RecordsetModel::onCurrentRowChanged(int row) {
    if (resetting_ || row == indicatorRow_)
        return;
    const int previous = indicatorRow_;
    indicatorRow_ = row;
    const int rows = rowCount();
    for (const int r : {previous, row})
        if (r >= 0 && r < rows)
            emit headerDataChanged(Qt::Vertical, r, r);
}

int RecordsetModel::columnOfField(QStringView field) const {
    for (size_t c = 0; c < columns_.size(); ++c)
        if (columns_[c].field.compare(field, Qt::CaseInsensitive) == 0)
            return static_cast<int>(c);
    return -1;
}

QString RecordsetModel::cellText(int row, int column) const {
    const int field = fieldIndex(column);
    if (field < 0 || row < 0 || row >= rowCount())
        return QString();
    return recordset_.value(row, field).toString();
}

void RecordsetModel::setSortMarker(int column, SortMarker marker) {
    auto& current = markers_.at(static_cast<size_t>(column));
    if (current == marker)
        return;
    current = marker;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void RecordsetModel::setRowColourHook(RowColourHook hook) {
    rowColourHook_ = std::move(hook);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

RowColours RecordsetModel::rowColours(int row) const {
    if (!rowColourHook_ || row < 0 || row >= rowCount())
        return {};
    return rowColourHook_(recordset_, row);
}

int RecordsetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || recordsetGone_ || !recordset_.isOpen())
        return 0;
    return recordset_.recordCount();
}

int RecordsetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(gridColumn(index.column()).alignment | Qt::AlignVCenter);
    case Qt::BackgroundRole: {
        const QColor colour = rowColours(index.row()).background;
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    case Qt::ForegroundRole: {
        const QColor colour = rowColours(index.row()).text;
        return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default:
        return {};
    }
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        switch (role) {
        case Qt::DisplayRole:
            return gridColumn(section).title;
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        case SortMarkerRole:
            return static_cast<int>(sortMarker(section));
        default:
            return {};
        }
    }
    if (section < 0 || section >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString();
    case Qt::DecorationRole:
        return section == indicatorRow_ ? QVariant(indicatorPixmap()) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
        return {};
    }
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace quorvane
