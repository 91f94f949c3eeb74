// EXIF format: a camera writes its EXIF segment and seldom a JFIF segment beside it, while
// many editors drop the first or add the second.

#include "analysis/ForensicTests.h"
#include "analysis/Status.h"

namespace pellvane {
namespace {} // namespace

std::optional<int16_t> ExifFormatTest(TestContext& context) {
    if (context.openResult == kOpenNoExif) return kStatusFail;
    const IExifCodec& codec = context.codec;
    if (codec.FindMarker(kMarkerAPP0, "JFIF") < 0) return kStatusPass;
    // The camera's own tables make an added JFIF segment less telling; Huawei phones are
    // known to write one.
    if (context.flags.signatureMatched) return kStatusUncertain;
    return codec.Manufacturer() == kMakerHuawei ? kStatusSuspected : kStatusHighlySuspected;
}

} // namespace pellvane
