#pragma once
// What the command line prints about one analysis run: the readable block and the JSON keys.

#include "analysis/AnalysisReport.h"
#include "imaging/PictureSummary.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace pellvane::cli {

// The rows, the trust rating, the class description and the messages of an analysed file,
// indented under the file's name. `colour` adds terminal colours.
std::string AnalysisText(const AnalysisReport& report, bool colour);

// The line that stands for the analysis of a refused file.
std::string RefusalText(const std::string& reason, bool colour);

// The JSON keys of the analysis, added to a file's object: status, error, class, title,
// description, message, legacyAlert, rows and software.
void AddAnalysisJson(nlohmann::json& object, const AnalysisReport& report);

nlohmann::json PictureJson(const std::optional<PictureSummary>& summary);

// The heading of a file's block, bold on a terminal.
std::string FileHeading(const std::string& path, bool colour);

} // namespace pellvane::cli
