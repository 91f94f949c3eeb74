// Image size: cameras take pictures larger than 800 pixels on their longer side, and none
// takes square ones that small; such a picture has been scaled or cropped.

#include "analysis/ForensicTests.h"
#include "analysis/Status.h"

#include <algorithm>

namespace pellvane {
namespace {

constexpr int32_t kLargestEditedSide = 800;
constexpr int32_t kSmallestPlausibleSide = 640;

struct Size {
    int32_t width;
    int32_t height;
};

// The size from the frame header. When the codec could not read one, the decoded picture
// stands in, so that a large picture is never called too small for want of a header.
Size PictureSize(const TestContext& context) {
    const Size header{context.codec.ImageWidth(), context.codec.ImageHeight()};
    if (header.width > 0 && header.height > 0) return header;
    return {context.picture.Width(), context.picture.Height()};
}

} // namespace

std::optional<int16_t> ImageSizeTest(TestContext& context) {
    const Size size = PictureSize(context);
    const int32_t larger = std::max(size.width, size.height);
    if (larger > kLargestEditedSide) return std::nullopt;
    context.flags.imageTooSmall = true;
    if (size.width == size.height || larger < kSmallestPlausibleSide) return kStatusFail;
    return kStatusHighlySuspected;
}

} // namespace pellvane
