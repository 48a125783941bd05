#pragma once

#include "store/Database.h"
#include "store/Schema.h"
#include "store/SqliteHandles.h"

#include <QString>
#include <QTemporaryDir>

namespace quorvane::test {

// A database made by make-database's own code in a temporary folder, and a data module connected to it.
class TempDatabase {
public:
    explicit TempDatabase(SchemaVersion version = SchemaVersion::Full, bool connect = true);

    const QString& Path() const { return path_; }
    QString Folder() const { return dir_.path(); }
    Database& connection() { return database_; }

    // Runs a statement that must succeed (test set-up).
    void Exec(const QString& sql);
    // The first column of the first row of a query, as text.
    QString Scalar(const QString& sql);

private:
    QTemporaryDir dir_;
    QString path_;
    Database database_;
};

// Every row of the query's result, its values joined by '|', the rows by line ends: what a run left, to
// compare it with another run's.
QString QueryRowsText(Database& database, const QString& sql);

// Another program's connection that holds a database file exclusively, with a write transaction left open,
// for as long as it lives.
class DatabaseHolder {
public:
    DatabaseHolder() = default;
    ~DatabaseHolder();
    DatabaseHolder(const DatabaseHolder&) = delete;
    DatabaseHolder& operator=(const DatabaseHolder&) = delete;

    // Opens the file with the password and takes the lock; false when either fails.
    bool Hold(const QString& path, const QString& password);

private:
    SqliteDb db_;
};

} // namespace quorvane::test
