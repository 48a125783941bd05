#pragma once

#include <QtGlobal>

namespace quorvane::bench {

// What the program slept in QThread::msleep, counted by a linker wrap of that one function (a benchmark
// links it with -Wl,--wrap=_ZN7QThread6msleepEm): the polls of the page waits and the pauses of row walks
// are waiting, not work. Safe from any thread.
qint64 SleptNs();
long long SleepCalls2ms();
long long SleepCallsOther();

} // namespace quorvane::bench
