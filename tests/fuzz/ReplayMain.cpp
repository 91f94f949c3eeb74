// A main for builds without libFuzzer: runs every file named on the command line, or found in a
// folder named there, through the fuzz target once. Used to keep found crashes as regression tests;
// it fails when it finds nothing to replay.

#include "FuzzSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Inputs are every file of a folder but hidden ones and the README that names them.
bool IsInput(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    return entry.is_regular_file() && !name.starts_with(".") && entry.path().extension() != ".md";
}

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
                if (IsInput(entry)) failures += RunOne(entry.path()), ++count;
        } else {
            failures += RunOne(argument), ++count;
        }
    }
    std::printf("%d inputs replayed\n", count);
    // A replay of nothing would pass whatever the target does.
    if (count == 0) std::fprintf(stderr, "no input to replay\n");
    return failures == 0 && count > 0 ? 0 : 1;
}
