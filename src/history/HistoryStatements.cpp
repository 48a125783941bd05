#include "history/HistoryStatements.h"

#include "engine/EngineTable.h"

namespace quorvane {

QString chartCaption() {
    const EngineInfo* twoRanks = engineWithSecondRank();
    return twoRanks ? QStringLiteral("排名走势图(%1曲线为不包含推广排名)").arg(twoRanks->name)
                    : QStringLiteral("排名走势图");
}

QString chartRankColumn(QStringView engine) {
    const EngineInfo* info = findEngine(engine);
    return info ? info->rankColumn.toString() : QString();
}

BoundSql historyStatement(const QString& keyWordId, const QString& webId, const QDate& first,
                          const QDate& last) {
    return {QStringLiteral("Select KeyWordName,UrlName,") + rankColumnList() +
                QStringLiteral(",UpdateTime From SE_RankHistory Where 1=1 and KeyWordID=? and WebID=? and "
                               "UpdateTime Between ? and ? order by UpdateTime desc"),
            {keyWordId, webId, first, last}};
}

BoundSql trendStatement(const QString& keyWordId, const QString& webId, const QDate& first, const QDate& last,
                        QStringView engine) {
    const QString column = chartRankColumn(engine);
    if (column.isEmpty())
        return {};
    return {QStringLiteral("Select * From SE_RankHistory Where KeyWordID=? and WebID=? and UpdateTime>=? and "
                           "UpdateTime<=? and ") +
                column + QStringLiteral(">0 order by updateTime"),
            {keyWordId, webId, first, last}};
}

QString engineOfMissionField(QStringView fieldName) {
    // Field names compare without regard to case, as the dataset looks them up. A second rank column is no
    // engine's first, so it gives nothing.
    for (const EngineInfo& info : engines())
        if (fieldName.compare(info.rankColumn, Qt::CaseInsensitive) == 0)
            return info.name.toString();
    return {};
}

} // namespace quorvane
