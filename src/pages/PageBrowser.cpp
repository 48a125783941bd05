#include "pages/PageBrowser.h"

#include "pages/PageDecoder.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <stdexcept>
#include <utility>

namespace quorvane {

const char* const PageBrowser::kUserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0.0.0 Safari/537.36";

namespace {

// Bytes kept in the network layer between two reads; the body limit is checked at every read.
constexpr qint64 kReadBufferBytes = 256 * 1024;

bool isPageType(const QByteArray& contentType) {
    const QByteArray type = contentType.trimmed().toLower();
    return type.isEmpty() || type.startsWith("text/") || type.contains("html") || type.contains("xml");
}

// An answer of the server with an error status, as opposed to a transfer that broke down.
bool isHttpErrorAnswer(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError);
}

// The proxy, not the engine, failed the request. Through a proxy of its own the browser talks to the proxy
// alone, so every transfer that broke down (a connection refused or closed, an answer that is not HTTP, a
// failed TLS handshake, 407) is the proxy's failure; an HTTP answer with an error status is the engine's.
bool isProxyFailure(QNetworkReply::NetworkError error, bool ownProxy) {
    if (error >= QNetworkReply::ProxyConnectionRefusedError && error <= QNetworkReply::UnknownProxyError)
        return true;
    if (!ownProxy)
        return false;
    return (error > QNetworkReply::NoError && error <= QNetworkReply::UnknownNetworkError &&
            error != QNetworkReply::OperationCanceledError) ||
           error == QNetworkReply::ProtocolFailure;
}

// The name of the site a host belongs to, without its country and generic suffixes: "baidu" for
// wappass.baidu.com, "google" for www.google.com.hk; an address is its own site.
QString siteNameOf(const QString& host) {
    if (!QHostAddress(host).isNull())
        return host;
    QStringList labels = host.toLower().split(u'.', Qt::SkipEmptyParts);
    if (labels.size() > 1)
        labels.removeLast();
    static const QStringList kGeneric = {QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("org"),
                                         QStringLiteral("co"),  QStringLiteral("gov"), QStringLiteral("edu"),
                                         QStringLiteral("ac")};
    if (labels.size() > 1 && kGeneric.contains(labels.last()))
        labels.removeLast();
    return labels.isEmpty() ? QString() : labels.last();
}

} // namespace

PageBrowser::PageBrowser(QObject* parent)
    : Browser(parent)
    , network_(new QNetworkAccessManager(this)) // its own cookie jar comes with it
    , deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        // Through a proxy of our own, silence is the proxy's: it never answered for the engine.
        proxyFailed_ = ownProxy_;
        fail(QStringLiteral("no complete answer in time"));
    });
}

PageBrowser::~PageBrowser() {
    abandonReply();
}

void PageBrowser::setProxy(const QNetworkProxy& proxy) {
    network_->setProxy(proxy);
    ownProxy_ = proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::Socks5Proxy;
}

void PageBrowser::navigate(const QString& url) {
    abandonReply();
    ++navigation_;
    proxyFailed_ = false;
    readyState_ = 1;
    received_.clear();
    inflater_.reset();

    const QUrl target(url.trimmed());
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        failLater(QStringLiteral("cannot fetch this address"));
        return;
    }
    requested_ = target;
    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    request.setRawHeader("Accept-Language", "zh-CN,zh;q=0.9");
    // Asked for by name, compressed bodies are left to this browser to inflate, within the size limit.
    request.setRawHeader("Accept-Encoding", "gzip, deflate");
    // Through a proxy of our own each redirect is looked at first (onRedirected).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         ownProxy_ ? QNetworkRequest::UserVerifiedRedirectPolicy
                                   : QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects_);

    reply_ = network_->get(request);
    reply_->setReadBufferSize(kReadBufferBytes);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &PageBrowser::onMetaDataChanged);
    connect(reply_, &QNetworkReply::readyRead, this, &PageBrowser::onReadyRead);
    connect(reply_, &QNetworkReply::finished, this, &PageBrowser::onFinished);
    if (ownProxy_)
        connect(reply_, &QNetworkReply::redirected, this, &PageBrowser::onRedirected);
    deadline_->start(loadTimeoutMs_);
}

QByteArray PageBrowser::bodyMarkup() const {
    return document_.bodyMarkup();
}

QByteArray PageBrowser::documentMarkup() const {
    return document_.rootMarkup();
}

PageDocument PageBrowser::document() const {
    return document_.document();
}

void PageBrowser::abandonReply() {
    deadline_->stop();
    if (!reply_)
        return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

void PageBrowser::onRedirected(const QUrl& to) {
    if (!reply_)
        return;
    const QUrl from = reply_->url();
    // A proxy that sends us elsewhere (a login page, an advert) stands between us and the engine; the
    // engine's own redirects stay on the site asked for (its verification host included).
    if (siteNameOf(to.host()) != siteNameOf(requested_.host())) {
        proxyFailed_ = true;
        fail(QStringLiteral("redirected away from the engine to ") + to.toString());
        return;
    }
    if (from.scheme() == u"https" && to.scheme() != u"https") {
        fail(QStringLiteral("redirected from https to ") + to.toString());
        return;
    }
    emit reply_->redirectAllowed();
}

void PageBrowser::onMetaDataChanged() {
    if (!reply_)
        return;
    bool ok = false;
    const qint64 length = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong(&ok);
    if (ok && length > maxBodyBytes_)
        fail(QStringLiteral("the page is larger than %1 bytes").arg(maxBodyBytes_));
}

void PageBrowser::onReadyRead() {
    if (reply_)
        takeBody();
}

bool PageBrowser::takeBody() {
    const QByteArray piece = reply_->readAll();
    if (!inflater_) // the encoding of the answer that is read, after any redirects
        inflater_ =
            std::make_unique<BodyInflater>(BodyInflater::encodingOf(reply_->rawHeader("Content-Encoding")));
    switch (inflater_->append(piece, received_, maxBodyBytes_)) {
    case BodyInflater::Result::Ok:
        return true;
    case BodyInflater::Result::OverLimit:
        fail(QStringLiteral("the page is larger than %1 bytes").arg(maxBodyBytes_));
        return false;
    case BodyInflater::Result::Broken:
        fail(QStringLiteral("the page's compressed body cannot be read"));
        return false;
    }
    return false;
}

void PageBrowser::onFinished() {
    if (!reply_ || !takeBody())
        return;
    const QNetworkReply::NetworkError error = reply_->error();
    if (error != QNetworkReply::NoError && !(isHttpErrorAnswer(error) && !received_.isEmpty())) {
        proxyFailed_ = isProxyFailure(error, ownProxy_);
        fail(reply_->errorString());
        return;
    }
    const QByteArray contentType = reply_->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (!isPageType(contentType)) {
        fail(QStringLiteral("not a page: ") + QString::fromLatin1(contentType));
        return;
    }
    const QUrl location = reply_->url();
    const QString status =
        error == QNetworkReply::NoError ? QString() : QStringLiteral("error page: ") + reply_->errorString();
    const int httpStatus = replyStatus();
    QByteArray body = std::exchange(received_, {});
    abandonReply();
    const qint64 bytes = body.size();
    // Kept as it came: a page reader decodes and parses it (LoadedDocument.h, PageReader.h).
    finish({std::move(body), charsetFromContentType(contentType)}, location, status, httpStatus, bytes);
}

void PageBrowser::failLater(const QString& reason) {
    // Navigate returns at once in every case; the failure arrives as an event, like a load that ends.
    const quint64 navigation = navigation_;
    QTimer::singleShot(0, this, [this, navigation, reason] {
        if (navigation == navigation_ && readyState_ != ReadyStateComplete)
            fail(reason);
    });
}

void PageBrowser::fail(const QString& reason) {
    const QUrl location = reply_ ? reply_->url() : QUrl();
    const int httpStatus = replyStatus();
    const qint64 bytes = received_.size();
    abandonReply();
    received_.clear();
    finish({}, location, reason, httpStatus, bytes);
}

int PageBrowser::replyStatus() const {
    return reply_ ? reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

void PageBrowser::finish(PageDocument page, const QUrl& location, const QString& error, int httpStatus,
                         qint64 bytes) {
    deadline_->stop();
    document_.set(std::move(page));
    location_ = location;
    lastError_ = error;
    httpStatus_ = httpStatus;
    bodyBytes_ = bytes;
    readyState_ = ReadyStateComplete;
    emit documentComplete();
}

} // namespace quorvane
