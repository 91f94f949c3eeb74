// Loading pictures only as finely as a fingerprint needs: the scale chosen for JPEG files,
// every other format loaded as it is, the same files refused as by the full load, and the
// fingerprints of camera pictures judged as those of the full decodes.

#include "PictureFixtures.h"
#include "imaging/Fingerprint.h"
#include "imaging/cDIBSection.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace pellvane {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(PELLVANE_CORPUS_DIR) / folder))
        if (entry.is_regular_file() && entry.path().extension() != ".md") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ReducedLoading, JpegFilesTakeTheSmallestScaleThatKeepsBothSides) {
    test::ScopedTempFolder temp;
    const fs::path path = temp.Input("photo.jpg");
    test::WriteFileBytes(path, test::EncodeJpeg(test::NumberedPicture(640, 480)));
    struct Case {
        int32_t minimumSide;
        int32_t width;
        int32_t height;
    };
    const Case cases[] = {
        {1, 80, 60},     {60, 80, 60},    {61, 160, 120},   {64, 160, 120},
        {240, 320, 240}, {241, 640, 480}, {5000, 640, 480},
    };
    for (const Case& c : cases) {
        cDIBSection buffer;
        ASSERT_TRUE(buffer.LoadReducedPicture_File(path, c.minimumSide)) << c.minimumSide;
        EXPECT_EQ(buffer.Width(), c.width) << c.minimumSide;
        EXPECT_EQ(buffer.Height(), c.height) << c.minimumSide;
        EXPECT_EQ(buffer.ImageType(), image_type::kJpeg);
    }
}

TEST(ReducedLoading, OtherFormatsLoadAsTheFullLoadLoadsThem) {
    test::ScopedTempFolder temp;
    const fs::path path = temp.Input("picture.png");
    test::WriteFileBytes(path, test::EncodePng(test::NumberedPicture(200, 150), test::PngLayout::kRgb));
    cDIBSection reduced;
    cDIBSection full;
    ASSERT_TRUE(reduced.LoadReducedPicture_File(path, 8));
    ASSERT_TRUE(full.LoadPicture_File(path));
    EXPECT_EQ(test::PictureFrom(reduced), test::PictureFrom(full));
    EXPECT_EQ(reduced.ImageType(), image_type::kPng);
}

TEST(ReducedLoading, RefusesExactlyTheFilesTheFullLoadRefuses) {
    int refused = 0;
    for (const std::string folder : {"broken", "camera", "edited", "tiff"})
        for (const fs::path& file : CorpusFiles(folder)) {
            cDIBSection reduced;
            cDIBSection full;
            const bool loaded = full.LoadPicture_File(file);
            EXPECT_EQ(reduced.LoadReducedPicture_File(file, 64), loaded) << file;
            refused += !loaded;
        }
    EXPECT_GT(refused, 20);
}

TEST(ReducedLoading, CameraPicturesKeepTheirFingerprintsLevel) {
    for (const fs::path& file : CorpusFiles("camera")) {
        cDIBSection full;
        if (!full.LoadPicture_File(file)) continue; // a truncated camera file
        cDIBSection reduced;
        ASSERT_TRUE(reduced.LoadReducedPicture_File(file, 64)) << file;
        const std::optional<HashValue> fingerprint = MakeFingerprint(full);
        ASSERT_TRUE(fingerprint) << file;
        EXPECT_EQ(HashSimilarityLevel(reduced, fingerprint->bits, 5), 5) << file;
    }
}

} // namespace
} // namespace pellvane
