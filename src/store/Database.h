#pragma once

#include "store/DbError.h"
#include "store/Recordset.h"
#include "store/SqliteHandles.h"
#include "store/Statement.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <map>
#include <memory>

namespace quorvane {

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
    // The same with the values bound to the statement's parameters in order.
    int openQuery(Recordset& query, const QString& sql, const QVariantList& values);
    // The statement's rows, and its field names in `fields`. Throws DbError.
    RecordTable readRows(const QString& sql, QStringList& fields);
    RecordTable readRows(const QString& sql, const QVariantList& values, QStringList& fields);

    // The connection's prepared statement for a text, prepared at its first use and kept for the life of
    // the connection; reset, with no values bound. The texts are the program's own, fixed ones: values go
    // in as bound parameters, never as text. A statement may not be asked for again while its rows are
    // still being read. Throws DbError.
    Statement& statement(const QString& sql);
    // Runs one statement with its values bound, for work inside inOneTransaction. Throws DbError.
    void exec(const QString& sql, const QVariantList& values = {});
    // One statement with its values bound, in its own transaction: true after commit, false after
    // rollback (lastFailure() says why). Throws DbError only when there is no connection.
    bool execInTransaction(const QString& sql, const QVariantList& values);
    int openQuery(Recordset& query, const BoundSql& bound) {
        return openQuery(query, bound.sql, bound.values);
    }
    bool execInTransaction(const BoundSql& bound) { return execInTransaction(bound.sql, bound.values); }
    // The first column of the statement's first row; null when there is no row. Throws DbError.
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    // Adds the column when the table lacks it (exact, case-sensitive name comparison); true only when it
    // was added now. The probe's errors reach the caller.
    bool ensureColumn(const QString& table, const QString& column, const QString& type);
    // The start-up upgrade: the six later rank columns in both tables, then the sites' match rule column,
    // then the look-ups' indexes where they are missing. Results are not inspected.
    void upgradeSchema();

    // Writes changed fields of one row by key, and deletes one row by key (the datasets' Post and
    // delete). Both run outside execInTransaction's transactions and throw DbError.
    void updateRow(const QString& table, const QString& keyField, const QVariant& key,
                   const QStringList& columns, const QVariantList& values);
    void deleteRowByKey(const QString& table, const QString& keyField, const QVariant& key);

    // Sees every statement text the program sends, just before it runs and before translation (for tests and
    // diagnostics).
    using StatementObserver = std::function<void(const QString& sql)>;
    void setStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }

    // The connection string kept for the life of the module (the file's full path; no password).
    const QString& connectionString() const { return connectionString_; }

    Recordset selectQuery;
    Recordset execQuery;

private:
    SqliteStatement prepare(const QString& sql);
    // statement() without telling the observer.
    Statement& preparedOnce(const QString& sql);
    void runToEnd(sqlite3_stmt* stmt);
    void simpleExec(const char* sql);
    QString lastError() const;
    DbError lastDbError() const;
    bool inTransaction(const std::function<void()>& work);
    void requireConnection() const;
    void notify(const QString& sql) const;

    SqliteDb db_;
    // After db_, so that the statements are finalised before the connection closes.
    std::map<QString, std::unique_ptr<Statement>> statements_;
    QString connectionString_;
    StatementObserver observer_;
    DbFailure connectFailure_ = DbFailure::None;
    DbFailure lastFailure_ = DbFailure::None;
};

} // namespace quorvane
