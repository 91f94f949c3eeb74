#pragma once
// The codec's view of one file as text and as facts: the listings of segments and directory
// entries, and the codec members a report shows.

#include "codec/cExifCodec.h"

#include <nlohmann/json.hpp>
#include <string>

namespace pellvane::report {

// A short sentence for an OpenFile result that means the file could not be read fully;
// "" for the results that leave a complete model.
std::string OpenFailureReason(int32_t openResult);

// True for results after which the file's model is complete enough to report.
bool HasModel(int32_t openResult);

nlohmann::json CodecFacts(const cExifCodec& codec);
std::string SegmentsText(const cExifCodec& codec);
std::string TagsText(const cExifCodec& codec);

// Text from a file made safe for a terminal: trailing zero bytes dropped, other control
// characters shown as '.'.
std::string Printable(const std::string& text);

} // namespace pellvane::report
