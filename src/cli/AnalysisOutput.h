#pragma once
// What the command line prints about one analysis run as readable text.

#include "analysis/AnalysisReport.h"
#include <string>

namespace pellvane::cli {

// The rows, the trust rating, the class description and the messages of an analysed file,
// indented under the file's name. `colour` adds terminal colours; `explain` puts each row's
// evidence under it.
std::string AnalysisText(const AnalysisReport& report, bool colour, bool explain = false);

// The line that stands for the analysis of a refused file.
std::string RefusalText(const std::string& reason, bool colour);

// The heading of a file's block, bold on a terminal.
std::string FileHeading(const std::string& path, bool colour);

} // namespace pellvane::cli
