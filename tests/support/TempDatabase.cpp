#include "support/TempDatabase.h"

#include "store/Recordset.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quorvane::test {

TempDatabase::TempDatabase(SchemaVersion version, bool connect)
    : path_(dir_.filePath(QStringLiteral("DataBase/Trevanid.mdb"))) {
    QString error;
    if (!CreateDatabase(path_, QString::fromUtf16(kDbPassword), version, &error))
        throw std::runtime_error("cannot create test database: " + error.toStdString());
    if (connect && !database_.ConnectDB(path_, QString::fromUtf16(kDbPassword)))
        throw std::runtime_error("cannot connect test database");
}

void TempDatabase::Exec(const QString& sql) {
    if (!database_.ExecSQLInTrans(database_.execQuery, sql))
        throw std::runtime_error("set-up statement failed: " + sql.toStdString());
}

QString TempDatabase::Scalar(const QString& sql) {
    Recordset rs;
    if (database_.OpenSQL(rs, sql) < 1)
        return {};
    return rs.Value(0, 0).toString();
}

} // namespace quorvane::test
