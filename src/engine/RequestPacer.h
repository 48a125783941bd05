#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

namespace quorvane {

// Spaces the requests to one engine: a search engine blocks an address that asks too fast. Every result
// page request takes its turn here first; a turn comes when the pause has passed since the previous turn
// of the same engine, and since that request ended, so that the engine itself sees the requests at least
// the pause apart however long a page takes to come. Engines do not wait for each other. Safe to use from
// several threads at once (the engines of one keyword may be checked side by side, each on its own thread):
// the turns of one engine are handed out in order under a lock, and each caller waits for its own turn
// without holding it.
class RequestPacer {
public:
    using Clock = std::chrono::steady_clock;

    // The one pacer of the program (DelayMs in Endpoints.ini sets its pause).
    static RequestPacer& shared();

    // 0 (the default) lets every request go at once.
    void setDelay(std::chrono::milliseconds delay);
    std::chrono::milliseconds delay() const;

    // Waits, pumping events as the other waits do, until this request's turn for the engine has come.
    // False, at once, when stopRequested says so during the wait: the request should not be made.
    bool waitTurn(QStringView engine, const std::function<bool()>& stopRequested);

    // The engine's request of the latest turn has ended (its page loaded, or the wait for it gave up).
    void requestEnded(QStringView engine);

    // Forgets the previous requests (a new run starts fresh).
    void reset();

private:
    // Reserves the next turn of the engine and returns when it is.
    Clock::time_point reserveTurn(QStringView engine, std::chrono::milliseconds delay);

    std::atomic<std::chrono::milliseconds::rep> delayMs_{0};
    std::mutex mutex_;
    QHash<QString, Clock::time_point> lastTurn_;
};

} // namespace quorvane
