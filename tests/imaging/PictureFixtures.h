#pragma once
// Small pictures built in code for the imaging tests: encoders for PNG, JPEG and GIF (through the
// same libraries the decoders use), byte builders for BMP and TIFF files, and helpers that move
// pictures in and out of a pixel buffer in plain top-down order.

#include "imaging/cDIBSection.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pellvane::test {

using Bytes = std::vector<uint8_t>;

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;
    bool operator==(const Rgba&) const = default;
};

std::string Describe(const Rgba& colour);

// A picture in reading order: rows top to bottom, pixels left to right.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    RgbaPicture() = default;
    RgbaPicture(int w, int h, Rgba fill = {})
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
    Rgba& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgba& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const RgbaPicture&) const = default;
};

// A picture whose pixels all differ, with colours that follow from the position.
RgbaPicture NumberedPicture(int width, int height);

// A buffer holding the picture (bottom-up, as the buffer keeps pictures), and back.
cDIBSection BufferFrom(const RgbaPicture& picture);
RgbaPicture PictureFrom(const cDIBSection& buffer);
// The pixel at column x, row y counted from the top of the picture.
Rgba PixelAt(const cDIBSection& buffer, int x, int yFromTop);

enum class PngLayout { kRgb, kRgba, kGrey, kGreyAlpha, kPalette, kRgb16 };
// kPalette builds the palette from the picture's colours and stores alpha in a tRNS chunk.
Bytes EncodePng(const RgbaPicture& picture, PngLayout layout, bool interlaced = false);

struct JpegOptions {
    int quality = 95;
    bool progressive = false;
    bool grey = false;
    bool adobeCmyk = false;             // four inverted inks with the Adobe marker
    std::optional<int> exifOrientation; // writes an EXIF segment with tag 274
};
Bytes EncodeJpeg(const RgbaPicture& picture, const JpegOptions& options = {});
// What libjpeg-turbo gives for the bytes with every decoding setting left at its default.
RgbaPicture PlainJpegDecode(const Bytes& jpeg);

struct GifFields {
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indexes; // width x height, top-down
    std::vector<Rgba> palette;    // padded to a power of two
    int transparentIndex = -1;
    bool interlaced = false;
};
Bytes EncodeGif(const GifFields& fields);

struct BmpFields {
    int32_t width = 0;
    int32_t height = 0; // negative: rows stored top-down
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<Rgba> palette;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha; written for bit-field bitmaps
    std::vector<Bytes> rows;         // in file order, unpadded; padded to 4 bytes when written
};
Bytes BuildBmp(const BmpFields& fields);

struct TiffFields {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samplesPerPixel = 3; // 1 grey, 3 RGB, 4 RGB with an extra sample
    uint16_t extraSample = 2;     // with 4 samples: 1 associated, 2 unassociated alpha
    std::optional<uint16_t> orientation;
    Bytes pixels; // uncompressed, 8 bits per sample, top-down
};
// A little-endian, uncompressed, single-strip TIFF file.
Bytes BuildTiff(const TiffFields& fields);

// Offsets of the first byte after a JPEG SOF0..SOF2 marker, to patch its size fields.
std::optional<size_t> FindJpegFrameHeader(const Bytes& jpeg);
// Rewrites the size in a PNG's IHDR chunk and fixes its checksum.
Bytes WithPngSize(Bytes png, uint32_t width, uint32_t height);

Bytes ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);

} // namespace pellvane::test
