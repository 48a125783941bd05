#pragma once

#include "pages/ScriptPageModule.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;

namespace quorvane {

// The browser engine's side of a ScriptBrowser (ScriptPageModule.h), on the main thread: an off-the-record
// profile of its own and one page without a view. A navigation goes through loading (until the engine reports
// the main document loaded or failed), settling (until the document has been quiet for a moment; a small
// observer script in a world of its own notes every change) and reading (the document's markup), all within
// the time limit.
class ScriptPage final : public QObject, public ScriptPageEngine {
    Q_OBJECT
public:
    ScriptPage(ScriptPageSink sink, const QByteArray& userAgent);
    ~ScriptPage() override;

    // A newer navigation replaces an unfinished one, whose result is never delivered.
    void load(quint64 navigation, const QUrl& url, const ScriptPageLimits& limits) override;
    // Lets the page and the profile go now; the page loads nothing more.
    void release();

private:
    // Waiting: the page asked to navigate on its own; the navigation starts once the pace allows.
    enum class Phase { Idle, Loading, Waiting, Settling, Reading };

    // Whether the page may navigate there now; a navigation of the page's own is held back for the pace
    // and started later, or refused past the limits.
    bool onNavigationRequest(const QUrl& url, bool redirect, bool mainFrame);
    void startLoad(const QUrl& url);
    void watchMemory();
    void onProcessEnded();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onDeadline();
    void pollQuiet();
    void readDocument();
    void finish(ScriptPageResult result);
    void fail(const QString& reason);
    void abandon(const QString& reason);

    ScriptPageSink sink_;
    QWebEngineProfile* profile_;
    QWebEnginePage* page_;
    QTimer deadline_;
    QTimer poll_;
    QTimer memoryWatch_;
    QTimer followUp_;
    QUrl followUpUrl_;
    QUrl ownLoadUrl_; // the address startLoad asked for last
    QElapsedTimer settling_;
    QElapsedTimer started_; // since the navigation asked for
    ScriptPageLimits limits_;
    quint64 navigation_ = 0;
    Phase phase_ = Phase::Idle;
    bool awaitingStart_ = false;  // events of a replaced navigation may arrive before the new one starts
    bool ownLoadPending_ = false; // the next main-frame navigation is the one startLoad asked for
    bool acceptedStart_ = false;  // a main-frame navigation was let through and its start is due
    int followUps_ = 0;           // navigations the page made on its own in this navigation
    bool memoryExceeded_ = false;
    // What the page's process tree held when the navigation started: the limit applies to what this page
    // adds, so that a previous page's memory, not yet given back, never ends the next page.
    qint64 memoryBaseline_ = 0;
    bool processEnded_ = false; // the page's process ended during this navigation
    bool closing_ = false;
    int httpStatus_ = 0;
    bool proxyFailed_ = false;
    QString errorPage_;
};

} // namespace quorvane
