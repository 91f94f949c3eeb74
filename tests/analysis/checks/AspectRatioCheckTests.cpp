// The aspect-ratio check with its single-precision arithmetic.

#include "analysis/AnalyzeFile.h"
#include "analysis/FakeCodec.h"
#include "analysis/checks/Checks.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

TEST(AspectRatio, SensorProportionsPassAndOthersAreSuspected) {
    struct Case {
        int32_t width;
        int32_t height;
        int32_t maker;
        std::optional<int16_t> status;
    };
    const Case cases[] = {
        {6000, 4000, kMakerCanon, 5}, // 3:2
        {4000, 6000, kMakerCanon, 5},
        {4000, 3000, kMakerCanon, 5}, // 4:3, written as 1.33333
        {4032, 3024, kMakerCanon, 5},
        {1920, 1080, kMakerCanon, 5}, // 16:9, written as 1.77778
        {3024, 3024, kMakerCanon, 3}, // square: only Apple's phones
        {3024, 3024, kMakerApple, 5},
        {3030, 2000, kMakerCanon, 4}, // 1.515
        {3100, 2000, kMakerCanon, 3}, // 1.55, near no sensor
        // Held in single precision, 1.51 and 1.52 lie a little closer to 1.5 than 0.01 and
        // 0.02, and 1.48 a little closer than 0.02.
        {1510, 1000, kMakerCanon, 5},
        {1511, 1000, kMakerCanon, 4},
        {1520, 1000, kMakerCanon, 4},
        {1480, 1000, kMakerCanon, 4},
        {1530, 1000, kMakerCanon, 3},
        {4000, 0, kMakerCanon, std::nullopt},
    };
    for (const Case& c : cases) {
        test::cFakeCodec codec;
        codec.width = c.width;
        codec.height = c.height;
        codec.maker = c.maker;
        PictureDigest picture;
        RunFlags flags;
        CheckContext context{codec, picture, flags, 0};
        EXPECT_EQ(DecidedStatus(AspectRatioCheck(context)), c.status)
            << c.width << " x " << c.height << ", maker " << c.maker;
    }
}

} // namespace
} // namespace pellvane
