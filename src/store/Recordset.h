#pragma once

#include <QObject>
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
    using Row = std::vector<QVariant>;

    explicit Recordset(QObject* parent = nullptr);

    // The table and key column that Post and deleteRow write to, e.g. ("SE_KeyWord", "KeyWordID").
    void setUpdateTable(const QString& table, const QString& keyField);

    bool isOpen() const { return open_; }
    void close();
    // The statement the set was last opened with.
    const QString& sql() const { return sql_; }

    int recordCount() const { return static_cast<int>(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    const QStringList& fieldNames() const { return fields_; }
    // The field's column, compared without regard to case; -1 when there is none.
    int fieldIndex(QStringView name) const;
    const QVariant& value(int row, int field) const;
    const Row& rowAt(int row) const { return rows_.at(static_cast<size_t>(row)); }

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

    // Reorders the rows in memory by "Field ASC" or "Field DESC"; the current row stays current.
    // Throws DbError for a text it cannot apply.
    void sort(const QString& sortText);

    // Deletes a row's record from the update table by key, then from the snapshot. Throws DbError.
    void deleteRow(int row);

    // Used by the data module when it opens the set.
    void assign(Database* owner, const QString& sql, QStringList fields, std::vector<Row> rows);

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
    std::vector<Row> rows_;
    int current_ = -1;
    bool open_ = false;
    bool editing_ = false;
    Row original_;
    std::vector<bool> changed_;
};

} // namespace quorvane
