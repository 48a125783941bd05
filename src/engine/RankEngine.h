#pragma once

#include "engine/EnginePace.h"
#include "engine/EngineTable.h"
#include "engine/PageOutcome.h"
#include "engine/PageRecorder.h"
#include "engine/StopFlag.h"
#include "engine/UrlMatch.h"
#include "pages/Browser.h"
#include "pages/PageReader.h"
#include "pages/PageResults.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

// One visitor's way through the checks of one engine after another: its browser, its pace per engine and
// the stop request it follows. A check returns its result as a value; nothing of it stays here but the
// pace and the last page's links. Checks and runs use it without widgets.
class RankEngine {
public:
    explicit RankEngine(Browser& rankBrowser);

    // The result of a check of one engine.
    struct CheckResult {
        int rank = 0;             // the site's place; 0: not found. Baidu: not counting promoted results
        int rank2 = 0;            // Baidu only: counting promoted results (the others: the same as rank)
        bool completed = true;    // false: a stop request ended the check before its last page
        bool readAnyPage = false; // at least one page loaded and gave links
        PageCounts pages;         // what became of each page asked for
        int pageCount = 0;        // pages the check set out to read
        bool proxyFailed = false; // the check ended because its proxy could not be used
        QString proxyError;       // how the proxy failed
        bool blocked = false;     // the engine answered with a verification page: the check asked no more
    };

    // Reads the engine's result pages for the keyword and looks for the site under its rule. Pages that do
    // not load or give no links are skipped but still count for the offset, since the page parameter
    // follows the page index. Every page is classified (PageOutcome.h) and, with a run log, written to it;
    // a page that loaded but gave no links is kept there.
    CheckResult checkEngineRank(QStringView keyword, const SiteTarget& site, const EngineInfo& engine);
    // The same for an engine named by its table name; an unknown name reads nothing.
    CheckResult checkEngineRank(QStringView keyword, const SiteTarget& site, QStringView engine);

    // The page range setting (1 to 10) as the window shows it; read at the start of every check.
    std::function<int()> pageRangeSource = [] { return 1; };

    StopFlag stopRequested{false};
    // Makes the checks follow another engine's stop request instead of this one's (the jobs of a run all
    // follow the run's). The other engine must outlive the checks.
    void followStopRequest(const StopFlag& stopRequested) { followed_ = &stopRequested; }
    // The engine keeps the flag's address: a temporary (a bool turned into a flag) would dangle.
    void followStopRequest(const StopFlag&& stopRequested) = delete;

    Browser& rankBrowser;
    // The pace of the requests to each engine, kept across checks (one visitor: one browser, one pace).
    EnginePace& pace(const EngineInfo& engine);
    // Where the checks write their pages; none by default. Not owned.
    PageRecorder* runLog = nullptr;
    // The page reader that reads the checks' pages (an engine worker's, kept for the run); not owned. Without
    // one the engine starts a reader of its own at its first page.
    PageReader* pageReader = nullptr;

    // The results of the last page read, in page order.
    const PageResults& lastPageResults() const { return pageLinks_; }

private:
    const StopFlag& stopRequest() const { return followed_ ? *followed_ : stopRequested; }

    const StopFlag* followed_ = nullptr;
    std::vector<EnginePace> paces_; // by the engine's place in the table in force
    PageResults pageLinks_;
    std::unique_ptr<PageReader> ownReader_;

    PageReader& reader();

    // Loads page index i of the engine, classifies it and, when it was read, leaves its links in
    // pageLinks_.
    PageRecord readPage(QStringView keyword, const EngineInfo& engine, int pageIndex, int pageParameter);
};

} // namespace quorvane
