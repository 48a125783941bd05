#include "platform/ApplicationFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace quorvane {

QString applicationFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString applicationFolderBeforeStart() {
    QString dir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

} // namespace quorvane
