#include "pages/ScriptPage.h"

#include <QGuiApplication>

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QPointer>
#include <QVariant>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <csignal>
#include <functional>

#include <sys/types.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace quorvane {

namespace {

constexpr int kQuietPollMs = 50;
constexpr int kReadGraceMs = 1000;
constexpr int kMemoryPollMs = 200;
// The script heap of a page process: a script that allocates without end ends its own process at this.
constexpr char kScriptHeapFlag[] = "--js-flags=--max-old-space-size=512";

// The resident memory of a process and every process it started, from /proc; 0 when it is gone.
qint64 processTreeBytes(qint64 pid) {
    qint64 bytes = 0;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                bytes = line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : children.readAll().split(' '))
            if (const qint64 childPid = child.trimmed().toLongLong(); childPid > 0)
                bytes += processTreeBytes(childPid);
    }
    return bytes;
}

// The program's own scripts run in a world of their own: the page's scripts cannot see or replace them.
constexpr quint32 kOwnWorld = QWebEngineScript::ApplicationWorld;

// Notes the time of every change to the document, from its creation on.
const char* const kChangeObserver = R"(
(function () {
  window.__quorvaneLastChange = performance.now();
  new MutationObserver(function () { window.__quorvaneLastChange = performance.now(); })
    .observe(document, {subtree: true, childList: true, attributes: true, characterData: true});
})();)";

const char* const kQuietFor = "performance.now() - (window.__quorvaneLastChange || 0)";

const char* const kReadDocument = R"(
(function () {
  var navigation = performance.getEntriesByType('navigation')[0];
  return [document.documentElement ? document.documentElement.outerHTML : '',
          navigation ? navigation.decodedBodySize : 0];
})())";

// The browser engine's network errors (negative numbers) that say the proxy failed, not the site.
bool isProxyFailure(int error) {
    constexpr int kTunnelConnectionFailed = -111;
    constexpr int kSocksConnectionFailed = -120;
    constexpr int kProxyConnectionFailed = -130;
    return error == kTunnelConnectionFailed || error == kSocksConnectionFailed ||
           error == kProxyConnectionFailed;
}

// What the engine says at start on every machine without a graphics card or as root, and that says nothing
// to the user (the sandbox is explained in the README): kept off a timer's standard error. Everything else
// goes to the handler that was there before.
QtMessageHandler& previousHandler() {
    static QtMessageHandler handler = nullptr;
    return handler;
}

void quietEngineStart(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    static const QStringList kStartNotes = {
        QStringLiteral("Sandboxing disabled by user."),
        QStringLiteral(
            "WebEngineContext used before QtWebEngineCore::initialize() or OpenGL context creation failed."),
        QStringLiteral("No suitable graphics backend found")};
    if (kStartNotes.contains(text.trimmed()))
        return;
    if (previousHandler())
        previousHandler()(type, context, text);
    else
        qt_message_output(type, context, text);
}

// Once per process, before the browser engine starts: the engine reads these when its first profile is
// made.
void prepareBrowserEngine() {
    static bool prepared = false;
    if (std::exchange(prepared, true))
        return;
    // Chromium refuses to start its sandbox as root, and a timer or a cron job may run the program as
    // root: the sandbox is turned off then, and only then.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // A page without a view counts as a background tab, whose timers Chromium slows to once a second:
    // a result list built by a timer would miss the settling time.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (const QByteArray& flag : {QByteArray("--disable-background-timer-throttling"),
                                   QByteArray("--disable-renderer-backgrounding")})
        if (!flags.contains(flag))
            flags += ' ' + flag;
    // A page's script heap is bounded (unless the user set the script engine's flags already): past it the
    // page's process ends, and the page is abandoned, instead of taking the machine's memory.
    if (!flags.contains("--js-flags"))
        flags += QByteArray(" ") + kScriptHeapFlag;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    // The engine describes its graphics set-up at start; on a timer's standard error that is noise.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    previousHandler() = qInstallMessageHandler(quietEngineStart);
}

// No dialogs and no console output of the page's own: an alert is dismissed, a question answered no, and
// nothing the page logs reaches the program's standard error.
class SilentWebPage final : public QWebEnginePage {
public:
    using NavigationFilter = std::function<bool(const QUrl& url, bool redirect, bool mainFrame)>;
    SilentWebPage(QWebEngineProfile* profile, QObject* parent, NavigationFilter filter)
        : QWebEnginePage(profile, parent)
        , filter_(std::move(filter)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return filter_(url, type == NavigationTypeRedirect, isMainFrame);
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}

private:
    NavigationFilter filter_;
};

// The pages alive on the main thread.
std::vector<ScriptPage*>& livePages() {
    static std::vector<ScriptPage*> pages;
    return pages;
}

} // namespace

ScriptPage::ScriptPage(ScriptPageSink sink, const QByteArray& userAgent)
    : sink_(std::move(sink)) {
    prepareBrowserEngine();
    profile_ = new QWebEngineProfile(this); // no storage name: off the record, nothing on disk
    // The browser engine cleans up when the application object goes, and warns of a page still alive then:
    // a page whose browser went just before the end (its release still an event waiting on this thread)
    // is released first. Called in the reverse order of their registration, so registered after the
    // engine's own, which the first profile made.
    static const bool registered = [] {
        qAddPostRoutine([] {
            for (ScriptPage* page : std::vector<ScriptPage*>(livePages()))
                page->release();
        });
        return true;
    }();
    (void)registered;
    livePages().push_back(this);
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile_->setHttpUserAgent(QString::fromLatin1(userAgent));
    profile_->setHttpAcceptLanguage(QStringLiteral("zh-CN,zh;q=0.9"));
    QWebEngineSettings* settings = profile_->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
    // Nor the page's icon: a request to the engine outside the pace, for nothing the program reads.
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);

    QWebEngineScript observer;
    observer.setName(QStringLiteral("quorvane-change-observer"));
    observer.setInjectionPoint(QWebEngineScript::DocumentCreation);
    observer.setWorldId(kOwnWorld);
    observer.setRunsOnSubFrames(false);
    observer.setSourceCode(QString::fromLatin1(kChangeObserver));
    profile_->scripts()->insert(observer);

    // A download is not a page: refused, and the navigation fails as PageBrowser's does.
    connect(profile_, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                const QString type = download->mimeType();
                download->cancel();
                if (phase_ == Phase::Loading)
                    fail(QStringLiteral("not a page: ") + type);
            });

    page_ = new SilentWebPage(profile_, this, [this](const QUrl& url, bool redirect, bool mainFrame) {
        return onNavigationRequest(url, redirect, mainFrame);
    });
    connect(page_, &QWebEnginePage::loadingChanged, this, &ScriptPage::onLoadingChanged);
    connect(page_, &QWebEnginePage::renderProcessTerminated, this, &ScriptPage::onProcessEnded);
    // The engine takes the program's proxy but asks for its credentials.
    connect(page_, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl&, QAuthenticator* authenticator, const QString&) {
                const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
                authenticator->setUser(proxy.user());
                authenticator->setPassword(proxy.password());
            });

    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &ScriptPage::onDeadline);
    poll_.setSingleShot(true);
    connect(&poll_, &QTimer::timeout, this, &ScriptPage::pollQuiet);
    memoryWatch_.setInterval(kMemoryPollMs);
    connect(&memoryWatch_, &QTimer::timeout, this, &ScriptPage::watchMemory);
    followUp_.setSingleShot(true);
    followUp_.setTimerType(Qt::PreciseTimer); // a coarse timer may fire a twentieth early: before the pace
    connect(&followUp_, &QTimer::timeout, this, [this] {
        if (phase_ == Phase::Waiting)
            startLoad(followUpUrl_);
    });
}

ScriptPage::~ScriptPage() {
    release();
    std::erase(livePages(), this);
}

void ScriptPage::release() {
    if (!page_)
        return;
    // Script callbacks still pending are called while the page goes; they must find nothing to do. The page
    // goes before its profile, as the browser engine requires.
    closing_ = true;
    phase_ = Phase::Idle;
    deadline_.stop();
    poll_.stop();
    memoryWatch_.stop();
    followUp_.stop();
    delete std::exchange(page_, nullptr);
    delete std::exchange(profile_, nullptr);
}

void ScriptPage::load(quint64 navigation, const QUrl& url, const ScriptPageLimits& limits) {
    if (!page_)
        return;
    navigation_ = navigation;
    limits_ = limits;
    httpStatus_ = 0;
    proxyFailed_ = false;
    errorPage_.clear();
    followUps_ = 0;
    memoryExceeded_ = false;
    {
        const qint64 pid = page_ ? page_->renderProcessPid() : 0;
        memoryBaseline_ = pid > 0 ? processTreeBytes(pid) : 0;
    }
    followUp_.stop();
    deadline_.start(limits.loadTimeoutMs);
    started_.start();
    if (limits.maxMemoryBytes > 0)
        memoryWatch_.start();
    startLoad(url);
}

void ScriptPage::startLoad(const QUrl& url) {
    phase_ = Phase::Loading;
    awaitingStart_ = true;
    ownLoadPending_ = true;
    ownLoadUrl_ = url;
    poll_.stop();
    if (page_->lifecycleState() != QWebEnginePage::LifecycleState::Active)
        page_->setLifecycleState(QWebEnginePage::LifecycleState::Active);
    page_->load(url);
}

bool ScriptPage::onNavigationRequest(const QUrl& url, bool redirect, bool mainFrame) {
    if (!mainFrame)
        return phase_ != Phase::Idle; // a frame of the page, while it is read
    if (std::exchange(ownLoadPending_, false)) {
        // From here on the load's events are this navigation's: the engine does not report a start while
        // the page was still loading (a navigation held back while it loaded, then started).
        acceptedStart_ = true;
        awaitingStart_ = false;
        return true;
    }
    // Between navigations nothing of the page's own goes out: a page that refreshes itself after it was
    // read asks the engine nothing more.
    if (phase_ == Phase::Idle || phase_ == Phase::Waiting)
        return false;
    // A follow-up starts only when it leaves the time to settle and read its document within the window.
    const qint64 readBy = started_.elapsed() + limits_.followUpPauseMs + limits_.quietMs + kReadGraceMs;
    const bool inWindow = limits_.followUpWindowMs <= 0 || readBy < limits_.followUpWindowMs;
    if (followUps_ >= limits_.maxFollowUps || !inWindow) {
        // Past the limits: the document as it stands, or none when the page had not loaded yet.
        if (phase_ == Phase::Loading)
            abandon(QStringLiteral("the page navigated on its own more than %1 times").arg(followUps_));
        return false;
    }
    ++followUps_;
    // A server's redirect is its answer to the request made: followed at once, as every browser does.
    if (redirect && phase_ == Phase::Loading)
        return true;
    // Anything else is a request of its own to the engine, made after the pace's pause.
    phase_ = Phase::Waiting;
    poll_.stop();
    followUpUrl_ = url;
    followUp_.start(limits_.followUpPauseMs);
    return false;
}

void ScriptPage::watchMemory() {
    if (phase_ == Phase::Idle || !page_) {
        memoryWatch_.stop();
        return;
    }
    const qint64 pid = page_->renderProcessPid();
    // Past the limit by what this page added, or past twice the limit in all (memory a previous page never
    // gave back counts there), the process ends.
    const qint64 bytes = pid > 0 ? processTreeBytes(pid) : 0;
    if (pid <= 0 ||
        (bytes - memoryBaseline_ <= limits_.maxMemoryBytes && bytes <= 2 * limits_.maxMemoryBytes))
        return;
    // The page's process (never the program's): its end comes back as renderProcessTerminated.
    memoryExceeded_ = true;
    memoryWatch_.stop();
    ::kill(static_cast<pid_t>(pid), SIGKILL);
}

void ScriptPage::onProcessEnded() {
    if (phase_ == Phase::Idle)
        return;
    processEnded_ = true;
    abandon(memoryExceeded_
                ? QStringLiteral("the page's process used more than %1 MiB of memory and was ended")
                      .arg(limits_.maxMemoryBytes >> 20)
                : QStringLiteral("the page's process ended (out of script memory or crashed)"));
}

void ScriptPage::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    if (phase_ == Phase::Idle || phase_ == Phase::Waiting)
        return; // a navigation refused while a follow-up waits for its turn ends here too
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // The navigation asked for; a navigation of the page's own that was refused or held back starts
        // and stops at once, and changes nothing.
        // A page whose process ended may start the load asked for without asking first.
        if (!std::exchange(acceptedStart_, false) && !(ownLoadPending_ && info.url() == ownLoadUrl_))
            return;
        ownLoadPending_ = false;
        awaitingStart_ = false;
        phase_ = Phase::Loading;
        poll_.stop();
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        return; // a replaced navigation, or the stop at the time limit
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        break;
    }
    if (awaitingStart_ || phase_ != Phase::Loading)
        return;
    acceptedStart_ = false; // its end came, whether its start was reported or not
    const bool statusKnown = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
    httpStatus_ = statusKnown ? info.errorCode() : 0;
    // An answer with an error status counts as a failed load to the browser engine, yet the document shows
    // the server's error page, as a browser shows it (empty when it had no body): it is read all the same.
    // A load the engine aborted was replaced by the one asked for since (or stopped at the time limit).
    constexpr int kAborted = -3;
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && !statusKnown &&
        info.errorCode() == kAborted)
        return;
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && !statusKnown) {
        proxyFailed_ = isProxyFailure(info.errorCode());
        fail(info.errorString());
        return;
    }
    if (httpStatus_ >= 400)
        errorPage_ = QStringLiteral("error page: HTTP status %1").arg(httpStatus_);
    phase_ = Phase::Settling;
    settling_.start();
    pollQuiet();
}

void ScriptPage::pollQuiet() {
    if (phase_ != Phase::Settling)
        return;
    const QPointer<ScriptPage> self(this);
    const quint64 navigation = navigation_;
    page_->runJavaScript(
        QString::fromLatin1(kQuietFor), kOwnWorld, [self, navigation](const QVariant& quiet) {
            if (!self || self->closing_ || navigation != self->navigation_ || self->phase_ != Phase::Settling)
                return;
            const qint64 settled = std::min<qint64>(qint64(quiet.toDouble()), self->settling_.elapsed());
            if (settled >= self->limits_.quietMs || self->settling_.elapsed() >= self->limits_.maxSettleMs)
                self->readDocument();
            else
                self->poll_.start(kQuietPollMs);
        });
}

void ScriptPage::readDocument() {
    phase_ = Phase::Reading;
    poll_.stop();
    const QPointer<ScriptPage> self(this);
    const quint64 navigation = navigation_;
    page_->runJavaScript(
        QString::fromLatin1(kReadDocument), kOwnWorld, [self, navigation](const QVariant& read) {
            if (!self || self->closing_ || navigation != self->navigation_ || self->phase_ != Phase::Reading)
                return;
            const QVariantList parts = read.toList();
            ScriptPageResult result;
            result.html = parts.value(0).toString();
            result.bytes = qint64(parts.value(1).toDouble());
            // The body as received, and the document the scripts made of it, each within the size limit.
            if (result.bytes > self->limits_.maxBodyBytes ||
                result.html.size() > self->limits_.maxBodyBytes) {
                self->fail(
                    QStringLiteral("the page is larger than %1 bytes").arg(self->limits_.maxBodyBytes));
                return;
            }
            result.httpStatus = self->httpStatus_;
            result.error = self->errorPage_;
            self->finish(std::move(result));
        });
}

void ScriptPage::onDeadline() {
    switch (phase_) {
    case Phase::Settling:
        // Loaded, but the scripts still change it: read as it stands, with a moment for the reading.
        deadline_.start(kReadGraceMs);
        readDocument();
        return;
    case Phase::Loading:
    case Phase::Waiting:
    case Phase::Reading:
        page_->triggerAction(QWebEnginePage::Stop);
        fail(QStringLiteral("no complete answer in time"));
        return;
    case Phase::Idle:
        return;
    }
}

void ScriptPage::fail(const QString& reason) {
    ScriptPageResult result;
    result.httpStatus = httpStatus_;
    result.error = reason;
    finish(std::move(result));
}

void ScriptPage::abandon(const QString& reason) {
    ScriptPageResult result;
    result.httpStatus = httpStatus_;
    result.error = reason;
    result.abandoned = true;
    finish(std::move(result));
}

void ScriptPage::finish(ScriptPageResult result) {
    result.finalUrl = page_->url().toString();
    result.proxyFailed = proxyFailed_;
    phase_ = Phase::Idle;
    deadline_.stop();
    poll_.stop();
    memoryWatch_.stop();
    followUp_.stop();
    result.navigation = navigation_;
    sink_(result);
    // The page read is frozen until the next navigation: its scripts stop (no refresh, no timer, no
    // allocation goes on) and it asks the engine nothing. A page whose process ended has nothing running.
    if (page_ && !closing_ && !std::exchange(processEnded_, false))
        page_->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
}

} // namespace quorvane

extern "C" Q_DECL_EXPORT QCoreApplication* quorvaneMakeGuiApplication(int& argc, char** argv) {
    return new QGuiApplication(argc, argv); // owned by the caller
}

extern "C" Q_DECL_EXPORT quorvane::ScriptPageEngine*
quorvaneMakeScriptPage(const quorvane::ScriptPageSink& sink, const QByteArray& userAgent) {
    return new quorvane::ScriptPage(sink, userAgent); // owned by the caller
}
