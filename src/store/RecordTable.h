#pragma once

#include <QSharedData>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

// The rows of a query in compact form: one 16-byte cell per value, row after row, and each text kept
// once in a pool that the cells point into. A grid of 100,000 keywords holds 1.3 million values; as
// QVariants in a vector per row they took twice the memory and a heap block per row.
//
// Implicitly shared: a copy costs nothing until one side changes, so a long export can walk a snapshot
// while the window reloads or sorts its own.
class RecordTable : public QSharedData {
public:
    explicit RecordTable(int columns = 0)
        : columns_(columns) {}

    int rowCount() const { return rows_; }
    int columnCount() const { return columns_; }

    QVariant value(int row, int column) const;
    // The value as text, as QVariant::toString() gives it; a stored text is returned without a copy.
    QString text(int row, int column) const;
    bool isNull(int row, int column) const;
    // The whole number a cell holds; none for a null, a text or any other value.
    std::optional<qint64> integerAt(int row, int column) const;

    // Building, a row at a time: the values of one row in column order.
    void appendNull() { push(Cell{}); }
    void appendInteger(qint64 value);
    void appendReal(double value);
    // A text already in the pool (see addText), shared by every cell that holds it.
    void appendPooledText(std::uint32_t index);
    void appendValue(const QVariant& value);
    // Puts a text into the pool and returns its place there.
    std::uint32_t addText(QString text);

    void setValue(int row, int column, const QVariant& value);
    // A text already in the pool, for many cells that show the same text.
    void setPooledText(int row, int column, std::uint32_t index);
    void removeRow(int row);
    // Rows in the given order: order[i] is the row that becomes row i. Throws std::invalid_argument unless
    // the order names every row once.
    void reorder(const std::vector<int>& order);

private:
    enum class Kind : std::uint8_t { Null, Integer, Real, Text, Other };
    struct Cell {
        Kind kind = Kind::Null;
        union {
            qint64 integer = 0;
            double real;
            std::uint32_t index; // into texts_ or others_
        };
    };

    // The cells are kept in blocks of a fixed number of rows: a table that grows row by row never holds
    // twice its size while one large array moves to a bigger one. A block of a list's rows stays under the
    // allocator's threshold for mapping fresh pages (128 KB), so a reread list reuses the memory of the last
    // one instead of faulting in new pages: half the time of rereading 10,000 keywords.
    static constexpr size_t kBlockRows = 512;

    const Cell& cell(int row, int column) const;
    Cell& cell(int row, int column);
    void push(const Cell& cell);
    void copyRow(int from, int to);
    // Throws std::out_of_range for a row or column outside the table.
    void check(int row, int column) const;
    Cell cellOf(const QVariant& value);

    int columns_ = 0;
    int rows_ = 0;    // complete rows; a row being appended is not counted yet
    int rowFill_ = 0; // the values of the row being appended
    std::vector<std::vector<Cell>> blocks_;
    std::vector<QString> texts_;
    std::vector<QVariant> others_; // what is neither null, a whole number, a real nor a text (blobs, dates)
};

// One row of a table, for code that walks rows. Valid while the table it was taken from lives.
class RecordRow {
public:
    RecordRow(const RecordTable& table, int row)
        : table_(&table)
        , row_(row) {}

    QVariant value(int column) const { return table_->value(row_, column); }
    QString text(int column) const { return table_->text(row_, column); }

private:
    const RecordTable* table_;
    int row_;
};

// The rows of a list as they were at one moment: what a long walk reads while the list itself may be
// reloaded, sorted or edited meanwhile.
class RecordSnapshot {
public:
    RecordSnapshot();
    explicit RecordSnapshot(QSharedDataPointer<RecordTable> table)
        : table_(std::move(table)) {}

    int rowCount() const { return table_.constData()->rowCount(); }
    RecordRow row(int row) const { return RecordRow(*table_.constData(), row); }

private:
    QSharedDataPointer<RecordTable> table_;
};

} // namespace quorvane
