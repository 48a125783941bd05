#include "store/MissionList.h"

namespace quorvane {

int OpenMissionList(Database& database, Recordset& missions) {
    missions.SetUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));
    return database.OpenSQL(missions, QString::fromUtf16(kMissionListSql));
}

} // namespace quorvane
