#pragma once
// Builders for small synthetic JPEG and TIFF files, so that each test shows the exact
// bytes it is about.

#include "codec/ExifValue.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace pellvane::test {

// One directory entry; `value` is given in host numbers and laid out by the builder.
struct IfdEntry {
    uint16_t tag = 0;
    uint16_t format = 0;
    uint32_t count = 0;
    std::vector<uint32_t> numbers; // SHORT/LONG/RATIONAL (numerator, denominator, …) elements
    ByteArray bytes;               // BYTE/ASCII/UNDEFINED bytes
    bool rawOffset = false;        // `numbers[0]` is written as the value offset as it stands
};

IfdEntry Short(uint16_t tag, std::initializer_list<uint32_t> values);
IfdEntry Long(uint16_t tag, std::initializer_list<uint32_t> values);
IfdEntry Rational(uint16_t tag, std::initializer_list<std::pair<uint32_t, uint32_t>> values);
IfdEntry Ascii(uint16_t tag, const std::string& text); // a terminating zero is added
IfdEntry Undefined(uint16_t tag, ByteArray bytes);
IfdEntry Bytes(uint16_t tag, ByteArray bytes);
// An entry whose value offset field holds `offset` whatever the data (for broken files).
IfdEntry WithOffset(uint16_t tag, uint16_t format, uint32_t count, uint32_t offset);

struct TiffSpec {
    bool bigEndian = false;
    std::vector<IfdEntry> ifd0, exif, gps, interop, ifd1;
    ByteArray afterIfd0Link; // bytes placed right after IFD0's next-IFD link
};

// A TIFF structure ("II*\0" or "MM\0*" header). Links to the Exif, GPS, Interoperability
// directories and IFD1 are added when those directories have entries.
ByteArray BuildTiff(const TiffSpec& spec);

// A segment: FF, the marker byte, the big-endian length, the payload.
ByteArray Segment(uint8_t marker, const ByteArray& payload);
ByteArray ExifSegment(const ByteArray& tiff);
ByteArray Dqt(uint8_t tableId, const std::vector<uint8_t>& values64);
ByteArray Sof(uint8_t marker, uint16_t width, uint16_t height, uint8_t components = 3);
ByteArray Sos();

struct JpegSpec {
    std::vector<ByteArray> segments; // after SOI, before SOS
    ByteArray entropy = {0x12, 0x34, 0x56, 0x78};
    bool endOfImage = true;
    ByteArray trailing;
};

ByteArray BuildJpeg(const JpegSpec& spec);
// A JPEG of these segments and the default entropy data.
ByteArray Jpeg(std::vector<ByteArray> segments);
// The bytes of a text, without a terminating zero.
ByteArray TextBytes(const std::string& text);

ByteArray Concat(std::initializer_list<ByteArray> parts);

// Writes bytes to a file and returns its path.
std::string WriteFile(const std::filesystem::path& path, const ByteArray& bytes);

} // namespace pellvane::test

namespace pellvane::test {

// A real, decodable baseline JPEG of a grey gradient, made with libjpeg.
ByteArray EncodeSmallJpeg(int width, int height);

} // namespace pellvane::test
