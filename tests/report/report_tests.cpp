// The report library's pieces: text that cannot break the document, data: URIs, digests, and a
// report for a file the analysis refused.

#include "analysis/AnalysisReport.h"
#include "report/Digest.h"
#include "report/HtmlParts.h"
#include "report/HtmlReport.h"

#include <gtest/gtest.h>
#include <string>

namespace pellvane::report {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(HtmlText, EscapesMarkupAndReplacesInvalidUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"<b>\"Tom\" & 'Jerry'</b>", "&lt;b&gt;&quot;Tom&quot; &amp; &#39;Jerry&#39;&lt;/b&gt;"},
        {"Ä ü 漢字 €", "Ä ü 漢字 €"},                             // valid UTF-8 stays
        {"caf\xE9 <", "caf\xEF\xBF\xBD &lt;"},                    // a Windows-1252 byte from a file
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // an overlong '/'
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // a surrogate
        {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // cut short at the end
    };
    for (const auto& [text, html] : cases)
        EXPECT_EQ(HtmlEscape(text), html) << text;
    EXPECT_EQ(UrlPathEscape("Sony Cybershot (1).html"), "Sony%20Cybershot%20%281%29.html");
}

TEST(HtmlText, Base64FollowsTheStandardVectors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {"\xFF\xFE", "//4="}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(Base64(Bytes(bytes)), text) << bytes;
}

TEST(Digests, MatchTheStandardVectorsAndRefuseRangesOutsideTheFile) {
    EXPECT_EQ(DigestHex(DigestKind::Sha256, Bytes("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(DigestHex(DigestKind::Md5, Bytes("abc")), "900150983cd24fb0d6963f7d28e17f72");
    const std::string sample = std::string(PELLVANE_SOURCE_DIR) + "/examples/sample.jpg";
    const uintmax_t size = std::filesystem::file_size(sample);
    EXPECT_EQ(IdentifyFile(sample)->size, size);
    EXPECT_EQ(ImageDataSha256(sample, 0, static_cast<int64_t>(size)), IdentifyFile(sample)->sha256);
    for (const auto& [offset, length] : {std::pair<int64_t, int64_t>{0, 0},
                                         {-1, 10},
                                         {static_cast<int64_t>(size) - 4, 5},
                                         {static_cast<int64_t>(size) + 1, 1}})
        EXPECT_FALSE(ImageDataSha256(sample, offset, length)) << offset << " + " << length;
    EXPECT_FALSE(IdentifyFile("/no/such/file.jpg"));
}

// A refused file has no codec model and no picture: the report still names the file, its
// hashes and the reason, and has no pictures or listings to show.
TEST(HtmlReportDocument, ARefusedFileStillGetsAWholeDocument) {
    AnalysisReport analysis;
    analysis.refused = true;
    analysis.refusal = "Unsupported <image> format!";
    const std::string sample = std::string(PELLVANE_SOURCE_DIR) + "/examples/sample.jpg";
    const std::string html =
        HtmlReport({.examination = {sample, kFileNotOpened, &analysis, nullptr, std::nullopt},
                    .histogram = nullptr,
                    .tool = ThisTool("report_tests", 1260, true),
                    .analysedAt = std::chrono::system_clock::from_time_t(0)});
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("Unsupported &lt;image&gt; format!"), std::string::npos);
    EXPECT_NE(html.find(IdentifyFile(sample)->sha256), std::string::npos);
    EXPECT_NE(html.find("1970-01-01T00:00:00Z"), std::string::npos);
    EXPECT_NE(html.find("external codec component"), std::string::npos);
    EXPECT_EQ(html.find("id=\"codec\""), std::string::npos);
    EXPECT_EQ(html.find("data:image/jpeg"), std::string::npos);
    EXPECT_NE(html.rfind("</html>"), std::string::npos);
}

} // namespace
} // namespace pellvane::report
