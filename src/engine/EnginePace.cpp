#include "engine/EnginePace.h"

#include "engine/EventWait.h"

#include <algorithm>
#include <atomic>

namespace quorvane {

namespace {

std::atomic<std::chrono::milliseconds::rep> requestDelayMs{0};

} // namespace

void EnginePace::setRequestDelay(std::chrono::milliseconds delay) {
    requestDelayMs.store(std::max<std::chrono::milliseconds::rep>(0, delay.count()));
}

std::chrono::milliseconds EnginePace::requestDelay() {
    return std::chrono::milliseconds(requestDelayMs.load());
}

EnginePace::EnginePace(std::chrono::milliseconds delay)
    : delay_(std::max(delay, std::chrono::milliseconds(0))) {}

void EnginePace::requestEnded(std::chrono::milliseconds ownPause) {
    const std::chrono::milliseconds pause = std::max(delay_, ownPause);
    if (pause.count() > 0)
        nextTurn_ = Clock::now() + pause;
    else
        nextTurn_.reset();
}

bool EnginePace::waitTurn(const StopFlag& stop) {
    if (stop)
        return false;
    if (!nextTurn_)
        return true;
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(*nextTurn_ - Clock::now());
    if (remaining.count() > 0 && waitUntil([] { return false; }, remaining, stop))
        return true;
    return !stop;
}

} // namespace quorvane
