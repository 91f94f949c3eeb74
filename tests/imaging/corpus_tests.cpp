// Every file of the shared test corpus either decodes into a consistent picture or fails
// cleanly; real camera files decode as JPEG and the TIFF files as TIFF.

#include "PictureFixtures.h"
#include "imaging/ExifOrientation.h"
#include "imaging/Fingerprint.h"
#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace pellvane {
namespace {

const std::filesystem::path kCorpus = PELLVANE_CORPUS_DIR;

// This camera file ends a few dozen bytes short: the last blocks of its bottom row need entropy
// data that is not there (djpeg: "premature end of data segment"). A truncated JPEG does not load.
const std::string kTruncatedCameraFile = "User Comment Encoding.jpg";

bool IsKnownTruncated(const std::filesystem::path& path) {
    return path.filename() == kTruncatedCameraFile;
}

std::vector<std::filesystem::path> FilesIn(const std::string& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus / folder, error))
        if (entry.is_regular_file() && entry.path().extension() != ".md") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Loads the file and checks that whatever came out is consistent; true when it decoded.
bool LoadsConsistently(const std::filesystem::path& path, cDIBSection& buffer) {
    if (!buffer.LoadPicture_File(path)) {
        EXPECT_TRUE(buffer.IsEmpty());
        EXPECT_EQ(buffer.ImageType(), image_type::kNoBuffer);
        return false;
    }
    EXPECT_GT(buffer.Width(), 0);
    EXPECT_GT(buffer.Height(), 0);
    EXPECT_EQ(buffer.BitsPointer().size(), static_cast<size_t>(buffer.ScanWidth()) * buffer.Height());
    EXPECT_EQ(buffer.ImageType(), TestImageType(path));
    EXPECT_TRUE(MakeFingerprint(buffer).has_value());
    cHistogram histogram;
    EXPECT_TRUE(histogram.LoadHistogram(buffer, true));
    const int16_t level = histogram.TestContinuity(cHistogram::kAnalysisThreshold);
    EXPECT_GE(level, 2);
    EXPECT_LE(level, 5);
    return true;
}

class CorpusFolderTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusFolderTest, EveryFileDecodesOrFailsCleanly) {
    const std::vector<std::filesystem::path> files = FilesIn(GetParam());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    const bool mayFail = std::string(GetParam()) == "broken";
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        cDIBSection buffer;
        const bool decoded = LoadsConsistently(path, buffer);
        // Camera, editor and TIFF files are sound pictures, bar one; only the broken ones may fail.
        if (!mayFail) {
            EXPECT_EQ(decoded, !IsKnownTruncated(path));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, CorpusFolderTest, ::testing::Values("camera", "edited", "broken", "tiff"));

// The libraries behind the decoders print their warnings and errors unless told not to; a
// damaged file must not leave text on the command line's error stream.
TEST(CorpusTest, DecodingDamagedFilesPrintsNothing) {
    const std::vector<std::filesystem::path> files = FilesIn("broken");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    testing::internal::CaptureStderr();
    for (const auto& path : files) {
        cDIBSection buffer;
        buffer.LoadPicture_File(path);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(CorpusTest, CameraAndEditorFilesDecodeAsJpeg) {
    for (const char* folder : {"camera", "edited"})
        for (const auto& path : FilesIn(folder)) {
            if (IsKnownTruncated(path)) continue;
            cDIBSection buffer;
            ASSERT_TRUE(buffer.LoadPicture_File(path)) << path;
            EXPECT_EQ(buffer.ImageType(), image_type::kJpeg) << path;
            EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque) << path;
        }
}

TEST(CorpusTest, TiffFilesDecodeAsTiffAtTheirSize) {
    const std::map<std::string, std::pair<int, int>> sizes{{"Arbitro.tiff", {174, 38}},
                                                           {"Jobagent.tiff", {264, 84}}};
    const std::vector<std::filesystem::path> files = FilesIn("tiff");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    ASSERT_EQ(files.size(), sizes.size());
    for (const auto& path : files) {
        cDIBSection buffer;
        ASSERT_TRUE(buffer.LoadPicture_File(path)) << path;
        EXPECT_EQ(buffer.ImageType(), image_type::kTiff);
        EXPECT_EQ(std::pair(buffer.Width(), buffer.Height()), sizes.at(path.filename().string()));
    }
}

TEST(CorpusTest, PortraitPhoneShotDecodesAsStoredAndTurnsUpright) {
    const auto path = kCorpus / "camera" / "Apple iPhone 4S.jpg"; // EXIF orientation 6
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no corpus at " << kCorpus;
    cDIBSection buffer;
    ASSERT_TRUE(buffer.LoadPicture_File(path));
    EXPECT_EQ(buffer.Width(), 3264);
    EXPECT_EQ(buffer.Height(), 2448);
    const test::Rgba bottomLeft = test::PixelAt(buffer, 0, 2447);
    ASSERT_TRUE(ApplyExifOrientation(buffer, 6));
    EXPECT_EQ(buffer.Width(), 2448);
    EXPECT_EQ(buffer.Height(), 3264);
    EXPECT_EQ(test::PixelAt(buffer, 0, 0), bottomLeft);
}

TEST(CorpusTest, CameraPictureMatchesAPlainLibjpegDecode) {
    const auto path = kCorpus / "camera" / "Nikon D40.jpg";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no corpus at " << kCorpus;
    const test::Bytes bytes = test::ReadFileBytes(path);
    cDIBSection buffer;
    ASSERT_TRUE(buffer.LoadPicture_Stream(bytes));
    EXPECT_TRUE(test::PictureFrom(buffer) == test::PlainJpegDecode(bytes));
}

} // namespace
} // namespace pellvane
