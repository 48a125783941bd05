#include "MakerEndpoints.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace quorvane::test {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(2);
    }
    return done();
}

} // namespace quorvane::test
