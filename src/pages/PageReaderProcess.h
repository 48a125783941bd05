#pragma once

#include <optional>

namespace quorvane {

// The page reader's own side: a program started with kPageReaderArgument first reads pages from its standard
// input and answers on its standard output (PageReaderProtocol.h) until the input ends, then returns 0. Every
// executable that may read pages (the program, the tests, the benchmarks, the fuzz harness) calls
// runPageReaderIfAsked first thing in main, so that a reader is started from the program's own file.
//
// The limits on memory and on the process's first page of CPU time are set by the client before the reader
// runs (PageReader.h); the reader moves its CPU limit on before each page, so that each page has the same
// time. Ends of its own, for the client to tell apart: out of memory (kReaderOutOfMemoryExit), a request that
// cannot be read (kReaderProtocolExit); a page over its CPU time ends with SIGXCPU.
inline constexpr const char* kPageReaderArgument = "--page-reader";
// "--page-cpu-seconds=N": the CPU time each page may take.
inline constexpr const char* kPageCpuSecondsArgument = "--page-cpu-seconds=";
// Test-only: with this argument a page holding a test mark (PageReader.h) makes the reader fail as it says.
inline constexpr const char* kReaderTestHooksArgument = "--reader-test-hooks";

inline constexpr int kReaderOutOfMemoryExit = 3;
inline constexpr int kReaderProtocolExit = 4;

// The exit status when the arguments ask for the reader, else nothing.
std::optional<int> runPageReaderIfAsked(int argc, char** argv);

} // namespace quorvane
