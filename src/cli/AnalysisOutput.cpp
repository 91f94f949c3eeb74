#include "cli/AnalysisOutput.h"

#include "analysis/Evidence.h"
#include "report/CodecListing.h"
#include "report/JsonReport.h"

#include <algorithm>
#include <sstream>
#include <string_view>

namespace pellvane::cli {
namespace {

using report::LegacyAlert;
using report::Printable;

constexpr std::string_view kReset = "\x1b[0m";
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kRed = "\x1b[31m";
constexpr std::string_view kYellow = "\x1b[33m";
constexpr std::string_view kGreen = "\x1b[32m";

// The terminal colour of a level or class: red for the processed side, yellow for the doubtful
// middle, green for the original side.
std::string_view LevelColour(int16_t level) {
    if (level <= 2) return kRed;
    if (level <= 4) return kYellow;
    return kGreen;
}

std::string Painted(std::string_view text, std::string_view style, bool colour) {
    if (!colour) return std::string(text);
    return std::string(style) + std::string(text) + std::string(kReset);
}

size_t CaptionWidth(const AnalysisReport& report) {
    size_t width = 0;
    for (const ResultRow& row : report.rows)
        width = std::max(width, row.caption.size());
    return width;
}

// The class number's own colour: amber for class 3 only, as the window shows it.
std::string_view ClassColour(int16_t ratingClass) {
    if (ratingClass == 3) return kYellow;
    return ratingClass <= 2 ? kRed : kGreen;
}

// A row's evidence, one finding a line under the row, coloured like the row; the finding that
// set a status is marked with it.
std::string EvidenceLines(const ResultRow& row, bool colour) {
    std::string lines;
    for (const Finding& finding : row.findings) {
        const std::string_view style = finding.status ? LevelColour(*finding.status) : std::string_view();
        const std::string bullet = finding.status ? "* " : "- ";
        lines += "      " +
                 Painted(bullet + Printable(EvidenceText(finding)), style, colour && finding.status) + "\n";
    }
    return lines;
}

} // namespace

std::string FileHeading(const std::string& path, bool colour) {
    return Painted(Printable(path), kBold, colour);
}

std::string RefusalText(const std::string& reason, bool colour) {
    return "  " + Painted("Not analysed:", kBold, colour) + " " + reason + "\n";
}

std::string AnalysisText(const AnalysisReport& report, bool colour, bool explain) {
    std::ostringstream out;
    const size_t width = CaptionWidth(report);
    for (const ResultRow& row : report.rows) {
        out << "  " << row.caption << std::string(width - row.caption.size() + 3, ' ')
            << Painted(row.word, LevelColour(row.level), colour) << "\n";
        if (explain) out << EvidenceLines(row, colour);
    }
    out << "  "
        << Painted("TRUST RATING: " + report.title,
                   std::string(kBold) + std::string(ClassColour(report.ratingClass)), colour)
        << "\n";
    out << "  " << report.description << "\n";
    if (!report.messages.message.empty()) out << "  " << Printable(report.messages.message) << "\n";
    if (const std::string legacy = LegacyAlert(report.messages); !legacy.empty())
        out << "  " << legacy << "\n";
    return out.str();
}

} // namespace pellvane::cli
