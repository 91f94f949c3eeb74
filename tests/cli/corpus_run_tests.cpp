// The whole shared corpus through the command line's JSON, against a run recorded before the
// analysis kept its findings: every value that existed then must be the same now (new keys
// may be added), and every verdict must be traceable to the findings that decided it.

#include "support/Commands.h"
#include "support/TempFolder.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace pellvane {
namespace {

using nlohmann::json;

const std::string kCorpus = std::string(PELLVANE_SOURCE_DIR) + "/../shared/corpus";

// The objects of a JSON Lines text by their "file" key, made relative to the corpus folder.
std::map<std::string, json> ByFile(std::istream& lines, const std::string& prefix) {
    std::map<std::string, json> objects;
    std::string line;
    while (std::getline(lines, line)) {
        json object = json::parse(line);
        std::string file = object.at("file").get<std::string>();
        if (file.rfind(prefix, 0) == 0) file.erase(0, prefix.size());
        object["file"] = file;
        objects[file] = std::move(object);
    }
    return objects;
}

const std::map<std::string, json>& CurrentRun() {
    static const std::map<std::string, json> run = [] {
        test::ScopedTempFolder temp;
        const std::string command = std::string(PELLVANE_VALIDATE_EXE) + " --json --jobs 2 " +
                                    test::ShellQuoted(kCorpus) + " 2>/dev/null";
        std::string out;
        if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
                out.append(buf, n);
            ::pclose(pipe);
        }
        std::istringstream lines(out);
        return ByFile(lines, kCorpus + "/");
    }();
    return run;
}

// Every key of `recorded` has the same value in `current`, at any depth; where the path to a
// difference is, is returned ("" when there is none).
std::string FirstDifference(const json& recorded, const json& current, const std::string& where) {
    if (recorded.is_object() && current.is_object()) {
        for (const auto& [key, value] : recorded.items()) {
            if (!current.contains(key)) return where + "/" + key + " (missing)";
            std::string difference = FirstDifference(value, current.at(key), where + "/" + key);
            if (!difference.empty()) return difference;
        }
        return "";
    }
    if (recorded.is_array() && current.is_array() && recorded.size() == current.size()) {
        for (size_t i = 0; i < recorded.size(); ++i) {
            std::string difference =
                FirstDifference(recorded[i], current[i], where + "/" + std::to_string(i));
            if (!difference.empty()) return difference;
        }
        return "";
    }
    return recorded == current ? "" : where + ": " + recorded.dump() + " became " + current.dump();
}

TEST(CorpusRun, EveryRecordedValueIsUnchanged) {
    std::ifstream recordedFile(std::string(PELLVANE_SOURCE_DIR) + "/tests/fixtures/corpus-run.jsonl");
    ASSERT_TRUE(recordedFile) << "the recorded run is missing";
    const std::map<std::string, json> recorded = ByFile(recordedFile, "");
    const std::map<std::string, json>& current = CurrentRun();
    ASSERT_EQ(recorded.size(), current.size());
    for (const auto& [file, object] : recorded) {
        ASSERT_TRUE(current.contains(file)) << file;
        EXPECT_EQ(FirstDifference(object, current.at(file), ""), "") << file;
    }
}

bool HasFindingWithEffect(const json& findings, int status) {
    for (const json& finding : findings)
        if (finding.at("effect") == status) return true;
    return false;
}

TEST(CorpusRun, EveryRowIsDecidedByAFindingWithItsStatus) {
    for (const auto& [file, object] : CurrentRun()) {
        for (const json& row : object.at("rows")) {
            const json& evidence = row.at("evidence");
            EXPECT_FALSE(evidence.empty()) << file << ": " << row.at("test");
            const int status = row.at("status").get<int>();
            if (status < 5) {
                EXPECT_TRUE(HasFindingWithEffect(evidence, status)) << file << ": " << row.at("test");
            }
            for (const json& finding : evidence) {
                EXPECT_FALSE(finding.at("rule").get<std::string>().empty());
            }
        }
    }
}

// Every finding the corpus produces is told in a sentence of its own, with every value filled in.
TEST(CorpusRun, EveryFindingHasASentenceWithItsValues) {
    for (const auto& [file, object] : CurrentRun()) {
        json findings = json::array();
        for (const json& row : object.at("rows"))
            for (const json& finding : row.at("evidence"))
                findings.push_back(finding);
        if (!object.at("codec").is_null())
            for (const json& finding : object.at("codec").at("findings"))
                findings.push_back(finding);
        for (const json& finding : findings) {
            const std::string rule = finding.at("rule").get<std::string>();
            const std::string text = finding.at("text").get<std::string>();
            EXPECT_NE(text.rfind(rule, 0), 0u) << file << ": " << rule << " has no sentence";
            EXPECT_EQ(text.find('{'), std::string::npos) << file << ": " << text;
        }
    }
}

// The last codec finding that decides a member, as the codec derives the member from them.
std::optional<bool> LastDecision(const json& findings, const std::string& member) {
    std::optional<bool> decision;
    for (const json& finding : findings)
        if (finding.contains("decides") && finding.at("decides").contains(member))
            decision = finding.at("decides").at(member).get<bool>();
    return decision;
}

TEST(CorpusRun, EveryCodecVerdictIsDecidedByAFinding) {
    for (const auto& [file, object] : CurrentRun()) {
        const json& codec = object.at("codec");
        if (codec.is_null()) continue;
        for (const char* member : {"makerNoteIsOriginal", "mpfValid"}) {
            const std::string name = member == std::string("mpfValid") ? "MPFValid" : "MakerNoteIsOriginal";
            const std::optional<bool> decision = LastDecision(codec.at("findings"), name);
            if (codec.at(member) == false && member == std::string("makerNoteIsOriginal")) {
                EXPECT_TRUE(decision.has_value()) << file << ": no rule cleared " << name;
            }
            if (decision) {
                EXPECT_EQ(*decision, codec.at(member).get<bool>()) << file << ": " << name;
            }
        }
    }
}

} // namespace
} // namespace pellvane
