#include "cli/ReportOutput.h"

#include "codec/cExifCodec.h"
#include "report/CodecListing.h"
#include "report/Digest.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <set>

namespace pellvane::cli {
namespace {

namespace fs = std::filesystem;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The image data's hash, or the reason there is none.
struct ImageDataHash {
    std::optional<std::string> sha256;
    std::string problem;
};

ImageDataHash HashImageData(const std::string& path) {
    cExifCodec codec;
    const int32_t result = codec.OpenFile(path, false, false);
    ImageDataHash hash;
    if (!report::HasModel(result)) {
        hash.problem = report::OpenFailureReason(result);
        if (hash.problem.empty()) hash.problem = "the file has no JPEG image data";
        return hash;
    }
    hash.sha256 = report::ImageDataSha256(path, codec.streamOffset(), codec.streamSize());
    if (!hash.sha256) hash.problem = "the file has no readable image data";
    codec.CloseFile();
    return hash;
}

} // namespace

std::vector<std::string> ReportPaths(const std::vector<std::string>& photos, const std::string& folder) {
    std::vector<std::string> paths;
    std::set<std::string> taken;
    for (const std::string& photo : photos) {
        const std::string stem = fs::path(photo).stem().string();
        std::string name = stem + ".html";
        for (int n = 2; taken.contains(name) || name == "index.html"; ++n)
            name = stem + "-" + std::to_string(n) + ".html";
        taken.insert(name);
        paths.push_back((fs::path(folder) / name).string());
    }
    return paths;
}

std::string WriteReportFile(const std::string& path, const std::string& text, bool overwrite) {
    // "x" creates the file only when it does not exist yet, in one step with the check.
    const std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), overwrite ? "wb" : "wbx"));
    if (!file) {
        if (errno == EEXIST) return "the report exists already (--force overwrites it)";
        return std::string("the report cannot be written: ") + std::strerror(errno);
    }
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() || std::fflush(file.get()) != 0)
        return std::string("the report cannot be written: ") + std::strerror(errno);
    return "";
}

int ComparePictures(const std::string& first, const std::string& second) {
    const ImageDataHash a = HashImageData(first);
    const ImageDataHash b = HashImageData(second);
    for (const auto& [path, hash] : {std::pair{&first, &a}, std::pair{&second, &b}})
        if (!hash->sha256) std::cerr << "pellvane-validate: " << *path << ": " << hash->problem << "\n";
    if (!a.sha256 || !b.sha256) return 1;
    if (*a.sha256 == *b.sha256) {
        std::cout << "same picture: the image data of both files is identical (SHA-256 " << *a.sha256
                  << ")\n";
        return 0;
    }
    std::cout << "different pictures: the image data differs\n  " << *a.sha256 << "  " << first << "\n  "
              << *b.sha256 << "  " << second << "\n";
    return 1;
}

} // namespace pellvane::cli
