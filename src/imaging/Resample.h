#pragma once
// Scaling of 32-bit pixel memory to another size.
//
// Smooth scaling averages areas along an axis that shrinks (every source pixel weighs by the part
// of it that a target pixel covers) and interpolates linearly along an axis that grows. All
// weights are exact integers, so the result depends only on the pixels, and every channel is
// rounded half to even once at the end. Averaging premultiplied colours keeps transparent pixels
// from bleeding their colour into their neighbours.

#include <cstdint>
#include <span>
#include <vector>

namespace pellvane {

enum class ResampleQuality {
    kNearest, // each target pixel takes the source pixel under its centre
    kSmooth,  // area averaging when shrinking, linear interpolation when enlarging
};

struct PixelView {
    std::span<const uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

struct MutablePixelView {
    std::span<uint8_t> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

// Scales source into target; both views must describe whole pictures of 4 bytes per pixel.
// False, with the target unspecified, when they do not or when working memory runs out.
bool ResamplePixels(PixelView source, MutablePixelView target, ResampleQuality quality) noexcept;

namespace resampling {

// How the pixels of one source axis combine into one pixel of the target axis: the source indexes
// first, first + 1, ..., first + count - 1, weighed by whole numbers. The first and the last source
// pixel may be covered in part; every pixel between them carries the same middle weight, which
// keeps the description of an axis as small as the target however large the source is.
struct Span {
    int64_t first = 0;
    int64_t count = 1;
    uint64_t firstWeight = 0;
    uint64_t middleWeight = 0;
    uint64_t lastWeight = 0;

    uint64_t Weight(int64_t k) const {
        if (k == 0) return firstWeight;
        return k == count - 1 ? lastWeight : middleWeight;
    }
    bool Covers(int64_t index) const { return index >= first && index < first + count; }
};

// The spans of every target index, and the number the weighted sums are divided by.
struct AxisPlan {
    std::vector<Span> spans;
    uint64_t denominator = 1;
};

} // namespace resampling

// Scales a picture that arrives row by row, in any order of rows, into a small target: the same
// pixels ResamplePixels gives, without the source ever being whole. The weighted sums of every
// target pixel are held until the end, so it suits small targets such as fingerprints.
class cRowResampler {
  public:
    cRowResampler(int32_t sourceWidth, int32_t sourceHeight, int32_t targetWidth, int32_t targetHeight,
                  ResampleQuality quality);
    // Adds source row `row` (memory order, width x 4 bytes) to every target row it weighs in.
    void AddRow(int32_t row, std::span<const uint8_t> pixels);
    // Adds the rows another resampler of the same source and target took.
    void Add(const cRowResampler& other);
    // Writes the target; it must be targetWidth x targetHeight pixels.
    void Finish(MutablePixelView target) const;

  private:
    resampling::AxisPlan columns_;
    resampling::AxisPlan rows_;
    std::vector<uint64_t> rowSums_;
    std::vector<uint64_t> accumulated_;
    size_t targetStride_ = 0;
    int32_t sourceWidth_ = 0;
};

} // namespace pellvane
