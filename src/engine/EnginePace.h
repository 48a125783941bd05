#pragma once

#include "engine/StopFlag.h"

#include <chrono>
#include <optional>

namespace quorvane {

// The pace of one visitor's requests to one engine: a search engine blocks an address that asks too fast.
// The next request goes no earlier than the pause after the previous one ended, however long its page took.
// The pause is DelayMs of Endpoints.ini, and after a page of an engine that asks for a pause of its own
// (Google: a second after each page that loaded) the longer of the two. Each engine worker of a run keeps
// its own pace (one visitor: one browser, one address, one pace); it is used on one thread.
class EnginePace {
public:
    using Clock = std::chrono::steady_clock;

    explicit EnginePace(std::chrono::milliseconds delay = requestDelay());

    std::chrono::milliseconds delay() const { return delay_; }

    // Waits, processing this thread's events, until the next request may go: true then. False at once when
    // the stop is requested during the wait: the request should not be made.
    bool waitTurn(const StopFlag& stop);

    // The request of the latest turn ended (its page loaded, or the wait for it gave up); `ownPause` is the
    // engine's own pause after this page, 0 when it asks for none.
    void requestEnded(std::chrono::milliseconds ownPause = std::chrono::milliseconds(0));

    // DelayMs of Endpoints.ini as read at start: the pause every new pace takes.
    static void setRequestDelay(std::chrono::milliseconds delay);
    static std::chrono::milliseconds requestDelay();

private:
    std::chrono::milliseconds delay_;
    std::optional<Clock::time_point> nextTurn_;
};

} // namespace quorvane
