// Decoding arbitrary bytes into the pixel buffer, as the run does it, and the work done on the
// picture afterwards: the histogram, the fingerprint and the EXIF orientation. The same bytes as
// a file are also digested as the command line does it, streaming the rows: the digest must be
// the one of the whole buffer, and the file must decode exactly when the bytes do.

#include "FuzzSupport.h"

#include "imaging/ExifOrientation.h"
#include "imaging/Fingerprint.h"
#include "imaging/PictureDigest.h"
#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"

using namespace pellvane;

namespace {

bool SameDigest(const PictureDigest& a, const PictureDigest& b) {
    const bool sameFingerprint = a.fingerprint.has_value() == b.fingerprint.has_value() &&
                                 (!a.fingerprint || a.fingerprint->bits == b.fingerprint->bits);
    return a.imageType == b.imageType && a.width == b.width && a.height == b.height && a.alpha == b.alpha &&
           sameFingerprint && a.histogram.HistRed() == b.histogram.HistRed() &&
           a.histogram.HistGreen() == b.histogram.HistGreen() &&
           a.histogram.HistBlue() == b.histogram.HistBlue() &&
           a.histogram.HistLuma() == b.histogram.HistLuma();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes{data, size};
    cDIBSection picture;
    const bool decodes = picture.LoadPicture_Stream(bytes);
    const std::optional<PictureDigest> streamed = DigestPictureFile(fuzz::WriteInput(bytes));
    if (streamed.has_value() != decodes) __builtin_trap();
    if (!decodes) return 0;
    if (!SameDigest(*streamed, DigestPicture(picture))) __builtin_trap();
    cHistogram histogram;
    (void)histogram.LoadHistogram(picture, size % 3 != 0);
    (void)histogram.TestContinuity(0.5f);
    (void)MakeFingerprint(picture);
    (void)ApplyExifOrientation(picture, 1 + static_cast<int>(size % 8));
    return 0;
}
