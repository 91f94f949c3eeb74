// The command line's report files and image-data comparison, checked against independent
// witnesses: sha256sum for the hashes, exiftool for a metadata-only edit, djpeg and cjpeg for a
// re-saved copy.

#include "support/Commands.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace pellvane {
namespace {

namespace fs = std::filesystem;
using test::ShellQuoted;

const std::string kCorpus = std::string(PELLVANE_SOURCE_DIR) + "/../shared/corpus";

std::string Sample() {
    return std::string(PELLVANE_SOURCE_DIR) + "/examples/sample.jpg";
}

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The exit status of the command line with these arguments; its output goes to `out`.
int Validate(const std::string& arguments, const fs::path& out) {
    const std::string command =
        std::string(PELLVANE_VALIDATE_EXE) + " " + arguments + " >" + ShellQuoted(out.string()) + " 2>&1";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string PercentDecoded(const std::string& url) {
    std::string text;
    for (size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            text += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += url[i];
        }
    }
    return text;
}

std::string Sha256Sum(const fs::path& path) {
    return test::RunCommand("sha256sum " + ShellQuoted(path.string()) + " | cut -c1-64").substr(0, 64);
}

nlohmann::json JsonOf(const fs::path& photo, const test::ScopedTempFolder& temp) {
    const fs::path out = temp.Input("json.txt");
    Validate("--json " + ShellQuoted(photo.string()), out);
    return nlohmann::json::parse(ReadAll(out));
}

TEST(ReportCommands, ImageDataHashIsTheHashOfTheStreamBytesAndSurvivesAMetadataEditOnly) {
    test::ScopedTempFolder temp;
    const fs::path original = temp.Input("original.jpg");
    const fs::path edited = temp.Input("edited.jpg");
    const fs::path resaved = temp.Input("resaved.jpg");
    fs::copy_file(Sample(), original);
    fs::copy_file(Sample(), edited);
    test::RunCommand("exiftool -q -overwrite_original -Artist='Report Test' " + ShellQuoted(edited.string()));
    test::RunCommand("djpeg " + ShellQuoted(original.string()) + " | cjpeg -quality 92 > " +
                     ShellQuoted(resaved.string()));
    ASSERT_NE(ReadAll(original), ReadAll(edited)) << "exiftool did not edit the copy";

    const nlohmann::json codec = JsonOf(original, temp).at("codec");
    const int64_t offset = codec.at("streamOffset"), size = codec.at("streamSize");
    const std::string witness =
        test::RunCommand("tail -c +" + std::to_string(offset + 1) + " " + ShellQuoted(original.string()) +
                         " | head -c " + std::to_string(size) + " | sha256sum | cut -c1-64");
    EXPECT_EQ(codec.at("imageDataSha256"), witness.substr(0, 64));
    EXPECT_EQ(JsonOf(edited, temp).at("codec").at("imageDataSha256"), codec.at("imageDataSha256"));
    EXPECT_NE(JsonOf(resaved, temp).at("codec").at("imageDataSha256"), codec.at("imageDataSha256"));

    const fs::path out = temp.Input("same.txt");
    EXPECT_EQ(
        Validate("--same-picture " + ShellQuoted(original.string()) + " " + ShellQuoted(edited.string()),
                 out),
        0);
    EXPECT_NE(ReadAll(out).find("same picture"), std::string::npos) << ReadAll(out);
    EXPECT_EQ(
        Validate("--same-picture " + ShellQuoted(original.string()) + " " + ShellQuoted(resaved.string()),
                 out),
        1);
    EXPECT_NE(ReadAll(out).find("different pictures"), std::string::npos) << ReadAll(out);
    EXPECT_EQ(Validate("--same-picture " + ShellQuoted(original.string()) + " /no/such/file.jpg", out), 1);
}

TEST(ReportCommands, ReportHoldsTheHashesRowsAndClassAndIsNeverOverwrittenWithoutForce) {
    test::ScopedTempFolder temp;
    const fs::path report = temp.Input("sample report.html");
    const fs::path out = temp.Input("out.txt");
    ASSERT_EQ(Validate("--report " + ShellQuoted(report.string()) + " " + ShellQuoted(Sample()), out), 0)
        << ReadAll(out);
    const std::string html = ReadAll(report);
    EXPECT_NE(html.find(Sha256Sum(Sample())), std::string::npos);
    EXPECT_NE(html.find(test::RunCommand("md5sum " + ShellQuoted(Sample()) + " | cut -c1-32").substr(0, 32)),
              std::string::npos);
    const nlohmann::json json = JsonOf(Sample(), temp);
    EXPECT_NE(html.find(json.at("codec").at("imageDataSha256").get<std::string>()), std::string::npos);
    // Each text as an element's whole content.
    const auto element = [](const nlohmann::json& text) {
        return std::string(">").append(text.get<std::string>()).append("<");
    };
    EXPECT_NE(html.find(element(json.at("title"))), std::string::npos);
    for (const nlohmann::json& row : json.at("rows"))
        EXPECT_NE(html.find(element(row.at("test"))), std::string::npos) << row.at("test");
    // Nothing outside the file: no address other than data: URIs (and the SVG namespaces).
    EXPECT_FALSE(
        std::regex_search(html, std::regex(R"re((src|href)\s*=\s*"(https?|file):)re", std::regex::icase)));
    EXPECT_NE(html.find("data:image/jpeg;base64,"), std::string::npos) << "the picture is missing";

    // A second run leaves the report as it is, unless forced.
    fs::resize_file(report, 10);
    EXPECT_EQ(Validate("--report " + ShellQuoted(report.string()) + " " + ShellQuoted(Sample()), out), 1);
    EXPECT_NE(ReadAll(out).find("exists already"), std::string::npos) << ReadAll(out);
    EXPECT_EQ(fs::file_size(report), 10u);
    EXPECT_EQ(Validate("--force --report " + ShellQuoted(report.string()) + " " + ShellQuoted(Sample()), out),
              0);
    EXPECT_NE(ReadAll(report).find(Sha256Sum(Sample())), std::string::npos) << "--force did not rewrite it";

    EXPECT_EQ(Validate("--report x.html " + ShellQuoted(Sample()) + " " + ShellQuoted(Sample()), out), 2);
}

// Every camera and edited picture of the corpus in one run: one report each, an index linking
// all of them, and a second run without --force that overwrites nothing.
TEST(ReportCommands, ReportFolderOverTheCorpusIndexesEveryPhotoAndOverwritesNothing) {
    test::ScopedTempFolder temp;
    const fs::path folder = temp.Path() / "reports";
    const std::string photos = ShellQuoted(kCorpus + "/camera") + " " + ShellQuoted(kCorpus + "/edited");
    const fs::path out = temp.Input("out.txt");
    Validate("--jobs 2 --report-dir " + ShellQuoted(folder.string()) + " " + photos, out);

    size_t photoCount = 0;
    for (const char* sub : {"/camera", "/edited"})
        for (const auto& entry : fs::recursive_directory_iterator(kCorpus + sub))
            if (std::regex_match(entry.path().extension().string(),
                                 std::regex(R"(\.jpe?g)", std::regex::icase)))
                ++photoCount;
    std::map<std::string, fs::file_time_type> written;
    for (const auto& entry : fs::directory_iterator(folder))
        written[entry.path().filename().string()] = entry.last_write_time();
    ASSERT_EQ(written.size(), photoCount + 1) << ReadAll(out);
    // The index links every report, each name percent-encoded as a relative URL.
    const std::string index = ReadAll(folder / "index.html");
    std::set<std::string> linked;
    const std::regex link(R"re(href="([^"]*)")re");
    for (auto match = std::sregex_iterator(index.begin(), index.end(), link); match != std::sregex_iterator();
         ++match)
        linked.insert(PercentDecoded((*match)[1].str()));
    std::set<std::string> reports;
    for (const auto& [name, time] : written)
        if (name != "index.html") reports.insert(name);
    EXPECT_EQ(linked, reports);

    EXPECT_EQ(Validate("--report-dir " + ShellQuoted(folder.string()) + " " + photos, out), 1);
    EXPECT_NE(ReadAll(out).find("exists already"), std::string::npos);
    for (const auto& entry : fs::directory_iterator(folder)) {
        EXPECT_EQ(entry.last_write_time(), written.at(entry.path().filename().string())) << entry.path();
    }
}

} // namespace
} // namespace pellvane
