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
    : rankBrowser(browser)
    , paces_(engines().size()) {}

EnginePace& RankEngine::pace(const EngineInfo& engine) {
    const int index = engineIndex(engine);
    if (index < 0)
        throw std::invalid_argument("unknown engine");
    return paces_.at(static_cast<size_t>(index));
}

PageReader& RankEngine::reader() {
    if (pageReader)
        return *pageReader;
    if (!ownReader_)
        ownReader_ = std::make_unique<PageReader>();
    return *ownReader_;
}

PageRecord RankEngine::readPage(QStringView keyword, const EngineInfo& engine, int pageIndex,
                                int pageParameter) {
    PageRecord page;
    page.engine = engine.name.toString();
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
            runLog->keepUnparsed(engine.name, page.url, reply.reading.rootGbk);
        else
            runLog->keepUnreadPage(engine.name, page.url, document.bytes, document.charset);
    };
    if (isVerificationAnswer(load)) {
        pageLinks_.clear();
        page.outcome = PageOutcome::Blocked;
        page.note = load.error;
        if (runLog) {
            const PageDocument document = rankBrowser.document();
            keepPage(readEnginePage(reader(), engine.name, document, MarkupWanted::Always), document);
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
    PageReaderReply reply = readEnginePage(reader(), engine.name, document, MarkupWanted::WhenUnread);
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
        page.outcome =
            isVerificationPage(engine.name, fromGbk(reading.rootGbk), definition(engine).blockedMarks)
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
    const EngineInfo* info = findEngine(engine);
    return info ? checkEngineRank(keyword, site, *info) : CheckResult{};
}

RankEngine::CheckResult RankEngine::checkEngineRank(QStringView keyword, const SiteTarget& site,
                                                    const EngineInfo& engine) {
    CheckResult result;
    const bool promotedApart = engine.hasSecondRank(); // Baidu: a rank without and one with promoted items
    // What a browser-loaded page does on its own is asked at the engine's pace, within the page's wait.
    rankBrowser.setFollowUpPace(pace(engine).delay(), std::chrono::seconds(kPageWaitSeconds));
    const int pageCount = pagesRead(engine, std::clamp(pageRangeSource(), 1, 10));
    result.pageCount = pageCount;
    const int pageSize = pageStep(engine);
    int offset = 0; // results that lie before the current page
    const QString keywordText = runLog ? keyword.toString() : QString();
    for (int i = 0; i < pageCount; ++i, offset += pageSize) {
        // After a stop not one more page is asked for.
        if (stopRequest()) {
            result.completed = false;
            return result;
        }
        PageRecord page = readPage(keyword, engine, i, pageParameter(engine, i));
        page.keyword = keywordText;
        // A page the stop cut off is no answer of the engine's: the check did not end, whichever page it was.
        const bool cutOff = page.outcome != PageOutcome::Read && stopRequest();
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
        if (cutOff) {
            logPage();
            result.completed = false;
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
        if (m == 0)
            continue;
        result.rank2 = offset + m;
        result.rank = offset + m;
        if (promotedApart && !pageLinks_[m - 1].promoted) {
            // Without promoted items, those before the site do not count; a promoted site keeps its
            // position in both ranks.
            const auto promotedBefore = std::count_if(pageLinks_.cbegin(), pageLinks_.cbegin() + (m - 1),
                                                      [](const PageResult& r) { return r.promoted; });
            result.rank -= static_cast<int>(promotedBefore);
        }
        return result;
    }
    return result;
}

} // namespace quorvane
