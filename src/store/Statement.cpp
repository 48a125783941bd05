#include "store/Statement.h"

#include "store/DbError.h"

#include <QDate>

namespace quorvane {

Statement::Statement(SqliteStatement handle, sqlite3* db)
    : stmt_(std::move(handle))
    , db_(db) {}

void Statement::fail() const {
    throw DbError(QString::fromUtf8(sqlite3_errmsg(db_)),
                  failureOfSqliteError(sqlite3_extended_errcode(db_), sqlite3_system_errno(db_)));
}

void Statement::check(int rc) const {
    if (rc != SQLITE_OK)
        fail();
}

Statement& Statement::bind(int index, const QVariant& value) {
    if (value.isNull())
        return bindNull(index);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return bind(index, qint64(value.toBool() ? -1 : 0)); // Jet's true is -1
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return bind(index, value.toLongLong());
    case QMetaType::Double:
        check(sqlite3_bind_double(stmt_.get(), index, value.toDouble()));
        return *this;
    case QMetaType::QDate:
        return bind(index, value.toDate().toString(QStringLiteral("yyyy-MM-dd"))); // days are stored so
    default:
        return bind(index, value.toString());
    }
}

Statement& Statement::bind(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    check(sqlite3_bind_text(stmt_.get(), index, utf8.constData(), static_cast<int>(utf8.size()),
                            SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bind(int index, qint64 number) {
    check(sqlite3_bind_int64(stmt_.get(), index, number));
    return *this;
}

Statement& Statement::bindNull(int index) {
    check(sqlite3_bind_null(stmt_.get(), index));
    return *this;
}

Statement& Statement::bind(const char* name, const QVariant& value) {
    const int index = sqlite3_bind_parameter_index(stmt_.get(), name);
    if (index == 0)
        throw DbError(QStringLiteral("No parameter ") + QString::fromUtf8(name));
    return bind(index, value);
}

Statement& Statement::bindAll(const QVariantList& values) {
    // A value missing would be bound as null without a word; one too many would be dropped.
    if (values.size() != sqlite3_bind_parameter_count(stmt_.get()))
        throw DbError(QStringLiteral("%1 values for a statement with %2 parameters")
                          .arg(values.size())
                          .arg(sqlite3_bind_parameter_count(stmt_.get())));
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
    return *this;
}

bool Statement::next() {
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The connection's message belongs to this failure; the reset keeps the statement usable.
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    const DbFailure failure = failureOfSqliteError(sqlite3_extended_errcode(db_), sqlite3_system_errno(db_));
    sqlite3_reset(stmt_.get());
    throw DbError(message, failure);
}

void Statement::run() {
    while (next()) {
    }
    reset();
}

void Statement::reset() {
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_.get());
}

QString Statement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_.get(), column));
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL;
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(stmt_.get(), column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt_.get(), column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_.get(), column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB: {
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt_.get(), column));
        return QVariant(QByteArray(blob, sqlite3_column_bytes(stmt_.get(), column)));
    }
    default:
        return {};
    }
}

QString Statement::text(int column) const {
    const auto* utf8 = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), column));
    return QString::fromUtf8(utf8, sqlite3_column_bytes(stmt_.get(), column));
}

qint64 Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_.get(), column);
}

} // namespace quorvane
