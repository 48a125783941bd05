#include "engine/EngineTable.h"

#include "engine/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/PageLoading.h"
#include "engine/RequestPacer.h"
#include "platform/GbkCodec.h"
#include "store/SharedFunctions.h"

namespace quorvane {

const EngineInfo* FindEngine(QStringView name) {
    for (const EngineInfo& engine : kEngines)
        if (engine.name == name)
            return &engine;
    return nullptr;
}

int PageParameter(const EngineInfo& engine, int pageIndex) {
    return engine.pageRule == PageParameterRule::IndexPlusOne ? pageIndex + 1 : pageIndex * PageStep(engine);
}

int PageStep(const EngineInfo& engine) {
    return Definition(engine).step;
}

int PagesRead(const EngineInfo& engine, int pageRange) {
    return engine.fixedPages > 0 ? engine.fixedPages : pageRange;
}

int NotFoundLimit(const EngineInfo& engine, int pageRange) {
    return PagesRead(engine, pageRange) * PageStep(engine);
}

int WidestRank(QStringView rankColumn) {
    for (const EngineInfo& engine : kEngines)
        if (rankColumn == engine.rankColumn ||
            (!engine.rankColumn2.isEmpty() && rankColumn == engine.rankColumn2))
            return NotFoundLimit(engine, 10);
    return 0;
}

QString ResultPageUrl(QStringView engine, QByteArrayView keywordGbk, int pageParameter) {
    const EngineInfo* info = FindEngine(engine);
    if (!info)
        return {};
    // Both forms are made whichever the engine takes: a character GBK could not hold is already "?" and
    // stays %3F in both.
    const QString keyGbk = PercentEncode(keywordGbk);
    const QString keyUtf8 = PercentEncode(FromGbk(keywordGbk).toUtf8());
    const QString& key = info->keywordBytes == KeywordBytes::Gbk ? keyGbk : keyUtf8;
    const EngineDefinition& d = Definition(*info);
    return Endpoint(info->name) + d.pathBeforeKeyword + key + d.pathBeforePage +
           QString::number(pageParameter) + d.pathAfterPage;
}

QString FirstPageUrl(QStringView engine, QByteArrayView keywordGbk) {
    const EngineInfo* info = FindEngine(engine);
    return info ? ResultPageUrl(engine, keywordGbk, PageParameter(*info, 0)) : QString();
}

bool OpenResultPage(Browser& browser, QStringView engine, int pageParameter, QByteArrayView keywordGbk,
                    const StopFlag& stopRequested) {
    const QString url = ResultPageUrl(engine, keywordGbk, pageParameter);
    if (url.isEmpty())
        return false;
    // DelayMs in Endpoints.ini spaces the requests to one engine.
    if (!RequestPacer::Shared().WaitTurn(engine, [&stopRequested] { return stopRequested.load(); }))
        return false;
    const bool ok = AutoOpenUrl(browser, url, false, stopRequested);
    RequestPacer::Shared().RequestEnded(engine);
    // Requests to Google are spaced out by a pause after every page that loaded.
    if (ok && engine == u"Google")
        DelaySeconds(1);
    return ok;
}

} // namespace quorvane
