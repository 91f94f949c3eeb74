#pragma once
// The JSON form of one file's examination: the object every front end prints or hands on
// (one line of the command line's --json, the Python module's result, the HTML report's data).
// Its keys are described in docs/report-format.md.

#include "analysis/AnalysisReport.h"
#include "base/Finding.h"
#include "codec/cExifCodec.h"
#include "imaging/PictureSummary.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace pellvane::report {

// Everything one examination produced. `codec` is the codec that opened the file, or null
// when none did; its facts are reported when its model is complete enough.
struct Examination {
    std::string path;
    int32_t openResult = 0;
    const AnalysisReport* analysis = nullptr;
    const cExifCodec* codec = nullptr;
    std::optional<PictureSummary> picture;
};

nlohmann::json ExaminationJson(const Examination& examination);

// The object as one line of JSON Lines, invalid UTF-8 replaced.
std::string JsonLine(const nlohmann::json& object);

// The parts, for callers that assemble objects of their own.
nlohmann::json FindingJson(const Finding& finding);
nlohmann::json FindingsJson(const Findings& findings);
nlohmann::json PictureJson(const std::optional<PictureSummary>& summary);
void AddAnalysisJson(nlohmann::json& object, const AnalysisReport& report);

// The legacy-editor alert and its notice as one sentence. In the window the notice is followed
// by the upgrade link; in text and JSON the sentence ends with the notice.
std::string LegacyAlert(const RatingMessages& messages);

} // namespace pellvane::report
