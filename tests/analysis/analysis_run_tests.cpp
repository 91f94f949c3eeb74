// The run as a whole: refusals, the parser-error path, the frame around the tests, pacing,
// the codec kept across runs and the picture handed back for the preview.

#include "FakeCodec.h"
#include "analysis/AnalyzeFile.h"
#include "codec/cExifCodec.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

// Records everything the run tells its observer.
class cRecordingObserver final : public IAnalysisObserver {
  public:
    void Progress(int32_t percent) override { progress.push_back(percent); }
    void WorkingLabel(const std::string& text) override { labels.push_back(text); }
    void Pause(int32_t milliseconds) override { pauses.push_back(milliseconds); }
    void TestsStarting() override { ++testsStarting; }
    void PictureDigested(const PictureDigest& digest) override { decodedWidths.push_back(digest.width); }

    std::vector<int32_t> progress;
    std::vector<std::string> labels;
    std::vector<int32_t> pauses;
    std::vector<int32_t> decodedWidths;
    int testsStarting = 0;
};

std::string WriteInput(const test::ScopedTempFolder& temp, const std::string& name,
                       const test::Bytes& bytes) {
    const std::filesystem::path path = temp.Input(name);
    test::WriteFileBytes(path, bytes);
    return path.string();
}

// A grey ramp: every level occurs equally often, so its histograms run smoothly and pass.
test::RgbaPicture Ramp() {
    test::RgbaPicture picture(256, 32);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const auto level = static_cast<uint8_t>(x);
            picture.At(x, y) = {level, level, level};
        }
    return picture;
}

// A real JPEG picture; the codec facts of the fake tests come from the fake instead.
std::string WriteJpeg(const test::ScopedTempFolder& temp, const std::string& name,
                      const test::JpegOptions& options = {}) {
    return WriteInput(temp, name, test::EncodeJpeg(Ramp(), options));
}

struct FakeRun {
    test::cFakeCodec* codec = nullptr;
    std::unique_ptr<IExifCodec> holder;
};

FakeRun WithFakeCodec() {
    auto fake = std::make_unique<test::cFakeCodec>();
    // A camera-sized frame, so that the image size test adds no row unless a test asks.
    fake->width = 4000;
    fake->height = 3000;
    FakeRun run{fake.get(), nullptr};
    run.holder = std::move(fake);
    return run;
}

std::vector<std::string> Captions(const AnalysisReport& report) {
    std::vector<std::string> captions;
    for (const ResultRow& row : report.rows)
        captions.push_back(row.caption);
    return captions;
}

TEST(AnalysisRun, RefusesWhatIsNoPicture) {
    test::ScopedTempFolder temp;
    const std::string text = WriteInput(temp, "notes.jpg", test::Bytes(200, 'x'));
    std::unique_ptr<IExifCodec> holder;
    cRecordingObserver observer;
    const AnalysisReport report = AnalyzeFile(text, holder, {}, observer);
    EXPECT_TRUE(report.refused);
    EXPECT_EQ(report.refusal, "Unsupported file format!");
    EXPECT_EQ(report.refusalKey, "Window.Message.Error.OpenFile");
    EXPECT_TRUE(report.rows.empty());
    EXPECT_EQ(report.openResult, kFileNotOpened);
    EXPECT_EQ(holder, nullptr); // the run ended before it needed a codec
    EXPECT_TRUE(observer.decodedWidths.empty());
    EXPECT_EQ(observer.labels.back(), "Please wait while we analyze the file...");
}

TEST(AnalysisRun, RefusesPicturesThatAreNoJpeg) {
    test::ScopedTempFolder temp;
    const std::string png =
        WriteInput(temp, "photo.jpg", test::EncodePng(test::NumberedPicture(20, 10), test::PngLayout::kRgb));
    auto [fake, holder] = WithFakeCodec();
    cRecordingObserver observer;
    const AnalysisReport report = AnalyzeFile(png, holder, {}, observer);
    EXPECT_TRUE(report.refused);
    EXPECT_EQ(report.refusal, "Unsupported image format!");
    EXPECT_EQ(report.refusalKey, "Window.Message.Error.UnsupportedImageType");
    EXPECT_TRUE(report.rows.empty());
    EXPECT_EQ(fake->openCount, 0);
    EXPECT_EQ(observer.decodedWidths, std::vector<int32_t>{20}); // decoded, then refused
}

TEST(AnalysisRun, AParserErrorGivesOneRowAndClassTwo) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->openResult = 3;
    fake->signature = "88B65E74"; // would fail the picture, had the tests run
    cRecordingObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);

    ASSERT_EQ(report.rows.size(), 1u);
    ResultRow expected{"Unknown Data Structure",
                       "Window.Main.Results.ParserError",
                       2,
                       "Highly Suspected",
                       1,
                       {StatusFinding("run.unknown-structure", 2).With("openResult", report.openResult)}};
    EXPECT_EQ(report.rows[0], expected);
    EXPECT_EQ(report.ratingClass, 2);
    EXPECT_EQ(report.title, "Class 2");
    EXPECT_EQ(report.openResult, 3);
    EXPECT_EQ(report.messages.message,
              "This image is a highly suspect because important evidence is either missing or unconvincing.");
    EXPECT_EQ(report.messages.link, LinkType::Report);
    EXPECT_TRUE(report.flags.detectedSoftware.empty());
    EXPECT_TRUE(observer.pauses.empty());
    EXPECT_EQ(observer.testsStarting, 0);
    EXPECT_EQ(report.picture.Width(), 256); // the preview still gets the file's picture
}

TEST(AnalysisRun, EveryTestAtPassGivesClassFive) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->maker = 1;
    fake->makerName = "Canon";
    fake->signature = "FF7B19E4";
    fake->SetTag(0x927C, 2, "MakerNote");
    fake->SetTag(0x0110, 1, "Canon EOS 5D");
    fake->makerNoteIsOriginal = true;
    fake->entryCounts[5] = 30;
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);

    ASSERT_FALSE(report.refused);
    EXPECT_EQ(Captions(report),
              (std::vector<std::string>{"Aspect Ratio", "Compression Signature", "EXIF Format", "Histogram",
                                        "MakerNote Data", "Software Data"}));
    for (const ResultRow& row : report.rows)
        EXPECT_EQ(row.word, "Pass") << row.caption;
    EXPECT_EQ(report.ratingClass, 5);
    EXPECT_TRUE(report.flags.signatureMatched);
    EXPECT_EQ(report.messages.message, "This image is very likely to be an original from CANON Canon EOS 5D");
    EXPECT_EQ(report.colour, 0x2F921Du);
}

TEST(AnalysisRun, ASmallPictureWithoutSoftwareIsCalledTooSmall) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->width = 639;
    fake->height = 480;
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);

    ASSERT_FALSE(report.rows.empty());
    EXPECT_EQ(report.rows[0].caption, "Image Size");
    EXPECT_EQ(report.rows[0].level, 1);
    EXPECT_TRUE(report.flags.imageTooSmall);
    EXPECT_EQ(report.ratingClass, 1);
    EXPECT_EQ(report.messages.message, "This image is too small to be an original.");
}

TEST(AnalysisRun, SoftwareFoundInTheMetadataIsNamedInTheAlert) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->width = 640; // too small as well, but the program's name says more
    fake->height = 480;
    fake->SetTag(0x0131, 1, "GIMP 2.10.30");
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);

    EXPECT_EQ(report.ratingClass, 1);
    EXPECT_EQ(report.flags.detectedSoftware, "GIMP 2.10.30");
    EXPECT_EQ(report.messages.message,
              "This image has been processed by the following software: GIMP 2.10.30");
}

TEST(AnalysisRun, RowsComeWorstFirstAndTheWorstDecidesBeforeTheAdjustment) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->maker = 2;
    fake->signature = "12345678"; // Nikon, unknown tables: 3
    fake->SetTag(0x927C, 2, "MakerNote");
    fake->makerNoteIsOriginal = true;
    fake->entryCounts[5] = 30; // 5
    fake->mpfExisted = fake->mpfValid = true;
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);

    EXPECT_EQ(Captions(report),
              (std::vector<std::string>{"Compression Signature", "Aspect Ratio", "EXIF Format", "Histogram",
                                        "MPF Data", "MakerNote Data", "Software Data"}));
    EXPECT_EQ(report.rows[0].level, 3);
    EXPECT_EQ(report.ratingClass, 4); // 3, raised by the valid MPF data
}

TEST(AnalysisRun, AFailingCodecCallCostsOnlyThatTestsRow) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->signatureThrows = true;
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);
    EXPECT_EQ(Captions(report), (std::vector<std::string>{"MakerNote Data", "Aspect Ratio", "EXIF Format",
                                                          "Histogram", "Software Data"}));
}

TEST(AnalysisRun, TellsTheObserverAboutEachStep) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->signature = "12345678";
    cRecordingObserver observer;
    AnalyzeFile(jpeg, holder, {}, observer);

    // FlashPix, AROT, the external consistency, aspect ratio and legacy data never show their
    // caption; MPF, the embedded images and the internal consistency show it even when they
    // add no row.
    EXPECT_EQ(observer.labels,
              (std::vector<std::string>{"Analyzing Compression Signature...", "Analyzing MakerNote Data...",
                                        "Analyzing EXIF Format...", "Analyzing Image Size...",
                                        "Analyzing Software Data...", "Analyzing MPF Data...",
                                        "Analyzing Embedded Images...", "Analyzing Histogram...",
                                        "Analyzing EXIF Internal Consistency...", "Wrapping up...",
                                        "Please wait while we analyze the file..."}));
    EXPECT_EQ(observer.testsStarting, 1);
}

// What a run on the fake codec tells its observer when every pacing draw answers `draw`.
struct PacingCase {
    const char* name;
    double draw;
    std::vector<int32_t> progress;
    std::vector<int32_t> pauses;
};

// Progress: start, loaded, tests start, after the signature, MakerNote, EXIF format, software and
// histogram tests, wrapping up; each paced step is its base plus the integer part of draw x span.
const PacingCase kLowestDraw{
    "lowest", 0.0, {5, 5, 20, 20, 30, 40, 60, 75, 90, 100}, {0, 0, 0, 0, 0, 200, 500}};
const PacingCase kHighestDraw{"highest",
                              std::nextafter(1.0, 0.0),
                              {5, 5, 20, 29, 39, 59, 64, 89, 99, 100},
                              {249, 199, 199, 249, 199, 549, 1249}};

TEST(AnalysisRun, PacesEachStepAsItsRandomSourceDraws) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    const PacingCase middle{
        "middle", 0.5, {5, 5, 20, 25, 35, 50, 62, 82, 95, 100}, {125, 100, 100, 125, 100, 375, 875}};
    for (const PacingCase& pacing : {kLowestDraw, middle, kHighestDraw}) {
        auto [fake, holder] = WithFakeCodec();
        fake->signature = "12345678";
        cRecordingObserver observer;
        int draws = 0;
        AnalysisSettings settings;
        settings.pacingRandom = [&draws, &pacing] {
            ++draws;
            return pacing.draw;
        };
        AnalyzeFile(jpeg, holder, settings, observer);
        EXPECT_EQ(observer.progress, pacing.progress) << pacing.name;
        EXPECT_EQ(observer.pauses, pacing.pauses) << pacing.name;
        EXPECT_EQ(draws, 13) << pacing.name; // the last step's progress has no span to draw from
    }
}

TEST(AnalysisRun, PacesWithinTheBandsWithoutARandomSourceOfItsOwn) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    fake->signature = "12345678";
    cRecordingObserver observer;
    AnalyzeFile(jpeg, holder, {}, observer);
    ASSERT_EQ(observer.progress.size(), kLowestDraw.progress.size());
    for (size_t i = 0; i < observer.progress.size(); ++i) {
        EXPECT_GE(observer.progress[i], kLowestDraw.progress[i]) << i;
        EXPECT_LE(observer.progress[i], kHighestDraw.progress[i]) << i;
    }
    ASSERT_EQ(observer.pauses.size(), kLowestDraw.pauses.size());
    for (size_t i = 0; i < observer.pauses.size(); ++i) {
        EXPECT_GE(observer.pauses[i], kLowestDraw.pauses[i]) << i;
        EXPECT_LE(observer.pauses[i], kHighestDraw.pauses[i]) << i;
    }
}

TEST(AnalysisRun, PacesAfterTheSignatureTestEvenWithoutItsRow) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec(); // no signature: no row
    cRecordingObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);
    EXPECT_EQ(Captions(report), (std::vector<std::string>{"MakerNote Data", "Aspect Ratio", "EXIF Format",
                                                          "Histogram", "Software Data"}));
    EXPECT_EQ(observer.pauses.size(), 7u);
}

TEST(AnalysisRun, KeepsTheCodecAcrossRunsAndClosesItFirst) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    auto [fake, holder] = WithFakeCodec();
    cSilentObserver observer;
    AnalyzeFile(jpeg, holder, {}, observer);
    AnalyzeFile(jpeg, holder, {}, observer);
    EXPECT_EQ(holder.get(), fake);
    EXPECT_EQ(fake->closeCount, 2);
    EXPECT_EQ(fake->openCount, 2);
}

TEST(AnalysisRun, CreatesTheBuiltInCodecWhenNoComponentServes) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "photo.jpg");
    for (const int32_t editorVersion : {0, 1259, 1260, 2000}) {
        std::unique_ptr<IExifCodec> holder;
        cSilentObserver observer;
        const AnalysisReport report = AnalyzeFile(jpeg, holder, {.editorVersion = editorVersion}, observer);
        EXPECT_NE(dynamic_cast<cExifCodec*>(holder.get()), nullptr) << editorVersion;
        EXPECT_FALSE(report.flags.externalCodec);
        EXPECT_EQ(report.openResult, 6); // an encoder's JPEG carries no EXIF
    }
}

TEST(AnalysisRun, HandsBackTheUprightPictureOnlyWhenAskedFor) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "turned.jpg", {.exifOrientation = 6});
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    const AnalysisReport shown = AnalyzeFile(jpeg, holder, {}, observer);
    EXPECT_EQ(shown.picture.Width(), 32);
    EXPECT_EQ(shown.picture.Height(), 256);
    const AnalysisReport unseen = AnalyzeFile(jpeg, holder, {.keepPicture = false}, observer);
    EXPECT_TRUE(unseen.picture.IsEmpty());
    EXPECT_EQ(shown.rows, unseen.rows);
}

TEST(AnalysisRun, AJpegWithoutExifFailsOnItsMissingMakerNote) {
    test::ScopedTempFolder temp;
    const std::string jpeg = WriteJpeg(temp, "plain.jpg");
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    const AnalysisReport report = AnalyzeFile(jpeg, holder, {}, observer);
    EXPECT_EQ(report.openResult, 6);
    const auto levelOf = [&](const std::string& caption) {
        const auto found = std::find_if(report.rows.begin(), report.rows.end(),
                                        [&](const ResultRow& row) { return row.caption == caption; });
        return found == report.rows.end() ? 0 : found->level;
    };
    EXPECT_EQ(levelOf("MakerNote Data"), 1);
    EXPECT_EQ(levelOf("EXIF Format"), 1);
    EXPECT_EQ(report.ratingClass, 1);
    // The encoder's picture is 256 x 32, which no camera takes.
    EXPECT_EQ(levelOf("Image Size"), 1);
    EXPECT_EQ(report.messages.message, "This image is too small to be an original.");
}

TEST(AnalysisRun, TheFileStaysOpenWithItsTemporaryFilesUntilTheNextRun) {
    test::ScopedTempFolder temp;
    // A camera picture with an EXIF thumbnail, which the codec extracts to a temporary file.
    const std::string camera = std::string(PELLVANE_CORPUS_DIR) + "/camera/Nikon D70.jpg";
    const std::string plain = WriteJpeg(temp, "plain.jpg");
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    AnalyzeFile(camera, holder, {}, observer);
    ASSERT_FALSE(holder->ThumbnailCachePath().empty());
    EXPECT_FALSE(temp.LeftoverFiles().empty());
    AnalyzeFile(plain, holder, {}, observer);
    EXPECT_TRUE(temp.LeftoverFiles().empty());
    holder->CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

} // namespace
} // namespace pellvane
