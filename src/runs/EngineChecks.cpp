#include "runs/EngineChecks.h"

#include "config/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "engine/EventWait.h"
#include "engine/PageRecorder.h"
#include "pages/PageBrowser.h"
#include "runs/EngineWorker.h"

#include <QDebug>

#include <algorithm>

namespace quorvane {

struct EngineWorkerPool::EngineWorkers {
    std::vector<std::unique_ptr<EngineWorker>> workers;
    std::vector<bool> proxyFailed; // per worker: its proxy failed, it gets no more checks in this run
};

BrowserFactory pageBrowserFactory() {
    return [] { return std::make_unique<PageBrowser>(); };
}

QString proxyName(const QNetworkProxy& proxy) {
    const QString scheme =
        proxy.type() == QNetworkProxy::Socks5Proxy ? QStringLiteral("socks5") : QStringLiteral("http");
    return scheme + QStringLiteral("://") + proxy.hostName() + u':' + QString::number(proxy.port());
}

EngineWorkerPool::EngineWorkerPool(const StopFlag& stop, PageRecorder* log, BrowserFactory makeBrowser,
                                   QList<QNetworkProxy> proxies)
    : stop_(stop)
    , log_(log)
    , makeBrowser_(std::move(makeBrowser))
    , proxies_(std::move(proxies)) {
    // The engines' addresses and definitions are read at their first use; make that happen here, on the
    // run's thread, before the workers read them side by side.
    (void)endpoint(engines().front().name);
    (void)definition(engines().front());
}

EngineWorkerPool::~EngineWorkerPool() = default;

int EngineWorkerPool::workersPerEngine() const {
    return std::max(1, static_cast<int>(proxies_.size()));
}

EngineWorkerPool::EngineWorkers& EngineWorkerPool::workersOf(const EngineInfo& engine) {
    std::unique_ptr<EngineWorkers>& slot = engines_[&engine];
    if (slot)
        return *slot;
    slot = std::make_unique<EngineWorkers>();
    if (proxies_.isEmpty()) {
        slot->workers.push_back(
            std::make_unique<EngineWorker>(EngineWorker::Setup{&engine, {}, {}}, stop_, log_, makeBrowser_));
    } else {
        for (const QNetworkProxy& proxy : proxies_)
            slot->workers.push_back(std::make_unique<EngineWorker>(
                EngineWorker::Setup{&engine, proxy, proxyName(proxy)}, stop_, log_, makeBrowser_));
    }
    slot->proxyFailed.assign(slot->workers.size(), false);
    return *slot;
}

std::vector<EngineCheckOutcome> EngineWorkerPool::check(const std::vector<EngineCheckRequest>& requests,
                                                        bool sideBySide, const CheckEnded& ended) {
    std::vector<EngineCheckOutcome> outcomes(requests.size());
    requests_ = &requests;
    outcomes_ = &outcomes;
    ended_ = ended ? &ended : nullptr;
    sideBySide_ = sideBySide;
    waiting_.clear();
    for (size_t i = 0; i < requests.size(); ++i)
        waiting_.push_back(i);
    pending_ = requests.size();
    dispatch();
    // The outcomes come as events; the run's own stop is not this wait's: every check answers after a stop.
    const StopFlag neverStops{false};
    waitUntil([this] { return pending_ == 0; }, neverStops);
    requests_ = nullptr;
    outcomes_ = nullptr;
    ended_ = nullptr;
    return outcomes;
}

bool EngineWorkerPool::noProxyLeft(const EngineInfo& engine) const {
    if (proxies_.isEmpty())
        return false;
    const auto found = engines_.find(&engine);
    if (found == engines_.end())
        return false;
    const std::vector<bool>& failed = found->second->proxyFailed;
    return std::all_of(failed.begin(), failed.end(), [](bool f) { return f; });
}

void EngineWorkerPool::dispatch() {
    if (stop_) {
        // After a stop nothing more is asked: the checks not handed out end as stopped ones.
        for (const size_t index : waiting_) {
            EngineCheckOutcome& outcome = (*outcomes_)[index];
            outcome.engine = (*requests_)[index].engine;
            outcome.result.completed = false;
            --pending_;
        }
        waiting_.clear();
        return;
    }
    // The checks of an engine that answered with a verification page, or that has no working proxy left,
    // end without asking it.
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        const EngineCheckRequest& request = (*requests_)[*it];
        const bool blocked = std::find(blocked_.begin(), blocked_.end(), request.engine) != blocked_.end();
        const bool noProxy = !blocked && noProxyLeft(*request.engine);
        if (!blocked && !noProxy) {
            ++it;
            continue;
        }
        const size_t index = *it;
        EngineCheckOutcome& outcome = (*outcomes_)[index];
        outcome.engine = request.engine;
        outcome.result.pageCount = pagesRead(*request.engine, request.pageRange);
        outcome.result.blocked = blocked;
        outcome.noProxyLeft = noProxy;
        --pending_;
        it = waiting_.erase(it);
        if (ended_)
            (*ended_)(index, outcome);
    }
    const bool anyInFlight = pending_ > waiting_.size();
    if (!sideBySide_ && anyInFlight)
        return;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        const size_t index = *it;
        EngineWorkers& engine = workersOf(*(*requests_)[index].engine);
        EngineWorker* idle = nullptr;
        for (size_t w = 0; w < engine.workers.size() && !idle; ++w)
            if (!engine.workers[w]->busy() && !engine.proxyFailed[w])
                idle = engine.workers[w].get();
        if (!idle) {
            ++it;
            continue;
        }
        it = waiting_.erase(it);
        idle->check((*requests_)[index], [this, idle, index](const EngineCheckOutcome& outcome) {
            takeOutcome(idle, index, outcome);
        });
        if (!sideBySide_)
            return; // one at a time
    }
}

void EngineWorkerPool::setProxyAside(EngineWorkers& engine, EngineWorker* worker,
                                     const EngineCheckOutcome& outcome) {
    const auto at = std::find_if(engine.workers.begin(), engine.workers.end(),
                                 [worker](const auto& w) { return w.get() == worker; });
    const size_t index = static_cast<size_t>(at - engine.workers.begin());
    if (engine.proxyFailed[index])
        return;
    engine.proxyFailed[index] = true;
    const SetAsideProxy aside{outcome.engine->name.toString(), worker->setup().proxyName,
                              outcome.result.proxyError};
    setAside_.push_back(aside);
    const bool othersLeft = std::count(engine.proxyFailed.begin(), engine.proxyFailed.end(), false) > 0;
    const QString text = QStringLiteral("proxy %1 set aside for the run: %2; %3")
                             .arg(aside.proxy, aside.reason,
                                  othersLeft ? QStringLiteral("its keywords go to the other proxies")
                                             : QStringLiteral("no proxy of this engine is left"));
    qWarning().noquote() << aside.engine + QStringLiteral(": ") + text;
    if (log_) {
        PageRecord note;
        note.engine = aside.engine;
        note.note = text;
        note.proxyFailed = true;
        log_->write(note);
    }
}

void EngineWorkerPool::takeOutcome(EngineWorker* worker, size_t request, const EngineCheckOutcome& outcome) {
    EngineWorkers& engine = workersOf(*outcome.engine);
    // Without a pool the program's one way out stays: its failures are pages that did not load.
    if (outcome.result.proxyFailed && !stop_ && !proxies_.isEmpty()) {
        setProxyAside(engine, worker, outcome);
        if (!noProxyLeft(*outcome.engine)) {
            // The keyword was not checked: another working proxy of the engine checks it, once.
            waiting_.insert(waiting_.begin(), request);
            dispatch();
            return;
        }
        EngineCheckOutcome ended = outcome;
        ended.noProxyLeft = true;
        finish(request, ended);
        return;
    }
    if (outcome.result.blocked &&
        std::find(blocked_.begin(), blocked_.end(), outcome.engine) == blocked_.end())
        blocked_.push_back(outcome.engine);
    finish(request, outcome);
}

void EngineWorkerPool::finish(size_t request, const EngineCheckOutcome& outcome) {
    (*outcomes_)[request] = outcome;
    --pending_;
    if (ended_)
        (*ended_)(request, outcome);
    dispatch();
}

} // namespace quorvane
