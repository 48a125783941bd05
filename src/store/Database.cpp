#include "store/Database.h"

#include "catalog/EngineCatalog.h"
#include "platform/ProgramFolders.h"
#include "store/DbError.h"
#include "store/JetDialect.h"
#include "store/RecordTable.h"
#include "store/Schema.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cstdint>

namespace quorvane {

namespace {

constexpr int kBusyTimeoutMs = 5000;        // the command time-out
constexpr int kConnectBusyTimeoutMs = 1000; // how long start-up waits for another program's lock

// The failure of the connection's last call, with the system's reason behind it.
DbFailure failureOf(sqlite3* db) {
    return failureOfSqliteError(sqlite3_extended_errcode(db), sqlite3_system_errno(db));
}

// A file SQLite cannot read as a database says "not a database"; so does a wrong password.
DbFailure failureOrDamaged(sqlite3* db) {
    const DbFailure failure = failureOf(db);
    return failure == DbFailure::Other ? DbFailure::Damaged : failure;
}

// A column's texts put into the rows' pool. The texts a column repeats (rank cells, site addresses, days)
// go in once and are shared by every cell that holds them: a list of 100,000 keywords holds a few hundred
// distinct rank texts, not a million copies. A column whose texts keep being new (the keywords themselves)
// stops being looked up.
class ColumnTexts {
public:
    std::uint32_t pooled(RecordTable& table, const char* utf8, int bytes) {
        if (given_ || bytes > kLongestShared)
            return table.addText(QString::fromUtf8(utf8, bytes));
        const auto found = shared_.constFind(QByteArray::fromRawData(utf8, bytes));
        if (found != shared_.constEnd())
            return *found;
        const std::uint32_t index = table.addText(QString::fromUtf8(utf8, bytes));
        if (shared_.size() >= kMostShared) {
            given_ = true;
            shared_.clear();
        } else {
            shared_.insert(QByteArray(utf8, bytes), index);
        }
        return index;
    }

private:
    static constexpr int kLongestShared = 64;
    static constexpr qsizetype kMostShared = 2048;
    QHash<QByteArray, std::uint32_t> shared_;
    bool given_ = false; // too many distinct texts: each cell keeps its own
};

void appendColumn(RecordTable& table, sqlite3_stmt* stmt, int column, ColumnTexts& texts) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        table.appendInteger(sqlite3_column_int64(stmt, column));
        return;
    case SQLITE_FLOAT:
        table.appendReal(sqlite3_column_double(stmt, column));
        return;
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        table.appendPooledText(texts.pooled(table, text, sqlite3_column_bytes(stmt, column)));
        return;
    }
    case SQLITE_BLOB: {
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt, column));
        table.appendValue(QVariant(QByteArray(blob, sqlite3_column_bytes(stmt, column))));
        return;
    }
    default:
        table.appendNull();
        return;
    }
}

void bindValue(sqlite3_stmt* stmt, int index, const QVariant& value) {
    if (value.isNull()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        sqlite3_bind_int64(stmt, index, value.toBool() ? -1 : 0); // Jet's true is -1
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        sqlite3_bind_int64(stmt, index, value.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_bind_double(stmt, index, value.toDouble());
        return;
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

bool isOnlyBlank(const char* tail) {
    for (; tail && *tail; ++tail)
        if (static_cast<unsigned char>(*tail) > 32 && *tail != ';')
            return false;
    return true;
}

// SQLite counts every allocation it makes under a process-wide lock unless told not to before its first
// use; nothing here reads those counts.
void skipSqliteMemoryCounts() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(configured);
}

} // namespace

Database::Database() {
    skipSqliteMemoryCounts();
    selectQuery.setObjectName(QStringLiteral("selectQuery"));
    execQuery.setObjectName(QStringLiteral("execQuery"));
}

Database::~Database() = default;

void Database::closeDatabase() {
    selectQuery.close();
    execQuery.close();
    statements_.clear();
    db_.reset();
}

bool Database::openDatabase(const QString& file, const QString& password) {
    QString relative = file;
    relative.replace(u'\\', u'/');
    const QString path = QDir::isAbsolutePath(relative) ? relative : dataFolder() + relative;
    connectionString_ = QDir::cleanPath(path);
    closeDatabase();
    connectFailure_ = DbFailure::Other;

    const QFileInfo info(connectionString_);
    if (!info.isFile())
        return false;
    // SQLite takes an empty file for a new database and would write one into it.
    if (info.size() == 0) {
        connectFailure_ = DbFailure::Damaged;
        return false;
    }
    // The journal files live beside the database: a folder that cannot be written would turn the first
    // save into a failure, as a read-only file would.
    if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable()) {
        connectFailure_ = DbFailure::ReadOnly;
        return false;
    }
    sqlite3* raw = nullptr;
    const QByteArray nativePath = QFile::encodeName(connectionString_);
    // A connection is used only by the thread that opened it (the engines' threads never touch the store),
    // so SQLite's lock around every call on it, a tenth of the time of reading a large list, is left out.
    const int rc =
        sqlite3_open_v2(nativePath.constData(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    SqliteDb db(raw);
    if (rc != SQLITE_OK) {
        connectFailure_ = failureOfSqliteCode(rc);
        return false;
    }
    const QByteArray key = password.toUtf8();
    if (sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
        return false;
    // A database held by another program is reported at once rather than after the command time-out.
    sqlite3_busy_timeout(db.get(), kConnectBusyTimeoutMs);
    // Reading the schema proves the password and that the file is a database at all; the rank tables
    // show it is this program's.
    sqlite3_stmt* rawProbe = nullptr;
    const char* probe = "SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                        "name IN ('SE_KeyUrl','SE_KeyWord','SE_RankHistory')";
    if (sqlite3_prepare_v2(db.get(), probe, -1, &rawProbe, nullptr) != SQLITE_OK) {
        connectFailure_ = failureOrDamaged(db.get());
        return false;
    }
    SqliteStatement tables(rawProbe);
    const int step = sqlite3_step(tables.get());
    if (step != SQLITE_ROW) {
        connectFailure_ = failureOrDamaged(db.get());
        return false;
    }
    const int found = sqlite3_column_int(tables.get(), 0);
    tables.reset();
    // A file with none of them is not this program's (an empty one would be turned into a new database);
    // one that lacks only some is reported by the start-up steps and still opens.
    if (found == 0) {
        connectFailure_ = DbFailure::Damaged;
        return false;
    }
    // A file that cannot be written would turn every later change into a silent failure.
    if (sqlite3_db_readonly(db.get(), "main") != 0) {
        connectFailure_ = DbFailure::ReadOnly;
        return false;
    }
    // WAL keeps a commit cheap without losing committed data when the program dies.
    sqlite3_exec(db.get(), "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db.get(), "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    db_ = std::move(db);
    connectFailure_ = DbFailure::None;
    return true;
}

QString Database::lastError() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_.get())) : QStringLiteral("Database is not connected");
}

DbError Database::lastDbError() const {
    if (!db_)
        return DbError(lastError());
    return DbError(lastError(), failureOf(db_.get()));
}

void Database::requireConnection() const {
    if (!db_)
        throw DbError(QStringLiteral("Database is not connected"));
}

void Database::notify(const QString& sql) const {
    if (observer_)
        observer_(sql);
}

SqliteStatement Database::prepare(const QString& sql) {
    requireConnection();
    const QByteArray utf8 = translateJet(sql).toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc =
        sqlite3_prepare_v2(db_.get(), utf8.constData(), static_cast<int>(utf8.size()), &raw, &tail);
    SqliteStatement stmt(raw);
    if (rc != SQLITE_OK)
        throw lastDbError();
    if (!stmt)
        throw DbError(QStringLiteral("Empty statement"));
    // One text is one statement: anything after it would run unseen.
    if (!isOnlyBlank(tail))
        throw DbError(QStringLiteral("Only one statement may be sent at a time"));
    return stmt;
}

void Database::runToEnd(sqlite3_stmt* stmt) {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw lastDbError();
}

void Database::simpleExec(const char* sql) {
    if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw lastDbError();
}

bool Database::inTransaction(const std::function<void()>& work) {
    lastFailure_ = DbFailure::None;
    try {
        simpleExec("BEGIN IMMEDIATE");
    } catch (const DbError& error) {
        lastFailure_ = error.failure();
        return false;
    }
    const auto rollBack = [this] {
        if (!sqlite3_get_autocommit(db_.get()))
            sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    };
    try {
        work();
        simpleExec("COMMIT");
        return true;
    } catch (const DbError& error) {
        lastFailure_ = error.failure();
        rollBack();
        return false;
    } catch (...) {
        // Never leave the connection inside a transaction that nothing will end.
        lastFailure_ = DbFailure::Other;
        rollBack();
        throw;
    }
}

bool Database::execInTransaction(Recordset& query, const QString& sql) {
    Q_UNUSED(query); // the statement runs on the connection; the query names the caller's intent
    requireConnection();
    notify(sql);
    return inTransaction([this, &sql] {
        SqliteStatement stmt = prepare(sql);
        runToEnd(stmt.get());
    });
}

bool Database::execAllInOneTransaction(const QStringList& statements) {
    requireConnection();
    return inTransaction([this, &statements] { execStatements(statements); });
}

bool Database::inOneTransaction(const std::function<void()>& work) {
    requireConnection();
    return inTransaction(work);
}

void Database::execStatements(const QStringList& statements) {
    for (const QString& sql : statements) {
        notify(sql);
        SqliteStatement stmt = prepare(sql);
        runToEnd(stmt.get());
    }
}

int Database::openQuery(Recordset& query, const QString& sql) {
    QStringList fields;
    RecordTable rows = readRows(sql, fields);
    const int count = rows.rowCount();
    query.assign(this, sql, std::move(fields), std::move(rows));
    return count;
}

namespace {

// The statement's rows, stepped to the end; `ok` false when a step failed.
RecordTable readAll(sqlite3_stmt* stmt, QStringList& fields, bool& ok) {
    const int columns = sqlite3_column_count(stmt);
    fields.clear();
    fields.reserve(columns);
    for (int c = 0; c < columns; ++c)
        fields << QString::fromUtf8(sqlite3_column_name(stmt, c));
    RecordTable rows(columns);
    std::vector<ColumnTexts> texts(static_cast<size_t>(columns));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            appendColumn(rows, stmt, c, texts[static_cast<size_t>(c)]);
    }
    ok = rc == SQLITE_DONE;
    return rows;
}

} // namespace

RecordTable Database::readRows(const QString& sql, QStringList& fields) {
    notify(sql);
    SqliteStatement stmt = prepare(sql);
    bool ok = false;
    RecordTable rows = readAll(stmt.get(), fields, ok);
    if (!ok)
        throw lastDbError();
    return rows;
}

RecordTable Database::readRows(const QString& sql, const QVariantList& values, QStringList& fields) {
    Statement& stmt = statement(sql);
    stmt.bindAll(values);
    bool read = false;
    RecordTable rows = readAll(stmt.handle(), fields, read);
    const DbError error = read ? DbError(QString()) : lastDbError();
    stmt.reset();
    if (!read)
        throw error;
    return rows;
}

int Database::openQuery(Recordset& query, const QString& sql, const QVariantList& values) {
    QStringList fields;
    RecordTable rows = readRows(sql, values, fields);
    const int count = rows.rowCount();
    query.assign(this, sql, std::move(fields), std::move(rows));
    return count;
}

Statement& Database::statement(const QString& sql) {
    notify(sql);
    return preparedOnce(sql);
}

Statement& Database::preparedOnce(const QString& sql) {
    const auto found = statements_.find(sql);
    if (found != statements_.end()) {
        found->second->reset();
        return *found->second;
    }
    auto made = std::make_unique<Statement>(prepare(sql), db_.get());
    return *statements_.emplace(sql, std::move(made)).first->second;
}

void Database::exec(const QString& sql, const QVariantList& values) {
    statement(sql).bindAll(values).run();
}

bool Database::execInTransaction(const QString& sql, const QVariantList& values) {
    requireConnection();
    // Seen before the transaction begins, as the texts of the other execInTransaction.
    notify(sql);
    return inTransaction([&] { preparedOnce(sql).bindAll(values).run(); });
}

QVariant Database::scalar(const QString& sql, const QVariantList& values) {
    Statement& stmt = statement(sql);
    stmt.bindAll(values);
    QVariant value;
    if (stmt.next())
        value = stmt.value(0);
    stmt.reset();
    return value;
}

bool Database::ensureColumn(const QString& table, const QString& column, const QString& type) {
    openQuery(selectQuery, QStringLiteral("Select * From ") + table + QStringLiteral(" Where 1=2"));
    if (selectQuery.fieldNames().contains(column, Qt::CaseSensitive))
        return false;
    return execInTransaction(execQuery, QStringLiteral("Alter Table ") + table + QStringLiteral(" Add ") +
                                            column + u' ' + type);
}

void Database::upgradeSchema() {
    // The rank columns the oldest files lack (those of the engines added later, and of an engine added to
    // the table since the file was made); every file has the others.
    const QStringList columns = laterRankColumns();
    for (const QString& column : columns)
        ensureColumn(QStringLiteral("SE_RankHistory"), column, QStringLiteral("long"));
    for (const QString& column : columns)
        ensureColumn(QStringLiteral("SE_KeyWord"), column, QStringLiteral("Text(50)"));
    // What counts as a hit for each site; empty (the whole address) for every site stored before. A column
    // of its own, which earlier versions never name, so the file still opens in them.
    ensureColumn(QStringLiteral("SE_KeyUrl"), QStringLiteral("MatchRule"), QStringLiteral("long"));
    // The look-ups' indexes, for files made without them. Results are not inspected: a file that cannot
    // take them is read as before, only slower.
    execAllInOneTransaction(schemaIndexStatements());
}

void Database::updateRow(const QString& table, const QString& keyField, const QVariant& key,
                         const QStringList& columns, const QVariantList& values) {
    QString sql = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ");
    for (int i = 0; i < columns.size(); ++i)
        sql += (i ? QStringLiteral(", ") : QString()) + columns[i] + QStringLiteral(" = ?");
    sql += QStringLiteral(" WHERE ") + keyField + QStringLiteral(" = ?");
    notify(sql);
    SqliteStatement stmt = prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        bindValue(stmt.get(), i + 1, values[i]);
    bindValue(stmt.get(), static_cast<int>(values.size()) + 1, key);
    runToEnd(stmt.get());
}

void Database::deleteRowByKey(const QString& table, const QString& keyField, const QVariant& key) {
    SqliteStatement stmt = prepare(QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") +
                                   keyField + QStringLiteral(" = ?"));
    bindValue(stmt.get(), 1, key);
    runToEnd(stmt.get());
}

} // namespace quorvane
