#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

namespace quorvane::test {

// A loopback server that does not speak HTTP properly, for the failures of a proxy that HttpServer cannot
// give: once a request's first bytes arrive it writes the given bytes (none: nothing) and closes the
// connection. Counts the connections it took.
class RawServer final : public QObject {
public:
    explicit RawServer(QByteArray answer = {}, QObject* parent = nullptr)
        : QObject(parent)
        , answer_(std::move(answer)) {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                ++connections_;
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    if (!answer_.isEmpty())
                        socket->write(answer_);
                    socket->disconnectFromHost();
                });
            }
        });
    }

    quint16 Port() const { return server_.serverPort(); }
    int Connections() const { return connections_; }

private:
    QTcpServer server_;
    QByteArray answer_;
    int connections_ = 0;
};

} // namespace quorvane::test
