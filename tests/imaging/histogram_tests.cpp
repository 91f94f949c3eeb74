// Colour histograms: what is counted, the sampled walk over tall pictures, and the continuity
// judgement.

#include "PictureFixtures.h"
#include "imaging/cHistogram.h"

#include <gtest/gtest.h>

#include <numeric>

namespace pellvane {
namespace {

using test::BufferFrom;
using test::Rgba;
using test::RgbaPicture;

int64_t Total(const cHistogram::Counts& counts) {
    return std::accumulate(counts.begin(), counts.end(), int64_t{0});
}

// ---------------------------------------------------------------------------------------------
// Counting

TEST(LoadHistogramTest, CountsChannelsLumaAndTheirSum) {
    // Luma 0.299 R + 0.114 B + 0.587 G: pure red 76.245, green 149.685, blue 29.07; the last
    // three are exact halves, 28.5, 7.5 and 14.5, which round to the even neighbour.
    const std::vector<Rgba> colours{{255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                    {0, 0, 250}, {0, 12, 4},  {0, 8, 86}};
    RgbaPicture picture(static_cast<int>(colours.size()), 1);
    for (size_t i = 0; i < colours.size(); ++i)
        picture.At(static_cast<int>(i), 0) = colours[i];

    cHistogram histogram;
    ASSERT_TRUE(histogram.LoadHistogram(BufferFrom(picture), true));
    EXPECT_TRUE(histogram.IsHistogramLoaded());
    EXPECT_EQ(histogram.HistRed()[255], 1);
    EXPECT_EQ(histogram.HistRed()[0], 5);
    EXPECT_EQ(histogram.HistGreen()[12], 1);
    EXPECT_EQ(histogram.HistBlue()[86], 1);
    for (const int luma : {76, 150, 29, 28, 8, 14})
        EXPECT_EQ(histogram.HistLuma()[luma], 1) << "luma " << luma;
    EXPECT_EQ(Total(histogram.HistLuma()), 6);
    // Each pixel adds three counts to the sum histogram, into one bin where values coincide.
    EXPECT_EQ(histogram.HistRGB()[0], 10);
    EXPECT_EQ(histogram.HistRGB()[255], 3);
    EXPECT_EQ(Total(histogram.HistRGB()), 18);
}

TEST(LoadHistogramTest, EmptyBufferKeepsThePreviousCounts) {
    cHistogram histogram;
    ASSERT_TRUE(histogram.LoadHistogram(BufferFrom(RgbaPicture(4, 4, {9, 9, 9})), false));
    EXPECT_FALSE(histogram.LoadHistogram(cDIBSection(), true));
    EXPECT_TRUE(histogram.IsHistogramLoaded());
    EXPECT_EQ(histogram.HistRed()[9], 16);
}

TEST(LoadHistogramTest, ClearingEmptiesEveryCount) {
    cHistogram histogram;
    ASSERT_TRUE(histogram.LoadHistogram(BufferFrom(RgbaPicture(4, 4, {9, 9, 9})), false));
    histogram.ClearHistogramData();
    EXPECT_FALSE(histogram.IsHistogramLoaded());
    EXPECT_EQ(Total(histogram.HistRed()) + Total(histogram.HistGreen()) + Total(histogram.HistBlue()) +
                  Total(histogram.HistLuma()) + Total(histogram.HistRGB()),
              0);
    EXPECT_EQ(histogram.TestContinuity(2.5f), 0);
}

// ---------------------------------------------------------------------------------------------
// The sampled walk

TEST(SampleStepTest, DividesTheHeightByFiveHundredRoundingHalvesToEven) {
    const std::pair<int32_t, int32_t> steps[] = {{1, 1},    {499, 1},  {500, 1},  {749, 1},  {750, 2},
                                                 {1000, 2}, {1250, 2}, {1251, 3}, {1750, 4}, {2250, 4},
                                                 {2750, 6}, {3000, 6}, {3024, 6}, {4000, 8}, {65535, 131}};
    for (const auto& [height, step] : steps)
        EXPECT_EQ(cHistogram::SampleStep(height, true), step) << height;
    EXPECT_EQ(cHistogram::SampleStep(3000, false), 1);
}

TEST(SampledWalkTest, CountsEveryPixelOfPicturesUpToSevenHundredFortyNineRows) {
    cHistogram histogram;
    ASSERT_TRUE(histogram.LoadHistogram(BufferFrom(RgbaPicture(13, 749, {1, 2, 3})), true));
    EXPECT_EQ(histogram.HistRed()[1], 13 * 749);
}

// With step 2 and width 3 the walk reads memory row 0 at columns 0 and 2; after that, for every
// row counter y = 2, 4, ..., it reads the row just after the previous counter's row one pixel in
// (column 1) and its next sample wraps to column 0 of row y.
TEST(SampledWalkTest, FollowsTheCursorAcrossRowEnds) {
    constexpr int kWidth = 3;
    constexpr int kHeight = 750; // step 2
    const auto memoryRowToTop = [](int row) { return kHeight - 1 - row; };
    RgbaPicture picture(kWidth, kHeight, {0, 0, 2}); // blue 2: must not be read
    picture.At(0, memoryRowToTop(0)).b = 1;
    picture.At(2, memoryRowToTop(0)).b = 1;
    for (int y = 2; y < kHeight; y += 2) {
        picture.At(1, memoryRowToTop(y - 1)).b = 1;
        picture.At(0, memoryRowToTop(y)).b = 1;
    }
    cHistogram histogram;
    ASSERT_TRUE(histogram.LoadHistogram(BufferFrom(picture), true));
    EXPECT_EQ(histogram.HistBlue()[1], kHeight);
    EXPECT_EQ(histogram.HistBlue()[2], 0);
}

TEST(SampledWalkTest, TakesOneSamplePerStepInEachDirection) {
    const struct {
        int width;
        int height;
    } sizes[] = {{5, 1250}, {7, 3000}, {1, 1000}, {640, 2000}, {2, 2750}, {641, 1751}};
    for (const auto& size : sizes) {
        const int step = cHistogram::SampleStep(size.height, true);
        const int64_t rows = (size.height + step - 1) / step;
        const int64_t columns = (size.width + step - 1) / step;
        cHistogram histogram;
        ASSERT_TRUE(
            histogram.LoadHistogram(BufferFrom(RgbaPicture(size.width, size.height, {7, 7, 7})), true));
        EXPECT_EQ(Total(histogram.HistRed()), rows * columns) << size.width << "x" << size.height;
    }
}

// ---------------------------------------------------------------------------------------------
// Continuity

// A picture whose red, green and blue values each follow the given counts (value v appears
// counts[v] times). Channels with fewer counts than others are padded with value 0, a bin that
// is never judged.
RgbaPicture PictureWithCounts(const cHistogram::Counts& red, const cHistogram::Counts& green,
                              const cHistogram::Counts& blue) {
    const auto values = [](const cHistogram::Counts& counts) {
        std::vector<uint8_t> out;
        for (int v = 0; v < 256; ++v)
            out.insert(out.end(), static_cast<size_t>(counts[static_cast<size_t>(v)]),
                       static_cast<uint8_t>(v));
        return out;
    };
    std::vector<uint8_t> r = values(red), g = values(green), b = values(blue);
    const size_t count = std::max({r.size(), g.size(), b.size()});
    r.resize(count, 0);
    g.resize(count, 0);
    b.resize(count, 0);
    RgbaPicture picture(static_cast<int>(count), 1);
    for (size_t i = 0; i < count; ++i)
        picture.At(static_cast<int>(i), 0) = {r[i], g[i], b[i], 255};
    return picture;
}

int16_t Judge(const RgbaPicture& picture, float threshold = 2.5f) {
    cHistogram histogram;
    EXPECT_TRUE(histogram.LoadHistogram(BufferFrom(picture), true));
    return histogram.TestContinuity(threshold);
}

const cHistogram::Counts kEmpty{};

// Every value 100 times, except `dips` values seven apart that appear only 10 times: each dip
// sits among full neighbours and is suspicious.
cHistogram::Counts Comb(int dips) {
    cHistogram::Counts counts;
    counts.fill(100);
    for (int k = 0; k < dips; ++k)
        counts[static_cast<size_t>(10 + 7 * k)] = 10;
    return counts;
}

TEST(TestContinuityTest, NothingLoadedGivesNoLevel) {
    EXPECT_EQ(cHistogram().TestContinuity(2.5f), 0);
}

TEST(TestContinuityTest, UniformGreyPasses) {
    EXPECT_EQ(Judge(RgbaPicture(40, 30, {128, 128, 128})), 5);
    EXPECT_EQ(Judge(RgbaPicture(40, 1200, {128, 128, 128})), 5);
}

TEST(TestContinuityTest, StretchedRangeWithEmptyBinsBetweenPasses) {
    cHistogram::Counts everySecond{};
    for (int v = 0; v < 256; v += 2)
        everySecond[static_cast<size_t>(v)] = 50;
    EXPECT_EQ(Judge(PictureWithCounts(everySecond, everySecond, everySecond)), 5);
}

TEST(TestContinuityTest, LevelFollowsTheNumberOfSuspiciousBins) {
    const std::pair<int, int16_t> cases[] = {{0, 5},  {14, 5}, {15, 4}, {24, 4},
                                             {25, 3}, {29, 3}, {30, 2}, {33, 2}};
    for (const auto& [dips, level] : cases)
        EXPECT_EQ(Judge(PictureWithCounts(Comb(dips), kEmpty, kEmpty)), level) << dips << " dips in red";
}

TEST(TestContinuityTest, SuspiciousBinsOfAllThreeChannelsAddUp) {
    EXPECT_EQ(Judge(PictureWithCounts(Comb(5), Comb(5), Comb(4))), 5);
    EXPECT_EQ(Judge(PictureWithCounts(Comb(5), Comb(5), Comb(5))), 4);
    EXPECT_EQ(Judge(PictureWithCounts(Comb(10), Comb(10), Comb(10))), 2);
}

// Fifteen isolated dips: a bin of 10 between two bins of 100, nothing further out. Red weighs the
// nearest neighbours 0.4 and expects 40 (deviation 3); green and blue weigh them 0.35 and
// expect 35, a deviation of exactly 2.5, which is not above a threshold of 2.5.
TEST(TestContinuityTest, RedWeighsNeighboursDifferentlyAndOnlyDeviationsAboveTheThresholdCount) {
    cHistogram::Counts isolated{};
    for (int k = 0; k < 15; ++k) {
        const size_t centre = static_cast<size_t>(20 + 12 * k);
        isolated[centre - 1] = 100;
        isolated[centre] = 10;
        isolated[centre + 1] = 100;
    }
    const struct {
        const char* channel;
        RgbaPicture picture;
        float threshold;
        int16_t level;
    } cases[] = {
        {"red", PictureWithCounts(isolated, kEmpty, kEmpty), 2.5f, 4},
        {"green", PictureWithCounts(kEmpty, isolated, kEmpty), 2.5f, 5},
        {"blue", PictureWithCounts(kEmpty, kEmpty, isolated), 2.5f, 5},
        {"green", PictureWithCounts(kEmpty, isolated, kEmpty), 2.4f, 4},
        {"red", PictureWithCounts(isolated, kEmpty, kEmpty), 3.0f, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Judge(c.picture, c.threshold), c.level) << c.channel << " " << c.threshold;
}

// The bins the report marks are exactly the dips the judgement counts, channel by channel, with
// each channel's own weights.
TEST(SuspiciousBinsTest, NameTheDipsTheJudgementCountsInEachChannel) {
    cHistogram::Counts isolated{};
    std::vector<int32_t> centres;
    for (int k = 0; k < 15; ++k) {
        const size_t centre = static_cast<size_t>(20 + 12 * k);
        isolated[centre - 1] = 100;
        isolated[centre] = 10;
        isolated[centre + 1] = 100;
        centres.push_back(static_cast<int32_t>(centre));
    }
    cHistogram histogram;
    EXPECT_TRUE(histogram.SuspiciousBins(cHistogram::Channel::Red, 2.5f).empty()) << "nothing loaded";
    ASSERT_TRUE(histogram.LoadHistogram(BufferFrom(PictureWithCounts(isolated, isolated, Comb(6))), true));
    EXPECT_EQ(histogram.SuspiciousBins(cHistogram::Channel::Red, 2.5f), centres);
    EXPECT_TRUE(histogram.SuspiciousBins(cHistogram::Channel::Green, 2.5f).empty()); // 2.5 is not above 2.5
    EXPECT_EQ(histogram.SuspiciousBins(cHistogram::Channel::Green, 2.4f), centres);
    EXPECT_EQ(histogram.SuspiciousBins(cHistogram::Channel::Blue, 2.5f),
              (std::vector<int32_t>{10, 17, 24, 31, 38, 45}));
    EXPECT_EQ(histogram.TestContinuity(2.5f), 4); // 15 + 0 + 6 bins
}

} // namespace
} // namespace pellvane
