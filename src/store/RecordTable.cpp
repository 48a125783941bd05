#include "store/RecordTable.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace quorvane {

void RecordTable::check(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
        throw std::out_of_range("no such row or column in the query's rows");
}

const RecordTable::Cell& RecordTable::cell(int row, int column) const {
    check(row, column);
    const auto r = static_cast<size_t>(row);
    return blocks_[r / kBlockRows]
                  [(r % kBlockRows) * static_cast<size_t>(columns_) + static_cast<size_t>(column)];
}

RecordTable::Cell& RecordTable::cell(int row, int column) {
    return const_cast<Cell&>(std::as_const(*this).cell(row, column));
}

void RecordTable::push(const Cell& cell) {
    Q_ASSERT(columns_ > 0);
    if (columns_ <= 0)
        return; // a table without columns holds no values
    const size_t blockCells = kBlockRows * static_cast<size_t>(columns_);
    if (blocks_.empty() || blocks_.back().size() == blockCells) {
        blocks_.emplace_back();
        blocks_.back().reserve(blockCells);
    }
    blocks_.back().push_back(cell);
    if (++rowFill_ == columns_) {
        rowFill_ = 0;
        ++rows_;
    }
}

QVariant RecordTable::value(int row, int column) const {
    const Cell& c = cell(row, column);
    switch (c.kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return QVariant(static_cast<qlonglong>(c.integer));
    case Kind::Real:
        return QVariant(c.real);
    case Kind::Text:
        return QVariant(texts_[c.index]);
    case Kind::Other:
        return others_[c.index];
    }
    return {};
}

QString RecordTable::text(int row, int column) const {
    const Cell& c = cell(row, column);
    switch (c.kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return QString::number(c.integer);
    case Kind::Real:
        return QVariant(c.real).toString(); // the shortest text that reads back as the same number
    case Kind::Text:
        return texts_[c.index];
    case Kind::Other:
        return others_[c.index].toString();
    }
    return {};
}

bool RecordTable::isNull(int row, int column) const {
    return cell(row, column).kind == Kind::Null;
}

std::optional<qint64> RecordTable::integerAt(int row, int column) const {
    const Cell& c = cell(row, column);
    if (c.kind != Kind::Integer)
        return std::nullopt;
    return c.integer;
}

void RecordTable::appendInteger(qint64 value) {
    Cell c;
    c.kind = Kind::Integer;
    c.integer = value;
    push(c);
}

void RecordTable::appendReal(double value) {
    Cell c;
    c.kind = Kind::Real;
    c.real = value;
    push(c);
}

void RecordTable::appendPooledText(std::uint32_t index) {
    Cell c;
    c.kind = Kind::Text;
    c.index = index;
    push(c);
}

void RecordTable::appendValue(const QVariant& value) {
    push(cellOf(value));
}

std::uint32_t RecordTable::addText(QString text) {
    texts_.push_back(std::move(text));
    return static_cast<std::uint32_t>(texts_.size() - 1);
}

RecordTable::Cell RecordTable::cellOf(const QVariant& value) {
    Cell c;
    if (!value.isValid() || value.isNull())
        return c;
    switch (value.typeId()) {
    case QMetaType::LongLong:
        c.kind = Kind::Integer;
        c.integer = value.toLongLong();
        return c;
    case QMetaType::Double:
        c.kind = Kind::Real;
        c.real = value.toDouble();
        return c;
    case QMetaType::QString:
        c.kind = Kind::Text;
        c.index = addText(value.toString());
        return c;
    default:
        // Kept as given (a bool stays a bool), so a value reads back with its own type.
        c.kind = Kind::Other;
        others_.push_back(value);
        c.index = static_cast<std::uint32_t>(others_.size() - 1);
        return c;
    }
}

void RecordTable::setValue(int row, int column, const QVariant& value) {
    // The old text stays in the pool until the table goes: edits are few, and a cell elsewhere may share it.
    cell(row, column) = cellOf(value);
}

void RecordTable::setPooledText(int row, int column, std::uint32_t index) {
    if (index >= texts_.size())
        throw std::out_of_range("no such text in the pool");
    Cell& c = cell(row, column);
    c.kind = Kind::Text;
    c.index = index;
}

void RecordTable::copyRow(int from, int to) {
    // A row's cells stand together in one block.
    const Cell* source = &cell(from, 0);
    std::copy_n(source, columns_, &cell(to, 0));
}

void RecordTable::removeRow(int row) {
    check(row, 0);
    Q_ASSERT(rowFill_ == 0);
    for (int r = row; r + 1 < rows_; ++r)
        copyRow(r + 1, r);
    std::vector<Cell>& last = blocks_.back();
    last.resize(last.size() - static_cast<size_t>(columns_));
    if (last.empty())
        blocks_.pop_back();
    --rows_;
}

void RecordTable::reorder(const std::vector<int>& order) {
    // In place, one cycle of the permutation at a time: a second copy of a large list would double the
    // memory that sorting or reading it takes.
    const auto rows = static_cast<size_t>(rows_);
    std::vector<bool> named(rows, false);
    if (order.size() != rows)
        throw std::invalid_argument("the new order does not name every row once");
    for (const int row : order) {
        if (row < 0 || row >= rows_ || named[static_cast<size_t>(row)])
            throw std::invalid_argument("the new order does not name every row once");
        named[static_cast<size_t>(row)] = true;
    }
    std::vector<bool> placed(rows, false);
    std::vector<Cell> held(static_cast<size_t>(columns_));
    for (int start = 0; start < rows_; ++start) {
        if (placed[static_cast<size_t>(start)])
            continue;
        // Row i takes row order[i]; the first row of the cycle is held until its place comes round.
        std::copy_n(&cell(start, 0), columns_, held.begin());
        int to = start;
        for (;;) {
            placed[static_cast<size_t>(to)] = true;
            const int from = order[static_cast<size_t>(to)];
            if (from == start)
                break;
            copyRow(from, to);
            to = from;
        }
        std::copy_n(held.begin(), columns_, &cell(to, 0));
    }
}

RecordSnapshot::RecordSnapshot()
    : table_(new RecordTable) {}

} // namespace quorvane
