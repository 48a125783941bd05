#include "pages/PageReader.h"

#include "pages/PageReaderProcess.h"
#include "pages/PageReaderProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include <atomic>
#include <csignal>
#include <mutex>

#include <sys/prctl.h>
#include <sys/resource.h>

namespace quorvane {

namespace {

// AddressSanitizer reserves terabytes of address space for its shadow memory: under it a reader runs without
// an address-space limit, bounded by its time alone.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSpaceLimitWorks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSpaceLimitWorks = false;
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif
#else
constexpr bool kAddressSpaceLimitWorks = true;
#endif

std::atomic<bool> testHooksForNewReaders{false};

std::mutex limitsMutex;
PageReader::Limits limitsForNewReaders;

PageReader::Limits newReaderLimits() {
    const std::lock_guard lock(limitsMutex);
    return limitsForNewReaders;
}

// The program's own file: by its name when there is an application object (the reader's messages then name
// the program), else as it runs.
QString ownProgram() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                        : QStringLiteral("/proc/self/exe");
}

} // namespace

QString readerEndNote(const PageReaderReply& reply) {
    switch (reply.end) {
    case ReaderEnd::Read:
        return {};
    case ReaderEnd::Crashed:
        return QStringLiteral("解析进程异常结束 (signal %1)").arg(reply.signal);
    case ReaderEnd::OutOfMemory:
        return QStringLiteral("超过内存限制");
    case ReaderEnd::TimedOut:
        return QStringLiteral("超时");
    case ReaderEnd::ProtocolError:
        return QStringLiteral("解析进程的应答无法识别");
    }
    return {};
}

PageReader::PageReader()
    : PageReader(newReaderLimits()) {}

PageReader::PageReader(Limits limits)
    : limits_(limits)
    , testHooks_(testHooksForNewReaders) {}

PageReader::~PageReader() {
    stop();
}

void PageReader::setTestHooksForNewReaders(bool on) {
    testHooksForNewReaders = on;
}

void PageReader::setLimitsForNewReaders(const Limits& limits) {
    const std::lock_guard lock(limitsMutex);
    limitsForNewReaders = limits;
}

qint64 PageReader::processId() const {
    return process_ && process_->state() == QProcess::Running ? process_->processId() : 0;
}

bool PageReader::start() {
    process_ = std::make_unique<QProcess>();
    QStringList arguments{QString::fromLatin1(kPageReaderArgument),
                          QString::fromLatin1(kPageCpuSecondsArgument) +
                              QString::number(limits_.cpuSecondsPerPage)};
    if (testHooks_)
        arguments << QString::fromLatin1(kReaderTestHooksArgument);
    process_->setProgram(ownProgram());
    process_->setArguments(arguments);
    // What the reader says on standard error (Qt's warnings) goes where ours goes.
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const rlim_t addressSpace = static_cast<rlim_t>(limits_.addressSpaceBytes);
    const rlim_t cpuSeconds = static_cast<rlim_t>(limits_.cpuSecondsPerPage);
    // Between fork and exec: only calls that are safe there.
    process_->setChildProcessModifier([addressSpace, cpuSeconds] {
        if (kAddressSpaceLimitWorks) {
            const rlimit memory{addressSpace, addressSpace};
            setrlimit(RLIMIT_AS, &memory);
        }
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        // The soft limit is the first page's; the reader moves it on page by page, under no hard limit.
        const rlimit cpu{cpuSeconds, RLIM_INFINITY};
        setrlimit(RLIMIT_CPU, &cpu);
        // A reader never outlives its client.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process_->start(QIODevice::ReadWrite | QIODevice::Unbuffered);
    ++starts_;
    if (!process_->waitForStarted(static_cast<int>(limits_.deadline.count()))) {
        process_.reset();
        return false;
    }
    return true;
}

void PageReader::stop() {
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->closeWriteChannel(); // the reader ends at the end of its input...
        if (!process_->waitForFinished(1000)) {
            process_->kill(); // ...or is ended
            process_->waitForFinished(1000);
        }
    }
    process_.reset();
}

PageReaderReply PageReader::ended(bool killedForTime) {
    PageReaderReply reply;
    if (killedForTime) {
        process_->kill();
        process_->waitForFinished(-1);
        reply.end = ReaderEnd::TimedOut;
    } else {
        if (process_->state() != QProcess::NotRunning)
            process_->waitForFinished(1000);
        if (process_->state() != QProcess::NotRunning) {
            // Alive but answering nonsense: ended, and the next page gets a new reader.
            process_->kill();
            process_->waitForFinished(-1);
            reply.end = ReaderEnd::ProtocolError;
        } else if (process_->exitStatus() == QProcess::CrashExit) {
            const int signal = process_->exitCode();
            reply.end = signal == SIGXCPU ? ReaderEnd::TimedOut : ReaderEnd::Crashed;
            reply.signal = signal;
        } else {
            reply.end = process_->exitCode() == kReaderOutOfMemoryExit ? ReaderEnd::OutOfMemory
                                                                       : ReaderEnd::ProtocolError;
        }
    }
    process_.reset();
    return reply;
}

PageReaderReply PageReader::read(const PageRequest& request) {
    const QDeadlineTimer deadline(limits_.deadline);
    if (!process_ && !start())
        return {};
    const quint64 number = ++requests_;
    const QByteArray frame = encodeRequest(request, number);
    if (process_->write(frame) != frame.size())
        return ended(false);
    QByteArray answer;
    qint64 expected = -1; // the whole frame's size once its header is in
    while (expected < 0 || answer.size() < expected) {
        if (process_->bytesAvailable() == 0) {
            // Writes what is still buffered and waits for the reader to answer.
            if (deadline.hasExpired())
                return ended(true);
            if (!process_->waitForReadyRead(
                    static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
                if (process_->state() == QProcess::Running && deadline.hasExpired())
                    return ended(true);
                if (process_->state() != QProcess::Running)
                    return ended(false);
                continue;
            }
        }
        answer += process_->readAll();
        if (expected < 0 && answer.size() >= kFrameHeaderBytes) {
            const quint32 length = frameLength(answer.constData());
            if (length > kMaxFrameBytes)
                return ended(false);
            expected = kFrameHeaderBytes + length;
            answer.reserve(expected);
        }
        if (expected >= 0 && answer.size() > expected)
            return ended(false); // more than one reply to one request
    }
    quint64 answered = 0;
    std::optional<PageReading> reading =
        decodeReply(QByteArrayView(answer).sliced(kFrameHeaderBytes), &answered);
    if (!reading || answered != number)
        return ended(false);
    PageReaderReply reply;
    reply.end = ReaderEnd::Read;
    reply.reading = std::move(*reading);
    return reply;
}

} // namespace quorvane
