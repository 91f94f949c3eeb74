// A main for builds without libFuzzer: runs every file named on the command line, or found in a
// folder named there, through the fuzz target once. Used to keep found crashes as regression tests.

#include "FuzzSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

int RunOne(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int failures = 0;
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument = argv[i];
        if (std::filesystem::is_directory(argument)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(argument))
                if (entry.is_regular_file() && !entry.path().filename().string().starts_with("."))
                    failures += RunOne(entry.path()), ++count;
        } else {
            failures += RunOne(argument), ++count;
        }
    }
    std::printf("%d inputs replayed\n", count);
    return failures == 0 ? 0 : 1;
}
