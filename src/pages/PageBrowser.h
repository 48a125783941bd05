#pragma once

#include "pages/BodyInflater.h"
#include "pages/Browser.h"
#include "pages/LoadedDocument.h"

#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace quorvane {

// The browser the program uses: fetches a page over HTTP(S) with its own network access (own cookies,
// redirects followed up to a limit, a desktop browser's User-Agent) and keeps the document as it came for
// the page readers (LoadedDocument.h): the browser never parses it itself. Nothing is displayed.
//
// Ready state: 0 before the first navigation, 1 while the newest navigation loads, 4 once it is done.
// A newer navigation aborts an unfinished one, and readyState refers to it from the moment Navigate
// returns. documentComplete fires once for every navigation that finishes (never for an aborted one).
//
// A load that fails still finishes, as a browser finishes with its own error page: state 4, an empty
// document (no body content), documentComplete, and lastError() says why. Failures are: network errors, a
// redirect chain longer than the limit, a body over the size limit (also when it inflates past it), no
// complete answer within the load timeout, an HTTP error status without a body, a body that is not a text or
// HTML type, and an address the browser cannot fetch (not http or https). An HTTP error status with a body
// shows that body, like a browser shows a server's error page. The scanners find no result items in such
// documents, so they count as unread pages. Until the newest navigation is done, the readers still see the
// previous document.
class PageBrowser final : public Browser {
    Q_OBJECT
public:
    static constexpr qint64 kDefaultMaxBodyBytes = 8 * 1024 * 1024;
    static constexpr int kDefaultMaxRedirects = 10;
    static constexpr int kDefaultLoadTimeoutMs = 30'000;
    static const char* const kUserAgent;

    explicit PageBrowser(QObject* parent = nullptr);
    ~PageBrowser() override;

    // This browser never shows dialogs of its own; the flag is kept for the contract.
    void setSilent(bool silent) override { silent_ = silent; }
    void navigate(const QString& url) override;
    int readyState() const override { return readyState_; }
    // Throw std::runtime_error before the first navigation has finished.
    QByteArray bodyMarkup() const override;
    QByteArray documentMarkup() const override;
    PageDocument document() const override;
    // The HTTP status and body size of the last finished navigation, and lastError.
    LoadOutcome lastLoad() const override {
        return {httpStatus_, bodyBytes_, lastError_, location_.toString(), proxyFailed_};
    }
    void setProxy(const QNetworkProxy& proxy) override;
    bool hasOwnProxy() const override { return ownProxy_; }

    bool silent() const { return silent_; }
    // Why the last finished navigation failed, or that it shows a server's error page; empty when it loaded.
    QString lastError() const { return lastError_; }
    // The address of the document shown (after redirects).
    QUrl location() const { return location_; }

    // Limits; tests shorten them. They apply from the next navigation on.
    void setMaxBodyBytes(qint64 bytes) { maxBodyBytes_ = bytes; }
    void setMaxRedirects(int redirects) { maxRedirects_ = redirects; }
    void setLoadTimeout(int milliseconds) { loadTimeoutMs_ = milliseconds; }

private:
    void abandonReply();
    void onRedirected(const QUrl& to);
    void onMetaDataChanged();
    void onReadyRead();
    bool takeBody(); // reads what arrived; false when the load failed on it
    void onFinished();
    void failLater(const QString& reason);
    void fail(const QString& reason);
    void finish(PageDocument page, const QUrl& location, const QString& error, int httpStatus, qint64 bytes);
    int replyStatus() const;

    QNetworkAccessManager* network_;
    QTimer* deadline_;
    QPointer<QNetworkReply> reply_;
    QByteArray received_; // inflated
    std::unique_ptr<BodyInflater> inflater_;
    quint64 navigation_ = 0;
    int readyState_ = 0;
    bool silent_ = false;
    LoadedDocument document_;
    QString lastError_;
    bool proxyFailed_ = false;
    bool ownProxy_ = false; // setProxy gave this browser a proxy of its own
    int httpStatus_ = 0;
    qint64 bodyBytes_ = 0;
    QUrl location_;
    QUrl requested_; // the address of the newest navigation, before redirects
    qint64 maxBodyBytes_ = kDefaultMaxBodyBytes;
    int maxRedirects_ = kDefaultMaxRedirects;
    int loadTimeoutMs_ = kDefaultLoadTimeoutMs;
};

} // namespace quorvane
