#pragma once

namespace quorvane {

// Waits just over n seconds while the window stays responsive: pending events are processed and the
// thread sleeps 2 ms between polls. 0 or less returns at once.
void delaySeconds(int seconds);
// One poll of every wait: process pending events, then sleep 2 ms.
void processEventsThenNap();

} // namespace quorvane
