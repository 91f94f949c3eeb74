#include "codec/extensions/Arot.h"

#include "base/ByteReader.h"

#include <algorithm>

namespace pellvane {

std::vector<int32_t> ParseArot(std::span<const uint8_t> data, int32_t markerSize) {
    const cByteReader segment(data);
    const int32_t count = segment.I32(8, true).value_or(0);
    if (count < 1) return {};
    std::vector<int32_t> values(static_cast<size_t>(std::min(count, kMaxArotValues)), 0);
    for (size_t i = 0; i < values.size(); ++i) {
        const int64_t at = 12 + 4 * static_cast<int64_t>(i);
        // Apple stores the values in little-endian order although the count is big-endian.
        if (at + 3 < markerSize) values[i] = segment.I32(at, false).value_or(0);
    }
    return values;
}

} // namespace pellvane
