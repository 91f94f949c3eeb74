// The encoder that puts pictures into reports: the size it fits a picture into, and pixels that
// survive the round trip through a JPEG decoder.

#include "imaging/JpegEncoder.h"
#include "imaging/PictureFixtures.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::BufferFrom;
using test::PixelAt;
using test::RgbaPicture;

TEST(JpegPreviewTest, FitsWithinTheLongestSideKeepingTheAspectRatio) {
    const struct {
        int width, height, maxSide, expectedWidth, expectedHeight;
    } cases[] = {
        {400, 300, 100, 100, 75}, {300, 400, 100, 75, 100}, {80, 60, 100, 80, 60},
        {400, 300, 0, 400, 300},  {1000, 3, 100, 100, 1},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> jpeg =
            EncodeJpegPreview(BufferFrom(RgbaPicture(c.width, c.height, {200, 100, 50})), c.maxSide, 90);
        cDIBSection decoded;
        ASSERT_TRUE(decoded.LoadPicture_Stream(jpeg)) << c.width << " x " << c.height;
        EXPECT_EQ(decoded.Width(), c.expectedWidth) << c.width << " x " << c.height << " in " << c.maxSide;
        EXPECT_EQ(decoded.Height(), c.expectedHeight) << c.width << " x " << c.height << " in " << c.maxSide;
    }
}

// Four quadrants of distinct colours come back in their places: rows are not turned upside down
// and red is not swapped with blue.
TEST(JpegPreviewTest, KeepsColoursAndOrientation) {
    RgbaPicture picture(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            picture.At(x, y) = y < 32 ? (x < 32 ? test::Rgba{230, 20, 20} : test::Rgba{20, 230, 20})
                                      : (x < 32 ? test::Rgba{20, 20, 230} : test::Rgba{240, 240, 240});
    cDIBSection decoded;
    ASSERT_TRUE(decoded.LoadPicture_Stream(EncodeJpegPreview(BufferFrom(picture), 0, 95)));
    for (const auto& [x, y] : {std::pair{8, 8}, {56, 8}, {8, 56}, {56, 56}}) {
        const test::Rgba expected = picture.At(x, y), actual = PixelAt(decoded, x, y);
        EXPECT_LE(std::abs(expected.r - actual.r) + std::abs(expected.g - actual.g) +
                      std::abs(expected.b - actual.b),
                  24)
            << x << "," << y << ": " << test::Describe(actual);
    }
}

TEST(JpegPreviewTest, AnEmptyBufferGivesNothing) {
    EXPECT_TRUE(EncodeJpegPreview(cDIBSection(), 100, 90).empty());
}

} // namespace
} // namespace pellvane
