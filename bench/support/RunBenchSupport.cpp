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
