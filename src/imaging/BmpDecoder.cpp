// A small reader of Windows bitmap files: uncompressed pictures of 1, 4, 8, 16, 24 or 32 bits per
// pixel, with bit-field masks where the file gives them. Run-length compressed bitmaps and
// bitmaps wrapping JPEG or PNG data are not decoded.

#include "imaging/Decoders.h"

#include "base/ByteReader.h"
#include "imaging/Rounding.h"

#include <array>
#include <bit>
#include <optional>

namespace pellvane::decoding {

namespace {

constexpr bool kLittleEndian = false; // the second argument of cByteReader reads: big-endian?

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kCompressionAlphaBitFields = 6;

constexpr int64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12; // the OS/2 1.x header with 16-bit sizes
constexpr uint32_t kInfoHeaderSize = 40; // the Windows 3 header and its larger successors
constexpr int64_t kMaskBlockOffset = 54; // masks follow the 40-byte header, or sit inside later ones

// One colour channel as a bit field of a 16- or 32-bit pixel.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t maximum = 0;

    explicit ChannelMask(uint32_t bits = 0) : mask(bits) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        maximum = (uint64_t{1} << std::popcount(mask)) - 1;
    }

    uint8_t Extract(uint32_t pixel) const {
        if (mask == 0) return 0;
        const uint64_t value = std::min<uint64_t>((pixel & mask) >> shift, maximum);
        return static_cast<uint8_t>(RoundedQuotient(value * 255, maximum));
    }
};

struct BitmapLayout {
    int64_t pixelOffset = 0;
    int64_t width = 0;
    int64_t rows = 0;
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kCompressionNone;
    uint32_t coloursUsed = 0;
    int64_t paletteOffset = 0;
    int64_t paletteEntrySize = 4;
    std::array<uint32_t, 4> masks{}; // red, green, blue, alpha

    int64_t Stride() const { return (width * bitCount + 31) / 32 * 4; }
    bool HasBitFields() const {
        return compression == kCompressionBitFields || compression == kCompressionAlphaBitFields;
    }
};

bool ReadCoreHeader(const cByteReader& file, BitmapLayout& layout) {
    const auto width = file.U16(18, kLittleEndian);
    const auto height = file.U16(20, kLittleEndian);
    const auto bitCount = file.U16(24, kLittleEndian);
    if (!width || !height || !bitCount) return false;
    layout.width = *width;
    layout.rows = *height;
    layout.bitCount = *bitCount;
    layout.paletteOffset = kFileHeaderSize + kCoreHeaderSize;
    layout.paletteEntrySize = 3;
    return true;
}

bool ReadInfoHeader(const cByteReader& file, uint32_t headerSize, BitmapLayout& layout) {
    const auto width = file.I32(18, kLittleEndian);
    const auto height = file.I32(22, kLittleEndian);
    const auto bitCount = file.U16(28, kLittleEndian);
    const auto compression = file.U32(30, kLittleEndian);
    const auto coloursUsed = file.U32(46, kLittleEndian);
    if (!width || !height || !bitCount || !compression || !coloursUsed) return false;
    layout.width = *width;
    layout.rows = *height < 0 ? -int64_t{*height} : *height;
    layout.topDown = *height < 0;
    layout.bitCount = *bitCount;
    layout.compression = *compression;
    layout.coloursUsed = *coloursUsed;
    layout.paletteOffset = kFileHeaderSize + headerSize;
    if (!layout.HasBitFields()) return true;
    // The masks sit inside headers of 52 bytes and more; after a 40-byte header the file appends
    // three of them (four with an alpha mask), before the palette.
    const int64_t maskCount = headerSize >= 56 || layout.compression == kCompressionAlphaBitFields ? 4 : 3;
    if (headerSize == kInfoHeaderSize) layout.paletteOffset += 4 * maskCount;
    for (int64_t i = 0; i < maskCount; ++i) {
        const auto mask = file.U32(kMaskBlockOffset + 4 * i, kLittleEndian);
        if (!mask) return false;
        layout.masks[static_cast<size_t>(i)] = *mask;
    }
    return true;
}

bool SupportedDepth(const BitmapLayout& layout) {
    switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        return layout.compression == kCompressionNone;
    case 16:
    case 32:
        return layout.compression == kCompressionNone || layout.HasBitFields();
    default:
        return false;
    }
}

void ApplyDefaultMasks(BitmapLayout& layout) {
    if (layout.HasBitFields()) return;
    // Uncompressed 16-bit pixels are 5-5-5; uncompressed 32-bit pixels carry an unused fourth byte,
    // not alpha.
    if (layout.bitCount == 16) layout.masks = {0x7C00, 0x03E0, 0x001F, 0};
    if (layout.bitCount == 32) layout.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
}

std::optional<BitmapLayout> ReadLayout(const cByteReader& file) {
    const auto pixelOffset = file.U32(10, kLittleEndian);
    const auto headerSize = file.U32(14, kLittleEndian);
    if (!file.Matches(0, "BM") || !pixelOffset || !headerSize) return std::nullopt;
    BitmapLayout layout;
    layout.pixelOffset = *pixelOffset;
    const bool read = *headerSize == kCoreHeaderSize   ? ReadCoreHeader(file, layout)
                      : *headerSize >= kInfoHeaderSize ? ReadInfoHeader(file, *headerSize, layout)
                                                       : false;
    if (!read || !SupportedDepth(layout) || !FitsPixelLimit(layout.width, layout.rows)) return std::nullopt;
    ApplyDefaultMasks(layout);
    // Every row must be in the file; a bitmap cut short is not decoded.
    if (!file.Has(layout.pixelOffset, layout.Stride() * layout.rows)) return std::nullopt;
    return layout;
}

using Palette = std::array<std::array<uint8_t, 3>, 256>; // blue, green, red

std::optional<Palette> ReadPalette(const cByteReader& file, const BitmapLayout& layout, int64_t& entries) {
    const int64_t full = int64_t{1} << layout.bitCount;
    entries = layout.coloursUsed == 0 ? full : std::min<int64_t>(layout.coloursUsed, full);
    const std::span<const uint8_t> table =
        file.Slice(layout.paletteOffset, entries * layout.paletteEntrySize);
    if (table.empty()) return std::nullopt;
    Palette palette{};
    for (int64_t i = 0; i < entries; ++i) {
        const auto entry = table.subspan(static_cast<size_t>(i * layout.paletteEntrySize), 3);
        palette[static_cast<size_t>(i)] = {entry[0], entry[1], entry[2]};
    }
    return palette;
}

void DecodeIndexedRow(std::span<const uint8_t> row, const BitmapLayout& layout, const Palette& palette,
                      int64_t entries, uint8_t* out) {
    const int bits = layout.bitCount;
    const int perByte = 8 / bits;
    const uint8_t valueMask = static_cast<uint8_t>((1u << bits) - 1);
    for (int64_t x = 0; x < layout.width; ++x, out += 4) {
        const uint8_t byte = row[static_cast<size_t>(x / perByte)];
        const int shift = 8 - bits * static_cast<int>(x % perByte + 1);
        const int64_t index = (byte >> shift) & valueMask;
        const auto& colour = palette[static_cast<size_t>(index)];
        const bool known = index < entries; // indexes past the palette read as black
        out[0] = known ? colour[0] : 0;
        out[1] = known ? colour[1] : 0;
        out[2] = known ? colour[2] : 0;
        out[3] = 255;
    }
}

void DecodeTrueColourRow(std::span<const uint8_t> row, const BitmapLayout& layout, uint8_t* out) {
    for (int64_t x = 0; x < layout.width; ++x, out += 4) {
        const uint8_t* pixel = row.data() + x * 3;
        out[0] = pixel[0];
        out[1] = pixel[1];
        out[2] = pixel[2];
        out[3] = 255;
    }
}

void DecodeMaskedRow(std::span<const uint8_t> row, const BitmapLayout& layout,
                     const std::array<ChannelMask, 4>& channels, uint8_t* out) {
    const size_t bytesPerPixel = layout.bitCount / 8;
    const bool hasAlpha = channels[3].mask != 0;
    for (int64_t x = 0; x < layout.width; ++x, out += 4) {
        const uint8_t* p = row.data() + static_cast<size_t>(x) * bytesPerPixel;
        uint32_t pixel = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
        if (bytesPerPixel == 4)
            pixel |= static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
        out[0] = channels[2].Extract(pixel);
        out[1] = channels[1].Extract(pixel);
        out[2] = channels[0].Extract(pixel);
        out[3] = hasAlpha ? channels[3].Extract(pixel) : 255;
    }
}

bool DecodeRows(const cByteReader& file, const BitmapLayout& layout, cDIBSection& target) {
    int64_t entries = 0;
    std::optional<Palette> palette;
    if (layout.bitCount <= 8 && !(palette = ReadPalette(file, layout, entries))) return false;
    const std::array<ChannelMask, 4> channels{ChannelMask(layout.masks[0]), ChannelMask(layout.masks[1]),
                                              ChannelMask(layout.masks[2]), ChannelMask(layout.masks[3])};
    if (!target.InitializeDIBForOverwrite(static_cast<int32_t>(layout.width),
                                          static_cast<int32_t>(layout.rows)))
        return false;
    for (int64_t i = 0; i < layout.rows; ++i) {
        const std::span<const uint8_t> row =
            file.Slice(layout.pixelOffset + i * layout.Stride(), layout.Stride());
        // Bitmaps are stored bottom-up like the buffer, unless the height is negative.
        const int64_t memoryRow = layout.topDown ? layout.rows - 1 - i : i;
        uint8_t* out = target.MemoryRow(static_cast<int32_t>(memoryRow)).data();
        if (layout.bitCount <= 8)
            DecodeIndexedRow(row, layout, *palette, entries, out);
        else if (layout.bitCount == 24)
            DecodeTrueColourRow(row, layout, out);
        else
            DecodeMaskedRow(row, layout, channels, out);
    }
    return true;
}

} // namespace

bool DecodeBmp(std::span<const uint8_t> bytes, cDIBSection& target) {
    const cByteReader file(bytes);
    const std::optional<BitmapLayout> layout = ReadLayout(file);
    if (!layout || !DecodeRows(file, *layout, target)) return false;
    target.SetAlpha(layout->masks[3] != 0 ? ClassifyAlpha(target.BitsPointer(), AlphaStorage::kStraight)
                                          : alpha_class::kOpaque);
    return true;
}

} // namespace pellvane::decoding
