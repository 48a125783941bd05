#include "support/TempDatabase.h"

#include "store/Recordset.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

namespace quorvane::test {

TempDatabase::TempDatabase(SchemaVersion version, bool connect)
    : path_(dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb"))) {
    QString error;
    if (!createDatabase(path_, QString::fromUtf16(kDbPassword), version, &error))
        throw std::runtime_error("cannot create test database: " + error.toStdString());
    if (connect && !database_.openDatabase(path_, QString::fromUtf16(kDbPassword)))
        throw std::runtime_error("cannot connect test database");
}

void TempDatabase::Exec(const QString& sql) {
    if (!database_.execInTransaction(database_.execQuery, sql))
        throw std::runtime_error("set-up statement failed: " + sql.toStdString());
}

QString QueryRowsText(Database& database, const QString& sql) {
    Recordset rs;
    const int count = database.openQuery(rs, sql);
    QStringList rows;
    for (int r = 0; r < count; ++r) {
        QStringList fields;
        for (int f = 0; f < rs.fieldCount(); ++f)
            fields << rs.value(r, f).toString();
        rows << fields.join(u'|');
    }
    return rows.join(u'\n');
}

QString TempDatabase::Scalar(const QString& sql) {
    Recordset rs;
    if (database_.openQuery(rs, sql) < 1)
        return {};
    return rs.value(0, 0).toString();
}

DatabaseHolder::~DatabaseHolder() {
    if (db_)
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

bool DatabaseHolder::Hold(const QString& path, const QString& password) {
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(raw); // closed again on failure too
    if (opened != SQLITE_OK)
        return false;
    const QByteArray key = password.toUtf8();
    if (sqlite3_key(db_.get(), key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
        return false;
    return sqlite3_exec(db_.get(),
                        "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                        "INSERT INTO SE_KeyUrl(UrlName) VALUES('held');",
                        nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace quorvane::test
