#pragma once
// The XMP packet: the XML text that editing programs write or rewrite. A JPEG carries it
// in an APP1 segment named by the XMP namespace URI; a TIFF file in tag 700 of IFD0.

#include "codec/ExifValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pellvane {

// The first four payload bytes of an XMP APP1 segment ("http", the start of its namespace
// URI) as the little-endian identifier value the segment scan records.
constexpr uint32_t kXmpIdentifierValue = 0x70747468;

// True when an APP1 identifier is the XMP namespace URI, whatever its version path and
// letter case.
bool IsXmpIdentifier(std::string_view identifier);

// The packet held in an XMP APP1 segment, decoded as UTF-8. `data` is the segment data
// (it begins with the two length bytes), `markerSize` its length field and
// `identifierLength` the length in bytes of its identifier; the packet follows the
// identifier's terminating zero. Empty when the segment holds nothing after it.
std::string XmpPacketFromSegment(std::span<const uint8_t> data, int32_t markerSize, size_t identifierLength);

// The packet held by the XMP tag of a TIFF directory, its bytes decoded as UTF-8.
std::string XmpPacketFromTag(const ExifValue& value);

} // namespace pellvane
