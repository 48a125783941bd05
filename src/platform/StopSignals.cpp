#include "platform/StopSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane {

namespace {

std::atomic<int> signalPipe{-1};

extern "C" void onStopSignal(int signal) {
    const int savedErrno = errno;
    const int fd = signalPipe.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> action, QObject* parent)
    : QObject(parent)
    , action_(std::move(action)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readFd_ = fds[0];
    writeFd_ = fds[1];
    signalPipe.store(writeFd_);
    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readSignals);

    struct sigaction handler {};
    handler.sa_handler = onStopSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &handler, &previousInt_);
    ::sigaction(SIGTERM, &handler, &previousTerm_);
}

StopSignals::~StopSignals() {
    if (!notifier_)
        return;
    ::sigaction(SIGINT, &previousInt_, nullptr);
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    signalPipe.store(-1);
    delete notifier_; // before its descriptor goes
    ::close(writeFd_);
    ::close(readFd_);
}

void StopSignals::readSignals() {
    unsigned char received[16];
    ssize_t count;
    while ((count = ::read(readFd_, received, sizeof received)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            action_(received[i]);
}

} // namespace quorvane
