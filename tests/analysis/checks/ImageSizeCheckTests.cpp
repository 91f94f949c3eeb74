// The image size check as a decision table over the facts the fake codec gives.

#include "analysis/FakeCodec.h"
#include "analysis/checks/CheckTests.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::CaseName;

struct ImageSizeCase {
    const char* name;
    int32_t width;
    int32_t height;
    std::optional<int16_t> status; // nothing: no row
    int32_t pictureWidth = 0;      // the decoded picture, when the codec knows no size
    int32_t pictureHeight = 0;
};

class ImageSizeRules : public testing::TestWithParam<ImageSizeCase> {};

TEST_P(ImageSizeRules, DecideTheStatusAndTheFlag) {
    const ImageSizeCase& c = GetParam();
    test::cFakeCodec codec;
    codec.width = c.width;
    codec.height = c.height;
    PictureDigest picture;
    picture.width = c.pictureWidth;
    picture.height = c.pictureHeight;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(ImageSizeCheck(context)), c.status);
    EXPECT_EQ(flags.imageTooSmall, c.status.has_value());
}

const ImageSizeCase kImageSizeCases[] = {
    {"LargeCameraPicture", 4000, 3000, std::nullopt},
    {"SquareJustLargeEnough", 801, 801, std::nullopt},
    {"PortraitJustLargeEnough", 600, 801, std::nullopt},
    {"SquareAtTheLimit", 800, 800, 1},
    {"SmallSquare", 100, 100, 1},
    {"AtTheLimit", 800, 600, 2},
    {"PortraitAtTheLimit", 600, 800, 2},
    {"SmallestPlausible", 640, 480, 2},
    {"BelowPlausible", 639, 480, 1},
    {"Tiny", 160, 120, 1},
    // A JPEG whose frame header the codec could not read is measured on its decoded picture,
    // so a large picture is not called too small.
    {"NoHeaderLargePicture", 0, 0, std::nullopt, 1024, 768},
    {"NoHeaderSmallPicture", 0, 0, 2, 640, 480},
    {"HalfAHeader", 4000, 0, std::nullopt, 4000, 3000},
    {"NoSizeAtAll", 0, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, ImageSizeRules, testing::ValuesIn(kImageSizeCases), CaseName<ImageSizeCase>);

} // namespace
} // namespace pellvane
