// The findings of the codec's integrity rules over the shared pictures: every member they
// decide has a finding that says which rule gave its value, and the MPF messages are the
// messages of the MPF findings.

#include "codec/cExifCodec.h"
#include "imaging/cDIBSection.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace pellvane {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(PELLVANE_CORPUS_DIR))
        if (entry.is_regular_file() && entry.path().filename() != "README.md") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const Finding* LastDeciding(const Findings& findings, std::string_view fact) {
    for (auto it = findings.rbegin(); it != findings.rend(); ++it)
        if (it->codecFact == fact) return &*it;
    return nullptr;
}

std::string FactText(const Finding& finding, std::string_view name) {
    for (const Fact& fact : finding.facts)
        if (fact.name == name)
            if (const auto* text = std::get_if<std::string>(&fact.value)) return *text;
    return "";
}

TEST(CodecFindingsCorpus, EveryDecidedMemberNamesTheRuleThatDecidedIt) {
    test::ScopedTempFolder temp;
    const std::vector<fs::path> files = CorpusFiles();
    ASSERT_GT(files.size(), 100u) << "the shared pictures are needed for this test";
    std::map<std::string, int> clearedBy; // rule → files whose MakerNote it found not original
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        cExifCodec codec;
        codec.SetPictureCheck(
            [](const std::string& picture) { return cDIBSection().LoadPicture_File(picture); });
        if (codec.OpenFile(path.string(), true, true) == kOpenCannotOpen) continue;
        const Findings& findings = codec.CodecFindings();
        const std::pair<const char*, bool> members[] = {
            {kFactMakerNoteIsOriginal, codec.MakerNoteIsOriginal()},
            {kFactThumbnailValid, codec.ThumbnailValid()},
            {kFactMPFValid, codec.MPFValid()}};
        for (const auto& [fact, value] : members) {
            const Finding* deciding = LastDeciding(findings, fact);
            ASSERT_NE(deciding, nullptr) << fact << " has no finding";
            EXPECT_FALSE(deciding->rule.empty());
            EXPECT_EQ(deciding->codecValue, value) << fact << " differs from " << deciding->rule;
        }
        if (!codec.MakerNoteIsOriginal()) ++clearedBy[LastDeciding(findings, kFactMakerNoteIsOriginal)->rule];

        std::vector<std::string> messages;
        for (const Finding& finding : findings)
            if (finding.rule.starts_with("mpf.") && !FactText(finding, "message").empty())
                messages.push_back(FactText(finding, "message"));
        EXPECT_EQ(messages, codec.MPFMessages());
    }
    // The shared pictures hold edited files: their MakerNotes are cleared by rules that
    // looked at them, not only by the absence of a MakerNote.
    std::set<std::string> rules;
    for (const auto& [rule, count] : clearedBy)
        rules.insert(rule);
    EXPECT_TRUE(rules.contains("makernote.none-read"));
    EXPECT_GE(rules.size(), 3u);
}

TEST(CodecFindings, ANewFileForgetsThePreviousFilesFindings) {
    test::ScopedTempFolder temp;
    const std::vector<fs::path> files = CorpusFiles();
    cExifCodec codec;
    for (const fs::path& path : files)
        if (codec.OpenFile(path.string()) == kOpenOk && codec.MakerNoteIsOriginal()) break;
    ASSERT_TRUE(codec.MakerNoteIsOriginal());
    // The same codec, reused for every file, keeps nothing of the files before.
    for (const fs::path& path : files) {
        if (codec.OpenFile(path.string()) != kOpenOk) continue;
        cExifCodec fresh;
        ASSERT_EQ(fresh.OpenFile(path.string()), kOpenOk);
        EXPECT_EQ(codec.CodecFindings(), fresh.CodecFindings()) << path;
    }
}

} // namespace
} // namespace pellvane
