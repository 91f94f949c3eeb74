#pragma once
// The 16-byte block that early versions of the maker's metadata editor left in the files
// they saved, near IFD0's end or just before the thumbnail.

#include <cstdint>
#include <span>

namespace pellvane {

// The editor version recorded in the block, or 0 when the bytes are no such block.
int16_t CheckLegacyBlock(std::span<const uint8_t> block);

} // namespace pellvane
