#pragma once

#include "engine/StopFlag.h"

#include <QString>

namespace quorvane {

class Browser;

// The page-load budget of a normal wait.
inline constexpr int kPageWaitSeconds = 10;

// Navigates the browser to the URL and waits, processing events, until its document is complete: true then.
// False after the budget (10 seconds, or none with noWait: one look) or as soon as the stop is requested,
// which wakes the wait at once; the flag is read by reference so that a stop set by an event handler during
// the wait counts. A document that is complete at the first look is accepted without any pause. False never
// cancels the load: the browser goes on, and its next navigation replaces it.
bool loadPageAndWait(Browser& browser, const QString& url, bool noWait, const StopFlag& stopRequested);
// A plain bool would be copied into a flag of its own, and a stop set later would never be seen.
bool loadPageAndWait(Browser& browser, const QString& url, bool noWait, const bool& stopRequested) = delete;

} // namespace quorvane
