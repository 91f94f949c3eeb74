// MPF data: cameras that write Multi-Picture Format data write it whole; editors that keep
// the segment seldom keep it consistent with what they changed.

#include "analysis/ForensicTests.h"
#include "analysis/Status.h"

namespace pellvane {

std::optional<int16_t> MpfTest(TestContext& context) {
    const IExifCodec& codec = context.codec;
    if (!codec.MPFExisted()) return std::nullopt;
    return codec.MPFValid() ? kStatusPass : kStatusFail;
}

} // namespace pellvane
