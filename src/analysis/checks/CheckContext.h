#pragma once
// What one forensic check sees: the open codec, the decoded picture and the run's flags. A
// check returns the findings that decide its row; it returns none when the file gives it
// nothing to judge, and then adds no row.

#include "analysis/RunFlags.h"
#include "base/Finding.h"
#include "codec/IExifCodec.h"
#include "imaging/PictureDigest.h"

#include <cstdint>

namespace pellvane {

struct CheckContext {
    IExifCodec& codec;
    const PictureDigest& picture; // as decoded, before any EXIF orientation is applied
    RunFlags& flags;
    int32_t openResult = kOpenOk;
};

using CheckFunction = Findings (*)(CheckContext& context);

// The codec finding that last decided `codecFact`, without a status of its own, for a row
// that builds on that fact; nothing when no finding decided it.
std::optional<Finding> CodecDecision(const IExifCodec& codec, std::string_view codecFact);

} // namespace pellvane
