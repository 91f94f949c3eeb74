#pragma once
// The 16-byte block that early versions of the maker's metadata editor left in the files
// they saved, near IFD0's end or just before the thumbnail. The block is one AES-128
// block; its plaintext starts with the marker "pelvn" and the editor's version number.

#include <array>
#include <cstdint>
#include <span>

namespace pellvane {

// The editor version recorded in the block, or 0 when the bytes are no such block (also
// when they are not exactly 16 bytes).
int16_t CheckLegacyBlock(std::span<const uint8_t> block);

// The editor's AES-128 key. Tests encipher their fixture blocks with it.
std::array<uint8_t, 16> LegacyEditorKey();

} // namespace pellvane
