#pragma once
// The decoders behind the pixel buffer's loads, one per picture format. Each decodes a whole
// picture held in memory into the buffer at its stored size, sets the buffer's Alpha, and
// answers false for data it cannot decode (corrupt, truncated, unsupported, or larger than
// kMaxPicturePixels). None of them prints anything or lets an exception escape. The buffer's
// contents after a failure are unspecified; the caller empties it.

#include "imaging/cDIBSection.h"

#include <cstdint>
#include <span>

namespace pellvane::decoding {

bool DecodeJpeg(std::span<const uint8_t> bytes, cDIBSection& target);
bool DecodePng(std::span<const uint8_t> bytes, cDIBSection& target);
bool DecodeGif(std::span<const uint8_t> bytes, cDIBSection& target);
bool DecodeTiff(std::span<const uint8_t> bytes, cDIBSection& target);
bool DecodeBmp(std::span<const uint8_t> bytes, cDIBSection& target);

// Whether a decoder delivers colours as they are (straight alpha) or already multiplied by their
// alpha.
enum class AlphaStorage { kStraight, kPremultiplied };

// Classifies the alpha bytes of decoded pixels into one of the alpha_class codes. An opaque
// picture gets alpha bytes of 255 throughout; a picture with transparency delivered with straight
// alpha gets its colours premultiplied (colour x alpha / 255, rounded half to even), the form the
// scaler expects.
int32_t ClassifyAlpha(std::span<uint8_t> pixels, AlphaStorage storage);

} // namespace pellvane::decoding
