#pragma once

#include <QAbstractEventDispatcher>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace quorvane {

// The stop request of a run. The window, the command line's signal handler or a test sets it; the checks,
// which wait for their pages on their own threads, read it. A thread that sleeps waiting for events
// (waitUntil) registers here while it waits, so that a stop wakes it at once instead of at its next poll.
class StopFlag {
public:
    StopFlag(bool requested = false) // NOLINT(google-explicit-constructor): reads as the bool it stands for
        : requested_(requested) {}
    StopFlag(const StopFlag&) = delete;
    StopFlag& operator=(const StopFlag&) = delete;

    StopFlag& operator=(bool requested) {
        requested_.store(requested);
        if (requested)
            wakeWaiters();
        return *this;
    }
    operator bool() const { return requested_.load(); } // NOLINT(google-explicit-constructor)
    bool load() const { return requested_.load(); }

    // The waiting thread's dispatcher is woken by a stop while it is registered.
    void addWaiter(QAbstractEventDispatcher* dispatcher) const {
        const std::lock_guard lock(mutex_);
        waiters_.push_back(dispatcher);
    }
    void removeWaiter(QAbstractEventDispatcher* dispatcher) const {
        const std::lock_guard lock(mutex_);
        const auto found = std::find(waiters_.begin(), waiters_.end(), dispatcher);
        if (found != waiters_.end())
            waiters_.erase(found);
    }

private:
    void wakeWaiters() const {
        const std::lock_guard lock(mutex_);
        for (QAbstractEventDispatcher* dispatcher : waiters_)
            dispatcher->wakeUp();
    }

    std::atomic<bool> requested_;
    mutable std::mutex mutex_;
    mutable std::vector<QAbstractEventDispatcher*> waiters_;
};

} // namespace quorvane
