// The command line's summary of a picture: format, size, alpha, fingerprint text and histogram
// level.

#include "PictureFixtures.h"
#include "imaging/PictureSummary.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::Rgba;
using test::RgbaPicture;

class PictureSummaryTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const test::Bytes& bytes) {
        const auto path = folder_.Path() / name;
        test::WriteFileBytes(path, bytes);
        return path.string();
    }

    test::ScopedTempFolder folder_;
};

// Fingerprint byte r holds memory row r, the bottom row first; bit c is column c.
TEST_F(PictureSummaryTest, FingerprintTextListsBytesFromTheBottomRowInUpperCaseHex) {
    const struct {
        const char* name;
        std::function<Rgba(int, int)> colour; // by column and row from the top, on 64 x 64
        const char* fingerprint;
    } cases[] = {
        {"uniform",
         [](int, int) {
             return Rgba{90, 90, 90};
         },
         "FFFFFFFFFFFFFFFF"},
        {"light right half",
         [](int x, int) {
             return x >= 32 ? Rgba{250, 250, 250} : Rgba{5, 5, 5};
         },
         "F0F0F0F0F0F0F0F0"},
        {"light top half",
         [](int, int y) {
             return y < 32 ? Rgba{250, 250, 250} : Rgba{5, 5, 5};
         },
         "00000000FFFFFFFF"},
        {"light bottom-left pixel block",
         [](int x, int y) {
             return x < 8 && y >= 56 ? Rgba{250, 250, 250} : Rgba{5, 5, 5};
         },
         "0100000000000000"},
    };
    for (const auto& c : cases) {
        RgbaPicture picture(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                picture.At(x, y) = c.colour(x, y);
        const auto summary =
            SummarizePicture(Write("picture.png", test::EncodePng(picture, test::PngLayout::kRgb)));
        ASSERT_TRUE(summary.has_value()) << c.name;
        EXPECT_EQ(summary->fingerprint, c.fingerprint) << c.name;
    }
}

TEST_F(PictureSummaryTest, ReportsFormatSizeAlphaAndHistogramLevel) {
    const auto jpeg =
        SummarizePicture(Write("photo.jpg", test::EncodeJpeg(RgbaPicture(40, 30, {120, 130, 140}))));
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_EQ(jpeg->imageType, 2);
    EXPECT_EQ(jpeg->width, 40);
    EXPECT_EQ(jpeg->height, 30);
    EXPECT_EQ(jpeg->alpha, 0);
    EXPECT_EQ(jpeg->histogramStatus, 5);
    EXPECT_EQ(jpeg->fingerprint.size(), 16u);

    RgbaPicture translucent(8, 8, {10, 20, 30, 128});
    const auto png =
        SummarizePicture(Write("overlay.png", test::EncodePng(translucent, test::PngLayout::kRgba)));
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->imageType, 4);
    EXPECT_EQ(png->alpha, 2);
}

TEST_F(PictureSummaryTest, NothingForFilesThatDoNotDecode) {
    EXPECT_FALSE(SummarizePicture(Write("notes.jpg", test::Bytes(100, 'x'))).has_value());
    EXPECT_FALSE(SummarizePicture((folder_.Path() / "missing.jpg").string()).has_value());
}

} // namespace
} // namespace pellvane
