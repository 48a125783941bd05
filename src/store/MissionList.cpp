#include "store/MissionList.h"

namespace quorvane {

int openMissionList(Database& database, Recordset& missions) {
    missions.setUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));
    return database.openQuery(missions, QString::fromUtf16(kMissionListSql));
}

} // namespace quorvane
