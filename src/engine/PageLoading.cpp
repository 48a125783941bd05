#include "engine/PageLoading.h"

#include "platform/Browser.h"
#include "platform/EventPumping.h"

#include <QElapsedTimer>

namespace quorvane {

bool loadPageAndWait(Browser& browser, const QString& url, bool noWait, const StopFlag& stopRequested) {
    // The browser contract has no window to restack: a visible web panel keeps its own place.
    browser.setSilent(true);
    browser.navigate(url);
    const qint64 budgetNs = noWait ? 0 : qint64{kPageWaitSeconds} * 1'000'000'000;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (browser.readyState() == Browser::ReadyStateComplete)
            return true;
        if (stopRequested)
            return false;
        processEventsThenNap();
        if (timer.nsecsElapsed() > budgetNs)
            return false;
    }
}

} // namespace quorvane
