#include "engine/EventWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <optional>

namespace quorvane {

namespace {

// Registers the thread's dispatcher with the stop request for the length of one wait.
class StopWakeUp {
public:
    StopWakeUp(const StopFlag& stop, QAbstractEventDispatcher* dispatcher)
        : stop_(stop)
        , dispatcher_(dispatcher) {
        if (dispatcher_)
            stop_.addWaiter(dispatcher_);
    }
    ~StopWakeUp() {
        if (dispatcher_)
            stop_.removeWaiter(dispatcher_);
    }
    StopWakeUp(const StopWakeUp&) = delete;
    StopWakeUp& operator=(const StopWakeUp&) = delete;

private:
    const StopFlag& stop_;
    QAbstractEventDispatcher* dispatcher_;
};

bool waitWithDeadline(const std::function<bool()>& done, std::optional<QDeadlineTimer> deadline,
                      const StopFlag& stop) {
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    const StopWakeUp wakeUp(stop, dispatcher);
    // A timer of this thread wakes the wait when the time is up.
    QTimer alarm;
    alarm.setSingleShot(true);
    alarm.setTimerType(Qt::PreciseTimer);
    if (deadline)
        alarm.start(static_cast<int>(std::min<qint64>(deadline->remainingTime(), 24 * 3600 * 1000)));
    for (;;) {
        if (done())
            return true;
        if (stop || (deadline && deadline->hasExpired()))
            return false;
        if (!dispatcher) {
            // A thread without an event loop of its own (never so in the program): nothing to wait on.
            QThread::msleep(1);
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

} // namespace

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout, const StopFlag& stop) {
    return waitWithDeadline(done, QDeadlineTimer(timeout.count(), Qt::PreciseTimer), stop);
}

bool waitUntil(const std::function<bool()>& done, const StopFlag& stop) {
    return waitWithDeadline(done, std::nullopt, stop);
}

} // namespace quorvane
