#pragma once

#include "pages/Browser.h"
#include "pages/LoadedDocument.h"

#include <QString>

#include <memory>
#include <optional>

class QCoreApplication;

namespace quorvane {

struct ScriptPageLink;
struct ScriptPageResult;

// A browser that runs the page's scripts: a Qt WebEngine page loads the address, and once it has finished
// loading and its scripts have left the document alone for a moment (ScriptPageModule.h), the final
// document's markup is kept for the page readers as PageBrowser's pages are (LoadedDocument.h), so the
// readers see the same kind of markup and nothing the page built is parsed in this process. Nothing is
// displayed and no image is loaded. A browser made on its own has an off-the-record profile and page of its
// own (cookies kept across its navigations, nothing written to disk), which go with it; browsers made by one
// ScriptBrowserSession share the session's.
//
// Usable from any thread, like PageBrowser it belongs to the thread that made it: Qt WebEngine lives on the
// application's main thread, so the page is made there and this object forwards to it with queued calls;
// the finished document comes back as an event of this object's thread and is kept there. The main
// thread must process events meanwhile (the run's thread and the window do), best in an event loop or with
// short naps: the engine's own tasks on that thread wait for each poll. The application object must be a
// QGuiApplication made after Qt::AA_ShareOpenGLContexts was set (for a program without a window:
// prepareScriptBrowserApplication), and the browser engine's module must load (ScriptPageModule.h); the
// constructor throws std::runtime_error otherwise, saying why.
//
// Ready state, documentComplete, failed loads (state 4 with an empty document and lastLoad().error) and the
// body-size and time limits behave as PageBrowser's. A page that has not finished loading within the time
// limit ends as a failure; one whose scripts keep changing it is read as it stands at the limit.
//
// A page is a visitor's request to the engine, and what it does on its own is kept in bounds: each
// navigation it makes by itself (a refresh, a redirect, a script's) keeps the pace (setFollowUpPace), there
// are at most kMaxFollowUps of them, and the page's process runs with a bounded script heap and is ended
// past a memory limit. A page ended so is "abandoned" (LoadOutcome), with the reason as its error.
class ScriptBrowser final : public Browser {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultMaxBodyBytes = 8 * 1024 * 1024;
    static constexpr int kDefaultLoadTimeoutMs = 30'000;
    static constexpr qint64 kDefaultMaxMemoryBytes = qint64(1) << 30;
    // Navigations a page may make on its own (refreshes, redirects, scripts) after the one asked for.
    static constexpr int kMaxFollowUps = 5;

    explicit ScriptBrowser(QObject* parent = nullptr);
    ~ScriptBrowser() override;

    void setSilent(bool silent) override { silent_ = silent; }
    void navigate(const QString& url) override;
    int readyState() const override { return readyState_; }
    // Throw std::runtime_error before the first navigation has finished.
    QByteArray bodyMarkup() const override;
    QByteArray documentMarkup() const override;
    PageDocument document() const override;
    // The HTTP status (as the browser engine reports it), the decoded body size, why the load failed, the
    // document's address after redirects and whether the proxy failed. The engine takes the program's
    // proxy, the same for every page: a proxy of this browser's own (setProxy) is not available.
    LoadOutcome lastLoad() const override { return lastLoad_; }

    bool silent() const { return silent_; }

    void setFollowUpPace(std::chrono::milliseconds pause, std::chrono::milliseconds window) override {
        followUpPauseMs_ = static_cast<int>(pause.count());
        followUpWindowMs_ = static_cast<int>(window.count());
    }

    // Limits; tests shorten them. They apply from the next navigation on.
    void setMaxBodyBytes(qint64 bytes) { maxBodyBytes_ = bytes; }
    void setLoadTimeout(int milliseconds) { loadTimeoutMs_ = milliseconds; }
    // The page's process tree may use this much memory; past it the process is ended (the page abandoned).
    void setMaxMemoryBytes(qint64 bytes) { maxMemoryBytes_ = bytes; }

private:
    friend struct ScriptPageLink;
    friend class ScriptBrowserSession;
    ScriptBrowser(std::shared_ptr<ScriptPageLink> link, bool ownsPage);
    void takeResult(const ScriptPageResult& result);

    std::shared_ptr<ScriptPageLink> link_;
    bool ownsPage_;
    quint64 navigation_ = 0;
    int readyState_ = 0;
    bool silent_ = false;
    LoadedDocument document_;
    LoadOutcome lastLoad_;
    qint64 maxBodyBytes_ = kDefaultMaxBodyBytes;
    int loadTimeoutMs_ = kDefaultLoadTimeoutMs;
    qint64 maxMemoryBytes_ = kDefaultMaxMemoryBytes;
    int followUpPauseMs_ = 0;
    int followUpWindowMs_ = 0;
};

// One profile and page of the browser engine for browsers made one after the other, possibly on different
// threads: an engine's checks in one run, each on a thread of its own. Cookies are kept from one browser to
// the next and the engine's page process stays between them; both go with the session, which its browsers
// must not outlive. Only one of its browsers may be in use at a time. Made on any thread; making it needs
// nothing, makeBrowser throws as the ScriptBrowser constructor does.
class ScriptBrowserSession {
public:
    ScriptBrowserSession();
    ~ScriptBrowserSession();
    ScriptBrowserSession(const ScriptBrowserSession&) = delete;
    ScriptBrowserSession& operator=(const ScriptBrowserSession&) = delete;

    // A browser for the calling thread on the session's page.
    std::unique_ptr<Browser> makeBrowser() const;

private:
    std::shared_ptr<ScriptPageLink> link_;
};

// A ScriptBrowser with a page of its own, for the calling thread.
std::unique_ptr<Browser> makeScriptBrowser();

// Before the application object is made, for a program without a window that may use a ScriptBrowser:
// shares OpenGL contexts as the browser engine requires and, where there is no display and no platform was
// asked for, chooses the offscreen platform. The application object must then be a QGuiApplication.
void prepareScriptBrowserApplication();

// For a program without a window whose engines use a ScriptBrowser: prepares as above and makes the
// QGuiApplication through the browser engine's module, so that the program links no GUI library itself.
// Null when the module cannot be loaded (a ScriptBrowser then says why).
std::unique_ptr<QCoreApplication> makeScriptBrowserApplication(int& argc, char** argv);

// Where the browser engine's module is looked for: the executable's folder unless set (tests and
// benchmarks, which run from folders of their own, name the program's). Before the first ScriptBrowser.
void setScriptPageModuleFolder(const QString& folder);

} // namespace quorvane
