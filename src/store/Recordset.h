#pragma once

#include "store/RecordTable.h"

#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace quorvane {

class Database;

// A static snapshot of a query's rows and fields with a current row, as the grids show it. Rows can be
// edited and posted back by the row's key, sorted in memory and deleted. The grids' models listen to its
// signals; the snapshot never goes back to the database by itself.
class Recordset : public QObject {
    Q_OBJECT
public:
    // A row's values in column order, as assign() takes them.
    using Row = std::vector<QVariant>;

    explicit Recordset(QObject* parent = nullptr);

    // The table and key column that Post and deleteRow write to, e.g. ("SE_KeyWord", "KeyWordID").
    void setUpdateTable(const QString& table, const QString& keyField);

    bool isOpen() const { return open_; }
    void close();
    // The statement the set was last opened with.
    const QString& sql() const { return sql_; }

    int recordCount() const { return table_.constData()->rowCount(); }
    bool isEmpty() const { return recordCount() == 0; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    const QStringList& fieldNames() const { return fields_; }
    // The field's column, compared without regard to case; -1 when there is none.
    int fieldIndex(QStringView name) const;
    // Throws std::out_of_range for a row or field outside the set.
    QVariant value(int row, int field) const { return table_.constData()->value(row, field); }
    // value(row, field).toString(), without a copy of a stored text.
    QString text(int row, int field) const { return table_.constData()->text(row, field); }
    RecordRow rowAt(int row) const { return RecordRow(*table_.constData(), row); }
    // The rows as they are now, unchanged by what later happens to the set; costs nothing until the set
    // changes while the snapshot is kept.
    RecordSnapshot snapshot() const { return RecordSnapshot(table_); }

    // The current row: -1 when the set is empty or closed.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);
    // The current row's value of a field. Throws DbError for an unknown field or an empty set.
    QVariant fieldByName(const QString& name) const;
    QString fieldText(const QString& name) const { return fieldByName(name).toString(); }

    // Editing the current row: setFieldValue changes the snapshot at once; Post writes the changed fields
    // to the update table by key; Cancel restores what was read. Post throws DbError when the write fails,
    // and the snapshot keeps the edited values.
    void edit();
    void setFieldValue(const QString& name, const QVariant& value);
    void post();
    void cancel();
    bool isEditing() const { return editing_; }
    // Sets one value of a row in the snapshot alone, writing nothing: what another statement has just
    // stored, or what the grid shows for a while (a check's pending mark). Throws DbError for an unknown
    // field, std::out_of_range for a row outside the set.
    void showValue(int row, QStringView field, const QVariant& value);

    // Reorders the rows in memory by "Field ASC" or "Field DESC"; the current row stays current.
    // Throws DbError for a text it cannot apply.
    void sort(const QString& sortText);

    // Deletes a row's record from the update table by key, then from the snapshot. Throws DbError.
    void deleteRow(int row);

    // Used by the data module when it opens the set.
    void assign(Database* owner, const QString& sql, QStringList fields, RecordTable rows);
    void assign(Database* owner, const QString& sql, QStringList fields, const std::vector<Row>& rows);

signals:
    void aboutToReset();
    void resetDone();
    void rowChanged(int row);
    void currentRowChanged(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);

private:
    int requireField(QStringView name) const;
    QVariant keyOf(int row) const;

    Database* owner_ = nullptr;
    QString sql_;
    QString updateTable_;
    QString keyField_;
    QStringList fields_;
    QSharedDataPointer<RecordTable> table_;
    int current_ = -1;
    bool open_ = false;
    bool editing_ = false;
    Row original_;
    std::vector<bool> changed_;
};

} // namespace quorvane
