// Decoding arbitrary bytes into the pixel buffer, as the run does it, and the work done on the
// picture afterwards: the histogram, the fingerprint and the EXIF orientation.

#include "FuzzSupport.h"

#include "imaging/ExifOrientation.h"
#include "imaging/Fingerprint.h"
#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"

using namespace pellvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes{data, size};
    cDIBSection picture;
    if (!picture.LoadPicture_Stream(bytes)) return 0;
    cHistogram histogram;
    (void)histogram.LoadHistogram(picture, size % 3 != 0);
    (void)histogram.TestContinuity(0.5f);
    (void)MakeFingerprint(picture);
    (void)ApplyExifOrientation(picture, 1 + static_cast<int>(size % 8));
    return 0;
}
