// The run on every real file of the shared corpus: it always ends with a class and rows, or
// with a refusal, and editors known by their tables are named.

#include "analysis/AnalyzeFile.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

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
    // Each file's editor as the software test names it, which replaces the vaguer name that
    // the tables alone give.
    struct Case {
        const char* file;
        const char* editor;
    };
    constexpr Case kCases[] = {
        {"edited/Canon EOS 7D.jpg", "Adobe Photoshop Lightroom"},
        {"edited/Canon EOS D60.jpg", "Adobe Photoshop 7.0"},
        {"edited/Photoshop (2).jpg", "Adobe Photoshop (Unknown Version)"},
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
        EXPECT_EQ(report.flags.detectedSoftware, c.editor);
        EXPECT_EQ(report.messages.message,
                  std::string("This image has been processed by the following software: ") + c.editor);
    }
}

TEST(CorpusAnalysis, EditsNamingTheirProgramFailTheSoftwareTest) {
    struct Case {
        const char* file;
        const char* program;
    };
    constexpr Case kCases[] = {
        {"Canon IXUS 400.jpg", "ACD Systems Digital Imaging"},
        {"Canon PowerShot S330.jpg", "QuickTime 6.0.2"},
        {"Canon_40D.jpg", "GIMP 2.4.5"},
        {"FujiFilm FinePixS1Pro (1).jpg", "Adobe Photoshop 7.0"},
        {"Issue 508.jpg", "paint.net 4.2.13"},
        {"Issue 609.jpg", "GIMP 2.10.30"},
        {"Nikon_D70.jpg", "Adobe Photoshop CS2 Windows"},
        {"Pentax_K10D.jpg", "Adobe Photoshop Elements 5.0 Windows"},
        {"Photoshop (1).jpg", "ACD Systems Digital Imaging"},
        {"Photoshop (3).jpg", "Adobe Photoshop CS6 (Windows)"},
        {"Photoshop (4).jpg", "Adobe Photoshop (Save for Web)"},
    };
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        const AnalysisReport report =
            AnalyzeFile((kCorpus / "edited" / c.file).string(), holder, {.keepPicture = false}, observer);
        ASSERT_FALSE(report.refused);
        const ResultRow* row = FindRow(report, "Software Data");
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->word, "Fail");
        EXPECT_EQ(report.flags.detectedSoftware, c.program);
        EXPECT_EQ(report.ratingClass, 1);
        EXPECT_EQ(report.messages.message,
                  std::string("This image has been processed by the following software: ") + c.program);
    }
}

TEST(CorpusAnalysis, APanasonicWithMultiPictureDataGetsItsRow) {
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile((kCorpus / "camera" / "Panasonic Lumix DMC-LX7.jpg").string(),
                                              holder, {.keepPicture = false}, observer);
    ASSERT_FALSE(report.refused);
    const ResultRow* row = FindRow(report, "MPF Data");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->word, "Pass");
    // A maker that writes neither FlashPix nor AROT data gets no rows for them.
    EXPECT_EQ(FindRow(report, "FlashPix Ready Data"), nullptr);
    EXPECT_EQ(FindRow(report, "Apple AROT Data"), nullptr);
}

TEST(CorpusAnalysis, FujifilmAndApplePicturesGetTheirSegmentRows) {
    struct Case {
        const char* file;
        const char* caption;
    };
    constexpr Case kCases[] = {
        {"FujiFilm DX-10.jpg", "FlashPix Ready Data"},  {"FujiFilm FinePixS5500.jpg", "FlashPix Ready Data"},
        {"FujiFilm MX1700.jpg", "FlashPix Ready Data"}, {"Apple iPhone 4.jpg", "Apple AROT Data"},
        {"Apple iPhone 4S.jpg", "Apple AROT Data"},
    };
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        const AnalysisReport report =
            AnalyzeFile((kCorpus / "camera" / c.file).string(), holder, {.keepPicture = false}, observer);
        ASSERT_FALSE(report.refused);
        EXPECT_NE(FindRow(report, c.caption), nullptr);
        EXPECT_EQ(FindRow(report, "MPF Data"), nullptr);
    }
}

TEST(CorpusAnalysis, CameraOriginalsAreNotTakenForEditorOutput) {
    // Camera pictures that passed through a program afterwards, as their metadata says.
    const std::map<std::string, std::string> kProcessed = {
        {"Canon EOS 5D.jpg", "Digital Photo Professional"},
        {"Nikon D5000.jpg", "Adobe Bridge CS5"},
        {"Nikon E950.jpg", "Adobe Photoshop (Unknown Version)"},
    };
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    for (const fs::path& file : PicturesUnder(kCorpus / "camera")) {
        SCOPED_TRACE(file.string());
        const AnalysisReport report = AnalyzeFile(file.string(), holder, {.keepPicture = false}, observer);
        if (report.refused) continue; // a truncated picture does not decode
        const auto processed = kProcessed.find(file.filename().string());
        EXPECT_EQ(report.flags.detectedSoftware, processed == kProcessed.end() ? "" : processed->second);
        const ResultRow* row = FindRow(report, "Compression Signature");
        if (row != nullptr) {
            EXPECT_NE(row->word, "Fail");
        }
    }
}

// Decoding the picture on its own thread while the codec reads the file changes nothing: not the
// rows and their findings, not the class, messages or flags, not a refusal and its reason, not
// what the observer learns of the picture. Nor does keeping the picture whole, as the window does.
TEST(CorpusAnalysis, OverlappedAndWholePictureRunsEqualTheRunInTurn) {
    class cDigestRecorder final : public IAnalysisObserver {
      public:
        void PictureDigested(const PictureDigest& digest) override {
            recorded = std::to_string(digest.width) + "x" + std::to_string(digest.height) + " " +
                       (digest.fingerprint ? std::to_string(digest.fingerprint->bits[0]) : "-") + " " +
                       std::to_string(digest.histogram.TestContinuity(cHistogram::kAnalysisThreshold));
        }
        std::string recorded;
    };
    const auto run = [](const fs::path& file, const AnalysisSettings& settings, std::string& digest) {
        std::unique_ptr<IExifCodec> holder;
        cDigestRecorder observer;
        AnalysisReport report = AnalyzeFile(file.string(), holder, settings, observer);
        if (holder) holder->CloseFile();
        digest = observer.recorded;
        return report;
    };
    for (const fs::path& file : PicturesUnder(kCorpus)) {
        SCOPED_TRACE(file.string());
        std::string inTurnDigest, overlappedDigest, wholeDigest;
        const AnalysisReport inTurn = run(file, {.keepPicture = false}, inTurnDigest);
        const AnalysisReport overlapped =
            run(file, {.keepPicture = false, .overlapDecoding = true}, overlappedDigest);
        const AnalysisReport whole = run(file, {.keepPicture = true}, wholeDigest);
        for (const AnalysisReport* other : {&overlapped, &whole}) {
            EXPECT_EQ(other->refused, inTurn.refused);
            EXPECT_EQ(other->refusal, inTurn.refusal);
            EXPECT_EQ(other->openResult, inTurn.openResult);
            EXPECT_EQ(other->rows, inTurn.rows);
            EXPECT_EQ(other->ratingClass, inTurn.ratingClass);
            EXPECT_EQ(other->messages.message, inTurn.messages.message);
            EXPECT_EQ(other->flags, inTurn.flags);
        }
        EXPECT_EQ(overlappedDigest, inTurnDigest);
        EXPECT_EQ(wholeDigest, inTurnDigest);
    }
}

} // namespace
} // namespace pellvane
