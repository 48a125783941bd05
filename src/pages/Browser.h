#pragma once

#include <QByteArray>
#include <QNetworkProxy>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

namespace quorvane {

// A loaded document as it arrived: its bytes and the charset label of the Content-Type header (empty: the
// page's own declaration or a guess, PageDecoder.h). Page readers take it (PageReader.h).
struct PageDocument {
    QByteArray bytes;
    QByteArray charset;
};

// What the program needs of a web browser: navigate, read the ready state, read the loaded document's
// markup. Instances are independent (own cookies, own navigation). An instance belongs to the thread that
// made it (the GUI thread for the URL finder, a check's own thread in a run); its events arrive while that
// thread processes events.
class Browser : public QObject {
    Q_OBJECT
public:
    static constexpr int ReadyStateComplete = 4;

    // How the newest finished navigation went, for the run log.
    struct LoadOutcome {
        int httpStatus = 0;       // 0: no answer from a server
        qint64 bytes = 0;         // body bytes received
        QString error;            // why the page did not load; empty when it did
        QString finalUrl;         // the address of the document after redirects; empty when unknown
        bool proxyFailed = false; // the proxy, not the engine, failed: see hasOwnProxy
        // The page was ended for what it did (it navigated too often, used too much memory): the engine
        // answered, with nothing readable; error says why.
        bool abandoned = false;
    };

    using QObject::QObject;
    ~Browser() override = default;

    // No dialogs of the browser's own (the program sets it before every navigation).
    virtual void setSilent(bool silent) = 0;
    // Starts loading and returns at once. A newer navigation replaces an unfinished one; right after this
    // call readyState refers to the new navigation.
    virtual void navigate(const QString& url) = 0;
    // 4 once the newest navigation's document is complete and can be read.
    virtual int readyState() const = 0;
    // The inner markup of the document's body, or of its root element, in the serialisation the
    // period markers were written for (upper-case tag names, attribute values unquoted where possible, href
    // in double quotes) and converted to GBK bytes. Throws std::runtime_error when there is no document.
    // The program's browsers make it through a page reader, which may fail too (std::runtime_error).
    virtual QByteArray bodyMarkup() const = 0;
    virtual QByteArray documentMarkup() const = 0;
    // The loaded document as it arrived, for a page reader. Throws std::runtime_error when there is none. A
    // browser that holds serialised markup only gives that (GBK).
    virtual PageDocument document() const { return {documentMarkup(), QByteArrayLiteral("gbk")}; }
    // A browser that cannot tell reports a load without status or size that went well.
    virtual LoadOutcome lastLoad() const { return {}; }
    // The proxy of this browser's requests from the next navigation on; a browser that cannot use one of
    // its own keeps the program's.
    virtual void setProxy(const QNetworkProxy& /*proxy*/) {}
    // The browser goes out through a proxy of its own: then every load that breaks down or gets no answer
    // in time (a refused or closed connection, an answer that is not HTTP, a TLS failure, 407, a redirect
    // away from the engine's site) is the proxy's failure.
    virtual bool hasOwnProxy() const { return false; }
    // For a browser whose pages navigate on their own (a refresh, a script): each such navigation waits
    // `pause` after the page before it, as every request to the engine does, and may start only within
    // `window` from the navigation asked for (the time its caller waits). A browser whose pages do not
    // navigate on their own ignores it.
    virtual void setFollowUpPace(std::chrono::milliseconds /*pause*/, std::chrono::milliseconds /*window*/) {}

signals:
    // Once per finished load.
    void documentComplete();
};

} // namespace quorvane
