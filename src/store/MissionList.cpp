#include "store/MissionList.h"

namespace quorvane {

QString missionListSql(const Shard& shard) {
    QString sql = QString::fromUtf16(kMissionListSql);
    if (shard.isWholeList())
        return sql;
    const qsizetype order = sql.lastIndexOf(QStringLiteral(" Order By "));
    Q_ASSERT(order > 0);
    sql.insert(order, QStringLiteral(" and a.KeyWordID % %1 = %2").arg(shard.count).arg(shard.index));
    return sql;
}

int openMissionList(Database& database, Recordset& missions, const Shard& shard) {
    missions.setUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));
    return database.openQuery(missions, missionListSql(shard));
}

} // namespace quorvane
