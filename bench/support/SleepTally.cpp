#include "SleepTally.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>

namespace {
// Atomic: the engine checks sleep on threads of their own while the run's thread waits for them.
std::atomic<qint64> g_sleptNs{0};
std::atomic<long long> g_sleepCalls2ms{0};
std::atomic<long long> g_sleepCallsOther{0};
} // namespace

extern "C" void __real__ZN7QThread6msleepEm(unsigned long msecs);
extern "C" void __wrap__ZN7QThread6msleepEm(unsigned long msecs) {
    // While the engine checks run on their own threads, the run's thread polls until they are done: those
    // polls overlap the checks' own waits and are left out, so that the tally stays time not worked.
    const QCoreApplication* app = QCoreApplication::instance();
    const bool runThreadPoll = msecs == 2 && app && QThread::currentThread() == app->thread();
    QElapsedTimer timer;
    timer.start();
    __real__ZN7QThread6msleepEm(msecs);
    if (runThreadPoll)
        return;
    g_sleptNs += timer.nsecsElapsed();
    ++(msecs == 2 ? g_sleepCalls2ms : g_sleepCallsOther);
}

namespace quorvane::bench {

qint64 SleptNs() {
    return g_sleptNs;
}
long long SleepCalls2ms() {
    return g_sleepCalls2ms;
}
long long SleepCallsOther() {
    return g_sleepCallsOther;
}

} // namespace quorvane::bench
