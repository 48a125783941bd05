#include "engine/RequestPacer.h"

#include "platform/EventPumping.h"

#include <algorithm>

namespace quorvane {

RequestPacer& RequestPacer::shared() {
    static RequestPacer pacer;
    return pacer;
}

void RequestPacer::setDelay(std::chrono::milliseconds delay) {
    delayMs_.store(std::max<std::chrono::milliseconds::rep>(0, delay.count()));
}

std::chrono::milliseconds RequestPacer::delay() const {
    return std::chrono::milliseconds(delayMs_.load());
}

void RequestPacer::reset() {
    const std::lock_guard lock(mutex_);
    lastTurn_.clear();
}

RequestPacer::Clock::time_point RequestPacer::reserveTurn(QStringView engine,
                                                          std::chrono::milliseconds delay) {
    const std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    const QString key = engine.toString();
    const auto previous = lastTurn_.constFind(key);
    const Clock::time_point turn = previous == lastTurn_.constEnd() ? now : std::max(now, *previous + delay);
    lastTurn_.insert(key, turn);
    return turn;
}

void RequestPacer::requestEnded(QStringView engine) {
    if (delay().count() == 0)
        return;
    const std::lock_guard lock(mutex_);
    Clock::time_point& last = lastTurn_[engine.toString()];
    last = std::max(last, Clock::now());
}

bool RequestPacer::waitTurn(QStringView engine, const std::function<bool()>& stopRequested) {
    const std::chrono::milliseconds pause = delay();
    if (pause.count() == 0)
        return true; // today's pace: no bookkeeping, no wait
    const Clock::time_point turn = reserveTurn(engine, pause);
    while (Clock::now() < turn) {
        if (stopRequested && stopRequested())
            return false;
        processEventsThenNap();
    }
    return true;
}

} // namespace quorvane
