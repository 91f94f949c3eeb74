#include "report/JsonReport.h"

#include "analysis/Evidence.h"
#include "report/CodecListing.h"
#include "report/Digest.h"

#include <variant>

namespace pellvane::report {
namespace {

nlohmann::json FactValueJson(const Fact::Value& value) {
    return std::visit([](const auto& v) { return nlohmann::json(v); }, value);
}

nlohmann::json RowJson(const ResultRow& row) {
    return {{"test", row.caption},
            {"key", row.key},
            {"status", row.level},
            {"word", row.word},
            {"evidence", FindingsJson(row.findings)}};
}

} // namespace

std::string LegacyAlert(const RatingMessages& messages) {
    if (messages.legacyAlert.empty()) return "";
    std::string text = messages.legacyAlert + messages.legacyNotice;
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

nlohmann::json FindingJson(const Finding& finding) {
    nlohmann::json facts = nlohmann::json::object();
    for (const Fact& fact : finding.facts)
        facts[fact.name] = FactValueJson(fact.value);
    nlohmann::json object = {
        {"rule", finding.rule},
        {"text", EvidenceText(finding)},
        {"facts", std::move(facts)},
        {"effect", finding.status ? nlohmann::json(*finding.status) : nlohmann::json(nullptr)}};
    if (!finding.codecFact.empty()) object["decides"] = {{finding.codecFact, finding.codecValue}};
    return object;
}

nlohmann::json FindingsJson(const Findings& findings) {
    nlohmann::json array = nlohmann::json::array();
    for (const Finding& finding : findings)
        array.push_back(FindingJson(finding));
    return array;
}

void AddAnalysisJson(nlohmann::json& object, const AnalysisReport& report) {
    object["status"] = report.refused ? "refused" : "analysed";
    object["error"] = report.refused ? nlohmann::json(report.refusal) : nlohmann::json(nullptr);
    object["class"] = report.refused ? nlohmann::json(nullptr) : nlohmann::json(report.ratingClass);
    object["title"] = report.title;
    object["description"] = report.description;
    object["message"] = report.messages.message;
    object["legacyAlert"] = LegacyAlert(report.messages);
    nlohmann::json rows = nlohmann::json::array();
    for (const ResultRow& row : report.rows)
        rows.push_back(RowJson(row));
    object["rows"] = std::move(rows);
    object["software"] = report.flags.detectedSoftware;
}

nlohmann::json PictureJson(const std::optional<PictureSummary>& summary) {
    if (!summary) return nullptr;
    return {{"imageType", summary->imageType},     {"width", summary->width},
            {"height", summary->height},           {"alpha", summary->alpha},
            {"fingerprint", summary->fingerprint}, {"histogramStatus", summary->histogramStatus}};
}

nlohmann::json ExaminationJson(const Examination& examination) {
    nlohmann::json object = {{"file", examination.path}, {"openResult", examination.openResult}};
    const bool hasModel = examination.codec != nullptr && HasModel(examination.openResult);
    object["codec"] = hasModel ? CodecFacts(*examination.codec) : nlohmann::json(nullptr);
    if (hasModel) {
        object["codec"]["findings"] = FindingsJson(examination.codec->CodecFindings());
        const std::optional<std::string> imageData = ImageDataSha256(
            examination.path, examination.codec->streamOffset(), examination.codec->streamSize());
        object["codec"]["imageDataSha256"] = imageData ? nlohmann::json(*imageData) : nlohmann::json(nullptr);
    }
    if (examination.analysis != nullptr) AddAnalysisJson(object, *examination.analysis);
    object["picture"] = PictureJson(examination.picture);
    return object;
}

std::string JsonLine(const nlohmann::json& object) {
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace pellvane::report
