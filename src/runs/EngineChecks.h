#pragma once

#include "engine/RankEngine.h"
#include "engine/StopFlag.h"

#include <QByteArray>
#include <QList>
#include <QNetworkProxy>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace quorvane {

class Browser;
class EngineWorker;
class PageRecorder;

// One engine's check of one keyword, as a job of its own: its own result, nothing shared with the other
// jobs but the run's stop request and its log.
struct EngineCheckRequest {
    const EngineInfo* engine = nullptr; // an entry of the table in force
    QString keyword;
    SiteTarget site;   // the site's stored text and its rule
    int pageRange = 1; // the window's page range (1 to 10) when the row's checks began
};

struct EngineCheckOutcome {
    const EngineInfo* engine = nullptr;
    RankEngine::CheckResult result; // its ranks, its pages, how it ended
    // Every proxy of the engine had been set aside: the keyword was not checked (its pages did not load).
    bool noProxyLeft = false;
};

// A proxy of the pool that failed an engine's request and got no more of that engine's checks in the run.
struct SetAsideProxy {
    QString engine; // the engine's name
    QString proxy;  // as proxyName gives it
    QString reason; // how it failed, as the browser said
};

// Makes the browser of one engine worker; it is called on the worker's own thread, which owns the browser.
using BrowserFactory = std::function<std::unique_ptr<Browser>()>;

// A factory of the program's own browser.
BrowserFactory pageBrowserFactory();

// The engine workers of one run, made at an engine's first check and kept until the run ends: one per
// engine, or one per engine and proxy when the run has a pool of proxies.
class EngineWorkerPool {
public:
    // An empty list of proxies: one worker per engine with the program's proxy settings. The stop request
    // and the log must outlive the pool.
    EngineWorkerPool(const StopFlag& stop, PageRecorder* log, BrowserFactory makeBrowser,
                     QList<QNetworkProxy> proxies = {});
    ~EngineWorkerPool();
    EngineWorkerPool(const EngineWorkerPool&) = delete;
    EngineWorkerPool& operator=(const EngineWorkerPool&) = delete;

    // Keywords one engine can check at a time: its workers.
    int workersPerEngine() const;

    // Runs the checks and returns their outcomes in the order given, once all are done. Side by side, every
    // engine checks at once, and an engine with several workers deals its checks out among them; one after
    // the other (sideBySide false), each check waits for the one before. Each worker asks its engine one
    // page at a time, at its own pace. The calling thread processes its events meanwhile (the window stays
    // responsive) and sleeps between them. A stop request ends every check before its next page. A check
    // whose proxy failed (no answer in time, a closed connection, an answer that is not HTTP, 407, a redirect
    // away from the engine, a TLS failure) is handed to another working proxy's worker of the engine, and
    // the failed proxy is set aside: it gets no more of that engine's checks. Once an engine has no proxy
    // left, its checks end at once without a page (noProxyLeft). Once an engine answered with a
    // verification page it is asked nothing more in the run: its checks end at once as blocked ones.
    // `ended`, when given, hears of each check as soon as it ends (its index in the requests), before the
    // call returns: a window shows the engine's cell at once.
    using CheckEnded = std::function<void(size_t request, const EngineCheckOutcome& outcome)>;
    std::vector<EngineCheckOutcome> check(const std::vector<EngineCheckRequest>& requests, bool sideBySide,
                                          const CheckEnded& ended = {});

    // The proxies set aside so far, in the order they failed.
    const std::vector<SetAsideProxy>& setAside() const { return setAside_; }

private:
    struct EngineWorkers;
    EngineWorkers& workersOf(const EngineInfo& engine);
    void dispatch();
    void takeOutcome(EngineWorker* worker, size_t request, const EngineCheckOutcome& outcome);
    // Sets the worker's proxy aside for the engine's checks, once, and says so in the log.
    void setProxyAside(EngineWorkers& engine, EngineWorker* worker, const EngineCheckOutcome& outcome);
    // A pool's engine whose every proxy was set aside.
    bool noProxyLeft(const EngineInfo& engine) const;
    void finish(size_t request, const EngineCheckOutcome& outcome);

    const StopFlag& stop_;
    PageRecorder* log_;
    BrowserFactory makeBrowser_;
    QList<QNetworkProxy> proxies_;
    std::map<const EngineInfo*, std::unique_ptr<EngineWorkers>> engines_;
    std::vector<const EngineInfo*> blocked_; // engines that answered with a verification page in this run
    std::vector<SetAsideProxy> setAside_;

    // The checks of the current call.
    const std::vector<EngineCheckRequest>* requests_ = nullptr;
    std::vector<EngineCheckOutcome>* outcomes_ = nullptr;
    const CheckEnded* ended_ = nullptr;
    std::vector<size_t> waiting_; // requests not handed out yet, in order
    size_t pending_ = 0;          // requests without an outcome yet
    bool sideBySide_ = true;
};

// The address of a proxy as the run log names it.
QString proxyName(const QNetworkProxy& proxy);

} // namespace quorvane
