#pragma once

#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/SqliteHandles.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace quorvane {

class Database;

// One statement prepared once and run as often as needed with values bound to its "?" marks, in the order
// they stand: no value is ever written into the statement's text. Made by Database::prepareBound; it must
// not outlive the connection it was prepared on.
class BoundStatement {
public:
    BoundStatement(BoundStatement&&) noexcept = default;
    BoundStatement& operator=(BoundStatement&&) noexcept = default;

    // Binds the values, runs the statement to its end and makes it ready for the next values. Throws
    // DbError.
    void exec(const QVariantList& values);
    // Binds the values and returns the statement's rows. Throws DbError.
    RecordTable rows(const QVariantList& values);

private:
    friend class Database;
    BoundStatement(Database& database, QString sql, SqliteStatement statement);
    void bindAll(const QVariantList& values);

    Database* database_;
    QString sql_;
    SqliteStatement statement_;
};

// The data module: owns the program's one database connection. The database is a password-protected
// SQLite file; statements are the program's Jet-dialect texts, translated on the way in.
class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the database file (relative to the data folder, dataFolder(), or absolute) with its password.
    // False, without a message, when the file is missing, is not a database of this program (an empty
    // file, or one with none of the rank tables), the password is wrong, the file or its folder
    // cannot be written, or another program holds it; openFailure() then says which. Never creates
    // or changes a file it refuses.
    bool openDatabase(const QString& file, const QString& password);
    // Why the last openDatabase failed (None after a success; Other for a missing file).
    DbFailure openFailure() const { return connectFailure_; }
    bool isOpen() const { return db_ != nullptr; }
    void closeDatabase();

    // One statement in its own transaction: true after commit, false after rollback. Never shows a
    // message. Throws DbError only when there is no connection.
    bool execInTransaction(Recordset& query, const QString& sql);
    // Several statements in one transaction: all of them are committed, or none. Never shows a message.
    // Throws DbError only when there is no connection.
    bool execAllInOneTransaction(const QStringList& statements);
    // Runs work in one transaction: everything it writes through this connection (a Recordset's post,
    // execStatements) is committed, or none of it. False after a rollback, never a message. Throws
    // DbError only when there is no connection; other exceptions of the work roll back and pass on.
    bool inOneTransaction(const std::function<void()>& work);
    // Statements one after the other, for work inside inOneTransaction. Throws DbError.
    void execStatements(const QStringList& statements);
    // Why the last execInTransaction, execAllInOneTransaction or inOneTransaction failed; None after a
    // success.
    DbFailure lastFailure() const { return lastFailure_; }
    // Reopens the query with the statement and returns its row count. Throws DbError.
    int openQuery(Recordset& query, const QString& sql);
    // The statement's rows, and its field names in `fields`. Throws DbError.
    RecordTable readRows(const QString& sql, QStringList& fields);
    // Adds the column when the table lacks it (exact, case-sensitive name comparison); true only when it
    // was added now. The probe's errors reach the caller.
    bool ensureColumn(const QString& table, const QString& column, const QString& type);
    // The start-up upgrade: the six later rank columns in both tables, then the sites' match rule column.
    // Results are not inspected.
    void upgradeSchema();

    // Writes changed fields of one row by key, and deletes one row by key (the datasets' Post and
    // delete). Both run outside execInTransaction's transactions and throw DbError.
    void updateRow(const QString& table, const QString& keyField, const QVariant& key,
                   const QStringList& columns, const QVariantList& values);
    void deleteRowByKey(const QString& table, const QString& keyField, const QVariant& key);

    // A statement with "?" marks for its values, prepared now (translated like every other text) and
    // reusable on this connection. Throws DbError.
    BoundStatement prepareBound(const QString& sql);

    // Sees every statement text the program sends, just before it runs and before translation (for tests and
    // diagnostics).
    using StatementObserver = std::function<void(const QString& sql)>;
    void setStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }

    // The connection string kept for the life of the module (the file's full path; no password).
    const QString& connectionString() const { return connectionString_; }

    Recordset selectQuery;
    Recordset execQuery;

private:
    friend class BoundStatement;
    SqliteStatement prepare(const QString& sql);
    void runToEnd(sqlite3_stmt* stmt);
    void simpleExec(const char* sql);
    QString lastError() const;
    DbError lastDbError() const;
    bool inTransaction(const std::function<void()>& work);
    void requireConnection() const;
    void notify(const QString& sql) const;

    SqliteDb db_;
    QString connectionString_;
    StatementObserver observer_;
    DbFailure connectFailure_ = DbFailure::None;
    DbFailure lastFailure_ = DbFailure::None;
};

} // namespace quorvane
