#include "engine/RankEngine.h"

#include "engine/EngineDefinitions.h"
#include "engine/EngineScanners.h"
#include "engine/EngineTable.h"
#include "engine/PageLoading.h"
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

PageReader& RankEngine::reader() {
    if (pageReader)
        return *pageReader;
    if (!ownReader_)
        ownReader_ = std::make_unique<PageReader>();
    return *ownReader_;
}

PageRecord RankEngine::readPage(QStringView keyword, QStringView engine, int pageIndex, int pageParameter) {
    PageRecord page;
    page.engine = engine.toString();
    page.pageIndex = pageIndex;
    if (runLog)
        page.url = resultPageUrl(engine, keyword, pageParameter);
    if (!openResultPage(rankBrowser, pace(engine), engine, pageParameter, keyword, stopRequest())) {
        page.note = stopRequest() ? QStringLiteral("stopped") : QStringLiteral("no complete page in time");
        // Through a proxy of the browser's own, no answer within the page's time is the proxy's silence.
        page.proxyFailed = !stopRequest() && rankBrowser.hasOwnProxy();
        return page;
    }
    const Browser::LoadOutcome load = rankBrowser.lastLoad();
    page.httpStatus = load.httpStatus;
    page.bytes = load.bytes;
    // A page that gave no results is kept for a look: its markup as the scanners saw it, or the page as it
    // arrived when no reader could read it.
    const auto keepPage = [&](const PageReaderReply& reply, const PageDocument& document) {
        if (!runLog)
            return;
        if (reply.read())
            runLog->keepUnparsed(engine, page.url, reply.reading.rootGbk);
        else
            runLog->keepUnreadPage(engine, page.url, document.bytes, document.charset);
    };
    if (isVerificationAnswer(load)) {
        pageLinks_.clear();
        page.outcome = PageOutcome::Blocked;
        page.note = load.error;
        if (runLog) {
            const PageDocument document = rankBrowser.document();
            keepPage(readEnginePage(reader(), engine, document, MarkupWanted::Always), document);
        }
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
    // Read in the reader's process: whatever the page makes the parser do ends that process, not this one.
    const PageDocument document = rankBrowser.document();
    PageReaderReply reply = readEnginePage(reader(), engine, document, MarkupWanted::WhenUnread);
    if (!reply.read()) {
        pageLinks_.clear();
        page.outcome = PageOutcome::NotUnderstood;
        page.note = readerEndNote(reply);
        keepPage(reply, document);
        return page;
    }
    PageReading& reading = reply.reading;
    pageLinks_ = std::move(reading.results);
    if (reading.noResultsPage) {
        // The engine says it has nothing for the keyword: a page read, in which the site is not found.
        page.outcome = PageOutcome::Read;
        page.note = QStringLiteral("no results");
        return page;
    }
    if (pageLinks_.isEmpty()) {
        const EngineInfo* info = findEngine(engine);
        page.outcome = isVerificationPage(engine, fromGbk(reading.rootGbk),
                                          info ? definition(*info).blockedMarks : QStringList())
                           ? PageOutcome::Blocked
                           : PageOutcome::NotUnderstood;
        keepPage(reply, document);
        return page;
    }
    page.outcome = PageOutcome::Read;
    page.items = static_cast<int>(pageLinks_.size());
    return page;
}

RankEngine::CheckResult RankEngine::checkEngineRank(QStringView keyword, const SiteTarget& site,
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
    const QString keywordText = runLog ? keyword.toString() : QString();
    for (int i = 0; i < pageCount; ++i, offset += pageSize) {
        // After a stop not one more page is asked for.
        if (stopRequest()) {
            result.completed = false;
            return result;
        }
        PageRecord page = readPage(keyword, engine, i, pageParameter(*info, i));
        page.keyword = keywordText;
        if (i == 0 && !engineCanTakeKeyword(engine, keyword)) {
            const QString lost = QStringLiteral("keyword has characters GBK cannot hold, sent as ?");
            page.note = page.note.isEmpty() ? lost : page.note + QStringLiteral("; ") + lost;
        }
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
        const int m = findSiteInResults(site, pageLinks_, stopRequest());
        page.matchPosition = m;
        logPage();
        if (baidu) {
            rankBaidu2 = m;
            if (m == 0)
                continue;
            if (pageLinks_[m - 1].promoted) {
                // The site is one of the page's promoted items: both ranks are its position.
                rankBaidu = rankBaidu2 = offset + m;
            } else {
                const auto promotedBefore = std::count_if(pageLinks_.cbegin(), pageLinks_.cbegin() + (m - 1),
                                                          [](const PageResult& r) { return r.promoted; });
                rankBaidu2 = offset + m;
                rankBaidu = offset + m - static_cast<int>(promotedBefore);
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
