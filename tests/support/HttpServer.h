#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <chrono>

class QTcpServer;
class QTcpSocket;

namespace quorvane::test {

// A loopback HTTP/1.1 server for page-loading tests: listens on 127.0.0.1 with a port of the system's
// choice, answers each request by its exact path and query (the request target as sent) with a recorded
// response, and records every request it got so that tests can check addresses on the wire. One request per
// connection (Connection: close). Responses can be delayed, never sent, or broken off mid-body with a
// connection reset. It stops with its owner: destroying it closes every connection.
class HttpServer final : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Answer,      // status line, headers, body
        Stall,       // accept the request and never answer
        ResetMidBody // send the headers and half the body, then reset the connection
    };
    struct Response {
        int status = 200;
        QByteArray contentType = "text/html";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers; // extra headers, e.g. Location
        int delayMs = 0;
        Mode mode = Mode::Answer;
        bool sendContentLength = true; // without it the body ends when the connection closes
    };
    struct Request {
        QByteArray method;
        QByteArray target;    // as sent: path and query, or the whole address when sent as to a proxy
        bool proxied = false; // sent to this server as to a proxy (the target in absolute form)
        QList<QPair<QByteArray, QByteArray>> headers;
        std::chrono::steady_clock::time_point arrived; // when the request was read, on a monotonic clock
        QByteArray Header(const QByteArray& name) const;
    };

    // The bytes in gzip format, for a response sent with "Content-Encoding: gzip".
    static QByteArray Gzip(QByteArrayView bytes);

    explicit HttpServer(QObject* parent = nullptr);
    ~HttpServer() override;

    quint16 Port() const;
    // "http://127.0.0.1:<port>"
    QString BaseUrl() const;

    void Serve(const QByteArray& target, Response response);
    void ServePage(const QByteArray& target, const QByteArray& body,
                   const QByteArray& contentType = "text/html");
    // Serves the bytes of a file; false when it cannot be read.
    bool ServeFile(const QByteArray& target, const QString& path,
                   const QByteArray& contentType = "text/html");
    void ServeRedirect(const QByteArray& target, const QByteArray& location, int status = 302);
    // The answer to targets that were not set up; 404 without a body unless changed.
    void SetFallback(Response response) { fallback_ = std::move(response); }

    const QList<Request>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }
    QList<QByteArray> RequestTargets() const;
    // Pumps events until at least count requests have arrived or the time is up.
    bool WaitForRequests(int count, int timeoutMs = 5000);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const Response& response);
    void send(QTcpSocket* socket, const Response& response);

    QTcpServer* server_;
    QHash<QByteArray, Response> responses_;
    Response fallback_;
    QList<Request> requests_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

// An answer with a status, a body and an optional delay before it is sent.
inline HttpServer::Response Answer(int status, QByteArray body, int delayMs = 0) {
    HttpServer::Response response;
    response.status = status;
    response.body = std::move(body);
    response.delayMs = delayMs;
    return response;
}

} // namespace quorvane::test
