#include "export/FileErrors.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace quorvane {

FileFailure fileFailureOf(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileFailure::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return FileFailure::NoPermission;
    case ENOENT:
    case ENOTDIR:
        return FileFailure::NoFolder;
    default:
        return FileFailure::Other;
    }
}

QString plainFileReason(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("磁盘空间不足");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有访问权限");
    case EROFS:
        return QStringLiteral("磁盘是只读的");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件或文件夹不存在");
    case EISDIR:
        return QStringLiteral("这是一个文件夹");
    case ENAMETOOLONG:
        return QStringLiteral("文件名太长");
    case EIO:
        return QStringLiteral("磁盘读写出错");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString quotedPath(const QString& path) {
    return u'“' + QDir::toNativeSeparators(path) + u'”';
}

WorkbookError fileError(const QString& action, const QString& path, int error) {
    return WorkbookError(action + quotedPath(path) + u'：' + plainFileReason(error) + u'。',
                         fileFailureOf(error));
}

} // namespace quorvane
