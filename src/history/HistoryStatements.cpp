#include "history/HistoryStatements.h"

#include "engine/EngineTable.h"

namespace quorvane {

QString chartRankColumn(QStringView engine) {
    const EngineInfo* info = findEngine(engine);
    return info ? info->rankColumn.toString() : QString();
}

BoundSql historyStatement(const QString& keyWordId, const QString& webId, const QDate& first,
                          const QDate& last) {
    return {QStringLiteral(
                "Select KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,YahooRank,SosoRank,"
                "YoudaoRank,SogouRank,BingRank,UpdateTime From SE_RankHistory Where 1=1 and KeyWordID=?") +
                QStringLiteral(" and WebID=? and UpdateTime Between ? and ? order by UpdateTime desc"),
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
    // Field names compare without regard to case, as the dataset looks them up. BaiduRank2 is no engine's
    // first rank column, so it gives nothing.
    for (const EngineInfo& info : engines())
        if (fieldName.compare(info.rankColumn, Qt::CaseInsensitive) == 0)
            return info.name.toString();
    return {};
}

} // namespace quorvane
