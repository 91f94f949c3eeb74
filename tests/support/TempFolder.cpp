#include "support/TempFolder.h"

#include <cstdlib>
#include <random>

namespace pellvane::test {

ScopedTempFolder::ScopedTempFolder() {
    std::random_device device;
    const char* tmpdir = std::getenv("TMPDIR");
    const std::filesystem::path root = tmpdir && *tmpdir ? tmpdir : "/tmp";
    path_ = root / ("pellvane-test-" + std::to_string(device()) + "-" + std::to_string(device()));
    std::filesystem::create_directories(path_ / "inputs");
    if (const char* old = std::getenv("TEMP")) {
        hadTemp_ = true;
        previousTemp_ = old;
    }
    ::setenv("TEMP", path_.c_str(), 1);
}

ScopedTempFolder::~ScopedTempFolder() {
    if (hadTemp_)
        ::setenv("TEMP", previousTemp_.c_str(), 1);
    else
        ::unsetenv("TEMP");
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> ScopedTempFolder::LeftoverFiles() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        if (entry.path().filename() != "inputs") out.push_back(entry.path().filename().string());
    return out;
}

std::filesystem::path ScopedTempFolder::Input(const std::string& name) const {
    return path_ / "inputs" / name;
}

} // namespace pellvane::test
