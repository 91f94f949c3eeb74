#pragma once
// Colour histograms of a decoded picture and the judgement whether they run smoothly from one
// value to the next. A picture straight from a camera has histograms without isolated dips;
// levels, curves or colour corrections applied afterwards stretch or squeeze the value range and
// leave regularly spaced near-empty bins behind.

#include "imaging/cDIBSection.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pellvane {

class cHistogram {
  public:
    using Counts = std::array<int32_t, 256>;

    // The threshold the analysis judges its pictures with.
    static constexpr float kAnalysisThreshold = 2.5f;

    // Sets every count to 0 and marks the histogram as not loaded.
    void ClearHistogramData();
    bool IsHistogramLoaded() const { return loaded_; }

    // A status level from the number of suspicious bins in the red, green and blue histograms:
    // fewer than 15 gives 5 ("Pass"), 15 to 24 gives 4, 25 to 29 gives 3, 30 or more gives 2.
    // A bin is suspicious when it is not empty and the value expected from its five neighbours
    // on each side differs from it by more than threshold times its count. 0 when nothing is
    // loaded.
    int16_t TestContinuity(float threshold) const;

    // The bins TestContinuity counts as suspicious in one channel, in ascending order: the
    // places where the histogram's continuity breaks. Empty when nothing is loaded.
    enum class Channel { Red, Green, Blue };
    std::vector<int32_t> SuspiciousBins(Channel channel, float threshold) const;

    // Counts the picture's pixels, replacing the previous counts. In sampled mode a tall picture
    // is walked with a step (SampleStep) in both directions. False, with the previous counts
    // left as they were, when the picture has no pixels.
    bool LoadHistogram(const cDIBSection& picture, bool sampled);

    // Counting a picture that arrives row by row, in any order of rows, as LoadHistogram counts
    // it whole: BeginRows clears the counts and plans the walk, CountRow counts the pixels of one
    // memory row (row 0 is the bottom row) the walk visits, EndRows completes the counts. Rows
    // the walk does not visit need not be handed in.
    void BeginRows(int32_t width, int32_t height, bool sampled);
    void CountRow(int32_t memoryRow, std::span<const uint8_t> pixels);
    void EndRows();
    // Adds the counts of the same picture's other rows, counted by another histogram between
    // its BeginRows and EndRows; before EndRows.
    void AddRowCounts(const cHistogram& other);

    // The step of the sampled walk: the height divided by 500, rounded half to even, and 1 for
    // pictures lower than that (or when not sampling).
    static int32_t SampleStep(int32_t height, bool sampled);

    const Counts& HistBlue() const { return blue_; }
    const Counts& HistGreen() const { return green_; }
    const Counts& HistRed() const { return red_; }
    const Counts& HistLuma() const { return luma_; }
    // The three channel histograms added together: each pixel adds three counts.
    const Counts& HistRGB() const { return rgb_; }

  private:
    void CountPixel(const uint8_t* pixel);
    void PlanRuns(int64_t start, int64_t samples);

    // The pixels of one memory row the walk visits: count pixels from firstColumn on, `step_`
    // apart.
    struct SampleRun {
        int64_t firstColumn = 0;
        int64_t count = 0;
    };
    std::vector<SampleRun> runs_;        // in the order of the rows they lie in
    std::vector<uint32_t> rowRunStarts_; // the runs of memory row r are runs_[starts[r] .. starts[r + 1])
    int64_t step_ = 1;
    int64_t width_ = 0;
    int64_t height_ = 0;

    Counts blue_{};
    Counts green_{};
    Counts red_{};
    Counts luma_{};
    Counts rgb_{};
    bool loaded_ = false;
};

} // namespace pellvane
