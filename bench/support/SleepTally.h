#pragma once

#include <QtGlobal>

namespace quorvane::bench {

// What the program slept in QThread::msleep, counted by a linker wrap of that one function (a benchmark
// links it with -Wl,--wrap=_ZN7QThread6msleepEm): the polls of the page waits and the pauses of row walks
// are waiting, not work. The 2 ms polls of the run's own thread, which only wait for the engine checks
// running on threads of their own, are not counted. Safe from any thread.
qint64 SleptNs();
long long SleepCalls2ms();
long long SleepCallsOther();

} // namespace quorvane::bench
