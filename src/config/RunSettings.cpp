#include "config/RunSettings.h"

#include "platform/ApplicationFolder.h"

#include <QFileInfo>
#include <QSettings>

namespace quorvane {

bool enginesSideBySide(const QString& iniPath) {
    if (!QFileInfo::exists(iniPath))
        return true;
    const QSettings settings(iniPath, QSettings::IniFormat);
    const QString value = settings.value(QStringLiteral("Network/SideBySide")).toString().trimmed();
    return value != QStringLiteral("0") && value.compare(QStringLiteral("false"), Qt::CaseInsensitive) != 0;
}

bool enginesSideBySideBesideExecutable() {
    return enginesSideBySide(applicationFolder() + QStringLiteral("Endpoints.ini"));
}

} // namespace quorvane
