#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <mutex>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;

namespace quorvane {

class ScriptBrowser;
class ScriptPage;

// What one navigation of a script page left: the document as the scripts left it, or why there is none.
struct ScriptPageResult {
    quint64 navigation = 0;
    QString html;       // the root element's outer markup; empty when the load failed
    int httpStatus = 0; // as the browser engine reports it; 0 when it said none
    qint64 bytes = 0;   // the decoded body of the main document
    QString error; // why the page did not load, or that it is a server's error page; empty when it loaded
};

struct ScriptPageLimits {
    qint64 maxBodyBytes = 0;
    int loadTimeoutMs = 0;
    // The document counts as settled once no script has changed it for this long after the load finished,
    int quietMs = 300;
    // or this long after the load finished in any case (a page whose scripts never stop changing it).
    int maxSettleMs = 3000;
};

// What a ScriptBrowser (any thread) and its page (main thread) share. The page is made, used and destroyed
// on the main thread only; the browser pointer is guarded by the mutex and cleared when the browser goes.
struct ScriptPageLink {
    std::mutex mutex;
    ScriptBrowser* browser = nullptr;
    std::unique_ptr<ScriptPage> page;

    // Hands the result to the browser as an event of the browser's thread; nothing when it is gone.
    void deliver(const ScriptPageResult& result);
};

// The Qt WebEngine side of a ScriptBrowser, on the main thread: an off-the-record profile of its own and
// one page without a view. A navigation goes through loading (until the engine reports the main document
// loaded or failed), settling (until the document has been quiet for a moment; a small observer script in
// a world of its own notes every change) and reading (the document's markup), all within the time limit.
class ScriptPage final : public QObject {
    Q_OBJECT
public:
    explicit ScriptPage(ScriptPageLink& link);
    ~ScriptPage() override;

    // A newer navigation replaces an unfinished one, whose result is never delivered.
    void load(quint64 navigation, const QUrl& url, const ScriptPageLimits& limits);

private:
    enum class Phase { Idle, Loading, Settling, Reading };

    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onDeadline();
    void pollQuiet();
    void readDocument();
    void finish(ScriptPageResult result);
    void fail(const QString& reason);

    ScriptPageLink& link_;
    QWebEngineProfile* profile_;
    QWebEnginePage* page_;
    QTimer deadline_;
    QTimer poll_;
    QElapsedTimer settling_;
    ScriptPageLimits limits_;
    quint64 navigation_ = 0;
    Phase phase_ = Phase::Idle;
    bool awaitingStart_ = false; // events of a replaced navigation may arrive before the new one starts
    bool closing_ = false;
    int httpStatus_ = 0;
    QString errorPage_;
};

} // namespace quorvane
