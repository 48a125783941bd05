#include "platform/ApplicationFolder.h"

#include <QCoreApplication>

namespace quorvane {

QString applicationFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

} // namespace quorvane
