#include "engine/RankEngine.h"

#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "engine/PageLoading.h"
#include "engine/Scanners.h"
#include "engine/UrlMatch.h"
#include "engine/VerificationPages.h"
#include "platform/GbkCodec.h"

#include <algorithm>

namespace quorvane {

RankEngine::RankEngine(Browser& browser)
    : rankBrowser(browser) {}

void RankEngine::resetCounters() {
    rankGoogle = rankBaidu = rankBaidu2 = rankYahoo = rankSoso = rankBing = rankSogou = rankYoudao = 0;
}

EnginePace& RankEngine::pace(QStringView engine) {
    const int index = engineIndex(engine);
    if (index < 0)
        throw std::invalid_argument("unknown engine");
    return paces_[static_cast<size_t>(index)];
}

int& RankEngine::counter(QStringView engine, bool second) {
    if (engine == u"Baidu")
        return second ? rankBaidu2 : rankBaidu;
    if (engine == u"Google")
        return rankGoogle;
    if (engine == u"Yahoo")
        return rankYahoo;
    if (engine == u"Soso")
        return rankSoso;
    if (engine == u"Bing")
        return rankBing;
    if (engine == u"Sogou")
        return rankSogou;
    if (engine == u"Youdao")
        return rankYoudao;
    throw std::invalid_argument("unknown engine");
}

PageRecord RankEngine::readPage(QByteArrayView keywordGbk, QStringView engine, int pageIndex,
                                int pageParameter) {
    PageRecord page;
    page.engine = engine.toString();
    page.pageIndex = pageIndex;
    if (runLog)
        page.url = resultPageUrl(engine, keywordGbk, pageParameter);
    if (!openResultPage(rankBrowser, pace(engine), engine, pageParameter, keywordGbk, stopRequest())) {
        page.note = stopRequest() ? QStringLiteral("stopped") : QStringLiteral("no complete page in time");
        // Through a proxy of the browser's own, no answer within the page's time is the proxy's silence.
        page.proxyFailed = !stopRequest() && rankBrowser.hasOwnProxy();
        return page;
    }
    const Browser::LoadOutcome load = rankBrowser.lastLoad();
    page.httpStatus = load.httpStatus;
    page.bytes = load.bytes;
    const auto keepPage = [&] {
        if (runLog)
            runLog->keepUnparsed(engine, page.url, rankBrowser.documentMarkup());
    };
    if (isVerificationAnswer(load)) {
        pageLinks_.clear();
        page.outcome = PageOutcome::Blocked;
        page.note = load.error;
        keepPage();
        return page;
    }
    if (load.abandoned) {
        // The engine answered with a page that had to be ended (it kept navigating, or took too much
        // memory): nothing in it can be read, and the log says why.
        pageLinks_.clear();
        page.outcome = PageOutcome::NotUnderstood;
        page.note = load.error;
        return page;
    }
    if (!load.error.isEmpty() || load.httpStatus >= 400) {
        // A failed load or a server's error page: whatever it shows is not the engine's results.
        pageLinks_.clear();
        page.proxyFailed = load.proxyFailed;
        page.note = load.error.isEmpty() ? QStringLiteral("HTTP status %1").arg(load.httpStatus) : load.error;
        return page;
    }
    if (!scanResultPage(rankBrowser, engine, pageLinks_, promoCount_)) {
        const EngineInfo* info = findEngine(engine);
        page.outcome = isVerificationPage(engine, fromGbk(rankBrowser.documentMarkup()),
                                          info ? definition(*info).blockedMarks : QStringList())
                           ? PageOutcome::Blocked
                           : PageOutcome::NotUnderstood;
        keepPage();
        return page;
    }
    page.outcome = PageOutcome::Read;
    page.items = static_cast<int>(pageLinks_.size());
    return page;
}

RankEngine::CheckResult RankEngine::checkEngineRank(QByteArrayView keywordGbk, const QString& siteUrl,
                                                    QStringView engine) {
    CheckResult result;
    const EngineInfo* info = findEngine(engine);
    if (!info)
        return result;
    const bool baidu = engine == u"Baidu";
    // What a browser-loaded page does on its own is asked at the engine's pace, within the page's wait.
    rankBrowser.setFollowUpPace(pace(engine).delay(), std::chrono::seconds(kPageWaitSeconds));
    const int pageCount = pagesRead(*info, std::clamp(pageRangeSource(), 1, 10));
    result.pageCount = pageCount;
    const int pageSize = pageStep(*info);
    int offset = 0; // results that lie before the current page
    const QString keyword = runLog ? fromGbk(keywordGbk) : QString();
    for (int i = 0; i < pageCount; ++i, offset += pageSize) {
        // After a stop not one more page is asked for.
        if (stopRequest()) {
            result.completed = false;
            return result;
        }
        PageRecord page = readPage(keywordGbk, engine, i, pageParameter(*info, i));
        page.keyword = keyword;
        result.pages.add(page.outcome);
        auto logPage = [&] {
            if (runLog)
                runLog->write(page);
        };
        if (page.proxyFailed) {
            // The proxy, not the engine, failed: the run hands the keyword to another proxy's worker.
            logPage();
            result.proxyFailed = true;
            result.proxyError = page.note;
            return result;
        }
        if (page.outcome == PageOutcome::Blocked) {
            // Asking on would make the block longer.
            logPage();
            result.blocked = true;
            return result;
        }
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
        const int m = findSiteInLinks(siteUrl, pageLinks_, stopRequest());
        page.matchPosition = m;
        logPage();
        if (baidu) {
            rankBaidu2 = m;
            if (m == 0)
                continue;
            if (m <= promoCount_) {
                // The site is one of the page's promoted items: both ranks are its position.
                rankBaidu = rankBaidu2 = offset + m;
            } else {
                rankBaidu2 = offset + m;
                rankBaidu = offset + m - promoCount_;
            }
            return result;
        }
        int& rank = counter(engine);
        rank = m;
        if (m == 0)
            continue;
        rank = offset + m;
        return result;
    }
    return result;
}

} // namespace quorvane
