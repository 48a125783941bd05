#include "engine/RankEngine.h"

#include "engine/EngineTable.h"
#include "engine/Scanners.h"
#include "engine/UrlMatch.h"
#include "platform/GbkCodec.h"

#include <algorithm>

namespace quorvane {

RankEngine::RankEngine(Browser& browser)
    : rankBrowser(browser) {}

void RankEngine::ResetCounters() {
    RankGoogle = RankBaidu = RankBaidu2 = RankYahoo = RankSoso = RankBing = RankSogou = RankYoudao = 0;
}

int& RankEngine::Counter(QStringView engine, bool second) {
    if (engine == u"Baidu")
        return second ? RankBaidu2 : RankBaidu;
    if (engine == u"Google")
        return RankGoogle;
    if (engine == u"Yahoo")
        return RankYahoo;
    if (engine == u"Soso")
        return RankSoso;
    if (engine == u"Bing")
        return RankBing;
    if (engine == u"Sogou")
        return RankSogou;
    if (engine == u"Youdao")
        return RankYoudao;
    throw std::invalid_argument("unknown engine");
}

PageRecord RankEngine::readPage(QByteArrayView keywordGbk, QStringView engine, int pageIndex,
                                int pageParameter) {
    PageRecord page;
    page.engine = engine.toString();
    page.pageIndex = pageIndex;
    if (runLog)
        page.url = ResultPageUrl(engine, keywordGbk, pageParameter);
    if (!OpenResultPage(rankBrowser, engine, pageParameter, keywordGbk, stopRequest())) {
        page.note = stopRequest() ? QStringLiteral("stopped") : QStringLiteral("no complete page in time");
        return page;
    }
    const Browser::LoadOutcome load = rankBrowser.LastLoad();
    page.httpStatus = load.httpStatus;
    page.bytes = load.bytes;
    if (!load.error.isEmpty() || load.httpStatus >= 400) {
        // A failed load or a server's error page: whatever it shows is not the engine's results.
        PageLinks.clear();
        page.note = load.error.isEmpty() ? QStringLiteral("HTTP status %1").arg(load.httpStatus) : load.error;
        return page;
    }
    if (!ScanResultPage(rankBrowser, engine, PageLinks, PromoCount)) {
        page.outcome = PageOutcome::NotUnderstood;
        if (runLog)
            runLog->KeepUnparsed(engine, page.url, rankBrowser.DocumentMarkup());
        return page;
    }
    page.outcome = PageOutcome::Read;
    page.items = static_cast<int>(PageLinks.size());
    return page;
}

RankEngine::CheckResult RankEngine::CheckEngineRank(QByteArrayView keywordGbk, const QString& siteUrl,
                                                    QStringView engine) {
    CheckResult result;
    const EngineInfo* info = FindEngine(engine);
    if (!info)
        return result;
    const bool baidu = engine == u"Baidu";
    PageCount = PagesRead(*info, std::clamp(PageRangeSource(), 1, 10));
    int offset = 0; // results that lie before the current page
    const QString keyword = runLog ? FromGbk(keywordGbk) : QString();
    for (int i = 0; i < PageCount; ++i, offset += PageSize) {
        PageSize = PageStep(*info);
        PageRecord page = readPage(keywordGbk, engine, i, PageParameter(*info, i));
        page.keyword = keyword;
        result.pages.add(page.outcome);
        auto logPage = [&] {
            if (runLog)
                runLog->Write(page);
        };
        if (page.outcome != PageOutcome::Read) {
            logPage();
            continue; // unread: the next page still starts after this one's results
        }
        result.readAnyPage = true;
        if (stopRequest()) {
            logPage();
            result.completed = false;
            return result;
        }
        const int m = FindSiteInLinks(siteUrl, PageLinks, stopRequest());
        page.matchPosition = m;
        logPage();
        if (baidu) {
            RankBaidu2 = m;
            if (m == 0)
                continue;
            if (m <= PromoCount) {
                // The site is one of the page's promoted items: both ranks are its position.
                RankBaidu = RankBaidu2 = offset + m;
            } else {
                RankBaidu2 = offset + m;
                RankBaidu = offset + m - PromoCount;
            }
            return result;
        }
        int& counter = Counter(engine);
        counter = m;
        if (m == 0)
            continue;
        counter = offset + m;
        return result;
    }
    return result;
}

} // namespace quorvane
