// Runs the page fuzz target once over every file in the given folders (the seed corpus, the pages that ended
// page readers, and the recorded result pages), so that they stay a regression suite of the normal test run.
// Each input runs in a child process under a page reader's limits: the parser itself may end on a hostile
// page or run past the CPU time (that ends a reader, never the program, and is listed here), while a failed
// check of the target (its own exit status) or an input that fails on a recorded result page fails the
// replay. A folder without files fails too, so that a wrong path cannot pass.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <zlib.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// The target's exit status when one of its checks fails (fuzz_pages.cpp).
constexpr int kCheckFailedExit = 70;

namespace {

// The input of a kept file: *.qz files are qCompress'd (4 bytes of length, big-endian, then zlib).
std::vector<char> inputOf(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (path.extension() != ".qz" || bytes.size() < 4)
        return bytes;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    uLongf size = (uLongf(b[0]) << 24) | (uLongf(b[1]) << 16) | (uLongf(b[2]) << 8) | uLongf(b[3]);
    std::vector<char> plain(size);
    if (uncompress(reinterpret_cast<Bytef*>(plain.data()), &size, b + 4, uLong(bytes.size() - 4)) != Z_OK)
        return {};
    plain.resize(size);
    return plain;
}

// 0 when the target returned; the signal that ended it as a negative number; else its exit status.
int runInChild(const std::vector<char>& bytes) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const rlimit cpu{5, 6};
        setrlimit(RLIMIT_CPU, &cpu);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return 1;
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder...\n", argv[0]);
        return 2;
    }
    bool failed = false;
    for (int i = 1; i < argc; ++i) {
        // The recorded result pages are no hostile input: the parser must read every one of them.
        const bool recordedPages = std::strstr(argv[i], "fixtures") != nullptr;
        int files = 0;
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file())
                continue;
            const std::vector<char> bytes = inputOf(entry.path());
            const int end = runInChild(bytes);
            std::printf("%s (%zu bytes)", entry.path().c_str(), bytes.size());
            if (end < 0)
                std::printf(": the parser ended with signal %d (a reader's death)", -end);
            else if (end != 0)
                std::printf(": failed (exit status %d)", end);
            std::printf("\n");
            if (end == kCheckFailedExit || end > 0 || (end < 0 && recordedPages))
                failed = true;
            ++files;
        }
        if (error || files == 0) {
            std::fprintf(stderr, "no inputs in %s\n", argv[i]);
            return 1;
        }
    }
    return failed ? 1 : 0;
}
