#include "pages/PageReaderProcess.h"

#include "pages/PageReaderProtocol.h"
#include "pages/PageReading.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace quorvane {

namespace {

[[noreturn]] void endOutOfMemory() {
    _exit(kReaderOutOfMemoryExit);
}

// Reads exactly `size` bytes; false at the end of the input (or when it breaks).
bool readAll(char* into, size_t size) {
    while (size > 0) {
        const ssize_t got = ::read(STDIN_FILENO, into, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        into += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool writeAll(const char* from, size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(STDOUT_FILENO, from, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        from += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// Each page may use cpuSeconds of CPU time from now on: the soft limit moves past what is used so far
// (SIGXCPU ends the process when a page passes it).
void armCpuLimit(int cpuSeconds) {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return;
    const rlim_t used = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    rlimit limit{};
    if (getrlimit(RLIMIT_CPU, &limit) != 0)
        return;
    limit.rlim_cur = used + static_cast<rlim_t>(cpuSeconds);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max)
        limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_CPU, &limit);
}

// The test marks a page may hold when the reader runs with test hooks: "<!--quorvane-reader-test:WHAT-->".
void runTestHook(const QByteArray& page) {
    static const QByteArray kMark = "<!--quorvane-reader-test:";
    const qsizetype at = page.indexOf(kMark);
    if (at < 0)
        return;
    const qsizetype from = at + kMark.size();
    const QByteArray what = page.mid(from, page.indexOf("-->", from) - from);
    if (what.startsWith("signal-")) {
        std::raise(what.mid(7).toInt());
    } else if (what == "hang") {
        for (;;)
            pause();
    } else if (what == "spin") {
        volatile unsigned long turns = 0;
        for (;;)
            turns = turns + 1;
    } else if (what == "allocate") {
        // Touched, so that the pages are really taken.
        std::vector<std::vector<char>> blocks;
        for (;;)
            blocks.emplace_back(64 * 1024 * 1024, 'x');
    }
}

// Ordinary result pages are far below this; the buffer a request is read into is kept for the next page
// unless its page was bigger.
constexpr quint32 kBigPageBytes = 4 * 1024 * 1024;

// After a big page (or when much memory is held free) the memory its reading freed goes back to the system,
// so that the reader stays small between pages. Not after every page: trimming hands back what the next
// ordinary page then takes again page by page, which costs about as much as reading that page once more.
void giveBackMemoryAfter(quint32 pageFrameBytes) {
    // An ordinary 500 KB page leaves more than 32 MB free after its tree is gone; trimming at that mark gave
    // it all back after every page and cost a third of the page's reading time.
    constexpr size_t kHeldFreeBytes = 256 * 1024 * 1024;
    if (pageFrameBytes > kBigPageBytes || mallinfo2().fordblks > kHeldFreeBytes)
        malloc_trim(0);
}

int runPageReader(int cpuSeconds, bool testHooks) {
    std::set_new_handler(endOutOfMemory);
    // A client that went away shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<char> payload;
    for (;;) {
        char header[kFrameHeaderBytes];
        if (!readAll(header, sizeof header))
            return 0; // the client closed the input: the reader's work is done
        const quint32 length = frameLength(header);
        if (length > kMaxFrameBytes)
            return kReaderProtocolExit;
        try {
            payload.resize(length);
            if (!readAll(payload.data(), length))
                return kReaderProtocolExit;
            quint64 number = 0;
            std::optional<PageRequest> request =
                decodeRequest(QByteArrayView(payload.data(), static_cast<qsizetype>(length)), &number);
            if (length > kBigPageBytes)
                std::vector<char>().swap(payload); // the request holds the page now
            if (!request)
                return kReaderProtocolExit;
            armCpuLimit(cpuSeconds);
            if (testHooks)
                runTestHook(request->page);
            const QByteArray reply = encodeReply(readPageInProcess(std::move(*request)), number);
            if (!writeAll(reply.constData(), static_cast<size_t>(reply.size())))
                return 0;
        } catch (const std::bad_alloc&) {
            endOutOfMemory();
        }
        giveBackMemoryAfter(length);
    }
}

} // namespace

std::optional<int> runPageReaderIfAsked(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], kPageReaderArgument) != 0)
        return std::nullopt;
    int cpuSeconds = 5;
    bool testHooks = false;
    const size_t cpuPrefix = std::strlen(kPageCpuSecondsArgument);
    for (int i = 2; i < argc; ++i) {
        if (std::strncmp(argv[i], kPageCpuSecondsArgument, cpuPrefix) == 0)
            cpuSeconds = std::max(1, std::atoi(argv[i] + cpuPrefix));
        else if (std::strcmp(argv[i], kReaderTestHooksArgument) == 0)
            testHooks = true;
    }
    return runPageReader(cpuSeconds, testHooks);
}

} // namespace quorvane
