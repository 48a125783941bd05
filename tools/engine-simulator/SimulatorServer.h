#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace quorvane::demo {

// One loopback HTTP server: answers every GET with the page its handler makes from the request target
// (path and query as sent), one request per connection.
class SimulatorServer final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<QByteArray(const QByteArray& target)>;

    SimulatorServer(Handler handler, QObject* parent = nullptr);
    // Listens on 127.0.0.1 at a port of the system's choice; false when it cannot.
    bool listen();
    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

private:
    void answer(QTcpSocket* socket);

    QTcpServer* server_;
    Handler handler_;
};

} // namespace quorvane::demo
