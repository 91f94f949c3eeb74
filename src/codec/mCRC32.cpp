#include "codec/mCRC32.h"

#include <cstdio>
#include <zlib.h>

namespace pellvane {

uint32_t Crc32(std::span<const uint8_t> bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes lengths as uInt; feed large ranges in pieces.
    while (!bytes.empty()) {
        const auto piece = std::min<size_t>(bytes.size(), 1u << 30);
        crc = crc32(crc, bytes.data(), static_cast<uInt>(piece));
        bytes = bytes.subspan(piece);
    }
    return static_cast<uint32_t>(crc);
}

std::string Crc32Text(std::span<const uint8_t> bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", Crc32(bytes));
    return text;
}

} // namespace pellvane
