// The pixel buffer's own operations: creating and releasing, fitting, mirroring, rotating,
// scaling and copying.

#include "PictureFixtures.h"
#include "imaging/ExifOrientation.h"
#include "imaging/cDIBSection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace pellvane {
namespace {

using test::BufferFrom;
using test::NumberedPicture;
using test::PictureFrom;
using test::PixelAt;
using test::Rgba;
using test::RgbaPicture;

// ---------------------------------------------------------------------------------------------
// Creating and releasing

struct InitializeCase {
    int32_t width;
    int32_t height;
    bool created;
    int32_t expectedHeight;
};

class InitializeDIBTest : public ::testing::TestWithParam<InitializeCase> {};

TEST_P(InitializeDIBTest, CreatesZeroFilledBlankBufferOnlyForValidSizes) {
    const InitializeCase& c = GetParam();
    cDIBSection buffer;
    ASSERT_EQ(buffer.InitializeDIB(c.width, c.height), c.created);
    if (!c.created) {
        EXPECT_TRUE(buffer.IsEmpty());
        EXPECT_EQ(buffer.ImageType(), image_type::kNoBuffer);
        return;
    }
    EXPECT_EQ(buffer.Width(), c.width);
    EXPECT_EQ(buffer.Height(), c.expectedHeight);
    EXPECT_EQ(buffer.ScanWidth(), c.width * 4);
    EXPECT_EQ(buffer.BitsPointer().size(), static_cast<size_t>(c.width) * c.expectedHeight * 4);
    EXPECT_EQ(buffer.ImageType(), image_type::kBlank);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque);
    for (const uint8_t byte : buffer.BitsPointer())
        ASSERT_EQ(byte, 0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, InitializeDIBTest,
                         ::testing::Values(InitializeCase{10, -5, true, 5}, InitializeCase{10, 5, true, 5},
                                           InitializeCase{1, 1, true, 1}, InitializeCase{0, 5, false, 0},
                                           InitializeCase{-1, 5, false, 0}, InitializeCase{10, 0, false, 0},
                                           InitializeCase{65535, 65535, false, 0},
                                           InitializeCase{20000, -20000, false, 0}));

TEST(PixelLimitTest, AcceptsUpToTwoHundredFiftyMillionPixels) {
    EXPECT_TRUE(FitsPixelLimit(250'000'000, 1));
    EXPECT_TRUE(FitsPixelLimit(1, 250'000'000));
    EXPECT_TRUE(FitsPixelLimit(15811, 15811));
    EXPECT_FALSE(FitsPixelLimit(250'000'001, 1));
    EXPECT_FALSE(FitsPixelLimit(15812, 15812));
    EXPECT_FALSE(FitsPixelLimit(65535, 65535));
    EXPECT_FALSE(FitsPixelLimit(0, 1));
    EXPECT_FALSE(FitsPixelLimit(1, -1));
    EXPECT_FALSE(FitsPixelLimit(std::numeric_limits<int64_t>::max(), 2));
}

TEST(PixelBufferTest, FailedInitializeDiscardsThePreviousPicture) {
    cDIBSection buffer = BufferFrom(NumberedPicture(3, 2));
    EXPECT_FALSE(buffer.InitializeDIB(0, 4));
    EXPECT_TRUE(buffer.IsEmpty());
}

TEST(PixelBufferTest, DestroyAndEraseResetTypeAndAlpha) {
    cDIBSection buffer = BufferFrom(NumberedPicture(3, 2));
    buffer.SetAlpha(alpha_class::kTranslucent);
    buffer.EraseDIB();
    EXPECT_EQ(buffer.ImageType(), image_type::kBlank);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque);
    EXPECT_EQ(buffer.Width(), 3);
    for (const uint8_t byte : buffer.BitsPointer())
        ASSERT_EQ(byte, 0);

    buffer.SetAlpha(alpha_class::kBinary);
    buffer.DestroyDIB();
    EXPECT_TRUE(buffer.IsEmpty());
    EXPECT_EQ(buffer.ImageType(), image_type::kNoBuffer);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kOpaque);
    EXPECT_EQ(buffer.Width(), 0);
    EXPECT_TRUE(buffer.BitsPointer().empty());
}

TEST(PixelBufferTest, OperationsOnAnEmptyBufferFailAndLeaveItEmpty) {
    cDIBSection empty;
    cDIBSection target;
    empty.EraseDIB();
    EXPECT_EQ(empty.ImageType(), image_type::kNoBuffer);
    EXPECT_FALSE(empty.MirrorImage(true, true));
    EXPECT_FALSE(empty.RotateImage(90));
    EXPECT_FALSE(empty.Resize(8, 8));
    EXPECT_FALSE(empty.CopyImageToDIB(target, 0, 0));
    EXPECT_FALSE(empty.GetBestFitInfo(100, 100, true).has_value());
    EXPECT_FALSE(empty.GetHashValue().has_value());
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(target.IsEmpty());
}

TEST(PixelBufferTest, CopiesAreIndependent) {
    cDIBSection original = BufferFrom(NumberedPicture(4, 3));
    cDIBSection copy = original;
    copy.MirrorImage(true, false);
    EXPECT_EQ(PictureFrom(original), NumberedPicture(4, 3));
    EXPECT_NE(PictureFrom(copy), PictureFrom(original));

    cDIBSection moved = std::move(copy);
    EXPECT_EQ(moved.Width(), 4);
    EXPECT_TRUE(copy.IsEmpty()); // NOLINT(bugprone-use-after-move): the moved-from state is defined
}

// ---------------------------------------------------------------------------------------------
// Fitting

struct FitCase {
    const char* name;
    int32_t pictureWidth;
    int32_t pictureHeight;
    int32_t areaWidth;
    int32_t areaHeight;
    bool enlarge;
    BestFit expected;
};

class GetBestFitInfoTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(GetBestFitInfoTest, FitsAndCentresThePicture) {
    const FitCase& c = GetParam();
    cDIBSection buffer;
    ASSERT_TRUE(buffer.InitializeDIB(c.pictureWidth, c.pictureHeight));
    const std::optional<BestFit> fit = buffer.GetBestFitInfo(c.areaWidth, c.areaHeight, c.enlarge);
    ASSERT_TRUE(fit.has_value());
    EXPECT_EQ(*fit, c.expected) << "left " << fit->left << " top " << fit->top << " size " << fit->width
                                << "x" << fit->height;
}

INSTANTIATE_TEST_SUITE_P(
    Areas, GetBestFitInfoTest,
    ::testing::Values(FitCase{"FitsKeepsOwnSize", 400, 300, 800, 600, false, {200, 150, 400, 300}},
                      FitCase{"FitsEnlarged", 400, 300, 800, 600, true, {0, 0, 800, 600}},
                      FitCase{"TooWideShrinksToWidth", 400, 300, 200, 300, false, {0, 75, 200, 150}},
                      FitCase{"TooTallShrinksToHeight", 400, 300, 400, 100, false, {133, 0, 133, 100}},
                      FitCase{"HalfRoundsDownToEven", 4, 5, 2, 10, false, {0, 4, 2, 2}},
                      FitCase{"HalfRoundsUpToEven", 4, 3, 2, 10, false, {0, 4, 2, 2}},
                      FitCase{"OddMarginTruncates", 4, 4, 7, 7, false, {1, 1, 4, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Mirroring and rotation, checked against a picture whose pixels all differ

// The picture that a transformation should give, from the position each new pixel takes its
// colour from.
RgbaPicture Transformed(int width, int height, const std::function<Rgba(int, int)>& pick) {
    RgbaPicture out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.At(x, y) = pick(x, y);
    return out;
}

RgbaPicture MirroredLeftRight(const RgbaPicture& s) {
    return Transformed(s.width, s.height, [&](int x, int y) { return s.At(s.width - 1 - x, y); });
}
RgbaPicture MirroredTopBottom(const RgbaPicture& s) {
    return Transformed(s.width, s.height, [&](int x, int y) { return s.At(x, s.height - 1 - y); });
}
RgbaPicture HalfTurn(const RgbaPicture& s) {
    return MirroredTopBottom(MirroredLeftRight(s));
}
// Clockwise as seen on screen: the bottom-left pixel becomes the top-left one.
RgbaPicture QuarterTurnClockwise(const RgbaPicture& s) {
    return Transformed(s.height, s.width, [&](int x, int y) { return s.At(y, s.height - 1 - x); });
}
RgbaPicture QuarterTurnCounterClockwise(const RgbaPicture& s) {
    return Transformed(s.height, s.width, [&](int x, int y) { return s.At(s.width - 1 - y, x); });
}

TEST(MirrorImageTest, FlipsAboutEitherAxisOrBoth) {
    const RgbaPicture picture = NumberedPicture(5, 3);
    const struct {
        bool horizontal;
        bool vertical;
        RgbaPicture expected;
    } cases[] = {{true, false, MirroredLeftRight(picture)},
                 {false, true, MirroredTopBottom(picture)},
                 {true, true, HalfTurn(picture)}};
    for (const auto& c : cases) {
        cDIBSection buffer = BufferFrom(picture);
        ASSERT_TRUE(buffer.MirrorImage(c.horizontal, c.vertical));
        EXPECT_EQ(PictureFrom(buffer), c.expected) << c.horizontal << c.vertical;
    }
    cDIBSection buffer = BufferFrom(picture);
    EXPECT_FALSE(buffer.MirrorImage(false, false));
    EXPECT_EQ(PictureFrom(buffer), picture);
}

enum class Turn { kNone, kClockwise, kCounterClockwise, kHalf };

struct RotateCase {
    double angle;
    Turn turn;
};

class RotateImageTest : public ::testing::TestWithParam<RotateCase> {};

TEST_P(RotateImageTest, SnapsAnglesToQuarterTurns) {
    const RgbaPicture picture = NumberedPicture(5, 3);
    cDIBSection buffer = BufferFrom(picture);
    buffer.SetAlpha(alpha_class::kBinary);
    ASSERT_TRUE(buffer.RotateImage(GetParam().angle));
    RgbaPicture expected = picture;
    switch (GetParam().turn) {
    case Turn::kNone:
        break;
    case Turn::kClockwise:
        expected = QuarterTurnClockwise(picture);
        break;
    case Turn::kCounterClockwise:
        expected = QuarterTurnCounterClockwise(picture);
        break;
    case Turn::kHalf:
        expected = HalfTurn(picture);
        break;
    }
    EXPECT_EQ(PictureFrom(buffer), expected);
    EXPECT_EQ(buffer.Alpha(), alpha_class::kBinary);
}

INSTANTIATE_TEST_SUITE_P(
    Angles, RotateImageTest,
    ::testing::Values(RotateCase{0, Turn::kNone}, RotateCase{360, Turn::kNone}, RotateCase{-720, Turn::kNone},
                      RotateCase{90, Turn::kClockwise}, RotateCase{45, Turn::kClockwise},
                      RotateCase{179.5, Turn::kClockwise}, RotateCase{450, Turn::kClockwise},
                      RotateCase{270, Turn::kCounterClockwise}, RotateCase{200, Turn::kCounterClockwise},
                      RotateCase{-90, Turn::kCounterClockwise}, RotateCase{-10, Turn::kCounterClockwise},
                      RotateCase{180, Turn::kHalf}, RotateCase{540, Turn::kHalf},
                      RotateCase{-180, Turn::kHalf}));

TEST(RotateImageTest, RefusesAnglesThatAreNotNumbers) {
    cDIBSection buffer = BufferFrom(NumberedPicture(2, 2));
    EXPECT_FALSE(buffer.RotateImage(std::nan("")));
    EXPECT_FALSE(buffer.RotateImage(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(PictureFrom(buffer), NumberedPicture(2, 2));
}

TEST(RotateImageTest, TurnsPicturesLargerThanOneTile) {
    const RgbaPicture picture = NumberedPicture(130, 67);
    cDIBSection buffer = BufferFrom(picture);
    ASSERT_TRUE(buffer.RotateImage(90));
    EXPECT_EQ(PictureFrom(buffer), QuarterTurnClockwise(picture));
    ASSERT_TRUE(buffer.RotateImage(270));
    EXPECT_EQ(PictureFrom(buffer), picture);
}

// A camera stores the picture as its sensor saw it and records in the orientation value how to
// turn it upright. Each case below builds that stored picture from an upright one; applying the
// orientation must give the upright picture back.
struct OrientationCase {
    int orientation;
    std::function<RgbaPicture(const RgbaPicture&)> store;
};

TEST(ApplyExifOrientationTest, TurnsEveryStoredOrientationUpright) {
    const RgbaPicture upright = NumberedPicture(4, 3);
    const std::vector<OrientationCase> cases{
        {1, [](const RgbaPicture& u) { return u; }},
        {2, MirroredLeftRight},
        {3, HalfTurn},
        {4, MirroredTopBottom},
        {5,
         [](const RgbaPicture& u) { // transposed
             return Transformed(u.height, u.width, [&](int x, int y) { return u.At(y, x); });
         }},
        {6, QuarterTurnCounterClockwise},
        {7,
         [](const RgbaPicture& u) { // transposed across the other diagonal
             return Transformed(u.height, u.width,
                                [&](int x, int y) { return u.At(u.width - 1 - y, u.height - 1 - x); });
         }},
        {8, QuarterTurnClockwise},
    };
    for (const OrientationCase& c : cases) {
        cDIBSection buffer = BufferFrom(c.store(upright));
        EXPECT_EQ(ApplyExifOrientation(buffer, c.orientation), c.orientation != 1) << c.orientation;
        EXPECT_EQ(PictureFrom(buffer), upright) << "orientation " << c.orientation;
    }
}

TEST(ApplyExifOrientationTest, IgnoresValuesOutsideOneToEight) {
    for (const int value : {0, 9, -6, 65535}) {
        cDIBSection buffer = BufferFrom(NumberedPicture(4, 3));
        EXPECT_FALSE(ApplyExifOrientation(buffer, value));
        EXPECT_EQ(PictureFrom(buffer), NumberedPicture(4, 3));
    }
}

// ---------------------------------------------------------------------------------------------
// Scaling and copying

RgbaPicture GreyRow(std::initializer_list<uint8_t> levels) {
    RgbaPicture picture(static_cast<int>(levels.size()), 1);
    int x = 0;
    for (const uint8_t level : levels)
        picture.At(x++, 0) = {level, level, level, 255};
    return picture;
}

std::vector<uint8_t> RedLevels(const cDIBSection& buffer) {
    std::vector<uint8_t> levels;
    for (int y = 0; y < buffer.Height(); ++y)
        for (int x = 0; x < buffer.Width(); ++x)
            levels.push_back(PixelAt(buffer, x, y).r);
    return levels;
}

TEST(ResizeTest, ZeroKeepsTheSizeAndNegativeSizesAreRefused) {
    cDIBSection buffer = BufferFrom(NumberedPicture(5, 3));
    EXPECT_TRUE(buffer.Resize(0, 0));
    EXPECT_TRUE(buffer.Resize(5, 3));
    EXPECT_EQ(PictureFrom(buffer), NumberedPicture(5, 3));
    EXPECT_FALSE(buffer.Resize(-5, 3));
    EXPECT_TRUE(buffer.Resize(0, 6));
    EXPECT_EQ(buffer.Width(), 5);
    EXPECT_EQ(buffer.Height(), 6);
}

TEST(ResizeTest, RefusesSizesAboveThePixelLimitAndKeepsThePicture) {
    cDIBSection buffer = BufferFrom(NumberedPicture(5, 3));
    EXPECT_FALSE(buffer.Resize(20000, 20000));
    EXPECT_EQ(PictureFrom(buffer), NumberedPicture(5, 3));
}

TEST(ResizeTest, ShrinkingAveragesAreasAndRoundsHalvesToEven) {
    // 4 x 4 into 2 x 2: each target pixel is the mean of one 2 x 2 block.
    RgbaPicture picture(4, 4);
    const uint8_t levels[4][4] = {{1, 2, 3, 4}, {1, 2, 3, 4}, {0, 1, 2, 3}, {0, 0, 2, 3}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.At(x, y) = {levels[y][x], levels[y][x], levels[y][x], 255};
    cDIBSection buffer = BufferFrom(picture);
    ASSERT_TRUE(buffer.Resize(2, 2));
    // Means 1.5, 3.5, 0.25, 2.5 round to 2, 4, 0, 2.
    EXPECT_EQ(RedLevels(buffer), (std::vector<uint8_t>{2, 4, 0, 2}));
}

TEST(ResizeTest, ShrinkingByFractionsWeighsPartlyCoveredPixels) {
    // 3 into 2: the first target pixel covers source 0 and half of source 1.
    cDIBSection buffer = BufferFrom(GreyRow({0, 90, 180}));
    ASSERT_TRUE(buffer.Resize(2, 1));
    EXPECT_EQ(RedLevels(buffer), (std::vector<uint8_t>{30, 150}));
}

TEST(ResizeTest, EnlargingInterpolatesBetweenNeighbours) {
    cDIBSection buffer = BufferFrom(GreyRow({0, 200}));
    ASSERT_TRUE(buffer.Resize(4, 1));
    EXPECT_EQ(RedLevels(buffer), (std::vector<uint8_t>{0, 50, 150, 200}));
}

TEST(ResizeTest, WithoutHighQualityPicksTheNearestPixel) {
    cDIBSection buffer = BufferFrom(GreyRow({10, 20, 30, 40}));
    buffer.SetHighQualityInterpolation(false);
    ASSERT_TRUE(buffer.Resize(2, 1));
    EXPECT_EQ(RedLevels(buffer), (std::vector<uint8_t>{20, 40}));
}

// An independent account of area averaging: integrate each target pixel's square over the
// source in floating point.
double AreaMean(const RgbaPicture& source, int targetWidth, int targetHeight, int tx, int ty) {
    const double scaleX = static_cast<double>(source.width) / targetWidth;
    const double scaleY = static_cast<double>(source.height) / targetHeight;
    double sum = 0;
    for (int y = 0; y < source.height; ++y) {
        const double coverY =
            std::max(0.0, std::min(y + 1.0, (ty + 1) * scaleY) - std::max<double>(y, ty * scaleY));
        for (int x = 0; x < source.width; ++x) {
            const double coverX =
                std::max(0.0, std::min(x + 1.0, (tx + 1) * scaleX) - std::max<double>(x, tx * scaleX));
            sum += coverX * coverY * source.At(x, y).r;
        }
    }
    return sum / (scaleX * scaleY);
}

TEST(ResizeTest, ReductionToEightByEightIsTheAreaMean) {
    const RgbaPicture picture = NumberedPicture(37, 29);
    cDIBSection buffer = BufferFrom(picture);
    ASSERT_TRUE(buffer.Resize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_NEAR(PixelAt(buffer, x, y).r, AreaMean(picture, 8, 8, x, y), 0.5 + 1e-9) << x << "," << y;
}

// Long runs of whole pixels are summed in blocks; a run of two thousand light pixels per
// target pixel crosses several of them and would overflow blocks that were too long.
TEST(ResizeTest, LongRunsOfLightPixelsAreAveragedExactly) {
    RgbaPicture picture(4003, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4003; ++x)
            picture.At(x, y) = {static_cast<uint8_t>(200 + (x + y) % 56), 255, static_cast<uint8_t>(x % 256),
                                255};
    cDIBSection buffer = BufferFrom(picture);
    ASSERT_TRUE(buffer.Resize(2, 1));
    for (int x = 0; x < 2; ++x)
        EXPECT_NEAR(PixelAt(buffer, x, 0).r, AreaMean(picture, 2, 1, x, 0), 0.5 + 1e-9);
}

TEST(CopyImageToDIBTest, CopiesPictureAndAttributesAtTheSourceSize) {
    cDIBSection source = BufferFrom(NumberedPicture(6, 4));
    source.SetAlpha(alpha_class::kTranslucent);
    source.SetHighQualityInterpolation(false);
    cDIBSection target;
    ASSERT_TRUE(source.CopyImageToDIB(target, 0, 0));
    EXPECT_EQ(PictureFrom(target), NumberedPicture(6, 4));
    EXPECT_EQ(target.ImageType(), source.ImageType());
    EXPECT_EQ(target.Alpha(), alpha_class::kTranslucent);
    EXPECT_FALSE(target.HighQualityInterpolation());
}

TEST(CopyImageToDIBTest, NegativeSizesCountByAbsoluteValueAndZeroKeepsTheSource) {
    const cDIBSection source = BufferFrom(NumberedPicture(6, 4));
    cDIBSection target = BufferFrom(NumberedPicture(2, 2));
    ASSERT_TRUE(source.CopyImageToDIB(target, -3, 0));
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(target.Height(), 4);
    cDIBSection scaled = source;
    ASSERT_TRUE(scaled.Resize(3, 4));
    EXPECT_EQ(PictureFrom(target), PictureFrom(scaled));
}

TEST(CopyImageToDIBTest, CopyingOntoItselfScalesInPlace) {
    cDIBSection buffer = BufferFrom(GreyRow({0, 90, 180}));
    ASSERT_TRUE(buffer.CopyImageToDIB(buffer, 2, 1));
    EXPECT_EQ(RedLevels(buffer), (std::vector<uint8_t>{30, 150}));
}

} // namespace
} // namespace pellvane
