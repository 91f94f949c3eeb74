#pragma once
// What one forensic check sees: the open codec, the decoded picture and the run's flags. A
// check returns the findings that decide its row; it returns none when the file gives it
// nothing to judge, and then adds no row.

#include "analysis/RunFlags.h"
#include "base/Finding.h"
#include "codec/IExifCodec.h"
#include "imaging/PictureDigest.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace pellvane {

// Digests of embedded images made ahead of the checks, by path; an image that failed to
// decode has an empty entry.
using DigestsAhead = std::map<std::string, std::optional<PictureDigest>>;

struct CheckContext {
    IExifCodec& codec;
    const PictureDigest& picture; // as decoded, before any EXIF orientation is applied
    RunFlags& flags;
    int32_t openResult = kOpenOk;
    const DigestsAhead* digestsAhead = nullptr;

    // The fingerprint digest of an embedded image file: the one made ahead, else made now.
    std::optional<PictureDigest> EmbeddedDigest(const std::string& path) const;
};

using CheckFunction = Findings (*)(CheckContext& context);

// The codec finding that last decided `codecFact`, without a status of its own, for a row
// that builds on that fact; nothing when no finding decided it.
std::optional<Finding> CodecDecision(const IExifCodec& codec, std::string_view codecFact);

} // namespace pellvane
