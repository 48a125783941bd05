#include "store/Recordset.h"

#include "store/Database.h"
#include "store/DbError.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace quorvane {

Recordset::Recordset(QObject* parent)
    : QObject(parent)
    , table_(new RecordTable) {}

void Recordset::setUpdateTable(const QString& table, const QString& keyField) {
    updateTable_ = table;
    keyField_ = keyField;
}

void Recordset::close() {
    emit aboutToReset();
    open_ = false;
    editing_ = false;
    fields_.clear();
    table_ = QSharedDataPointer<RecordTable>(new RecordTable);
    current_ = -1;
    emit resetDone();
}

int Recordset::fieldIndex(QStringView name) const {
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int Recordset::requireField(QStringView name) const {
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("Field '") + name.toString() + QStringLiteral("' not found"));
    return index;
}

void Recordset::setCurrentRow(int row) {
    if (isEmpty())
        row = -1;
    else
        row = std::clamp(row, 0, recordCount() - 1);
    if (row == current_)
        return;
    if (editing_)
        cancel();
    current_ = row;
    emit currentRowChanged(current_);
}

QVariant Recordset::fieldByName(const QString& name) const {
    const int field = requireField(name);
    if (current_ < 0)
        throw DbError(QStringLiteral("Dataset is empty"));
    return value(current_, field);
}

void Recordset::edit() {
    if (current_ < 0)
        throw DbError(QStringLiteral("Dataset is empty"));
    if (editing_)
        return;
    editing_ = true;
    original_.clear();
    for (int field = 0; field < fieldCount(); ++field)
        original_.push_back(value(current_, field));
    changed_.assign(fields_.size(), false);
}

void Recordset::setFieldValue(const QString& name, const QVariant& value) {
    const int field = requireField(name);
    edit();
    table_->setValue(current_, field, value);
    changed_[static_cast<size_t>(field)] = true;
    emit rowChanged(current_);
}

void Recordset::showValue(int row, QStringView field, const QVariant& value) {
    const int column = requireField(field);
    if (row < 0 || row >= recordCount())
        throw std::out_of_range("row outside the set");
    table_->setValue(row, column, value);
    if (editing_ && row == current_)
        original_[static_cast<size_t>(column)] = value; // a cancel keeps what is shown as stored
    emit rowChanged(row);
}

QVariant Recordset::keyOf(int row) const {
    if (updateTable_.isEmpty() || keyField_.isEmpty() || !owner_)
        throw DbError(QStringLiteral("Dataset cannot be updated"));
    return value(row, requireField(keyField_));
}

void Recordset::post() {
    if (!editing_)
        return;
    QStringList columns;
    QVariantList values;
    for (int i = 0; i < fields_.size(); ++i) {
        if (changed_[static_cast<size_t>(i)]) {
            columns << fields_[i];
            values << value(current_, i);
        }
    }
    if (!columns.isEmpty())
        owner_->updateRow(updateTable_, keyField_, keyOf(current_), columns, values);
    editing_ = false;
}

void Recordset::cancel() {
    if (!editing_)
        return;
    for (int field = 0; field < fieldCount(); ++field)
        table_->setValue(current_, field, original_[static_cast<size_t>(field)]);
    editing_ = false;
    emit rowChanged(current_);
}

namespace {

// A field's value prepared once for sorting, so that the comparisons touch no QVariant. Jet compares text
// without regard to case; numbers compare as numbers; null comes first.
struct SortKey {
    bool null = false;
    bool number = false;
    double value = 0;
    QString folded; // the text, case-folded; unused for null
};

SortKey sortKeyOf(const QVariant& v) {
    SortKey key;
    if (v.isNull()) {
        key.null = true;
        return key;
    }
    const auto id = v.typeId();
    key.number = id == QMetaType::LongLong || id == QMetaType::Int || id == QMetaType::Double;
    if (key.number)
        key.value = v.toDouble();
    key.folded = v.toString().toCaseFolded();
    return key;
}

int compareKeys(const SortKey& a, const SortKey& b) {
    if (a.null || b.null)
        return a.null == b.null ? 0 : (a.null ? -1 : 1);
    if (a.number && b.number)
        return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
    return QString::compare(a.folded, b.folded, Qt::CaseSensitive);
}

} // namespace

void Recordset::sort(const QString& sortText) {
    const QStringList parts = sortText.simplified().split(u' ');
    if (parts.isEmpty() || parts.size() > 2)
        throw DbError(QStringLiteral("Invalid sort: ") + sortText);
    const int field = requireField(parts[0]);
    bool descending = false;
    if (parts.size() == 2) {
        if (parts[1].compare(u"DESC", Qt::CaseInsensitive) == 0)
            descending = true;
        else if (parts[1].compare(u"ASC", Qt::CaseInsensitive) != 0)
            throw DbError(QStringLiteral("Invalid sort: ") + sortText);
    }
    if (editing_)
        cancel();
    const int rows = recordCount();
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    std::vector<SortKey> keys;
    keys.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row)
        keys.push_back(sortKeyOf(value(row, field)));
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const int c = compareKeys(keys[static_cast<size_t>(x)], keys[static_cast<size_t>(y)]);
        return descending ? c > 0 : c < 0;
    });
    emit aboutToReset();
    table_->reorder(order);
    const auto at = std::find(order.begin(), order.end(), current_);
    current_ = at == order.end() ? -1 : static_cast<int>(at - order.begin());
    emit resetDone();
    emit currentRowChanged(current_);
}

void Recordset::deleteRow(int row) {
    if (row < 0 || row >= recordCount())
        throw DbError(QStringLiteral("Row out of range"));
    if (editing_)
        cancel();
    owner_->deleteRowByKey(updateTable_, keyField_, keyOf(row));
    emit rowAboutToBeRemoved(row);
    table_->removeRow(row);
    if (isEmpty())
        current_ = -1;
    else if (current_ > row || current_ >= recordCount())
        --current_;
    emit rowRemoved(row);
    emit currentRowChanged(current_);
}

void Recordset::assign(Database* owner, const QString& sql, QStringList fields,
                       const std::vector<Row>& rows) {
    RecordTable table(static_cast<int>(fields.size()));
    for (const Row& row : rows) {
        if (row.size() != static_cast<size_t>(fields.size()))
            throw DbError(QStringLiteral("A row does not have a value for each field"));
        for (const QVariant& value : row)
            table.appendValue(value);
    }
    assign(owner, sql, std::move(fields), std::move(table));
}

void Recordset::assign(Database* owner, const QString& sql, QStringList fields, RecordTable rows) {
    emit aboutToReset();
    owner_ = owner;
    sql_ = sql;
    fields_ = std::move(fields);
    table_ = QSharedDataPointer<RecordTable>(new RecordTable(std::move(rows)));
    open_ = true;
    editing_ = false;
    current_ = isEmpty() ? -1 : 0;
    emit resetDone();
    emit currentRowChanged(current_);
}

} // namespace quorvane
