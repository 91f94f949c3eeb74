#pragma once
// The decoders behind the pixel buffer's loads, one per picture format. Each decodes a whole
// picture held in memory into the buffer at its stored size, sets the buffer's Alpha, and
// answers false for data it cannot decode (corrupt, truncated, unsupported, or larger than
// kMaxPicturePixels). None of them prints anything or lets an exception escape. The buffer's
// contents after a failure are unspecified; the caller empties it.

#include "imaging/RegularFile.h"
#include "imaging/cDIBSection.h"

#include <cstdint>
#include <optional>
#include <span>

namespace pellvane::decoding {

bool DecodeJpeg(std::span<const uint8_t> bytes, cDIBSection& target);

// The most rows a streaming decoder hands on at once.
inline constexpr int32_t kRowsPerRead = 16;

// Where a streaming decoder puts the rows it decodes, top row first: the sink lends room for each
// row and learns when rows are complete, so the whole picture need never exist at once.
class IRowSink {
  public:
    virtual ~IRowSink() = default;
    // The picture's stored size, before its first row; false refuses the picture.
    virtual bool Begin(int32_t width, int32_t height) = 0;
    // Room for the width x 4 bytes (blue, green, red, alpha) of row `topRow`, 0 being the top row.
    virtual std::span<uint8_t> RowFor(int32_t topRow) = 0;
    // Rows first ... first + count - 1 are complete.
    virtual void RowsDone(int32_t firstTopRow, int32_t count) = 0;
};

// Where a JPEG comes from: bytes in memory, or (when `file` is set) a regular file read piece by
// piece.
struct JpegInput {
    std::span<const uint8_t> bytes;
    const cRegularFile* file = nullptr;
    // Only rows firstRow ... endRow - 1 (counted from the top) reach the sink; the rows above
    // are skipped, which still entropy-decodes them. Only a picture ProbeJpeg finds splittable
    // may be decoded in part.
    int32_t firstRow = 0;
    int32_t endRow = INT32_MAX;
};

// What the header of a JPEG tells before decoding: its size, and whether it can be decoded in
// row bands (one scan, colours that need no conversion of inks).
struct JpegFrame {
    int32_t width = 0;
    int32_t height = 0;
    bool splittable = false;
};
std::optional<JpegFrame> ProbeJpeg(const JpegInput& input);

// Decodes a JPEG into the sink row by row, with the same pixels and the same failures as
// DecodeJpeg. The pixels are opaque: every alpha byte is 255.
bool StreamJpeg(const JpegInput& input, IRowSink& sink);
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
