#include "platform/EventPumping.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace quorvane {

void processEventsThenNap() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(2);
}

void delaySeconds(int seconds) {
    QElapsedTimer timer;
    timer.start();
    const qint64 limitNs = static_cast<qint64>(seconds) * 1'000'000'000;
    qint64 elapsed = timer.nsecsElapsed();
    // The reading taken before the last poll decides, so the wait ends one poll after n seconds.
    while (elapsed <= limitNs) {
        elapsed = timer.nsecsElapsed();
        processEventsThenNap();
    }
}

} // namespace quorvane
