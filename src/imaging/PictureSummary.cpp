#include "imaging/PictureSummary.h"

#include "imaging/Fingerprint.h"
#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"

namespace pellvane {

namespace {

std::string HexDigits(const Fingerprint& bytes) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace

std::optional<PictureSummary> SummarizePicture(const std::string& path) {
    cDIBSection picture;
    if (!picture.LoadPicture_File(path)) return std::nullopt;
    return SummarizePicture(picture);
}

PictureSummary SummarizePicture(const cDIBSection& picture) {
    const std::optional<HashValue> hash = MakeFingerprint(picture);
    cHistogram histogram;
    const int16_t histogramStatus =
        histogram.LoadHistogram(picture, true) ? histogram.TestContinuity(cHistogram::kAnalysisThreshold) : 0;
    return PictureSummary{picture.ImageType(),
                          picture.Width(),
                          picture.Height(),
                          picture.Alpha(),
                          hash ? HexDigits(hash->bits) : std::string(),
                          histogramStatus};
}

} // namespace pellvane
