#include "imaging/Fingerprint.h"

#include "base/StatusLevel.h"
#include "imaging/PictureDigest.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pellvane {

namespace {

constexpr int kFingerprintBits = 64;

// The thresholds are single-precision values.
constexpr float kSuspectedFrom = 0.6f;
constexpr float kUncertainFrom = 0.9f;
constexpr float kTrustedFrom = 0.95f;

} // namespace

std::optional<HashValue> MakeFingerprint(const cDIBSection& picture) {
    // Reducing the rows straight into an 8 x 8 picture gives the same pixels as copying at full
    // size and shrinking the copy, without the full-size copy.
    return DigestPicture(picture, DigestParts{.fingerprint = true, .histogram = false}).fingerprint;
}

int CountEqualBits(const Fingerprint& a, const Fingerprint& b) {
    int equal = 0;
    for (size_t i = 0; i < a.size(); ++i)
        equal += std::popcount(static_cast<uint8_t>(~(a[i] ^ b[i])));
    return equal;
}

int16_t HashSimilarityLevel(const cDIBSection& picture, const Fingerprint& reference, int16_t currentLevel) {
    return HashSimilarityLevel(MakeFingerprint(picture), reference, currentLevel);
}

int16_t HashSimilarityLevel(const std::optional<HashValue>& hash, const Fingerprint& reference,
                            int16_t currentLevel) {
    if (!hash) return kStatusHighlySuspected;
    const double agreement = static_cast<double>(CountEqualBits(hash->bits, reference)) / kFingerprintBits;
    const double d = std::sqrt(2.0 * std::abs(agreement - 0.5));
    if (d < kSuspectedFrom) return kStatusHighlySuspected;
    if (d < kUncertainFrom) return std::min(currentLevel, kStatusSuspected);
    if (d < kTrustedFrom) return std::min(currentLevel, kStatusUncertain);
    return currentLevel;
}

} // namespace pellvane
