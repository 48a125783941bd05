#include "store/DbError.h"

#include <sqlcipher/sqlite3.h>

#include <cerrno>

namespace quorvane {

DbFailure failureOfSqliteCode(int code) {
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return DbFailure::None;
    case SQLITE_CONSTRAINT:
    case SQLITE_TOOBIG:
    case SQLITE_MISMATCH:
        return DbFailure::Refused;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbFailure::Busy;
    case SQLITE_FULL:
        return DbFailure::DiskFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return DbFailure::Damaged;
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return DbFailure::ReadOnly;
    default:
        return DbFailure::Other;
    }
}

QString plainWords(DbFailure failure) {
    switch (failure) {
    case DbFailure::DiskFull:
        return QStringLiteral("磁盘空间已满，数据库无法写入。已保存的数据没有丢失，请释放磁盘空间后重试。");
    case DbFailure::Busy:
        return QStringLiteral(
            "数据库正被其他程序使用，暂时无法写入。已保存的数据没有丢失，请关闭该程序后重试。");
    case DbFailure::Damaged:
        return QStringLiteral("数据库文件已损坏或不是本程序的数据库，无法读写。");
    case DbFailure::ReadOnly:
        return QStringLiteral("数据库文件或其所在文件夹不可写入。已保存的数据没有丢失，请检查文件权限。");
    case DbFailure::Refused:
        return QStringLiteral("数据不符合数据库的要求（例如内容过长），未能保存。");
    case DbFailure::None:
    case DbFailure::Other:
        break;
    }
    return QStringLiteral("数据库操作失败。已保存的数据没有丢失。");
}

DbFailure failureOfSqliteError(int code, int systemErrno) {
    const DbFailure failure = failureOfSqliteCode(code);
    const int primary = code & 0xff;
    if ((primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL) &&
        (systemErrno == ENOSPC || systemErrno == EFBIG || systemErrno == EDQUOT))
        return DbFailure::DiskFull;
    return failure;
}

QString openFailureText(DbFailure failure, const QString& folder) {
    if (failure == DbFailure::Busy)
        return QStringLiteral("数据库正被其他程序使用，无法打开。请关闭该程序后再启动本程序。");
    if (failure == DbFailure::DiskFull) {
        const QString where =
            folder.isEmpty() ? QString() : QStringLiteral("（") + folder + QStringLiteral("）");
        return QStringLiteral("磁盘空间已满") + where +
               QStringLiteral("，数据库无法打开。已保存的数据没有丢失，请释放磁盘空间后再启动本程序。");
    }
    return QStringLiteral("连接数据库失败!");
}

QString startFailureText(const std::exception& error, const QString& folder) {
    if (const auto* dbError = dynamic_cast<const DbError*>(&error);
        dbError && dbError->failure() == DbFailure::DiskFull)
        return openFailureText(DbFailure::DiskFull, folder);
    return userTextOf(error);
}

QString userTextOf(const std::exception& error) {
    if (const auto* dbError = dynamic_cast<const DbError*>(&error)) {
        const DbFailure failure = dbError->failure();
        // A refused statement is best explained by the rule that refused it.
        if (failure != DbFailure::None && failure != DbFailure::Other && failure != DbFailure::Refused)
            return plainWords(failure);
    }
    return QString::fromUtf8(error.what());
}

} // namespace quorvane
