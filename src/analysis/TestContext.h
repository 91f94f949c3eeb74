#pragma once
// What one forensic test sees: the open codec, the decoded picture and the run's flags.
// A test answers the status of its row, or nothing when it adds no row.

#include "analysis/RunFlags.h"
#include "codec/IExifCodec.h"
#include "imaging/cDIBSection.h"

#include <cstdint>
#include <optional>

namespace pellvane {

struct TestContext {
    IExifCodec& codec;
    const cDIBSection& picture; // as decoded, before any EXIF orientation is applied
    RunFlags& flags;
    int32_t openResult = kOpenOk;
};

using TestFunction = std::optional<int16_t> (*)(TestContext& context);

} // namespace pellvane
