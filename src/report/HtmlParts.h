#pragma once
// The pieces the HTML report and the index of a folder of reports are made of.

#include "base/Finding.h"
#include "imaging/cHistogram.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pellvane::report {

// A heading or label of the report in the interface language (section "Report"), escaped.
std::string T(std::string_view key, std::string_view english);

// Text for HTML content and attribute values; invalid UTF-8 becomes U+FFFD, so that text read
// from a file cannot break the document.
std::string HtmlEscape(std::string_view text);
// A file name as a relative URL path: everything but unreserved characters percent-encoded.
std::string UrlPathEscape(std::string_view name);
std::string Base64(std::span<const uint8_t> bytes);
std::string ColourHex(uint32_t rgb); // "#rrggbb"

// "2024-05-01 14:03:22 +0200" in local time, or "2024-05-01T12:03:22Z" in UTC.
std::string TimeText(std::chrono::system_clock::time_point time, bool utc = false);

// A row of a two-column table of facts; the value is escaped, the label is taken as it is.
std::string FactRow(const std::string& label, const std::string& value, const std::string& valueClass = "");
std::string Collapsible(const std::string& summary, const std::string& content);

// The value of a finding's fact, or nothing when it has none of that name.
std::optional<Fact::Value> FactValue(const Finding& finding, std::string_view name);

// The three channel histograms as inline SVG charts with the bins where continuity breaks
// marked; a sentence instead when there is no histogram.
std::string HistogramSection(const cHistogram* histogram);

// The document around the sections: the inline styles (screen and print), the title and the
// script that opens the collapsed sections before printing.
std::string DocumentStart(const std::string& title, const std::string& product);
std::string DocumentEnd();

} // namespace pellvane::report
