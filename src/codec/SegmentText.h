#pragma once
// Readable descriptions of single JPEG segments (frame and scan headers, quantisation
// and Huffman tables, JFIF header, comments, and a short hexadecimal dump otherwise).

#include <cstdint>
#include <span>
#include <string>

namespace pellvane {

struct SegmentView {
    int16_t markerNo = 0;          // marker bytes read little-endian (FF C0 gives 0xC0FF)
    int32_t size = 0;              // the segment's length field (0 when it has none)
    std::string identifier;        // APPn identifier text, empty otherwise
    std::span<const uint8_t> data; // `size` bytes after the marker, length bytes first
};

// Lines are joined with "\r\n" and every line starts with `indent` spaces; there is no
// line break at the end. Data shorter than its header fields claim ends the text early
// instead of reading past it.
std::string DescribeSegment(const SegmentView& segment, int indent, int perRow);

} // namespace pellvane
