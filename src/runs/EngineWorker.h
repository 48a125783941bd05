#pragma once

#include "runs/EngineChecks.h"

#include <QNetworkProxy>
#include <QObject>
#include <QSemaphore>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace quorvane {

class PageRecorder;
class StopFlag;

// One engine's visitor for a whole run: a thread of its own with one browser (its cookies and connections
// kept from keyword to keyword) and one pace between its requests. The run hands it one check at a time and
// hears of the outcome through an event, so nothing polls. With a pool of proxies each engine has one worker
// per proxy, each going out through its own.
class EngineWorker final : public QObject {
public:
    struct Setup {
        const EngineInfo* engine = nullptr; // an entry of the table in force
        std::optional<QNetworkProxy> proxy; // none: the program's proxy settings
        QString proxyName;                  // how the run log names the proxy
    };

    // The stop request and the log must outlive the worker.
    EngineWorker(Setup setup, const StopFlag& stop, PageRecorder* log, BrowserFactory makeBrowser);
    // Waits for a check in progress to end (a stop ends it at once) and ends the thread; the browser is
    // destroyed on it.
    ~EngineWorker() override;
    EngineWorker(const EngineWorker&) = delete;
    EngineWorker& operator=(const EngineWorker&) = delete;

    const Setup& setup() const { return setup_; }
    bool busy() const { return busy_; }

    // Starts the check on the worker's thread; `done` is called on this object's thread, from its events,
    // with the outcome. An exception inside the check fails that check alone.
    void check(const EngineCheckRequest& request, std::function<void(const EngineCheckOutcome&)> done);

private:
    class Visitor;
    void runOnThread();

    const Setup setup_;
    const StopFlag& stop_;
    PageRecorder* log_;
    const BrowserFactory makeBrowser_;
    std::unique_ptr<QThread> thread_;
    QSemaphore visitorReady_;
    Visitor* visitor_ = nullptr; // lives on the worker's thread, for as long as the thread runs
    bool busy_ = false;
};

} // namespace quorvane
