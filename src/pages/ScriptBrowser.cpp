#include "pages/ScriptBrowser.h"

#include "pages/PageBrowser.h"
#include "pages/ScriptPageModule.h"
#include "platform/ProgramFolders.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace quorvane {

// What the browsers of one page (any thread) and the page (main thread) share. The page is made, used and
// destroyed on the main thread only; the pointer to the browser using it is guarded by the mutex and
// cleared when that browser goes. Navigation numbers are unique over all the page's browsers, so that a
// result meant for an earlier browser is never taken by a later one.
struct ScriptPageLink {
    std::mutex mutex;
    ScriptBrowser* browser = nullptr;
    bool pageRequested = false;
    std::atomic<quint64> lastNavigation{0};
    std::unique_ptr<ScriptPageEngine> page;

    // Hands the result to the browser as an event of the browser's thread; nothing when it is gone.
    void deliver(const ScriptPageResult& result) {
        const std::lock_guard lock(mutex);
        if (!browser)
            return;
        ScriptBrowser* target = browser;
        // Posted while the browser is known to live; an event still pending when it goes is dropped with it.
        QMetaObject::invokeMethod(
            target, [target, result] { target->takeResult(result); }, Qt::QueuedConnection);
    }
};

namespace {

QString& moduleFolder() {
    static QString folder;
    return folder;
}

// The module, loaded once per process and kept; null with the reason when it cannot be loaded.
QLibrary* scriptPageModule(QString& failure) {
    static std::once_flag once;
    static QLibrary* module = nullptr;
    static QString whyNot;
    std::call_once(once, [] {
        // Also before the application object exists (the command line's GUI application comes from here).
        const QString folder = moduleFolder().isEmpty() ? programFolders().modules : moduleFolder() + u'/';
        static QLibrary library(folder + QLatin1String(kScriptPageModuleFile));
        if (library.load())
            module = &library;
        else
            whyNot = library.errorString();
    });
    failure = whyNot;
    return module;
}

// Throws when the module cannot be loaded.
MakeScriptPage scriptPageMaker() {
    QString failure;
    QLibrary* module = scriptPageModule(failure);
    const auto maker =
        module ? reinterpret_cast<MakeScriptPage>(module->resolve(kMakeScriptPageSymbol)) : nullptr;
    if (!maker)
        throw std::runtime_error("The browser engine cannot be loaded: " +
                                 (module ? module->errorString() : failure).toStdString());
    return maker;
}

// Runs the function on the main thread: at once when called there, else as an event of that thread, after
// every call this thread posted before.
template <typename Function> void onMainThread(Function function) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(function), Qt::AutoConnection);
}

} // namespace

void prepareScriptBrowserApplication() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

std::unique_ptr<QCoreApplication> makeScriptBrowserApplication(int& argc, char** argv) {
    prepareScriptBrowserApplication();
    QString failure;
    QLibrary* module = scriptPageModule(failure);
    const auto make =
        module ? reinterpret_cast<MakeGuiApplication>(module->resolve(kMakeGuiApplicationSymbol)) : nullptr;
    if (!make)
        return nullptr;
    return std::unique_ptr<QCoreApplication>(make(argc, argv));
}

void setScriptPageModuleFolder(const QString& folder) {
    moduleFolder() = folder;
}

ScriptBrowser::ScriptBrowser(QObject* parent)
    : ScriptBrowser(std::make_shared<ScriptPageLink>(), true) {
    setParent(parent);
}

ScriptBrowser::ScriptBrowser(std::shared_ptr<ScriptPageLink> link, bool ownsPage)
    : link_(std::move(link))
    , ownsPage_(ownsPage) {
    const MakeScriptPage makePage = scriptPageMaker();
    // The browser engine draws through the GUI module even without a window; a QCoreApplication has none.
    if (!QCoreApplication::instance() || !QCoreApplication::instance()->inherits("QGuiApplication"))
        throw std::runtime_error("The browser engine needs a QGuiApplication");
    // Without it the engine fails on its first page; it can only be set before the application exists.
    if (!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts))
        throw std::runtime_error("The browser engine needs Qt::AA_ShareOpenGLContexts");
    const std::lock_guard lock(link_->mutex);
    link_->browser = this;
    if (std::exchange(link_->pageRequested, true))
        return;
    // The page holds the link weakly: the link owns the page.
    onMainThread([makePage, link = link_] {
        const std::weak_ptr<ScriptPageLink> weak = link;
        link->page.reset(makePage(
            [weak](const ScriptPageResult& result) {
                if (const auto alive = weak.lock())
                    alive->deliver(result);
            },
            QByteArray(PageBrowser::kUserAgent)));
    });
}

ScriptBrowser::~ScriptBrowser() {
    {
        const std::lock_guard lock(link_->mutex);
        if (link_->browser == this)
            link_->browser = nullptr;
    }
    // The page, its renderer process and its profile go with it, unless a session keeps them.
    if (ownsPage_)
        onMainThread([link = link_] { link->page.reset(); });
}

ScriptBrowserSession::ScriptBrowserSession()
    : link_(std::make_shared<ScriptPageLink>()) {}

ScriptBrowserSession::~ScriptBrowserSession() {
    onMainThread([link = link_] { link->page.reset(); });
}

std::unique_ptr<Browser> ScriptBrowserSession::makeBrowser() const {
    return std::unique_ptr<Browser>(
        new ScriptBrowser(link_, false)); // the constructor is the session's alone
}

void ScriptBrowser::navigate(const QString& url) {
    const quint64 navigation = navigation_ = ++link_->lastNavigation;
    readyState_ = 1;
    const QUrl target(url.trimmed());
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        // Navigate returns at once in every case; the failure arrives as an event, like a load that ends.
        QTimer::singleShot(0, this, [this, navigation] {
            ScriptPageResult result;
            result.navigation = navigation;
            result.error = QStringLiteral("cannot fetch this address");
            takeResult(result);
        });
        return;
    }
    ScriptPageLimits limits{maxBodyBytes_, loadTimeoutMs_};
    limits.followUpPauseMs = followUpPauseMs_;
    limits.followUpWindowMs = followUpWindowMs_;
    limits.maxFollowUps = kMaxFollowUps;
    limits.maxMemoryBytes = maxMemoryBytes_;
    onMainThread([link = link_, navigation, target, limits] {
        if (link->page)
            link->page->load(navigation, target, limits);
    });
}

QByteArray ScriptBrowser::bodyMarkup() const {
    return document_.bodyMarkup();
}

QByteArray ScriptBrowser::documentMarkup() const {
    return document_.rootMarkup();
}

PageDocument ScriptBrowser::document() const {
    return document_.document();
}

void ScriptBrowser::takeResult(const ScriptPageResult& result) {
    if (result.navigation != navigation_ || readyState_ == ReadyStateComplete)
        return; // a replaced navigation's
    // Read by a page reader as PageBrowser's pages are (the tree the page's scripts built may be as hostile
    // as any page); the browser engine has decoded the text already.
    document_.set({result.html.toUtf8(), QByteArrayLiteral("utf-8")});
    lastLoad_ = {result.httpStatus, result.bytes,       result.error,
                 result.finalUrl,   result.proxyFailed, result.abandoned};
    readyState_ = ReadyStateComplete;
    emit documentComplete();
}

std::unique_ptr<Browser> makeScriptBrowser() {
    return std::make_unique<ScriptBrowser>();
}

} // namespace quorvane
