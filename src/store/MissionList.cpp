#include "store/MissionList.h"

namespace quorvane {

int OpenMissionList(TDM& dm, Recordset& qry_mission)
{
    qry_mission.SetUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));
    return dm.OpenSQL(qry_mission, QString::fromUtf16(kMissionListSql));
}

} // namespace quorvane
