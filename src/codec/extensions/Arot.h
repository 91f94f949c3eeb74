#pragma once
// Apple's APP10 "AROT" segment: a count and an array of 32-bit values that Apple devices
// write. Only the number of values is used elsewhere; they are kept uninterpreted.

#include <cstdint>
#include <span>
#include <vector>

namespace pellvane {

// The most values kept. The count is compared with the picture's height / 16, and a
// JPEG frame is at most 65535 rows high, so any count above this limit already fails
// that comparison; the limit keeps a forged count from claiming gigabytes of memory.
constexpr int32_t kMaxArotValues = 65536;

// The values of an AROT segment. `data` is the segment data (it begins with the two
// length bytes) and `markerSize` its length field. The count, big-endian at data offset
// 8, sets the array's length; values the segment does not hold stay 0. Empty for a count
// below 1.
std::vector<int32_t> ParseArot(std::span<const uint8_t> data, int32_t markerSize);

} // namespace pellvane
