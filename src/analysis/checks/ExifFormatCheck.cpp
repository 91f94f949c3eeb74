// EXIF format: a camera writes its EXIF segment and seldom a JFIF segment beside it, while
// many editors drop the first or add the second.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"

namespace pellvane {

Findings ExifFormatCheck(CheckContext& context) {
    if (context.openResult == kOpenNoExif) return {StatusFinding("exif-format.no-exif", kStatusFail)};
    const IExifCodec& codec = context.codec;
    if (codec.FindMarker(kMarkerAPP0, "JFIF") < 0)
        return {StatusFinding("exif-format.exif-only", kStatusPass)};
    // The camera's own tables make an added JFIF segment less telling; Huawei phones are
    // known to write one.
    if (context.flags.signatureMatched)
        return {StatusFinding("exif-format.jfif-beside-camera-tables", kStatusUncertain)};
    if (codec.Manufacturer() == kMakerHuawei)
        return {StatusFinding("exif-format.jfif-huawei", kStatusSuspected)
                    .With("maker", codec.ManufacturerString())};
    return {StatusFinding("exif-format.jfif-added", kStatusHighlySuspected)};
}

} // namespace pellvane
