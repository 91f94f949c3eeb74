#include "report/HtmlReport.h"

#include "analysis/Evidence.h"
#include "analysis/Status.h"
#include "base/Text.h"
#include "imaging/JpegEncoder.h"
#include "report/BuildInfo.h"
#include "report/CodecListing.h"
#include "report/Digest.h"
#include "report/HtmlParts.h"

#include <sys/utsname.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace pellvane::report {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kMainPictureSide = 480;
constexpr int32_t kEmbeddedPictureSide = 240;
constexpr int kPictureQuality = 85;
constexpr std::string_view kEmbeddedRowKey = "Window.Main.Results.EmbeddedImageFeatures";

std::string OptionalText(const std::optional<std::string>& text) {
    return text ? *text : std::string("—");
}

// --- the verdict ---

std::string ClassPicture(int16_t ratingClass) {
    if (ratingClass < 1 || ratingClass > 5) return "";
    const std::string data(kRatingStripSvg);
    std::ostringstream svg;
    svg << "<svg class=\"rating-picture\" width=\"84\" height=\"84\" viewBox=\"" << (ratingClass - 1) * 42
        << " 0 42 42\" role=\"img\"><image width=\"210\" height=\"42\" href=\"data:image/svg+xml;base64,"
        << Base64(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size())) << "\"/></svg>";
    return svg.str();
}

std::string VerdictSection(const AnalysisReport& analysis) {
    std::string html =
        "<section class=\"verdict\" id=\"verdict\"><h2>" + T("Report.Verdict", "Verdict") + "</h2>";
    if (analysis.refused)
        return html + "<p class=\"refusal\">" + HtmlEscape(analysis.refusal) + "</p></section>";
    html += "<div class=\"rating\"><div class=\"swatch\" style=\"background:" + ColourHex(analysis.colour) +
            "\">" + ClassPicture(analysis.ratingClass) + "</div><div><p class=\"class-title\" data-class=\"" +
            std::to_string(analysis.ratingClass) + "\">" + HtmlEscape(analysis.title) + "</p><p>" +
            HtmlEscape(analysis.description) + "</p>";
    if (!analysis.messages.message.empty())
        html += "<p class=\"message\">" + HtmlEscape(analysis.messages.message) + "</p>";
    const std::string legacy = LegacyAlert(analysis.messages);
    if (!legacy.empty()) html += "<p class=\"message legacy\">" + HtmlEscape(legacy) + "</p>";
    return html + "</div></div></section>";
}

// --- what was examined, and with what ---

std::string IdentitySection(const Examination& examination) {
    const fs::path path(examination.path);
    const std::optional<FileIdentity> identity = IdentifyFile(path);
    std::optional<std::string> imageData;
    if (examination.codec != nullptr && HasModel(examination.openResult))
        imageData = ImageDataSha256(path, examination.codec->streamOffset(), examination.codec->streamSize());
    std::error_code error;
    const auto modified = fs::last_write_time(path, error);
    const std::string modifiedText =
        error ? std::string("—")
              : TimeText(std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                    std::chrono::file_clock::to_sys(modified)));
    std::string html =
        "<section id=\"identity\"><h2>" + T("Report.File", "Examined file") + "</h2><table class=\"facts\">";
    html += FactRow(T("Report.File.Name", "Name"), path.filename().string());
    html += FactRow(T("Report.File.Path", "Path as given"), examination.path);
    html += FactRow(T("Report.File.Size", "Size in bytes"), identity ? std::to_string(identity->size) : "—");
    html += FactRow(T("Report.File.Modified", "Modified"), modifiedText);
    html += FactRow("SHA-256", identity ? identity->sha256 : "—", "hash");
    html += FactRow("MD5", identity ? identity->md5 : "—", "hash");
    html += FactRow(T("Report.File.ImageData", "SHA-256 of the image data"), OptionalText(imageData), "hash");
    html += "</table><p class=\"note\">" +
            T("Report.File.ImageDataNote", "The image-data hash covers only the entropy-coded picture: two "
                                           "files with the same image-data hash "
                                           "carry the same picture and differ only in metadata.") +
            "</p></section>";
    return html;
}

std::string ToolSection(const ToolInfo& tool, std::chrono::system_clock::time_point analysedAt) {
    std::string html =
        "<section id=\"tool\"><h2>" + T("Report.Tool", "Examination") + "</h2><table class=\"facts\">";
    html += FactRow(T("Report.Tool.Product", "Product"), tool.product + " (" + tool.program + ")");
    html += FactRow(T("Report.Tool.Version", "Version"), tool.version);
    html += FactRow(T("Report.Tool.Build", "Build"), tool.build);
    html += FactRow(T("Report.Tool.System", "Operating system"), tool.system);
    html += FactRow(T("Report.Tool.TimeUtc", "Analysed (UTC)"), TimeText(analysedAt, true));
    html += FactRow(T("Report.Tool.TimeLocal", "Analysed (local time)"), TimeText(analysedAt));
    html += FactRow(T("Report.Tool.EditorVersion", "Metadata editor version setting"),
                    std::to_string(tool.editorVersion));
    html += FactRow(T("Report.Tool.Codec", "Codec"),
                    tool.externalCodec ? T("Report.Tool.CodecExternal", "external codec component")
                                       : T("Report.Tool.CodecBuiltIn", "built-in codec"));
    return html + "</table></section>";
}

// --- the rows and their evidence ---

std::string EvidenceList(const Findings& findings) {
    std::string html = "<ul class=\"evidence\">";
    for (const Finding& finding : findings)
        html += "<li data-rule=\"" + HtmlEscape(finding.rule) + "\">" + HtmlEscape(EvidenceText(finding)) +
                "</li>";
    return html + "</ul>";
}

std::string ResultsSection(const AnalysisReport& analysis) {
    std::string html =
        "<section class=\"page\" id=\"results\"><h2>" + T("Report.Results", "Tests and evidence") + "</h2>";
    if (analysis.rows.empty())
        return html + "<p>" + T("Report.Results.None", "No test applied to this file.") + "</p></section>";
    html += "<table class=\"results\"><thead><tr><th>" + T("Report.Results.Test", "Test") + "</th><th>" +
            T("Report.Results.Status", "Status") + "</th><th>" + T("Report.Results.Evidence", "Evidence") +
            "</th></tr></thead><tbody>";
    for (const ResultRow& row : analysis.rows)
        html += "<tr class=\"row\" data-key=\"" + HtmlEscape(row.key) + "\"><td class=\"caption\">" +
                HtmlEscape(row.caption) + "</td><td class=\"status level" + std::to_string(row.level) +
                "\">" + HtmlEscape(row.word) + "</td><td>" + EvidenceList(row.findings) + "</td></tr>";
    return html + "</tbody></table></section>";
}

// --- the pictures ---

struct EmbeddedPicture {
    std::string kind; // as the embedded-images check names it
    int32_t index = 0;
    std::string path;
};

std::vector<EmbeddedPicture> EmbeddedPictures(const cExifCodec& codec) {
    std::vector<EmbeddedPicture> pictures;
    if (!codec.ThumbnailCachePath().empty()) pictures.push_back({"Thumbnail", 0, codec.ThumbnailCachePath()});
    for (int32_t i = 1; i < codec.MPFImageCount(); ++i)
        pictures.push_back({"MPF image", i, codec.MPFImageStreamPath(i)});
    for (int32_t i = 0; i < codec.MakerNoteImageCount(); ++i)
        pictures.push_back({"MakerNote preview", i, codec.MakerNoteImageStreamPath(i)});
    return pictures;
}

// The similarity the embedded-images check found for one image, as its sentence; "" when the
// check did not compare it.
std::string SimilarityText(const AnalysisReport& analysis, const EmbeddedPicture& picture) {
    for (const ResultRow& row : analysis.rows) {
        if (row.key != kEmbeddedRowKey) continue;
        for (const Finding& finding : row.findings)
            if (FactValue(finding, "image") == Fact::Value(picture.kind) &&
                FactValue(finding, "index") == Fact::Value(static_cast<int64_t>(picture.index)))
                return EvidenceText(finding);
    }
    return "";
}

std::string PictureFigure(const cDIBSection& picture, int32_t maxSide, const std::string& caption) {
    const std::vector<uint8_t> jpeg = EncodeJpegPreview(picture, maxSide, kPictureQuality);
    std::string html = "<figure>";
    if (!jpeg.empty())
        html +=
            "<img alt=\"" + HtmlEscape(caption) + "\" src=\"data:image/jpeg;base64," + Base64(jpeg) + "\">";
    return html + "<figcaption>" + caption + "</figcaption></figure>";
}

std::string EmbeddedFigure(const AnalysisReport* analysis, const EmbeddedPicture& embedded) {
    cDIBSection picture;
    const bool decoded = !embedded.path.empty() && picture.LoadPicture_File(embedded.path);
    std::string caption =
        "<b>" + HtmlEscape(embedded.kind + " " + std::to_string(embedded.index)) + "</b><br>";
    caption += decoded ? std::to_string(picture.Width()) + " × " + std::to_string(picture.Height())
                       : T("Report.Pictures.NotDecoded", "cannot be decoded");
    const std::string similarity = analysis != nullptr ? SimilarityText(*analysis, embedded) : "";
    caption +=
        "<br>" + (similarity.empty() ? T("Report.Pictures.NotCompared", "not compared with the main picture")
                                     : HtmlEscape(similarity));
    return decoded ? PictureFigure(picture, kEmbeddedPictureSide, caption)
                   : "<figure class=\"missing\"><figcaption>" + caption + "</figcaption></figure>";
}

std::string PicturesSection(const Examination& examination) {
    std::string html = "<section class=\"page\" id=\"pictures\"><h2>" + T("Report.Pictures", "Pictures") +
                       "</h2><div class=\"pictures\">";
    const AnalysisReport* analysis = examination.analysis;
    if (analysis != nullptr && !analysis->picture.IsEmpty()) {
        const cDIBSection& main = analysis->picture;
        html += PictureFigure(main, kMainPictureSide,
                              "<b>" + T("Report.Pictures.Main", "Main picture") + "</b><br>" +
                                  std::to_string(main.Width()) + " × " + std::to_string(main.Height()));
    }
    if (examination.codec != nullptr && HasModel(examination.openResult))
        for (const EmbeddedPicture& embedded : EmbeddedPictures(*examination.codec))
            html += EmbeddedFigure(analysis, embedded);
    return html + "</div></section>";
}

// --- the codec's view ---

std::string CodecFactsTable(const cExifCodec& codec) {
    std::string html = "<table class=\"facts\">";
    const nlohmann::json facts = CodecFacts(codec);
    for (const auto& [key, value] : facts.items())
        html += FactRow(key, value.is_string() ? value.get<std::string>() : value.dump(), "mono");
    return html + "</table>";
}

std::string CodecSection(const Examination& examination) {
    if (examination.codec == nullptr || !HasModel(examination.openResult)) return "";
    const cExifCodec& codec = *examination.codec;
    std::string html =
        "<section class=\"page\" id=\"codec\"><h2>" + T("Report.Codec", "File structure") + "</h2>";
    html += Collapsible(T("Report.Codec.Facts", "Codec facts"),
                        CodecFactsTable(codec) + EvidenceList(codec.CodecFindings()));
    html += Collapsible(T("Report.Codec.Segments", "JPEG segments"),
                        "<pre>" + HtmlEscape(SegmentsText(codec)) + "</pre>");
    html += Collapsible(T("Report.Codec.Tags", "Directory entries"),
                        "<pre>" + HtmlEscape(TagsText(codec)) + "</pre>");
    return html + "</section>";
}

std::string SystemName() {
    utsname names{};
    if (uname(&names) != 0) return "unknown";
    return std::string(names.sysname) + " " + names.release + " (" + names.machine + ")";
}

} // namespace

ToolInfo ThisTool(std::string program, int32_t editorVersion, bool externalCodec) {
    return {.product = "Pellvane Photo Validator",
            .version = std::string(kProgramVersion),
            .build = std::string(kProgramBuild),
            .system = SystemName(),
            .program = std::move(program),
            .editorVersion = editorVersion,
            .externalCodec = externalCodec};
}

std::string HtmlReport(const HtmlReportInput& input) {
    const Examination& examination = input.examination;
    const std::string name = fs::path(examination.path).filename().string();
    std::string html =
        DocumentStart(T("Report.Title", "Forensic report") + ": " + HtmlEscape(name), input.tool.product);
    if (examination.analysis != nullptr) html += VerdictSection(*examination.analysis);
    html += IdentitySection(examination);
    html += ToolSection(input.tool, input.analysedAt);
    if (examination.analysis != nullptr) html += ResultsSection(*examination.analysis);
    html += PicturesSection(examination);
    html += HistogramSection(input.histogram);
    html += CodecSection(examination);
    return html + DocumentEnd();
}

std::string IndexHtml(const std::vector<IndexEntry>& entries, const ToolInfo& tool,
                      std::chrono::system_clock::time_point writtenAt) {
    std::string html = DocumentStart(T("Report.Index", "Reports"), tool.product);
    html +=
        "<p>" + HtmlEscape(tool.product + " " + tool.version) + " · " + TimeText(writtenAt, true) + "</p>";
    html += "<table class=\"results index\"><thead><tr><th>" + T("Report.Index.Photo", "Photo") +
            "</th><th>" + T("Report.Index.Class", "Class") + "</th></tr></thead><tbody>";
    for (const IndexEntry& entry : entries) {
        const std::string swatch =
            entry.ratingClass > 0
                ? "<span class=\"dot\" style=\"background:" + ColourHex(entry.colour) + "\"></span>"
                : "";
        html += "<tr class=\"row\" data-class=\"" + std::to_string(entry.ratingClass) + "\"><td><a href=\"" +
                HtmlEscape(UrlPathEscape(entry.reportName)) + "\">" + HtmlEscape(entry.photo) +
                "</a></td><td>" + swatch + HtmlEscape(entry.title) + "</td></tr>";
    }
    return html + "</tbody></table>" + DocumentEnd();
}

} // namespace pellvane::report
