// Image size: cameras take pictures larger than 800 pixels on their longer side, and none
// takes square ones that small; such a picture has been scaled or cropped.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"

#include <algorithm>

namespace pellvane {
namespace {

constexpr int32_t kLargestEditedSide = 800;
constexpr int32_t kSmallestPlausibleSide = 640;

struct Size {
    int32_t width;
    int32_t height;
    bool fromHeader;
};

// The size from the frame header. When the codec could not read one, the decoded picture
// stands in, so that a large picture is never called too small for want of a header.
Size PictureSize(const CheckContext& context) {
    const Size header{context.codec.ImageWidth(), context.codec.ImageHeight(), true};
    if (header.width > 0 && header.height > 0) return header;
    return {context.picture.width, context.picture.height, false};
}

} // namespace

Findings ImageSizeCheck(CheckContext& context) {
    const Size size = PictureSize(context);
    const int32_t larger = std::max(size.width, size.height);
    if (larger > kLargestEditedSide) return {};
    context.flags.imageTooSmall = true;
    const bool implausible = size.width == size.height || larger < kSmallestPlausibleSide;
    Finding finding = implausible ? StatusFinding("image-size.square-or-below-640", kStatusFail)
                                  : StatusFinding("image-size.at-most-800", kStatusHighlySuspected);
    finding.With("width", size.width)
        .With("height", size.height)
        .With("source", size.fromHeader ? "frame header" : "decoded picture")
        .With("largestEditedSide", kLargestEditedSide)
        .With("smallestPlausibleSide", kSmallestPlausibleSide);
    return {std::move(finding)};
}

} // namespace pellvane
