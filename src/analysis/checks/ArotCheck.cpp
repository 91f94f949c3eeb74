// Apple AROT data: iPhones write an APP10 "AROT" segment with one value per 16 rows of the
// picture. A picture cropped or scaled afterwards no longer matches it, and editors drop it.

#include "analysis/LeadingNumber.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/TagStore.h"

#include <cmath>

namespace pellvane {
namespace {

constexpr int32_t kRowsPerValue = 16;
// iOS from version 12 on writes the segment; earlier versions did not always.
constexpr double kFirstSoftwareWithArot = 12.0;

// The values must cover the picture's rows: upper bound = height / 16 - 1.
Finding ArotFinding(const IExifCodec& codec) {
    const int64_t upperBound = static_cast<int64_t>(codec.AROT().size()) - 1;
    const double expected = std::floor(static_cast<double>(codec.ImageHeight()) / kRowsPerValue - 1);
    const bool covers = static_cast<double>(upperBound) == expected;
    return StatusFinding(covers ? "arot.covers-the-rows" : "arot.rows-differ",
                         covers ? kStatusPass : kStatusFail)
        .With("values", static_cast<int64_t>(codec.AROT().size()))
        .With("height", codec.ImageHeight())
        .With("expectedValues", expected + 1);
}

// No segment: a doubt for old iOS versions, a strong one for recent or unknown versions.
Finding MissingArotFinding(const IExifCodec& codec) {
    const double version = LeadingNumber(codec.TagValueString(kTagSoftware, kIfd0));
    const bool expected = version >= kFirstSoftwareWithArot || version == 0.0;
    return StatusFinding(expected ? "arot.missing" : "arot.missing-before-ios-12",
                         expected ? kStatusHighlySuspected : kStatusSuspected)
        .With("softwareVersion", version)
        .With("firstVersionWithArot", kFirstSoftwareWithArot);
}

} // namespace

Findings ArotCheck(CheckContext& context) {
    const IExifCodec& codec = context.codec;
    if (codec.Manufacturer() != kMakerApple) return {};
    if (codec.FindMarker(kMarkerAPP10, "AROT") > 0) return {ArotFinding(codec)};
    return {MissingArotFinding(codec)};
}

} // namespace pellvane
