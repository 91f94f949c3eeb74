// Average-hash fingerprints: the bits of an 8 x 8 picture, and the similarity levels that the
// comparison of two fingerprints gives.

#include "PictureFixtures.h"
#include "imaging/Fingerprint.h"
#include "imaging/cDIBSection.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::BufferFrom;
using test::NumberedPicture;
using test::PictureFrom;
using test::PixelAt;
using test::Rgba;
using test::RgbaPicture;

RgbaPicture Uniform(int width, int height, Rgba colour) {
    return RgbaPicture(width, height, colour);
}

TEST(GetHashValueTest, AnyOtherSizeThanEightByEightGivesNothingAndChangesNothing) {
    for (const auto& [width, height] : {std::pair{9, 8}, std::pair{8, 9}, std::pair{1, 1}}) {
        const RgbaPicture picture = NumberedPicture(width, height);
        cDIBSection buffer = BufferFrom(picture);
        EXPECT_FALSE(buffer.GetHashValue().has_value()) << width << "x" << height;
        EXPECT_EQ(PictureFrom(buffer), picture);
    }
}

TEST(GetHashValueTest, UniformPictureSetsEveryBitAndReportsItsColour) {
    cDIBSection buffer = BufferFrom(Uniform(8, 8, {200, 100, 50, 255}));
    const std::optional<HashValue> hash = buffer.GetHashValue();
    ASSERT_TRUE(hash.has_value());
    EXPECT_EQ(hash->bits, (Fingerprint{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(hash->meanRed, 200);
    EXPECT_EQ(hash->meanGreen, 100);
    EXPECT_EQ(hash->meanBlue, 50);
    EXPECT_EQ(PictureFrom(buffer), Uniform(8, 8, {255, 255, 255, 255}));
}

TEST(GetHashValueTest, BitCOfByteRIsColumnCOfMemoryRowRCountedFromTheBottom) {
    RgbaPicture picture = Uniform(8, 8, {10, 10, 10, 255});
    // Memory row 2 is the third row from the bottom: row 5 from the top.
    picture.At(5, 5) = {250, 250, 250, 255};
    cDIBSection buffer = BufferFrom(picture);
    const std::optional<HashValue> hash = buffer.GetHashValue();
    ASSERT_TRUE(hash.has_value());
    EXPECT_EQ(hash->bits, (Fingerprint{0, 0, 1 << 5, 0, 0, 0, 0, 0}));
    // The light pixel turns white and the others the mean colour (13.75 rounds to 14).
    EXPECT_EQ(PixelAt(buffer, 5, 5), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(PixelAt(buffer, 0, 0), (Rgba{14, 14, 14, 255}));
}

TEST(GetHashValueTest, MeanGreyRoundsHalfToEven) {
    // Half the pixels grey 3, half grey 2: the mean 2.5 rounds to 2, so every pixel is at least
    // as light as the mean. Rounding half up would clear the bits of the grey-2 pixels.
    RgbaPicture picture = Uniform(8, 8, {3, 3, 3, 255});
    for (int y = 0; y < 8; y += 2)
        for (int x = 0; x < 8; ++x)
            picture.At(x, y) = {2, 2, 2, 255};
    cDIBSection buffer = BufferFrom(picture);
    const std::optional<HashValue> hash = buffer.GetHashValue();
    ASSERT_TRUE(hash.has_value());
    EXPECT_EQ(hash->bits, (Fingerprint{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(hash->meanRed, 2);
}

TEST(MakeFingerprintTest, EqualsCopyingAtFullSizeThenShrinkingTheCopy) {
    const cDIBSection picture = BufferFrom(NumberedPicture(61, 45));
    cDIBSection copy;
    ASSERT_TRUE(picture.CopyImageToDIB(copy, 0, 0));
    ASSERT_TRUE(copy.Resize(8, 8));
    const std::optional<HashValue> expected = copy.GetHashValue();
    const std::optional<HashValue> actual = MakeFingerprint(picture);
    ASSERT_TRUE(expected && actual);
    EXPECT_EQ(actual->bits, expected->bits);
    EXPECT_EQ(actual->meanRed, expected->meanRed);
    EXPECT_EQ(PictureFrom(picture), NumberedPicture(61, 45)) << "the picture itself is left alone";
}

TEST(MakeFingerprintTest, EmptyBufferHasNoFingerprint) {
    EXPECT_FALSE(MakeFingerprint(cDIBSection()).has_value());
}

// A picture with a known fingerprint (a checkerboard of 2 x 2 blocks) and references that agree
// with it on exactly m bits.
class HashSimilarityLevelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RgbaPicture board(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                board.At(x, y) =
                    ((x / 2 + y / 2) % 2 == 0) ? Rgba{230, 220, 210, 255} : Rgba{20, 30, 40, 255};
        picture_ = BufferFrom(board);
        cDIBSection scratch = picture_;
        own_ = scratch.GetHashValue().value().bits;
    }

    Fingerprint AgreeingOn(int equalBits) const {
        Fingerprint reference = own_;
        for (int bit = 0; bit < 64 - equalBits; ++bit)
            reference[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
        return reference;
    }

    cDIBSection picture_;
    Fingerprint own_{};
};

TEST_F(HashSimilarityLevelTest, LevelFollowsTheDistanceThresholds) {
    struct Case {
        int equalBits;
        int16_t fromPass;    // the level when the current level is 5
        int16_t fromSuspect; // the level when the current level is 3
    };
    // d = sqrt(|m - 32| / 32): 0.586 at |m - 32| = 11, 0.612 at 12, 0.884 at 25, 0.901 at 26,
    // 0.935 at 28, 0.952 at 29.
    const Case cases[] = {{64, 5, 3}, {0, 5, 3},  {61, 5, 3}, {3, 5, 3},  {60, 4, 3}, {58, 4, 3},
                          {57, 3, 3}, {44, 3, 3}, {20, 3, 3}, {43, 2, 2}, {32, 2, 2}, {21, 2, 2}};
    for (const Case& c : cases) {
        const Fingerprint reference = AgreeingOn(c.equalBits);
        ASSERT_EQ(CountEqualBits(own_, reference), c.equalBits);
        EXPECT_EQ(HashSimilarityLevel(picture_, reference, 5), c.fromPass) << c.equalBits << " equal bits";
        EXPECT_EQ(HashSimilarityLevel(picture_, reference, 3), c.fromSuspect) << c.equalBits << " equal bits";
    }
}

TEST_F(HashSimilarityLevelTest, ExactInverseCountsAsMuchAsAnIdenticalCopy) {
    Fingerprint inverse = own_;
    for (uint8_t& byte : inverse)
        byte = static_cast<uint8_t>(~byte);
    EXPECT_EQ(HashSimilarityLevel(picture_, inverse, 4), HashSimilarityLevel(picture_, own_, 4));
    EXPECT_EQ(HashSimilarityLevel(picture_, own_, 4), 4);
}

TEST_F(HashSimilarityLevelTest, ComparesAShrunkCopyAndLeavesThePictureAlone) {
    // The same board at 64 x 64 (each pixel repeated 8 x 8 times) shrinks back to it.
    cDIBSection blocky = picture_;
    blocky.SetHighQualityInterpolation(false);
    cDIBSection large;
    ASSERT_TRUE(blocky.CopyImageToDIB(large, 64, 64));
    large.SetHighQualityInterpolation(true);
    const cDIBSection before = large;
    EXPECT_EQ(HashSimilarityLevel(large, own_, 5), 5);
    EXPECT_EQ(PictureFrom(large), PictureFrom(before));
}

TEST_F(HashSimilarityLevelTest, EmptyBufferCannotVouchForItself) {
    EXPECT_EQ(HashSimilarityLevel(cDIBSection(), own_, 5), 2);
}

} // namespace
} // namespace pellvane
