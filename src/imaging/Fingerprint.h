#pragma once
// Average-hash fingerprints of pictures and their comparison, with which the analysis checks that
// the smaller copies a camera embeds still show the main picture.

#include "imaging/cDIBSection.h"

#include <cstdint>
#include <optional>

namespace pellvane {

// The fingerprint of a picture: a copy shrunk to 8 x 8 pixels by area averaging, reduced by
// GetHashValue. The picture itself is not changed. Empty when the buffer holds no picture.
std::optional<HashValue> MakeFingerprint(const cDIBSection& picture);

// The number of the 64 fingerprint bits on which two fingerprints agree.
int CountEqualBits(const Fingerprint& a, const Fingerprint& b);

// Compares the picture's fingerprint with a reference fingerprint and returns the status level
// the comparison allows, given the current level. With m equal bits,
// d = sqrt(2 x |m / 64 - 0.5|) (so an exact inverse agrees as much as an identical copy):
// d < 0.6 gives 2 ("Highly Suspected") whatever the current level; d < 0.9 at most 3; d < 0.95
// at most 4; otherwise the current level stays. A buffer without a picture cannot vouch for
// anything and gives 2, the level of an embedded picture that does not load.
int16_t HashSimilarityLevel(const cDIBSection& picture, const Fingerprint& reference, int16_t currentLevel);
// The same for a fingerprint already made; none (a picture that did not decode) gives 2.
int16_t HashSimilarityLevel(const std::optional<HashValue>& fingerprint, const Fingerprint& reference,
                            int16_t currentLevel);

} // namespace pellvane
