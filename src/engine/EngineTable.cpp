#include "engine/EngineTable.h"

#include "config/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/EnginePace.h"
#include "engine/PageLoading.h"
#include "platform/GbkCodec.h"
#include "platform/PercentEncoding.h"

namespace quorvane {

int pageParameter(const EngineInfo& engine, int pageIndex) {
    return engine.pageRule == PageParameterRule::IndexPlusOne ? pageIndex + 1 : pageIndex * pageStep(engine);
}

int pageStep(const EngineInfo& engine) {
    return definition(engine).step;
}

int pagesRead(const EngineInfo& engine, int pageRange) {
    return engine.fixedPages > 0 ? engine.fixedPages : pageRange;
}

int notFoundLimit(const EngineInfo& engine, int pageRange) {
    return pagesRead(engine, pageRange) * pageStep(engine);
}

int widestRank(QStringView rankColumn) {
    for (const EngineInfo& engine : engines())
        if (rankColumn == engine.rankColumn ||
            (!engine.rankColumn2.isEmpty() && rankColumn == engine.rankColumn2))
            return notFoundLimit(engine, 10);
    return 0;
}

QString resultPageUrl(const EngineInfo& engine, QStringView keyword, int pageParameter) {
    const QString key =
        percentEncode(engine.keywordBytes == KeywordBytes::Gbk ? toGbk(keyword) : keyword.toUtf8());
    const EngineDefinition& d = definition(engine);
    return endpoint(engine.name) + d.pathBeforeKeyword + key + d.pathBeforePage +
           QString::number(pageParameter) + d.pathAfterPage;
}

QString resultPageUrl(QStringView engine, QStringView keyword, int pageParameter) {
    const EngineInfo* info = findEngine(engine);
    return info ? resultPageUrl(*info, keyword, pageParameter) : QString();
}

bool engineCanTakeKeyword(const EngineInfo& engine, QStringView keyword) {
    return engine.keywordBytes == KeywordBytes::Utf8 || fromGbk(toGbk(keyword)) == keyword;
}

bool engineCanTakeKeyword(QStringView engine, QStringView keyword) {
    const EngineInfo* info = findEngine(engine);
    return !info || engineCanTakeKeyword(*info, keyword);
}

QString firstPageUrl(QStringView engine, QStringView keyword) {
    const EngineInfo* info = findEngine(engine);
    return info ? resultPageUrl(engine, keyword, pageParameter(*info, 0)) : QString();
}

bool openResultPage(Browser& browser, EnginePace& pace, const EngineInfo& engine, int pageParameter,
                    QStringView keyword, const StopFlag& stopRequested) {
    const QString url = resultPageUrl(engine, keyword, pageParameter);
    if (!pace.waitTurn(stopRequested))
        return false;
    const bool ok = loadPageAndWait(browser, url, false, stopRequested);
    // Google asks for a pause after every page that loaded; the pace keeps it before the next request.
    pace.requestEnded(ok ? std::chrono::milliseconds(engine.pauseAfterPageMs) : std::chrono::milliseconds(0));
    return ok;
}

bool openResultPage(Browser& browser, EnginePace& pace, QStringView engine, int pageParameter,
                    QStringView keyword, const StopFlag& stopRequested) {
    const EngineInfo* info = findEngine(engine);
    return info && openResultPage(browser, pace, *info, pageParameter, keyword, stopRequested);
}

} // namespace quorvane
