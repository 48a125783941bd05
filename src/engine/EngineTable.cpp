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

QString resultPageUrl(QStringView engine, QStringView keyword, int pageParameter) {
    const EngineInfo* info = findEngine(engine);
    if (!info)
        return {};
    const QString key =
        percentEncode(info->keywordBytes == KeywordBytes::Gbk ? toGbk(keyword) : keyword.toUtf8());
    const EngineDefinition& d = definition(*info);
    return endpoint(info->name) + d.pathBeforeKeyword + key + d.pathBeforePage +
           QString::number(pageParameter) + d.pathAfterPage;
}

bool engineCanTakeKeyword(QStringView engine, QStringView keyword) {
    const EngineInfo* info = findEngine(engine);
    return !info || info->keywordBytes == KeywordBytes::Utf8 || fromGbk(toGbk(keyword)) == keyword;
}

QString firstPageUrl(QStringView engine, QStringView keyword) {
    const EngineInfo* info = findEngine(engine);
    return info ? resultPageUrl(engine, keyword, pageParameter(*info, 0)) : QString();
}

bool openResultPage(Browser& browser, EnginePace& pace, QStringView engine, int pageParameter,
                    QStringView keyword, const StopFlag& stopRequested) {
    const EngineInfo* info = findEngine(engine);
    const QString url = resultPageUrl(engine, keyword, pageParameter);
    if (!info || url.isEmpty())
        return false;
    if (!pace.waitTurn(stopRequested))
        return false;
    const bool ok = loadPageAndWait(browser, url, false, stopRequested);
    // Google asks for a pause after every page that loaded; the pace keeps it before the next request.
    pace.requestEnded(ok ? std::chrono::milliseconds(info->pauseAfterPageMs) : std::chrono::milliseconds(0));
    return ok;
}

} // namespace quorvane
