#include "imaging/PictureSummary.h"

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
    const std::optional<PictureDigest> digest = DigestPictureFile(path);
    if (!digest) return std::nullopt;
    return SummarizePicture(*digest);
}

PictureSummary SummarizePicture(const PictureDigest& digest) {
    // TestContinuity answers 0 for a histogram that was not loaded.
    return PictureSummary{digest.imageType,
                          digest.width,
                          digest.height,
                          digest.alpha,
                          digest.fingerprint ? HexDigits(digest.fingerprint->bits) : std::string(),
                          digest.histogram.TestContinuity(cHistogram::kAnalysisThreshold)};
}

} // namespace pellvane
