#include "imaging/cHistogram.h"

#include "imaging/Rounding.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pellvane {

namespace {

// Pictures up to this height are counted in full even in sampled mode; taller ones with a step
// that keeps the work near this many rows' worth of samples.
constexpr int32_t kSampledRows = 500;

// The continuity test judges bins 5 to 250: each needs five neighbours on both sides.
constexpr int kNeighbours = 5;
using NeighbourWeights = std::array<double, kNeighbours>; // nearest first

constexpr NeighbourWeights kRedWeights{0.4, 0.3, 0.15, 0.1, 0.05};
constexpr NeighbourWeights kGreenBlueWeights{0.35, 0.3, 0.15, 0.1, 0.1};

// Bins are judged suspicious in these numbers before the level drops.
constexpr int kUncertainFrom = 15;
constexpr int kSuspectedFrom = 25;
constexpr int kHighlySuspectedFrom = 30;

// The products of the luma weights with every level. Looking them up gives the very same
// double values as multiplying each time.
struct LumaProducts {
    std::array<double, 256> red{}, green{}, blue{};
    LumaProducts() {
        for (int level = 0; level < 256; ++level) {
            red[static_cast<size_t>(level)] = 0.299 * level;
            green[static_cast<size_t>(level)] = 0.587 * level;
            blue[static_cast<size_t>(level)] = 0.114 * level;
        }
    }
};
const LumaProducts kLuma;

// The luma of a pixel, 0.299 R + 0.114 B + 0.587 G in double precision and added in that order,
// rounded half to even. The sum lies between 0 and 255, so the integer part is taken by
// conversion. Whether to round up is worked out without branches: the fractions of photo pixels
// are as good as random, and a mispredicted branch per sample costs more than all the rest.
int LumaIndex(uint8_t blue, uint8_t green, uint8_t red) {
    const double luma = kLuma.red[red] + kLuma.blue[blue] + kLuma.green[green];
    const int whole = static_cast<int>(luma);
    const double fraction = luma - whole;
    const int up = static_cast<int>(fraction > 0.5) | (static_cast<int>(fraction == 0.5) & whole & 1);
    return std::min(whole + up, 255);
}

int64_t SmoothedSide(const cHistogram::Counts& counts, int centre, int direction,
                     const NeighbourWeights& weights) {
    double sum = 0.0;
    for (int k = 0; k < kNeighbours; ++k)
        sum += weights[static_cast<size_t>(k)] * counts[static_cast<size_t>(centre + direction * (k + 1))];
    return static_cast<int64_t>(RoundHalfEven(sum));
}

// A bin counts when it is not empty and its neighbourhood expects a count that differs from its
// own by more than threshold times it. An empty bin never counts, so the empty bins of a
// stretched range and the spikes of a squeezed one pass; only a near-empty bin among full
// neighbours (a dip) does not.
bool IsSuspiciousBin(const cHistogram::Counts& counts, int centre, const NeighbourWeights& weights,
                     float threshold) {
    const int32_t own = counts[static_cast<size_t>(centre)];
    if (own <= 0) return false;
    const int64_t left = SmoothedSide(counts, centre, -1, weights);
    const int64_t right = SmoothedSide(counts, centre, +1, weights);
    const int64_t expected = static_cast<int64_t>(RoundHalfEven(static_cast<double>(left + right) / 2.0));
    const double deviation = std::abs(static_cast<double>(expected - own)) / own;
    return deviation > static_cast<double>(threshold);
}

std::vector<int32_t> SuspiciousBinsOf(const cHistogram::Counts& counts, const NeighbourWeights& weights,
                                      float threshold) {
    std::vector<int32_t> bins;
    for (int centre = kNeighbours; centre <= 255 - kNeighbours; ++centre)
        if (IsSuspiciousBin(counts, centre, weights, threshold)) bins.push_back(centre);
    return bins;
}

int CountSuspiciousBins(const cHistogram::Counts& counts, const NeighbourWeights& weights, float threshold) {
    return static_cast<int>(SuspiciousBinsOf(counts, weights, threshold).size());
}

int16_t LevelFromSuspiciousBins(int total) {
    if (total < kUncertainFrom) return 5;
    if (total < kSuspectedFrom) return 4;
    if (total < kHighlySuspectedFrom) return 3;
    return 2;
}

} // namespace

void cHistogram::ClearHistogramData() {
    blue_.fill(0);
    green_.fill(0);
    red_.fill(0);
    luma_.fill(0);
    rgb_.fill(0);
    loaded_ = false;
}

int16_t cHistogram::TestContinuity(float threshold) const {
    if (!loaded_) return 0;
    const int total = CountSuspiciousBins(red_, kRedWeights, threshold) +
                      CountSuspiciousBins(green_, kGreenBlueWeights, threshold) +
                      CountSuspiciousBins(blue_, kGreenBlueWeights, threshold);
    return LevelFromSuspiciousBins(total);
}

std::vector<int32_t> cHistogram::SuspiciousBins(Channel channel, float threshold) const {
    if (!loaded_) return {};
    switch (channel) {
    case Channel::Red:
        return SuspiciousBinsOf(red_, kRedWeights, threshold);
    case Channel::Green:
        return SuspiciousBinsOf(green_, kGreenBlueWeights, threshold);
    case Channel::Blue:
        return SuspiciousBinsOf(blue_, kGreenBlueWeights, threshold);
    }
    return {};
}

int32_t cHistogram::SampleStep(int32_t height, bool sampled) {
    if (!sampled || height / kSampledRows < 1) return 1;
    return RoundHalfEvenToInt(static_cast<double>(height) / kSampledRows);
}

void cHistogram::CountPixel(const uint8_t* pixel) {
    const uint8_t blue = pixel[0], green = pixel[1], red = pixel[2];
    ++blue_[blue];
    ++green_[green];
    ++red_[red];
    ++luma_[static_cast<size_t>(LumaIndex(blue, green, red))];
}

// The walk visits every step-th column of every step-th row counter, but it does not jump to
// the start of each counted row: after a row the cursor goes to the pixel y x width + x_end, where
// x_end is the first multiple of the step not less than the width. With step 1 that is exactly
// every pixel in memory order; with a larger step it reads memory row 0 and then the rows just
// after each previous counter's row, some way into them, wrapping into the next row where a
// sample lies past a row's end. The sampled histogram of a picture is defined by this walk, so it
// is kept as it is. Planned ahead as runs of samples per memory row, it can count rows in
// whatever order a decoder delivers them. The cursor never passes the end of the pixel memory;
// the plan only guards that promise.
void cHistogram::BeginRows(int32_t width, int32_t height, bool sampled) {
    ClearHistogramData();
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    step_ = SampleStep(height, sampled);
    runs_.clear();
    // Counted per row while planning (the runs come in row order), then summed into starts.
    rowRunStarts_.assign(static_cast<size_t>(height_) + 1, 0);
    int64_t cursor = 0;
    for (int64_t y = 0; y <= height_ - 1; y += step_) {
        const int64_t samples = (width_ + step_ - 1) / step_; // the column counter's iterations
        PlanRuns(cursor, samples);
        cursor = y * width_ + samples * step_;
    }
    for (size_t row = 1; row < rowRunStarts_.size(); ++row)
        rowRunStarts_[row] += rowRunStarts_[row - 1];
}

// Splits the samples start, start + step, ... into runs within one memory row each.
void cHistogram::PlanRuns(int64_t start, int64_t samples) {
    const int64_t pixelCount = width_ * height_;
    for (int64_t taken = 0; taken < samples;) {
        const int64_t index = start + taken * step_;
        if (index >= pixelCount) return;
        const int64_t column = index % width_;
        const int64_t inRow = std::min(samples - taken, (width_ - 1 - column) / step_ + 1);
        runs_.push_back(SampleRun{column, inRow});
        ++rowRunStarts_[static_cast<size_t>(index / width_) + 1];
        taken += inRow;
    }
}

void cHistogram::CountRow(int32_t memoryRow, std::span<const uint8_t> pixels) {
    if (memoryRow < 0 || static_cast<size_t>(memoryRow) + 1 >= rowRunStarts_.size() ||
        pixels.size() < static_cast<size_t>(width_) * cDIBSection::kBytesPerPixel)
        return;
    const size_t stride = static_cast<size_t>(step_) * cDIBSection::kBytesPerPixel;
    for (uint32_t r = rowRunStarts_[static_cast<size_t>(memoryRow)];
         r < rowRunStarts_[static_cast<size_t>(memoryRow) + 1]; ++r) {
        const uint8_t* pixel =
            pixels.data() + static_cast<size_t>(runs_[r].firstColumn) * cDIBSection::kBytesPerPixel;
        for (int64_t k = 0; k < runs_[r].count; ++k, pixel += stride)
            CountPixel(pixel);
    }
}

void cHistogram::EndRows() {
    // Every sampled pixel adds its blue, green and red value to the sum histogram.
    for (size_t level = 0; level < rgb_.size(); ++level)
        rgb_[level] = blue_[level] + green_[level] + red_[level];
    loaded_ = true;
    // The plan is done with; emptied, it costs a copy of the counts nothing, and its memory
    // serves the next picture.
    runs_.clear();
    rowRunStarts_.clear();
}

void cHistogram::AddRowCounts(const cHistogram& other) {
    for (size_t level = 0; level < blue_.size(); ++level) {
        blue_[level] += other.blue_[level];
        green_[level] += other.green_[level];
        red_[level] += other.red_[level];
        luma_[level] += other.luma_[level];
    }
}

bool cHistogram::LoadHistogram(const cDIBSection& picture, bool sampled) {
    if (picture.IsEmpty()) return false;
    BeginRows(picture.Width(), picture.Height(), sampled);
    for (int32_t row = 0; row < picture.Height(); ++row)
        CountRow(row, picture.MemoryRow(row));
    EndRows();
    return true;
}

} // namespace pellvane
