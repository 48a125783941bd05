#include "SimulatorServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace quorvane::demo {

SimulatorServer::SimulatorServer(Handler handler, QObject* parent)
    : QObject(parent)
    , server_(new QTcpServer(this))
    , handler_(std::move(handler)) {
    connect(server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

bool SimulatorServer::listen() {
    return server_->listen(QHostAddress::LocalHost, 0);
}

QString SimulatorServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_->serverPort());
}

void SimulatorServer::answer(QTcpSocket* socket) {
    // The request is answered once its head is complete; a body (none is expected) is ignored.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
    }
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray target = requestLine.size() >= 2 ? requestLine[1] : QByteArray("/");
    const QByteArray body = handler_(target);
    QByteArray response;
    if (body.isNull()) {
        response = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
        response = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                   QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }
    socket->write(response);
    socket->disconnectFromHost();
}

} // namespace quorvane::demo
