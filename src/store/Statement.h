#pragma once

#include "store/SqliteHandles.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace quorvane {

// A statement's text with the values of its "?" parameters, in order.
struct BoundSql {
    QString sql;
    QVariantList values;
};

// One prepared statement with its parameters bound by value ("?" by position from 1, ":name" by name).
// The values never become statement text, so a quote in a keyword is a quote. Prepared once by the
// connection (Database::statement) and reused: each use starts from reset() with no values bound.
// Failures throw DbError.
class Statement {
public:
    Statement(SqliteStatement handle, sqlite3* db);

    Statement& bind(int index, const QVariant& value);
    Statement& bind(int index, const QString& text);
    Statement& bind(int index, qint64 number);
    Statement& bindNull(int index);
    // The named parameter (with its sign, ":keyword"); DbError when the statement has no such parameter.
    Statement& bind(const char* name, const QVariant& value);
    // Binds values to ?1, ?2, ... in order.
    Statement& bindAll(const QVariantList& values);

    // Steps once: true when a row is there to read, false at the end.
    bool next();
    // Steps to the end (for statements that write), then resets.
    void run();
    // Back to the start, every value unbound.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    QVariant value(int column) const;
    QString text(int column) const;
    qint64 integer(int column) const;

    sqlite3_stmt* handle() const { return stmt_.get(); }

private:
    [[noreturn]] void fail() const;
    void check(int rc) const;

    SqliteStatement stmt_;
    sqlite3* db_;
};

} // namespace quorvane
