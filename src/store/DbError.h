#pragma once

#include <QString>

#include <stdexcept>

namespace quorvane {

// Why a statement or a connection failed, as far as the user can act on it.
enum class DbFailure {
    None,
    Refused,  // the statement broke a rule of the schema (too long a text, a duplicate key)
    Busy,     // another program holds the database
    DiskFull, // the disk has no room left
    Damaged,  // the file is not a database, is damaged, or the password does not fit
    ReadOnly, // the file or its folder cannot be written
    Other,
};

// The failure kind of an SQLite result code (primary or extended).
DbFailure failureOfSqliteCode(int code);

// What to tell the user, in plain words, about a failure that lost nothing: every earlier change was
// committed and stays.
QString plainWords(DbFailure failure);

// What to tell the user when the database cannot be opened at start: another program's lock and a full
// disk (with the database's folder) are the user's to clear and are named; anything else is
// "连接数据库失败!".
QString openFailureText(DbFailure failure, const QString& folder = {});

// The failure kind of SQLite's result code and the system's error number behind it: a write that failed for
// want of room (ENOSPC, EFBIG, EDQUOT) is a full disk, whatever code SQLite gave it ("disk I/O error").
DbFailure failureOfSqliteError(int code, int systemErrno);

class DbError;

// The text the user reads for an error: a database failure the user can act on (busy, disk full, damaged,
// read-only) in plain words, anything else as it was raised.
QString userTextOf(const std::exception& error);

// The same for an error of the start-up steps right after the database opened: a full disk is named with
// the database's folder, as at open.
QString startFailureText(const std::exception& error, const QString& folder);

// A statement or connection failure of the data layer. It travels to the caller's error path and, when
// nobody handles it, to the application's general error report.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message, DbFailure failure = DbFailure::Other)
        : std::runtime_error(message.toStdString())
        , failure_(failure) {}
    DbFailure failure() const { return failure_; }

private:
    DbFailure failure_;
};

} // namespace quorvane
