#include "report/HtmlParts.h"

#include "base/Text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <vector>

namespace pellvane::report {
namespace {

// The length of the valid UTF-8 sequence at the start of `text`, or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = lead < 0x80                    ? 1
                    : lead >= 0xC2 && lead <= 0xDF ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F) ||
        (lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) > 0x8F))
        return 0;
    return length;
}

const char* EscapeOf(char c) {
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        return nullptr;
    }
}

struct Channel {
    cHistogram::Channel channel;
    const char* key;
    const char* english;
    const char* colour;
};

constexpr std::array<Channel, 3> kChannels{{
    {cHistogram::Channel::Red, "Report.Histogram.Red", "Red", "#c62828"},
    {cHistogram::Channel::Green, "Report.Histogram.Green", "Green", "#2e7d32"},
    {cHistogram::Channel::Blue, "Report.Histogram.Blue", "Blue", "#1565c0"},
}};

constexpr int kChartHeight = 110;
constexpr int kBinWidth = 2;

// One channel's counts as a filled curve, scaled to its highest bin, with a marker under each
// bin where continuity breaks.
std::string ChannelChart(const cHistogram::Counts& counts, const std::vector<int32_t>& breaks,
                         const Channel& channel) {
    const int32_t highest = std::max(1, *std::max_element(counts.begin(), counts.end()));
    std::ostringstream svg;
    svg << "<svg class=\"histogram\" viewBox=\"0 0 " << 256 * kBinWidth << " " << kChartHeight + 14
        << "\" width=\"" << 256 * kBinWidth << "\" height=\"" << kChartHeight + 14 << "\" role=\"img\">";
    svg << "<rect width=\"100%\" height=\"" << kChartHeight << "\" fill=\"#fafafa\" stroke=\"#ccc\"/>";
    for (int32_t bin : breaks)
        svg << "<rect class=\"break\" x=\"" << bin * kBinWidth - 1 << "\" y=\"0\" width=\"" << kBinWidth + 2
            << "\" height=\"" << kChartHeight + 14 << "\" fill=\"#ff9800\" opacity=\"0.55\"><title>" << bin
            << "</title></rect>";
    svg << "<path fill=\"" << channel.colour << "\" fill-opacity=\"0.75\" d=\"M0 " << kChartHeight;
    for (size_t bin = 0; bin < counts.size(); ++bin) {
        const double height = static_cast<double>(counts[bin]) * kChartHeight / highest;
        char point[64];
        std::snprintf(point, sizeof point, " L%zu %.1f L%zu %.1f", bin * kBinWidth, kChartHeight - height,
                      (bin + 1) * kBinWidth, kChartHeight - height);
        svg << point;
    }
    svg << " L" << 256 * kBinWidth << " " << kChartHeight << " Z\"/>";
    for (int tick = 0; tick <= 255; tick += 64)
        svg << "<text x=\"" << tick * kBinWidth << "\" y=\"" << kChartHeight + 12 << "\" font-size=\"10\">"
            << tick << "</text>";
    return svg.str() + "</svg>";
}

std::string BreaksText(const std::vector<int32_t>& breaks) {
    if (breaks.empty()) return T("Report.Histogram.NoBreaks", "no break in continuity");
    std::string text = T("Report.Histogram.Breaks", "continuity breaks at") + " ";
    for (size_t i = 0; i < breaks.size(); ++i)
        text += (i > 0 ? ", " : "") + std::to_string(breaks[i]);
    return text;
}

const char* kStyles = R"css(
body{font-family:"DejaVu Sans",Arial,sans-serif;font-size:11pt;color:#222;margin:2em auto;max-width:60em;padding:0 1em}
header{border-bottom:3px solid #345;margin-bottom:1em}header p{margin:.2em 0;color:#555}
h1{font-size:1.6em;margin:.2em 0}h2{font-size:1.25em;border-bottom:1px solid #bbb;padding-bottom:.2em;margin-top:1.6em}
table{border-collapse:collapse;width:100%}td,th{border:1px solid #ccc;padding:.3em .5em;vertical-align:top;text-align:left}
th{background:#eef}table.facts td:first-child{width:16em;font-weight:bold}
.hash,.mono{font-family:"DejaVu Sans Mono",monospace;word-break:break-all}
.note{font-size:.9em;color:#444}
.rating{display:flex;gap:1em;align-items:center}.swatch{padding:8px;border-radius:6px}
.class-title{font-size:1.5em;font-weight:bold;margin:0}.message{font-weight:bold}.legacy{color:#b71c1c}
.results td.caption{font-weight:bold;width:14em}.status{width:8em;font-weight:bold}
.level1{color:#b71c1c}.level2{color:#d84315}.level3{color:#ef6c00}.level4{color:#827717}.level5{color:#2e7d32}
ul.evidence{margin:0;padding-left:1.2em}
.pictures{display:flex;flex-wrap:wrap;gap:1em;align-items:flex-start}
figure{margin:0;border:1px solid #ccc;padding:.5em;background:#fff;max-width:100%}
figure img{display:block;max-width:100%;height:auto}figcaption{font-size:.9em;margin-top:.3em;max-width:40em}
.dot{display:inline-block;width:.9em;height:.9em;border-radius:50%;margin-right:.4em;vertical-align:middle}
pre{font-size:8.5pt;white-space:pre-wrap;word-break:break-all;background:#f6f6f6;padding:.5em}
summary{cursor:pointer;font-weight:bold;margin:.5em 0}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}
@page{size:A4;margin:15mm}
@media print{
body{margin:0;max-width:none;font-size:10pt}
table.facts td:first-child{width:11em}.hash{font-size:8.5pt;white-space:nowrap}
section.page{break-before:page}
tr,figure,.rating,li,svg{break-inside:avoid}
thead{display:table-header-group}h2{break-after:avoid}
details::details-content{content-visibility:visible;display:block}
summary{list-style:none}
}
)css";

} // namespace

std::string T(std::string_view key, std::string_view english) {
    return HtmlEscape(GetText("Report", key, english));
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const size_t length = Utf8SequenceLength(text);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            text.remove_prefix(1);
            continue;
        }
        if (const char* escape = EscapeOf(text[0]); length == 1 && escape != nullptr)
            out += escape;
        else
            out.append(text.substr(0, length));
        text.remove_prefix(length);
    }
    return out;
}

std::string UrlPathEscape(std::string_view name) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kDigits[c >> 4];
            out += kDigits[c & 0x0F];
        }
    }
    return out;
}

std::string Base64(std::span<const uint8_t> bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        const uint32_t group = (uint32_t{bytes[i]} << 16) | (left > 1 ? uint32_t{bytes[i + 1]} << 8 : 0) |
                               (left > 2 ? uint32_t{bytes[i + 2]} : 0);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

std::string ColourHex(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", rgb & 0xFFFFFFu);
    return text;
}

std::string TimeText(std::chrono::system_clock::time_point time, bool utc) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    if ((utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts)) == nullptr) return "—";
    char text[64];
    std::strftime(text, sizeof text, utc ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d %H:%M:%S %z", &parts);
    return text;
}

std::string FactRow(const std::string& label, const std::string& value, const std::string& valueClass) {
    const std::string attribute = valueClass.empty() ? "" : " class=\"" + valueClass + "\"";
    return "<tr><td>" + label + "</td><td" + attribute + ">" + HtmlEscape(value) + "</td></tr>";
}

std::string Collapsible(const std::string& summary, const std::string& content) {
    return "<details><summary>" + summary + "</summary>" + content + "</details>";
}

std::optional<Fact::Value> FactValue(const Finding& finding, std::string_view name) {
    for (const Fact& fact : finding.facts)
        if (fact.name == name) return fact.value;
    return std::nullopt;
}

std::string HistogramSection(const cHistogram* histogram) {
    std::string html =
        "<section class=\"page\" id=\"histogram\"><h2>" + T("Report.Histogram", "Histograms") + "</h2>";
    if (histogram == nullptr || !histogram->IsHistogramLoaded())
        return html + "<p>" +
               T("Report.Histogram.None", "The picture was not decoded; there is no histogram.") +
               "</p></section>";
    html +=
        "<p class=\"note\">" +
        T("Report.Histogram.Note",
          "The sampled histograms the histogram test judged. Marked bins break the continuity: their counts "
          "differ from what their neighbours lead one to expect.") +
        "</p>";
    const cHistogram::Counts* counts[] = {&histogram->HistRed(), &histogram->HistGreen(),
                                          &histogram->HistBlue()};
    for (size_t i = 0; i < kChannels.size(); ++i) {
        const std::vector<int32_t> breaks =
            histogram->SuspiciousBins(kChannels[i].channel, cHistogram::kAnalysisThreshold);
        html += "<figure class=\"channel\" data-breaks=\"" + std::to_string(breaks.size()) + "\">" +
                ChannelChart(*counts[i], breaks, kChannels[i]) + "<figcaption><b>" +
                T(kChannels[i].key, kChannels[i].english) + "</b>: " + BreaksText(breaks) +
                "</figcaption></figure>";
    }
    return html + "</section>";
}

std::string DocumentStart(const std::string& title, const std::string& product) {
    return "<!DOCTYPE html>\n<html lang=\"" + HtmlEscape(GetText("Report", "Report.Language", "en")) +
           "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width\"><title>" +
           title + "</title><style>" + kStyles + "</style></head><body><header><p>" + HtmlEscape(product) +
           "</p><h1>" + title + "</h1></header>\n";
}

std::string DocumentEnd() {
    // Collapsed sections are opened for printing, so that paper holds everything.
    return "<script>addEventListener('beforeprint',function(){document.querySelectorAll('details')"
           ".forEach(function(d){d.open=true;});});</script></body></html>\n";
}

} // namespace pellvane::report
