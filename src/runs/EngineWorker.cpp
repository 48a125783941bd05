#include "runs/EngineWorker.h"

#include "engine/EngineDefinitions.h"
#include "engine/EngineTable.h"
#include "engine/RankEngine.h"
#include "engine/StopFlag.h"
#include "pages/Browser.h"
#include "pages/PageReader.h"
#include "pages/ScriptBrowser.h"

#include <QDebug>
#include <QEventLoop>
#include <QThread>

#include <exception>

namespace quorvane {

// The worker's state on its own thread: the browser is made at the first check and kept for the run.
class EngineWorker::Visitor final : public QObject {
public:
    explicit Visitor(const EngineWorker& worker)
        : worker_(worker) {}

    EngineCheckOutcome check(const EngineCheckRequest& request) {
        // An exception must not leave the worker's thread (that ends the process): it fails this check
        // alone, which then reads as a check that read no page.
        try {
            return checkWithBrowser(request);
        } catch (const std::exception& e) {
            return failedCheck(request, QString::fromUtf8(e.what()));
        } catch (...) {
            return failedCheck(request, QStringLiteral("unknown exception"));
        }
    }

private:
    EngineCheckOutcome checkWithBrowser(const EngineCheckRequest& request) {
        if (!browser_) {
            // An engine whose result list is built by the page's scripts is read with a browser engine that
            // runs them (Loader=Browser in Engines.ini); it loads on the main thread, which keeps processing
            // events while the run waits.
            browser_ = definition(*request.engine).loader == PageLoader::Browser ? makeScriptBrowser()
                                                                                 : worker_.makeBrowser_();
            if (worker_.setup_.proxy)
                browser_->setProxy(*worker_.setup_.proxy);
            // One page reader for the run; after a page ends it, the next page starts a new one.
            reader_ = std::make_unique<PageReader>();
            engine_ = std::make_unique<RankEngine>(*browser_);
            engine_->followStopRequest(worker_.stop_);
            engine_->runLog = worker_.log_;
            engine_->pageReader = reader_.get();
        }
        const int pageRange = request.pageRange;
        engine_->pageRangeSource = [pageRange] { return pageRange; };
        EngineCheckOutcome outcome;
        outcome.engine = request.engine;
        outcome.result = engine_->checkEngineRank(request.keyword, request.site, *request.engine);
        return outcome;
    }

    static EngineCheckOutcome failedCheck(const EngineCheckRequest& request, const QString& why) {
        qWarning().noquote()
            << QStringLiteral("%1: the check of this keyword failed: %2").arg(request.engine->name, why);
        EngineCheckOutcome outcome;
        outcome.engine = request.engine;
        outcome.result.completed = false;
        outcome.result.pageCount = pagesRead(*request.engine, request.pageRange);
        return outcome;
    }

    const EngineWorker& worker_;
    std::unique_ptr<Browser> browser_;
    std::unique_ptr<PageReader> reader_;
    std::unique_ptr<RankEngine>
        engine_; // declared after the browser and reader it uses: destroyed before them
};

EngineWorker::EngineWorker(Setup setup, const StopFlag& stop, PageRecorder* log, BrowserFactory makeBrowser)
    : setup_(std::move(setup))
    , stop_(stop)
    , log_(log)
    , makeBrowser_(std::move(makeBrowser)) {
    thread_.reset(QThread::create([this] { runOnThread(); }));
    thread_->setObjectName(QStringLiteral("engine ") + setup_.engine->name);
    thread_->start();
    visitorReady_.acquire();
}

EngineWorker::~EngineWorker() {
    // Ends the thread's loop once the check in progress, if any, has returned.
    thread_->quit();
    thread_->wait();
}

void EngineWorker::runOnThread() {
    Visitor visitor(*this);
    visitor_ = &visitor;
    visitorReady_.release();
    QEventLoop loop;
    loop.exec(); // until the destructor quits the thread; a quit before this returns at once
    visitor_ = nullptr;
}

void EngineWorker::check(const EngineCheckRequest& request,
                         std::function<void(const EngineCheckOutcome&)> done) {
    busy_ = true;
    Visitor* visitor = visitor_;
    QMetaObject::invokeMethod(
        visitor,
        [this, visitor, request, done = std::move(done)]() mutable {
            const EngineCheckOutcome outcome = visitor->check(request);
            // Back on the run's thread; dropped if the worker is gone by then.
            QMetaObject::invokeMethod(
                this,
                [this, outcome, done = std::move(done)] {
                    busy_ = false;
                    done(outcome);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace quorvane
