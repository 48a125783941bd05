#pragma once

#include "pages/PageReading.h"

#include <QString>

#include <chrono>
#include <memory>

class QProcess;

namespace quorvane {

// How a page reader's work on one page ended.
enum class ReaderEnd {
    Read,         // the reader answered
    Crashed,      // the reader process ended with a signal (signal says which)
    OutOfMemory,  // it passed its memory limit
    TimedOut,     // it passed its CPU time for the page or the caller's deadline
    ProtocolError // it answered with something that is not a reply, or ended without one
};

struct PageReaderReply {
    ReaderEnd end = ReaderEnd::ProtocolError;
    int signal = 0; // with Crashed
    PageReading reading;

    bool read() const { return end == ReaderEnd::Read; }
};

// Why a page that a reader did not read stays not understood, as the run log's note says it; empty for a page
// read.
QString readerEndNote(const PageReaderReply& reply);

// Reads pages in a reader process of its own (PageReaderProcess.h): result pages are untrusted input, and
// what they make the parser do (crash, run away with memory or time) ends the reader, never the caller. The
// process is this program's own file in its reader mode, started at the first page and kept for the next
// ones; after a reader's end the next page starts a new one. Limits: address space and core files from the
// start, CPU time per page (the reader keeps moving it on), and the deadline of each page, which the client
// enforces by ending the reader.
//
// read() waits for the answer (a worker's thread or the command line waits for its page anyway). A reader
// belongs to the thread that uses it.
class PageReader {
public:
    struct Limits {
        qint64 addressSpaceBytes = qint64(1) << 30;
        int cpuSecondsPerPage = 5;
        std::chrono::milliseconds deadline{15'000};
    };

    // With the limits in force for new readers (setLimitsForNewReaders), or the ones given.
    PageReader();
    explicit PageReader(Limits limits);
    ~PageReader();
    PageReader(const PageReader&) = delete;
    PageReader& operator=(const PageReader&) = delete;

    PageReaderReply read(const PageRequest& request);

    // The reader processes started so far, and the current one's process id (0 when none runs).
    int starts() const { return starts_; }
    qint64 processId() const;

    // Test-only: readers made from now on honour the test marks a page holds ("<!--quorvane-reader-test:
    // signal-N-->", "hang", "spin", "allocate"), which make the reader fail as they say.
    static void setTestHooksForNewReaders(bool on);
    // Test-only: the limits of readers made from now on without limits of their own (the ones a run's workers
    // make), so that a test's reader reaches them soon.
    static void setLimitsForNewReaders(const Limits& limits);

private:
    bool start();
    PageReaderReply ended(bool killedForTime);
    void stop();

    Limits limits_;
    bool testHooks_;
    std::unique_ptr<QProcess> process_;
    quint64 requests_ = 0;
    int starts_ = 0;
};

} // namespace quorvane
