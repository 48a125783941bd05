#pragma once

#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;

namespace quorvane {

// SIGINT and SIGTERM as a stop request. The handler only writes a byte into a pipe (all a signal handler
// may safely do); the event loop, which the run pumps in every wait, reads it and calls the action on the
// run's own thread. The previous handlers come back when this goes. One at a time per process.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(std::function<void(int signal)> action, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // False when the pipe could not be made: signals then end the program as they would by default.
    bool active() const { return notifier_ != nullptr; }

private:
    void readSignals();

    std::function<void(int)> action_;
    int readFd_ = -1;
    int writeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

} // namespace quorvane
