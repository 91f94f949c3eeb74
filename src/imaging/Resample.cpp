#include "imaging/Resample.h"

#include "imaging/Rounding.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

namespace pellvane {

namespace {

constexpr size_t kChannels = 4;

using resampling::AxisPlan;
using resampling::Span;

Span SinglePixel(int64_t index, uint64_t weight) {
    return Span{index, 1, weight, 0, weight};
}

// Area averaging. Measured in units of 1 / (source x target) of the axis, source pixel i covers
// [i x target, (i + 1) x target) and target pixel j covers [j x source, (j + 1) x source), so
// every overlap is a whole number and the weights of one target pixel add up to source.
AxisPlan AreaPlan(int64_t source, int64_t target) {
    AxisPlan plan;
    plan.denominator = static_cast<uint64_t>(source);
    plan.spans.reserve(static_cast<size_t>(target));
    for (int64_t j = 0; j < target; ++j) {
        const int64_t start = j * source;
        const int64_t end = start + source;
        const int64_t first = start / target;
        const int64_t last = (end - 1) / target;
        const auto overlap = [&](int64_t i) {
            return static_cast<uint64_t>(std::min(end, (i + 1) * target) - std::max(start, i * target));
        };
        plan.spans.push_back(
            Span{first, last - first + 1, overlap(first), static_cast<uint64_t>(target), overlap(last)});
    }
    return plan;
}

int64_t FloorDivide(int64_t numerator, int64_t denominator) {
    const int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && numerator < 0) ? quotient - 1 : quotient;
}

// Linear interpolation between the two source pixels around the centre of each target pixel.
// In units of 1 / (2 x target) of a source pixel, the centre of target pixel j lies at
// (2j + 1) x source - target; positions beyond the edges take the edge pixel.
AxisPlan LinearPlan(int64_t source, int64_t target) {
    AxisPlan plan;
    const int64_t unit = 2 * target;
    plan.denominator = static_cast<uint64_t>(unit);
    plan.spans.reserve(static_cast<size_t>(target));
    for (int64_t j = 0; j < target; ++j) {
        const int64_t position = (2 * j + 1) * source - target;
        const int64_t left = FloorDivide(position, unit);
        const int64_t fraction = position - left * unit;
        const int64_t clampedLeft = std::clamp<int64_t>(left, 0, source - 1);
        const int64_t clampedRight = std::clamp<int64_t>(left + 1, 0, source - 1);
        if (clampedLeft == clampedRight || fraction == 0)
            plan.spans.push_back(SinglePixel(clampedLeft, static_cast<uint64_t>(unit)));
        else
            plan.spans.push_back(Span{clampedLeft, 2, static_cast<uint64_t>(unit - fraction), 0,
                                      static_cast<uint64_t>(fraction)});
    }
    return plan;
}

AxisPlan NearestPlan(int64_t source, int64_t target) {
    AxisPlan plan;
    plan.spans.reserve(static_cast<size_t>(target));
    for (int64_t j = 0; j < target; ++j)
        plan.spans.push_back(SinglePixel(std::min(((2 * j + 1) * source) / (2 * target), source - 1), 1));
    return plan;
}

AxisPlan PlanAxis(int64_t source, int64_t target, ResampleQuality quality) {
    if (quality == ResampleQuality::kNearest) return NearestPlan(source, target);
    return target < source ? AreaPlan(source, target) : LinearPlan(source, target);
}

struct ChannelSums {
    uint64_t value[kChannels] = {};

    void Add(const uint8_t* pixel, uint64_t weight) {
        for (size_t c = 0; c < kChannels; ++c)
            value[c] += weight * pixel[c];
    }
};

// The plain channel sums of count consecutive pixels. Kept free of weights because, when a large
// picture shrinks, almost all the work of scaling happens here. Sixteen bytes (four pixels) are
// added at a time into 16-bit lanes, a loop the compiler turns into vector instructions; byte j
// of a group belongs to channel j mod 4. A lane takes at most 257 bytes before it is emptied.
ChannelSums SumPixels(const uint8_t* pixel, int64_t count) {
    constexpr int64_t kGroupPixels = 4;
    constexpr size_t kGroupBytes = kGroupPixels * kChannels;
    constexpr int64_t kGroupsPerBlock = 257; // 257 x 255 < 2^16
    ChannelSums sums;
    for (int64_t groups = count / kGroupPixels; groups > 0;) {
        const int64_t blockGroups = std::min(groups, kGroupsPerBlock);
        uint16_t lanes[kGroupBytes] = {};
        for (int64_t g = 0; g < blockGroups; ++g, pixel += kGroupBytes)
            for (size_t j = 0; j < kGroupBytes; ++j)
                lanes[j] = static_cast<uint16_t>(lanes[j] + pixel[j]);
        for (size_t j = 0; j < kGroupBytes; ++j)
            sums.value[j % kChannels] += lanes[j];
        groups -= blockGroups;
    }
    for (int64_t k = 0; k < count % kGroupPixels; ++k, pixel += kChannels)
        sums.Add(pixel, 1);
    return sums;
}

// Weighted sums of one source row along the horizontal plan, four channels per target pixel.
void SumRow(const uint8_t* row, const AxisPlan& plan, std::span<uint64_t> sums) {
    uint64_t* out = sums.data();
    for (const Span& span : plan.spans) {
        const uint8_t* first = row + static_cast<size_t>(span.first) * kChannels;
        ChannelSums total;
        total.Add(first, span.firstWeight);
        if (span.count > 1) {
            const ChannelSums middle = SumPixels(first + kChannels, span.count - 2);
            for (size_t c = 0; c < kChannels; ++c)
                total.value[c] += span.middleWeight * middle.value[c];
            total.Add(first + static_cast<size_t>(span.count - 1) * kChannels, span.lastWeight);
        }
        for (size_t c = 0; c < kChannels; ++c)
            *out++ = total.value[c];
    }
}

// Every channel sum divided by the weights' total, rounded half to even once.
void WriteRounded(std::span<const uint64_t> sums, uint64_t denominator, uint8_t* out) {
    for (const uint64_t sum : sums)
        *out++ = static_cast<uint8_t>(std::min<uint64_t>(RoundedQuotient(sum, denominator), 255));
}

void Resample(PixelView source, MutablePixelView target, ResampleQuality quality) {
    const AxisPlan columns = PlanAxis(source.width, target.width, quality);
    const AxisPlan rows = PlanAxis(source.height, target.height, quality);
    const uint64_t denominator = columns.denominator * rows.denominator;
    const size_t sourceStride = static_cast<size_t>(source.width) * kChannels;
    const size_t targetStride = static_cast<size_t>(target.width) * kChannels;

    std::vector<uint64_t> rowSums(targetStride);
    std::vector<uint64_t> accumulated(targetStride);
    int64_t summedRow = -1; // the source row whose sums rowSums holds
    for (size_t y = 0; y < rows.spans.size(); ++y) {
        const Span& span = rows.spans[y];
        std::fill(accumulated.begin(), accumulated.end(), 0);
        for (int64_t k = 0; k < span.count; ++k) {
            const int64_t sourceRow = span.first + k;
            if (sourceRow != summedRow) {
                SumRow(source.pixels.data() + static_cast<size_t>(sourceRow) * sourceStride, columns,
                       rowSums);
                summedRow = sourceRow;
            }
            const uint64_t weight = span.Weight(k);
            for (size_t i = 0; i < targetStride; ++i)
                accumulated[i] += weight * rowSums[i];
        }
        WriteRounded(accumulated, denominator, target.pixels.data() + y * targetStride);
    }
}

} // namespace

cRowResampler::cRowResampler(int32_t sourceWidth, int32_t sourceHeight, int32_t targetWidth,
                             int32_t targetHeight, ResampleQuality quality)
    : columns_(PlanAxis(sourceWidth, targetWidth, quality)),
      rows_(PlanAxis(sourceHeight, targetHeight, quality)),
      targetStride_(static_cast<size_t>(targetWidth) * kChannels), sourceWidth_(sourceWidth) {
    rowSums_.resize(targetStride_);
    accumulated_.resize(targetStride_ * static_cast<size_t>(targetHeight));
}

void cRowResampler::AddRow(int32_t row, std::span<const uint8_t> pixels) {
    if (pixels.size() < static_cast<size_t>(sourceWidth_) * kChannels) return;
    bool summed = false;
    for (size_t y = 0; y < rows_.spans.size(); ++y) {
        const Span& span = rows_.spans[y];
        if (!span.Covers(row)) continue;
        if (!summed) SumRow(pixels.data(), columns_, rowSums_);
        summed = true;
        const uint64_t weight = span.Weight(row - span.first);
        uint64_t* sums = accumulated_.data() + y * targetStride_;
        for (size_t i = 0; i < targetStride_; ++i)
            sums[i] += weight * rowSums_[i];
    }
}

void cRowResampler::Add(const cRowResampler& other) {
    if (other.accumulated_.size() != accumulated_.size()) return;
    for (size_t i = 0; i < accumulated_.size(); ++i)
        accumulated_[i] += other.accumulated_[i];
}

void cRowResampler::Finish(MutablePixelView target) const {
    if (target.pixels.size() != accumulated_.size()) return;
    WriteRounded(accumulated_, columns_.denominator * rows_.denominator, target.pixels.data());
}

bool ResamplePixels(PixelView source, MutablePixelView target, ResampleQuality quality) noexcept {
    const auto describesWholePicture = [](auto view) {
        return view.width > 0 && view.height > 0 &&
               view.pixels.size() ==
                   static_cast<size_t>(view.width) * static_cast<size_t>(view.height) * kChannels;
    };
    if (!describesWholePicture(source) || !describesWholePicture(target)) return false;
    try {
        Resample(source, target, quality);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace pellvane
