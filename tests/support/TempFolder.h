#pragma once
// A fresh folder for one test, made the codec's temporary folder (TEMP) while it lives,
// so a test can tell exactly which temporary files the codec left behind.

#include <filesystem>
#include <string>
#include <vector>

namespace pellvane::test {

class ScopedTempFolder {
  public:
    ScopedTempFolder();
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Files in the folder other than those the test wrote itself under `inputs/`.
    std::vector<std::string> LeftoverFiles() const;
    std::filesystem::path Input(const std::string& name) const;

  private:
    std::filesystem::path path_;
    std::string previousTemp_;
    bool hadTemp_ = false;
};

} // namespace pellvane::test
