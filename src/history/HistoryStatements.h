#pragma once

#include <QDate>
#include <QString>
#include <QStringView>

#include <array>

namespace quorvane {

// The statements of the history grid and the trend chart, and the engine facts both need.

// One engine of the trend chart: its button's engine name and the history column drawn for it.
struct ChartEngine {
    const char16_t* name;
    const char16_t* rankColumn;
};

// In the order of the engine buttons rb1 to rb7. Baidu is drawn from the rank without promoted results.
inline constexpr std::array<ChartEngine, 7> kChartEngines = {{
    {u"Baidu", u"BaiduRank"},
    {u"Google", u"GoogleRank"},
    {u"Yahoo", u"YahooRank"},
    {u"Soso", u"SosoRank"},
    {u"Bing", u"BingRank"},
    {u"Sogou", u"SogouRank"},
    {u"Youdao", u"YoudaoRank"},
}};

// The history column drawn for an engine name (exact, case-sensitive); empty for any other text.
QString ChartRankColumn(QStringView engine);

// The rows of one keyword/URL pair between two days, both included, newest first.
QString HistoryStatement(const QString& keyWordId, const QString& webId, const QDate& first,
                         const QDate& last);

// The chart's rows of one pair between two days for one engine: only days with a rank, oldest first.
// Empty for an unknown engine name.
QString TrendStatement(const QString& keyWordId, const QString& webId, const QDate& first, const QDate& last,
                       QStringView engine);

// The engine whose result page a double click on a mission-grid column opens: "Baidu" for BaiduRank,
// "Google" for GoogleRank and so on. Empty for BaiduRank2 and every column that is not a rank.
QString EngineOfMissionField(QStringView fieldName);

} // namespace quorvane
