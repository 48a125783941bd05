#include "support/HttpServer.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>
#include <zlib.h>

namespace quorvane::test {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// A close that the peer sees as a reset, not as an orderly end of the stream.
void resetConnection(QTcpSocket* socket) {
    const linger hard{1, 0};
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket->abort();
}

} // namespace

QByteArray HttpServer::Gzip(QByteArrayView bytes) {
    z_stream stream{};
    // 15 window bits, + 16 for the gzip header and trailer instead of zlib's.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(bytes.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return result == Z_STREAM_END ? out : QByteArray();
}

QByteArray HttpServer::Request::Header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

HttpServer::HttpServer(QObject* parent)
    : QObject(parent)
    , server_(new QTcpServer(this)) {
    fallback_.status = 404;
    fallback_.contentType.clear();
    connect(server_, &QTcpServer::newConnection, this, &HttpServer::onNewConnection);
    server_->listen(QHostAddress::LocalHost, 0);
}

HttpServer::~HttpServer() {
    server_->close();
    // Sockets are children of the server object and are closed when it goes.
}

quint16 HttpServer::Port() const {
    return server_->serverPort();
}

QString HttpServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(Port());
}

void HttpServer::Serve(const QByteArray& target, Response response) {
    responses_.insert(target, std::move(response));
}

void HttpServer::ServePage(const QByteArray& target, const QByteArray& body, const QByteArray& contentType) {
    Response response;
    response.body = body;
    response.contentType = contentType;
    Serve(target, std::move(response));
}

bool HttpServer::ServeFile(const QByteArray& target, const QString& path, const QByteArray& contentType) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ServePage(target, file.readAll(), contentType);
    return true;
}

void HttpServer::ServeRedirect(const QByteArray& target, const QByteArray& location, int status) {
    Response response;
    response.status = status;
    response.contentType.clear();
    response.headers.append(qMakePair(QByteArray("Location"), location));
    Serve(target, std::move(response));
}

QList<QByteArray> HttpServer::RequestTargets() const {
    QList<QByteArray> targets;
    for (const Request& r : requests_)
        targets << r.target;
    return targets;
}

bool HttpServer::WaitForRequests(int count, int timeoutMs) {
    return QTest::qWaitFor([&] { return requests_.size() >= count; }, timeoutMs);
}

void HttpServer::onNewConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(server_);
        pending_.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpServer::onReadyRead(QTcpSocket* socket) {
    auto it = pending_.find(socket);
    if (it == pending_.end()) {
        socket->readAll(); // already answered; one request per connection
        return;
    }
    it->append(socket->readAll());
    const qsizetype headEnd = it->indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QList<QByteArray> lines = it->first(headEnd).split('\n');
    pending_.erase(it);

    Request request;
    request.arrived = std::chrono::steady_clock::now();
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    // The absolute form a client sends to a proxy: this server then stands in for the proxy and the site
    // behind it alike, and answers with the page of the path.
    QByteArray path = request.target;
    if (path.startsWith("http://")) {
        request.proxied = true;
        const qsizetype slash = path.indexOf('/', 7);
        path = slash < 0 ? QByteArray("/") : path.sliced(slash);
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append({lines[i].first(colon).trimmed(), lines[i].sliced(colon + 1).trimmed()});
    }
    requests_.append(request);
    respond(socket, responses_.value(path, fallback_));
}

void HttpServer::respond(QTcpSocket* socket, const Response& response) {
    if (response.mode == Mode::Stall)
        return;
    if (response.delayMs > 0)
        QTimer::singleShot(response.delayMs, socket, [this, socket, response] { send(socket, response); });
    else
        send(socket, response);
}

void HttpServer::send(QTcpSocket* socket, const Response& response) {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    if (response.sendContentLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [key, value] : response.headers)
        head += key + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    if (response.mode == Mode::ResetMidBody) {
        socket->write(response.body.first(response.body.size() / 2));
        socket->flush();
        // Give the half body time to leave before the reset.
        QTimer::singleShot(100, socket, [socket] { resetConnection(socket); });
        return;
    }
    socket->write(response.body);
    socket->disconnectFromHost(); // after the buffered bytes are written
}

} // namespace quorvane::test
