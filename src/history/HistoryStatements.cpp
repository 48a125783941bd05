#include "history/HistoryStatements.h"

#include "store/SqlText.h"

namespace quorvane {

QString ChartRankColumn(QStringView engine) {
    for (const ChartEngine& e : kChartEngines)
        if (engine == QStringView(e.name))
            return QString::fromUtf16(e.rankColumn);
    return {};
}

QString HistoryStatement(const QString& keyWordId, const QString& webId, const QDate& first,
                         const QDate& last) {
    return QStringLiteral(
               "Select KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,YahooRank,SosoRank,"
               "YoudaoRank,SogouRank,BingRank,UpdateTime From SE_RankHistory Where 1=1 and KeyWordID=") +
           keyWordId + QStringLiteral(" and WebID=") + webId + QStringLiteral(" and UpdateTime Between #") +
           DateText(first) + QStringLiteral("# and #") + DateText(last) + QStringLiteral("#") +
           QStringLiteral(" order by UpdateTime desc");
}

QString TrendStatement(const QString& keyWordId, const QString& webId, const QDate& first, const QDate& last,
                       QStringView engine) {
    const QString column = ChartRankColumn(engine);
    if (column.isEmpty())
        return {};
    // The tail follows the closing hash sign directly: the hash ends the date literal.
    return QStringLiteral("Select * From SE_RankHistory Where KeyWordID=") + keyWordId +
           QStringLiteral(" and WebID=") + webId + QStringLiteral(" and UpdateTime>=#") + DateText(first) +
           QStringLiteral("# and UpdateTime<=#") + DateText(last) + QStringLiteral("#") +
           QStringLiteral("and ") + column + QStringLiteral(">0 order by updateTime");
}

QString EngineOfMissionField(QStringView fieldName) {
    // Field names compare without regard to case, as the dataset looks them up.
    static constexpr std::array<std::pair<const char16_t*, const char16_t*>, 7> kColumns = {{
        {u"BaiduRank", u"Baidu"},
        {u"GoogleRank", u"Google"},
        {u"YahooRank", u"Yahoo"},
        {u"SogouRank", u"Sogou"},
        {u"BingRank", u"Bing"},
        {u"SosoRank", u"Soso"},
        {u"YoudaoRank", u"Youdao"},
    }};
    for (const auto& [column, engine] : kColumns)
        if (fieldName.compare(QStringView(column), Qt::CaseInsensitive) == 0)
            return QString::fromUtf16(engine);
    return {};
}

} // namespace quorvane
