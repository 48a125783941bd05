// Runs the page fuzz target once over every file in the given folders (the seed corpus with its reproducers,
// and the recorded result pages), so that they stay a regression suite of the normal test run. A crash or a
// failed check ends the process; a folder without files fails too, so that a wrong path cannot pass.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s folder...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        int files = 0;
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
            std::printf("%s (%zu bytes)\n", entry.path().c_str(), bytes.size());
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++files;
        }
        if (error || files == 0) {
            std::fprintf(stderr, "no inputs in %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
