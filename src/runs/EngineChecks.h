#pragma once

#include "engine/RankEngine.h"
#include "engine/StopFlag.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

class Browser;
class PageRecorder;

// One engine's check of one keyword, as a job of its own: its own browser and counters, nothing shared
// with the other jobs but the run's stop request and its log.
struct EngineCheckRequest {
    QString engine;
    QByteArray keywordGbk;
    QString siteUrl;
    int pageRange = 1; // the window's page range (1 to 10) when the row's checks began
};

struct EngineCheckOutcome {
    QString engine;
    int rank = 0;      // the engine's counter; Baidu: without promoted results
    int rank2 = 0;     // Baidu only: counting promoted results
    int pageCount = 0; // pages the check set out to read
    RankEngine::CheckResult result;
};

// Makes the browser of one job; it is called on the job's own thread, which owns the browser.
using BrowserFactory = std::function<std::unique_ptr<Browser>()>;

// A factory of the program's own browser.
BrowserFactory pageBrowserFactory();

// Runs the checks, each on a thread of its own, side by side or (sideBySide false) one after the other in
// the order given, and returns their outcomes in that order once all are done. The calling thread keeps
// its events flowing meanwhile (the window stays responsive), and a stop request ends every check within
// one poll of its page wait. Each engine still gets one request at a time, with its own pauses.
std::vector<EngineCheckOutcome> runEngineChecks(const std::vector<EngineCheckRequest>& requests,
                                                const StopFlag& stopRequested, PageRecorder* log,
                                                bool sideBySide, const BrowserFactory& makeBrowser);

} // namespace quorvane
