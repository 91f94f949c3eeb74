#pragma once
// The report as an analyst reads it outside the window: the line that names the file judged,
// each row's evidence with the deciding finding marked, and the whole report as plain text
// for the clipboard.

#include "analysis/AnalysisReport.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pellvane {

// What the window says about the file it judged.
struct FileSummary {
    std::string name;   // the file name without its folder
    uint64_t bytes = 0; // the file's size
    int32_t width = 0;  // the picture's size in pixels, 0 when it did not decode
    int32_t height = 0;
    std::string camera; // maker and model as the file names them, "" when it names none
};

// "IMG_0001.JPG — 2.4 MB — 3008 × 2000 — NIKON D70": the parts that are known, in that order.
std::string FileSummaryLine(const FileSummary& file);

// A file size for people: bytes below 1 KiB, else KB or MB with one decimal.
std::string ReadableSize(uint64_t bytes);

// Maker and model as one name; a model that already starts with the maker's name keeps it
// once ("Canon" + "Canon PowerShot A610" gives "Canon PowerShot A610").
std::string CameraName(std::string_view make, std::string_view model);

struct EvidenceLine {
    std::string text;      // the finding's sentence in the interface language
    bool deciding = false; // the finding that set the row's status
};

// A row's findings as sentences. The deciding one is the last finding that sets a status,
// the one whose status the row shows.
std::vector<EvidenceLine> EvidenceLines(const ResultRow& row);

// One evidence line as a list shows it: the deciding finding behind an arrow, the others
// behind a bullet.
std::string MarkedEvidence(const EvidenceLine& line);

// The texts of the rating area that the report names, in the interface language.
struct RatingTexts {
    std::string heading; // "TRUST RATING:"
};

// The whole report as plain text: the file, every row with its status word and its evidence
// indented under it, the rating class, its description and the messages.
std::string ReportAsText(const FileSummary& file, const AnalysisReport& report, const RatingTexts& texts);

} // namespace pellvane
