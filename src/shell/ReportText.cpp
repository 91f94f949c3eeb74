#include "shell/ReportText.h"

#include "analysis/Evidence.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace pellvane {
namespace {

constexpr std::string_view kSeparator = " \u2014 ";
constexpr std::string_view kDecidingMark = "\u25B6 ";
constexpr std::string_view kOtherMark = "\u2022 ";

std::string OneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

void AppendLine(std::string& text, std::string_view line) {
    if (line.empty()) return;
    text.append(line);
    text.push_back('\n');
}

} // namespace

std::string ReadableSize(uint64_t bytes) {
    constexpr double kKiB = 1024.0;
    if (bytes < 1024) return std::to_string(bytes) + " B";
    if (bytes < 1024 * 1024) return OneDecimal(double(bytes) / kKiB) + " KB";
    return OneDecimal(double(bytes) / (kKiB * kKiB)) + " MB";
}

std::string CameraName(std::string_view make, std::string_view model) {
    if (make.empty()) return std::string(model);
    if (model.empty()) return std::string(make);
    // Makers write their name in upper case in one tag and mixed case in the other.
    const auto sameLetters = [](char a, char b) {
        return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b));
    };
    const std::string_view firstWord = make.substr(0, make.find(' '));
    if (model.size() >= firstWord.size() &&
        std::equal(firstWord.begin(), firstWord.end(), model.begin(), sameLetters))
        return std::string(model);
    return std::string(make) + " " + std::string(model);
}

std::string FileSummaryLine(const FileSummary& file) {
    std::string line = file.name;
    const auto add = [&line](const std::string& part) {
        if (part.empty()) return;
        if (!line.empty()) line += kSeparator;
        line += part;
    };
    add(ReadableSize(file.bytes));
    if (file.width > 0 && file.height > 0)
        add(std::to_string(file.width) + " \u00D7 " + std::to_string(file.height));
    add(file.camera);
    return line;
}

std::vector<EvidenceLine> EvidenceLines(const ResultRow& row) {
    std::vector<EvidenceLine> lines;
    lines.reserve(row.findings.size());
    size_t deciding = row.findings.size();
    for (size_t i = 0; i < row.findings.size(); ++i)
        if (row.findings[i].status) deciding = i;
    for (size_t i = 0; i < row.findings.size(); ++i)
        lines.push_back({EvidenceText(row.findings[i]), i == deciding});
    return lines;
}

std::string MarkedEvidence(const EvidenceLine& line) {
    return std::string(line.deciding ? kDecidingMark : kOtherMark) + line.text;
}

std::string ReportAsText(const FileSummary& file, const AnalysisReport& report, const RatingTexts& texts) {
    std::string text;
    AppendLine(text, FileSummaryLine(file));
    text.push_back('\n');
    for (const ResultRow& row : report.rows) {
        AppendLine(text, row.caption + ": " + row.word);
        for (const EvidenceLine& line : EvidenceLines(row))
            AppendLine(text, "    " + MarkedEvidence(line));
    }
    text.push_back('\n');
    AppendLine(text, texts.heading + " " + report.title);
    AppendLine(text, report.description);
    AppendLine(text, report.messages.message);
    AppendLine(text, report.messages.legacyAlert + report.messages.legacyNotice);
    return text;
}

} // namespace pellvane
