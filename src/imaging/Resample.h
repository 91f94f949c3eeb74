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

} // namespace pellvane
