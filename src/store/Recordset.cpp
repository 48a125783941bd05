#include "store/Recordset.h"

#include "store/Database.h"
#include "store/DbError.h"

#include <algorithm>
#include <numeric>

namespace quorvane {

Recordset::Recordset(QObject* parent)
    : QObject(parent) {}

void Recordset::setUpdateTable(const QString& table, const QString& keyField) {
    updateTable_ = table;
    keyField_ = keyField;
}

void Recordset::close() {
    emit aboutToReset();
    open_ = false;
    editing_ = false;
    fields_.clear();
    rows_.clear();
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

const QVariant& Recordset::value(int row, int field) const {
    return rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(field));
}

void Recordset::setCurrentRow(int row) {
    if (rows_.empty())
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
    original_ = rows_[static_cast<size_t>(current_)];
    changed_.assign(fields_.size(), false);
}

void Recordset::setFieldValue(const QString& name, const QVariant& value) {
    const int field = requireField(name);
    edit();
    rows_[static_cast<size_t>(current_)][static_cast<size_t>(field)] = value;
    changed_[static_cast<size_t>(field)] = true;
    emit rowChanged(current_);
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
            values << rows_[static_cast<size_t>(current_)][static_cast<size_t>(i)];
        }
    }
    if (!columns.isEmpty())
        owner_->updateRow(updateTable_, keyField_, keyOf(current_), columns, values);
    editing_ = false;
}

void Recordset::cancel() {
    if (!editing_)
        return;
    rows_[static_cast<size_t>(current_)] = original_;
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
    std::vector<size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto f = static_cast<size_t>(field);
    std::vector<SortKey> keys;
    keys.reserve(rows_.size());
    for (const Row& row : rows_)
        keys.push_back(sortKeyOf(row[f]));
    std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
        const int c = compareKeys(keys[x], keys[y]);
        return descending ? c > 0 : c < 0;
    });
    emit aboutToReset();
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    int newCurrent = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(rows_[order[i]]));
        if (static_cast<int>(order[i]) == current_)
            newCurrent = static_cast<int>(i);
    }
    rows_ = std::move(sorted);
    current_ = newCurrent;
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
    rows_.erase(rows_.begin() + row);
    if (rows_.empty())
        current_ = -1;
    else if (current_ > row || current_ >= recordCount())
        --current_;
    emit rowRemoved(row);
    emit currentRowChanged(current_);
}

void Recordset::assign(Database* owner, const QString& sql, QStringList fields, std::vector<Row> rows) {
    emit aboutToReset();
    owner_ = owner;
    sql_ = sql;
    fields_ = std::move(fields);
    rows_ = std::move(rows);
    open_ = true;
    editing_ = false;
    current_ = rows_.empty() ? -1 : 0;
    emit resetDone();
    emit currentRowChanged(current_);
}

} // namespace quorvane
