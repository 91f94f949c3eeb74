#include "imaging/Decoders.h"
#include "imaging/Rounding.h"

namespace pellvane::decoding {

namespace {

constexpr size_t kPixelBytes = cDIBSection::kBytesPerPixel;
constexpr size_t kAlphaByte = 3;

struct AlphaCensus {
    size_t transparent = 0; // alpha 0
    size_t opaque = 0;      // alpha 255
    bool partial = false;   // some alpha strictly between
};

AlphaCensus CountAlpha(std::span<const uint8_t> pixels) {
    AlphaCensus census;
    for (size_t i = kAlphaByte; i < pixels.size(); i += kPixelBytes) {
        const uint8_t alpha = pixels[i];
        if (alpha == 0)
            ++census.transparent;
        else if (alpha == 255)
            ++census.opaque;
        else
            census.partial = true;
    }
    return census;
}

void MakeOpaque(std::span<uint8_t> pixels) {
    for (size_t i = kAlphaByte; i < pixels.size(); i += kPixelBytes)
        pixels[i] = 255;
}

void Premultiply(std::span<uint8_t> pixels) {
    for (size_t i = 0; i + kPixelBytes <= pixels.size(); i += kPixelBytes) {
        const uint8_t alpha = pixels[i + kAlphaByte];
        if (alpha == 255) continue;
        for (size_t c = 0; c < kAlphaByte; ++c)
            pixels[i + c] = static_cast<uint8_t>(RoundedQuotient(uint64_t{pixels[i + c]} * alpha, 255));
    }
}

} // namespace

// A picture whose alpha bytes are all 0 counts as opaque as well as one whose alpha bytes are all
// 255: a decoder that leaves alpha unset gives the former. The decoders here always know whether
// their colours are premultiplied, so that is not guessed from the colour values.
int32_t ClassifyAlpha(std::span<uint8_t> pixels, AlphaStorage storage) {
    const AlphaCensus census = CountAlpha(pixels);
    const size_t pixelCount = pixels.size() / kPixelBytes;
    if (census.transparent == pixelCount || census.opaque == pixelCount) {
        MakeOpaque(pixels);
        return alpha_class::kOpaque;
    }
    if (storage == AlphaStorage::kStraight) Premultiply(pixels);
    return census.partial ? alpha_class::kTranslucent : alpha_class::kBinary;
}

} // namespace pellvane::decoding
