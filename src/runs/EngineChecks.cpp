#include "runs/EngineChecks.h"

#include "config/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "platform/EventPumping.h"
#include "platform/PageBrowser.h"

#include <QDebug>
#include <QThread>

#include <exception>

namespace quorvane {

namespace {

// The whole job, on its own thread: the browser is made, used and destroyed there.
EngineCheckOutcome checkOnThisThread(const EngineCheckRequest& request, const StopFlag& stopRequested,
                                     PageRecorder* log, const BrowserFactory& makeBrowser) {
    EngineCheckOutcome outcome;
    outcome.engine = request.engine;
    const std::unique_ptr<Browser> browser = makeBrowser();
    RankEngine engine(*browser);
    engine.followStopRequest(stopRequested);
    engine.runLog = log;
    const int pageRange = request.pageRange;
    engine.pageRangeSource = [pageRange] { return pageRange; };
    engine.resetCounters();
    outcome.result = engine.checkEngineRank(request.keywordGbk, request.siteUrl, request.engine);
    outcome.rank = engine.counter(request.engine);
    outcome.rank2 = engine.counter(request.engine, request.engine == u"Baidu");
    outcome.pageCount = outcome.result.pageCount;
    return outcome;
}

EngineCheckOutcome failedCheck(const EngineCheckRequest& request, const QString& why) {
    qWarning().noquote()
        << QStringLiteral("%1: the check of this keyword failed: %2").arg(request.engine, why);
    EngineCheckOutcome outcome;
    outcome.engine = request.engine;
    outcome.result.completed = false;
    outcome.pageCount = request.pageRange;
    return outcome;
}

void waitFor(const std::vector<std::unique_ptr<QThread>>& threads) {
    for (const auto& thread : threads)
        while (!thread->isFinished())
            processEventsThenNap();
}

} // namespace

BrowserFactory pageBrowserFactory() {
    return [] { return std::make_unique<PageBrowser>(); };
}

std::vector<EngineCheckOutcome> runEngineChecks(const std::vector<EngineCheckRequest>& requests,
                                                const StopFlag& stopRequested, PageRecorder* log,
                                                bool sideBySide, const BrowserFactory& makeBrowser) {
    // The engines' addresses and definitions are read at their first use; make that happen here, on the
    // run's thread, before the checks read them side by side.
    if (!requests.empty()) {
        (void)endpoint(kEngines[0].name);
        (void)definition(kEngines[0]);
    }
    std::vector<EngineCheckOutcome> outcomes(requests.size());
    std::vector<std::unique_ptr<QThread>> threads;
    threads.reserve(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        // Each job writes only its own outcome slot; the vector is not resized while they run.
        EngineCheckOutcome* slot = &outcomes[i];
        const EngineCheckRequest* request = &requests[i];
        threads.emplace_back(QThread::create([slot, request, &stopRequested, log, &makeBrowser] {
            // An exception must not leave the job's thread (that ends the process): it fails this check
            // alone, which then reads as a check that read no page.
            try {
                *slot = checkOnThisThread(*request, stopRequested, log, makeBrowser);
            } catch (const std::exception& e) {
                *slot = failedCheck(*request, QString::fromUtf8(e.what()));
            } catch (...) {
                *slot = failedCheck(*request, QStringLiteral("unknown exception"));
            }
        }));
        threads.back()->start();
        if (!sideBySide)
            while (!threads.back()->isFinished())
                processEventsThenNap();
    }
    waitFor(threads);
    return outcomes;
}

} // namespace quorvane
