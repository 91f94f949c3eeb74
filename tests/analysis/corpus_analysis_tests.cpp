// The run on every real file of the shared corpus: it always ends with a class and rows, or
// with a refusal, and editors known by their tables are named.

#include "analysis/AnalyzeFile.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = PELLVANE_CORPUS_DIR;

std::vector<fs::path> PicturesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() != ".md") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const ResultRow* FindRow(const AnalysisReport& report, const std::string& caption) {
    const auto found = std::find_if(report.rows.begin(), report.rows.end(),
                                    [&](const ResultRow& row) { return row.caption == caption; });
    return found == report.rows.end() ? nullptr : &*found;
}

TEST(CorpusAnalysis, EveryFileEndsWithAClassOrARefusal) {
    test::ScopedTempFolder temp;
    const std::vector<fs::path> files = PicturesUnder(kCorpus);
    ASSERT_GT(files.size(), 100u);
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const AnalysisReport report = AnalyzeFile(file.string(), holder, {.keepPicture = false}, observer);
        if (report.refused) {
            EXPECT_FALSE(report.refusal.empty());
            EXPECT_TRUE(report.rows.empty());
            continue;
        }
        EXPECT_GE(report.ratingClass, 1);
        EXPECT_LE(report.ratingClass, 5);
        ASSERT_FALSE(report.rows.empty());
        for (const ResultRow& row : report.rows) {
            EXPECT_GE(row.level, 1) << row.caption;
            EXPECT_LE(row.level, 5) << row.caption;
            EXPECT_FALSE(row.word.empty());
        }
        EXPECT_TRUE(std::is_sorted(report.rows.begin(), report.rows.end(),
                                   [](const ResultRow& a, const ResultRow& b) { return a.level < b.level; }));
        EXPECT_FALSE(report.description.empty());
        EXPECT_FALSE(report.messages.message.empty());
    }
    if (holder) holder->CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST(CorpusAnalysis, EditsSavedWithKnownEditorTablesFailTheSignature) {
    // Each file's editor as exiftool names it in the Software tag (the last has none left).
    struct Case {
        const char* file;
        const char* editor;
    };
    constexpr Case kCases[] = {
        {"edited/Canon EOS 7D.jpg", "Adobe Photoshop Lightroom"},
        {"edited/Canon EOS D60.jpg", "Adobe Photoshop 7.0"},
        {"edited/Photoshop (2).jpg", "Adobe Photoshop"},
    };
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        const AnalysisReport report =
            AnalyzeFile((kCorpus / c.file).string(), holder, {.keepPicture = false}, observer);
        const ResultRow* row = FindRow(report, "Compression Signature");
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->word, "Fail");
        EXPECT_EQ(report.ratingClass, 1);
        EXPECT_EQ(report.flags.detectedSoftware, "Adobe (Unknown Product)");
        EXPECT_EQ(report.messages.message,
                  "This image has been processed by the following software: Adobe (Unknown Product)");
    }
}

TEST(CorpusAnalysis, CameraOriginalsAreNotTakenForEditorOutput) {
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    for (const fs::path& file : PicturesUnder(kCorpus / "camera")) {
        SCOPED_TRACE(file.string());
        const AnalysisReport report = AnalyzeFile(file.string(), holder, {.keepPicture = false}, observer);
        if (report.refused) continue; // a truncated picture does not decode
        EXPECT_TRUE(report.flags.detectedSoftware.empty());
        const ResultRow* row = FindRow(report, "Compression Signature");
        if (row != nullptr) {
            EXPECT_NE(row->word, "Fail");
        }
    }
}

} // namespace
} // namespace pellvane
