// Picture digests: a JPEG streamed from its file through a strip of rows gives the very digest
// of the whole decoded buffer, for awkward sizes, every kind of JPEG, damaged files and every
// picture of the corpus; files that are no pictures give none, without blocking.

#include "PictureFixtures.h"
#include "imaging/PictureDigest.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace pellvane {
namespace {

namespace fs = std::filesystem;
using test::JpegOptions;
using test::RgbaPicture;

// Noise over a gradient: every fingerprint cell and histogram bin depends on many pixels.
RgbaPicture Noisy(int width, int height) {
    RgbaPicture picture(width, height);
    uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const auto noise = static_cast<int>(state >> 26);
            picture.At(x, y) = {static_cast<uint8_t>((x * 7 + noise) & 0xFF),
                                static_cast<uint8_t>((y * 3 + noise) & 0xFF),
                                static_cast<uint8_t>((x + y + 2 * noise) & 0xFF)};
        }
    return picture;
}

void ExpectSameDigest(const PictureDigest& streamed, const PictureDigest& whole, const std::string& what) {
    EXPECT_EQ(streamed.imageType, whole.imageType) << what;
    EXPECT_EQ(streamed.width, whole.width) << what;
    EXPECT_EQ(streamed.height, whole.height) << what;
    EXPECT_EQ(streamed.alpha, whole.alpha) << what;
    ASSERT_EQ(streamed.fingerprint.has_value(), whole.fingerprint.has_value()) << what;
    if (whole.fingerprint) {
        EXPECT_EQ(streamed.fingerprint->bits, whole.fingerprint->bits) << what;
        EXPECT_EQ(streamed.fingerprint->meanRed, whole.fingerprint->meanRed) << what;
    }
    EXPECT_EQ(streamed.histogram.IsHistogramLoaded(), whole.histogram.IsHistogramLoaded()) << what;
    EXPECT_EQ(streamed.histogram.HistBlue(), whole.histogram.HistBlue()) << what;
    EXPECT_EQ(streamed.histogram.HistGreen(), whole.histogram.HistGreen()) << what;
    EXPECT_EQ(streamed.histogram.HistRed(), whole.histogram.HistRed()) << what;
    EXPECT_EQ(streamed.histogram.HistLuma(), whole.histogram.HistLuma()) << what;
    EXPECT_EQ(streamed.histogram.HistRGB(), whole.histogram.HistRGB()) << what;
}

// The file streamed, and decoded in two bands at once (by default split where the run splits), against the
// file decoded whole, as the window decodes it.
void ExpectStreamMatchesBuffer(const fs::path& path,
                               std::initializer_list<int32_t> upperBandPercents = {50}) {
    cDIBSection buffer;
    const bool loads = buffer.LoadPicture_File(path);
    std::vector<std::pair<std::string, std::optional<PictureDigest>>> digests;
    digests.emplace_back("streamed", DigestPictureFile(path));
    for (const int32_t percent : upperBandPercents)
        digests.emplace_back("upper band " + std::to_string(percent) + "%",
                             cDigestJob(path, {}, percent).Finish());
    for (const auto& [how, digest] : digests) {
        ASSERT_EQ(digest.has_value(), loads) << path << ", " << how;
        if (loads) ExpectSameDigest(*digest, DigestPicture(buffer), path.string() + ", " + how);
    }
}

class PictureDigestTest : public ::testing::Test {
  protected:
    fs::path Write(const std::string& name, const test::Bytes& bytes) {
        const fs::path path = folder_.Path() / name;
        test::WriteFileBytes(path, bytes);
        return path;
    }
    test::ScopedTempFolder folder_;
};

// Sizes below the 8 x 8 of the fingerprint, strips cut mid-picture, sampling steps of 2 to 4
// whose walk wraps across row ends, and a single column.
TEST_F(PictureDigestTest, StreamedJpegGivesTheDigestOfTheWholeBuffer) {
    enum class Kind { kBaseline, kProgressive, kGrey, kCmyk };
    const struct {
        int width;
        int height;
        Kind kind;
    } cases[] = {
        {1, 1, Kind::kBaseline},   {7, 5, Kind::kBaseline},        {100, 17, Kind::kBaseline},
        {3, 750, Kind::kBaseline}, {33, 1251, Kind::kProgressive}, {1, 1750, Kind::kBaseline},
        {641, 1000, Kind::kGrey},  {64, 48, Kind::kCmyk},
    };
    for (const auto& c : cases) {
        JpegOptions options;
        options.progressive = c.kind == Kind::kProgressive;
        options.grey = c.kind == Kind::kGrey;
        options.adobeCmyk = c.kind == Kind::kCmyk;
        const fs::path path = Write("picture.jpg", test::EncodeJpeg(Noisy(c.width, c.height), options));
        ExpectStreamMatchesBuffer(path);
        const std::optional<PictureDigest> streamed = DigestPictureFile(path);
        ASSERT_TRUE(streamed) << c.width << " x " << c.height;
        EXPECT_TRUE(streamed->fingerprint && streamed->histogram.IsHistogramLoaded());
    }
}

// Pictures large enough to decode in two bands, split anywhere: at the top, in the middle of a
// row of blocks, at the bottom; a truncated one fails in every band as the whole decode does.
TEST_F(PictureDigestTest, BandsGiveTheDigestOfTheWholeBuffer) {
    const test::Bytes jpeg = test::EncodeJpeg(Noisy(1500, 1401));
    ExpectStreamMatchesBuffer(Write("large.jpg", jpeg), {0, 33, 50, 99, 100});
    const test::Bytes head(jpeg.begin(), jpeg.begin() + static_cast<ptrdiff_t>(jpeg.size() * 0.8));
    ExpectStreamMatchesBuffer(Write("cut.jpg", head), {30, 90});
}

// A truncated picture fails or decodes in both ways alike, wherever it ends.
TEST_F(PictureDigestTest, TruncatedJpegFailsAsTheWholeDecodeFails) {
    const test::Bytes whole = test::EncodeJpeg(Noisy(200, 120));
    for (const double kept : {0.3, 0.7, 0.99}) {
        const test::Bytes head(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() * kept));
        ExpectStreamMatchesBuffer(Write("cut.jpg", head));
    }
    test::Bytes withoutEnd(whole.begin(), whole.end() - 2); // no end-of-image marker
    ExpectStreamMatchesBuffer(Write("open.jpg", withoutEnd));
}

TEST_F(PictureDigestTest, OnlyTheAskedPartsAreComputed) {
    const fs::path path = Write("picture.jpg", test::EncodeJpeg(Noisy(40, 30)));
    const std::optional<PictureDigest> sizeOnly =
        DigestPictureFile(path, {.fingerprint = false, .histogram = false});
    ASSERT_TRUE(sizeOnly);
    EXPECT_EQ(sizeOnly->width, 40);
    EXPECT_FALSE(sizeOnly->fingerprint);
    EXPECT_FALSE(sizeOnly->histogram.IsHistogramLoaded());
    EXPECT_TRUE(DecodesAsPicture(path.string()));
}

TEST_F(PictureDigestTest, WhatIsNoPictureGivesNoDigestWithoutBlocking) {
    const test::Bytes jpeg = test::EncodeJpeg(Noisy(16, 16));
    const fs::path shortFile = Write("short.jpg", test::Bytes(jpeg.begin(), jpeg.begin() + 56));
    const fs::path pipe = folder_.Path() / "pipe.jpg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& path : {shortFile, pipe, folder_.Path(), folder_.Path() / "missing.jpg"}) {
        EXPECT_FALSE(DigestPictureFile(path)) << path;
        EXPECT_FALSE(DecodesAsPicture(path.string())) << path;
    }
}

// Every file of the corpus, damaged ones included: the command line's digest and the window's.
TEST(PictureDigestCorpusTest, EveryCorpusFileDigestsAlikeStreamedAndWhole) {
    const fs::path corpus = PELLVANE_CORPUS_DIR;
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || TestImageType(entry.path()) != image_type::kJpeg) continue;
        ExpectStreamMatchesBuffer(entry.path());
        ++compared;
    }
    EXPECT_GT(compared, 100);
}

} // namespace
} // namespace pellvane
