#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

class QCoreApplication;

namespace quorvane {

// The boundary between ScriptBrowser and the module that holds the browser engine (Qt WebEngine). The
// engine's library is large: linked into the program it would be loaded at every start, also by the
// command line and the window that never use it. The module is loaded the first time a ScriptBrowser is
// made, from the executable's folder; a machine without the browser engine still runs the program.
// Everything here is header-only, so that both sides agree on it without sharing code.

// What one navigation of a script page left: the document as the scripts left it, or why there is none.
struct ScriptPageResult {
    quint64 navigation = 0;
    QString html;       // the root element's outer markup; empty when the load failed
    int httpStatus = 0; // as the browser engine reports it; 0 when it said none
    qint64 bytes = 0;   // the decoded body of the main document
    QString error;    // why the page did not load, or that it is a server's error page; empty when it loaded
    QString finalUrl; // the document's address after redirects (by the server or by script)
    bool proxyFailed = false; // the proxy could not be reached or refused the connection
    // The page was ended for what it did (it navigated too often, its process used too much memory): the
    // engine answered, but with nothing that can be read; error says why.
    bool abandoned = false;
};

struct ScriptPageLimits {
    qint64 maxBodyBytes = 0;
    int loadTimeoutMs = 0;
    // The document counts as settled once no script has changed it for this long after the load finished,
    int quietMs = 300;
    // or this long after the load finished in any case (a page whose scripts never stop changing it).
    int maxSettleMs = 3000;
    // Every navigation the page makes on its own (a refresh, a script's) is a request to the engine like the
    // first: it waits this long after the page before it and may start only when it leaves the time to read
    // its document within the window from the navigation's start (0: no window). A server's redirects are
    // followed at once. There are at most maxFollowUps of both; past that the document is taken as it
    // stands, or the load ends abandoned when there is none yet.
    int followUpPauseMs = 0;
    int followUpWindowMs = 0;
    int maxFollowUps = 5;
    // The page's process tree (its renderer and what it started) may use this much memory; past it the
    // process is ended and the load abandoned. 0: no limit.
    qint64 maxMemoryBytes = 0;
};

// One page of the browser engine, with an off-the-record profile of its own. Made, used and destroyed on
// the main thread; every navigation ends in one call of the sink on that thread, except one that a newer
// navigation replaced.
class ScriptPageEngine {
public:
    virtual ~ScriptPageEngine() = default;
    virtual void load(quint64 navigation, const QUrl& url, const ScriptPageLimits& limits) = 0;
};

using ScriptPageSink = std::function<void(const ScriptPageResult&)>;

// The module's one entry point, by this name with C linkage.
using MakeScriptPage = ScriptPageEngine* (*)(const ScriptPageSink& sink, const QByteArray& userAgent);
inline constexpr char kMakeScriptPageSymbol[] = "quorvaneMakeScriptPage";
// The application object a program without a window needs for the browser engine: a QGuiApplication, made
// here so that the command line itself links no GUI library. Owned by the caller.
using MakeGuiApplication = QCoreApplication* (*)(int& argc, char** argv);
inline constexpr char kMakeGuiApplicationSymbol[] = "quorvaneMakeGuiApplication";
inline constexpr char kScriptPageModuleFile[] = "quorvane_script_page.so";

} // namespace quorvane
