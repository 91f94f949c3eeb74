#include "imaging/Fingerprint.h"

#include "base/StatusLevel.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pellvane {

namespace {

constexpr int32_t kFingerprintSide = 8;
constexpr int kFingerprintBits = 64;

// The thresholds are single-precision values.
constexpr float kSuspectedFrom = 0.6f;
constexpr float kUncertainFrom = 0.9f;
constexpr float kTrustedFrom = 0.95f;

} // namespace

std::optional<HashValue> MakeFingerprint(const cDIBSection& picture) {
    // Scaling straight into an 8 x 8 copy gives the same pixels as copying at full size and
    // shrinking the copy, without the full-size copy.
    cDIBSection reduced;
    if (!picture.CopyImageToDIB(reduced, kFingerprintSide, kFingerprintSide)) return std::nullopt;
    return reduced.GetHashValue();
}

int CountEqualBits(const Fingerprint& a, const Fingerprint& b) {
    int equal = 0;
    for (size_t i = 0; i < a.size(); ++i)
        equal += std::popcount(static_cast<uint8_t>(~(a[i] ^ b[i])));
    return equal;
}

int16_t HashSimilarityLevel(const cDIBSection& picture, const Fingerprint& reference, int16_t currentLevel) {
    const std::optional<HashValue> hash = MakeFingerprint(picture);
    if (!hash) return kStatusHighlySuspected;
    const double agreement = static_cast<double>(CountEqualBits(hash->bits, reference)) / kFingerprintBits;
    const double d = std::sqrt(2.0 * std::abs(agreement - 0.5));
    if (d < kSuspectedFrom) return kStatusHighlySuspected;
    if (d < kUncertainFrom) return std::min(currentLevel, kStatusSuspected);
    if (d < kTrustedFrom) return std::min(currentLevel, kStatusUncertain);
    return currentLevel;
}

} // namespace pellvane
