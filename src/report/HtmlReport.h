#pragma once
// The forensic report of one examination as one self-contained HTML file: styles inline,
// pictures as data: URIs and charts as inline SVG, so that it opens, prints and archives
// without any other file or any network access. Headings come from the section "Report" of
// the interface language.

#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"
#include "report/JsonReport.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace pellvane::report {

// The program that examined the file and the settings that affect its result.
struct ToolInfo {
    std::string product;
    std::string version;
    std::string build;
    std::string system;  // operating system and machine
    std::string program; // the front end: "pellvane-validate" or "pellvane-validator"
    int32_t editorVersion = 0;
    bool externalCodec = false;
};

// This program as built, on the system it runs on.
ToolInfo ThisTool(std::string program, int32_t editorVersion, bool externalCodec);

struct HtmlReportInput {
    Examination examination; // its codec must still hold the file open (embedded images)
    // The upright picture (AnalysisReport::picture) is used when the examination's analysis
    // kept it; the histogram is the one the analysis judged (the picture as decoded, sampled).
    const cHistogram* histogram = nullptr;
    ToolInfo tool;
    std::chrono::system_clock::time_point analysedAt;
};

std::string HtmlReport(const HtmlReportInput& input);

// One line of the index of a folder of reports.
struct IndexEntry {
    std::string photo;       // the examined file as named
    std::string reportName;  // the report's file name, relative to the index
    std::string title;       // "Class 3", or the reason the file was not analysed
    int16_t ratingClass = 0; // 0 when the file was not analysed
    uint32_t colour = 0;
};

std::string IndexHtml(const std::vector<IndexEntry>& entries, const ToolInfo& tool,
                      std::chrono::system_clock::time_point writtenAt);

} // namespace pellvane::report
