#pragma once

#include "engine/StopFlag.h"

#include <chrono>
#include <functional>

namespace quorvane {

// Processes the calling thread's events, sleeping while none come, until `done` holds (true), the stop is
// requested or the time is up (false). Nothing polls: the thread wakes for its own events (a page that
// arrives, a timer), for the deadline and for a stop request. A window on this thread stays responsive.
// `done` is read before every wait, so a condition that already holds returns at once.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout, const StopFlag& stop);

// The same without a time limit.
bool waitUntil(const std::function<bool()>& done, const StopFlag& stop);

} // namespace quorvane
