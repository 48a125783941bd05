#include "engine/PageLoading.h"

#include "engine/EventWait.h"
#include "pages/Browser.h"

namespace quorvane {

bool loadPageAndWait(Browser& browser, const QString& url, bool noWait, const StopFlag& stopRequested) {
    // The browser contract has no window to restack: a visible web panel keeps its own place.
    browser.setSilent(true);
    browser.navigate(url);
    const auto budget =
        noWait ? std::chrono::milliseconds(0) : std::chrono::milliseconds(kPageWaitSeconds * 1000);
    return waitUntil([&browser] { return browser.readyState() == Browser::ReadyStateComplete; }, budget,
                     stopRequested);
}

} // namespace quorvane
