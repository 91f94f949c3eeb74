#pragma once
// The 12-byte directory entry that every image file directory stores the same way: the
// EXIF directories, the MakerNote's and the Multi-Picture Format's.

#include "base/ByteReader.h"

#include <cstdint>
#include <optional>

namespace pellvane {

inline constexpr int64_t kIfdEntrySize = 12;

struct IfdEntryFields {
    uint16_t tag = 0;
    uint16_t format = 0;
    int32_t components = 0;
    int32_t valueField = 0; // the last four bytes as a number: the value's offset when it does not fit
};

// The entry at `at`; nothing when its 12 bytes do not lie wholly inside `bytes`.
inline std::optional<IfdEntryFields> ReadIfdEntry(const cByteReader& bytes, int64_t at, bool bigEndian) {
    if (!bytes.Has(at, kIfdEntrySize)) return std::nullopt;
    return IfdEntryFields{.tag = *bytes.U16(at, bigEndian),
                          .format = *bytes.U16(at + 2, bigEndian),
                          .components = *bytes.I32(at + 4, bigEndian),
                          .valueField = *bytes.I32(at + 8, bigEndian)};
}

} // namespace pellvane
