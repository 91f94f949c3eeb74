#pragma once
// Encoding of a pixel buffer as a JPEG file in memory, for reports that carry pictures inline.

#include "imaging/cDIBSection.h"

#include <cstdint>
#include <vector>

namespace pellvane {

// The picture as a baseline JPEG of the given quality (1 to 100), scaled down first so that
// neither side exceeds maxSide (0: no limit), aspect ratio kept. Empty when the buffer is empty
// or the encoder fails; nothing is printed and no exception escapes.
std::vector<uint8_t> EncodeJpegPreview(const cDIBSection& picture, int32_t maxSide, int quality);

} // namespace pellvane
