// Apple AROT data: iPhones write an APP10 "AROT" segment with one value per 16 rows of the
// picture. A picture cropped or scaled afterwards no longer matches it, and editors drop it.

#include "analysis/ForensicTests.h"
#include "analysis/LeadingNumber.h"
#include "analysis/Status.h"
#include "codec/TagStore.h"

#include <cmath>

namespace pellvane {
namespace {

constexpr int32_t kRowsPerValue = 16;
// iOS from version 12 on writes the segment; earlier versions did not always.
constexpr double kFirstSoftwareWithArot = 12.0;

// The values must cover the picture's rows: upper bound = height / 16 - 1.
int16_t ArotStatus(const IExifCodec& codec) {
    const int64_t upperBound = static_cast<int64_t>(codec.AROT().size()) - 1;
    const double expected = std::floor(static_cast<double>(codec.ImageHeight()) / kRowsPerValue - 1);
    return static_cast<double>(upperBound) == expected ? kStatusPass : kStatusFail;
}

// No segment: a doubt for old iOS versions, a strong one for recent or unknown versions.
int16_t MissingArotStatus(const IExifCodec& codec) {
    const double version = LeadingNumber(codec.TagValueString(kTagSoftware, kIfd0));
    return version >= kFirstSoftwareWithArot || version == 0.0 ? kStatusHighlySuspected : kStatusSuspected;
}

} // namespace

std::optional<int16_t> ArotTest(TestContext& context) {
    const IExifCodec& codec = context.codec;
    if (codec.Manufacturer() != kMakerApple) return std::nullopt;
    if (codec.FindMarker(kMarkerAPP10, "AROT") > 0) return ArotStatus(codec);
    return MissingArotStatus(codec);
}

} // namespace pellvane
