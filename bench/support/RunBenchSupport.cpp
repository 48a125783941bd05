#include "RunBenchSupport.h"

#include "store/MissionList.h"

#include <QStringList>

#include <ctime>

namespace quorvane::bench {

TickedEnginesHost::TickedEnginesHost(Database& database, Recordset& missions, QSet<QString> ticked)
    : database_(database)
    , missions_(missions)
    , ticked_(std::move(ticked)) {}

bool TickedEnginesHost::engineTicked(QStringView engine) const {
    return ticked_.contains(engine.toString());
}

void TickedEnginesHost::loadMissionList() {
    openMissionList(database_, missions_);
}

void AddKeywords(const std::function<void(const QString&)>& exec, int count) {
    exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.com',-1)"));
    for (int first = 1; first <= count; first += 1000) {
        QStringList values;
        for (int i = first; i < first + 1000 && i <= count; ++i)
            values << QStringLiteral("(1,'关键词%1')").arg(i);
        exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values") + values.join(u','));
    }
}

void AddRankedMissions(const std::function<void(const QString&)>& exec, int count) {
    exec(QStringLiteral("Insert Into SE_KeyUrl (UrlName) With Recursive n(i) As (Select 1 Union All Select "
                        "i+1 From n Where i < 100) Select 'www.site' || i || '.com' From n"));
    exec(QStringLiteral(
             "Insert Into SE_KeyWord (WebID, KeyWordName, Valid, UpdateTime, BaiduRank, BaiduRank2, "
             "GoogleRank, YahooRank, SogouRank, BingRank, SosoRank, YoudaoRank) With Recursive "
             "n(i) As (Select 1 Union All Select i+1 From n Where i < %1) Select i % 100 + 1, "
             "'关键词' || i, '1', date('2010-01-01', '+' || (i * 7 % 365) || ' days'), i % 97 + 1, "
             "i % 89 + 1, '>' || (i % 50), '稍候', i % 11, '', i % 5, '可能已被搜索引擎限制!' "
             "From n")
             .arg(count));
}

void AddHistoryDays(const std::function<void(const QString&)>& exec, int days) {
    exec(
        QStringLiteral("Insert Into SE_RankHistory (KeyWordName, UrlName, BaiduRank, BaiduRank2, GoogleRank, "
                       "YahooRank, SogouRank, BingRank, SosoRank, YoudaoRank, UpdateTime, KeyWordID, WebID) "
                       "With Recursive n(i) As (Select 0 Union All Select i+1 From n Where i < %1) Select "
                       "'关键词1', 'www.site2.com', i % 30, i % 30 + 1, i % 50, 0, 0, 0, 0, 0, "
                       "date('now', '-' || i || ' days'), 1, 2 From n")
            .arg(days - 1));
}

int KeywordCount(int fallback) {
    const int fromEnvironment = qEnvironmentVariableIntValue("QUORVANE_BENCH_KEYWORDS");
    return fromEnvironment > 0 ? fromEnvironment : fallback;
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace quorvane::bench
