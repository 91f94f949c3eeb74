#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace pellvane::fuzz {

namespace {

constexpr const char* kInputName = "input.bin";

std::filesystem::path& ScratchFolder() {
    static std::filesystem::path folder;
    return folder;
}

} // namespace

void PrepareScratchFolder() {
    auto& folder = ScratchFolder();
    if (!folder.empty()) return;
    // /dev/shm keeps millions of small writes off the disk.
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
    folder = base / ("pellvane-fuzz-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder);
    ::setenv("TEMP", folder.c_str(), 1);
    // Leaves no folder behind when the run ends normally.
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchFolder(), ignored);
    });
}

const std::string& WriteInput(std::span<const uint8_t> bytes) {
    PrepareScratchFolder();
    static const std::string path = (ScratchFolder() / kInputName).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

void CheckNothingLeftBehind() {
    for (const auto& entry : std::filesystem::directory_iterator(ScratchFolder())) {
        if (entry.path().filename() == kInputName) continue;
        std::fprintf(stderr, "temporary file left behind: %s\n", entry.path().c_str());
        std::abort();
    }
}

uint8_t cInputSplitter::TakeByte() {
    if (bytes_.empty()) return 0;
    const uint8_t value = bytes_.front();
    bytes_ = bytes_.subspan(1);
    return value;
}

uint32_t cInputSplitter::TakeUint32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | TakeByte();
    return value;
}

std::span<const uint8_t> cInputSplitter::TakeBytes(size_t count) {
    const auto taken = bytes_.first(std::min(count, bytes_.size()));
    bytes_ = bytes_.subspan(taken.size());
    return taken;
}

} // namespace pellvane::fuzz
