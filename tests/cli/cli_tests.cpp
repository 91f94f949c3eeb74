// The command line as a user runs it: output formats, messages and exit status.

#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/wait.h>

namespace pellvane {
namespace {

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
};

ProcessRun RunValidate(const std::string& arguments, const test::ScopedTempFolder& temp) {
    const auto errPath = temp.Input("stderr.txt");
    const std::string command =
        std::string(PELLVANE_VALIDATE_EXE) + " " + arguments + " 2>" + errPath.string();
    ProcessRun run;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buf;
        size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
        const int raw = ::pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
}

std::string Sample() { return std::string(PELLVANE_SOURCE_DIR) + "/examples/sample.jpg"; }

TEST(CommandLine, JsonLinesCarryTheCodecFacts) {
    test::ScopedTempFolder temp;
    const ProcessRun run = RunValidate("--json '" + Sample() + "' '" + Sample() + "'", temp);
    EXPECT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        const auto object = nlohmann::json::parse(line);
        EXPECT_EQ(object["file"], Sample());
        EXPECT_EQ(object["openResult"], 0);
        const auto& codec = object["codec"];
        for (const char* key : {"fileType", "markerCount", "comprSignature", "imageWidth", "imageHeight",
                                "imageBitDepth", "streamOffset", "streamSize", "eofChunkSize", "ifdEntryCount",
                                "manufacturer", "manufacturerString"})
            EXPECT_TRUE(codec.contains(key)) << key;
        EXPECT_EQ(codec["ifdEntryCount"].size(), 7u);
        EXPECT_EQ(codec["imageWidth"], 800);
        EXPECT_EQ(codec["manufacturerString"], "Nikon");
    }
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(temp.LeftoverFiles().empty()); // the command closed every file it opened
}

TEST(CommandLine, SegmentsAndTagsAreListed) {
    test::ScopedTempFolder temp;
    const ProcessRun segments = RunValidate("--segments '" + Sample() + "'", temp);
    EXPECT_EQ(segments.status, 0);
    EXPECT_NE(segments.out.find("SOF0"), std::string::npos);
    EXPECT_NE(segments.out.find("Type: Baseline DCT, Huffman coding"), std::string::npos);
    EXPECT_EQ(segments.out.find('\r'), std::string::npos);
    const ProcessRun tags = RunValidate("--tags '" + Sample() + "'", temp);
    EXPECT_EQ(tags.status, 0);
    EXPECT_NE(tags.out.find("0x010F"), std::string::npos);
    EXPECT_NE(tags.out.find("NIKON"), std::string::npos);
}

TEST(CommandLine, UnreadableFilesAreNamedOnStandardErrorAndSetTheStatus) {
    test::ScopedTempFolder temp;
    const std::string text = test::WriteFile(temp.Input("notes.jpg"), pellvane::ByteArray(100, 'x'));
    const ProcessRun run = RunValidate("--json '" + Sample() + "' '" + text + "' '" + temp.Input("gone.jpg").string() + "'", temp);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(text + ": the file is neither a JPEG nor a TIFF-structured file"), std::string::npos);
    EXPECT_NE(run.err.find("gone.jpg: the file cannot be opened"), std::string::npos);
    int lines = 0;
    for (char c : run.out) lines += c == '\n';
    EXPECT_EQ(lines, 3); // every file still has its line
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    test::ScopedTempFolder temp;
    EXPECT_EQ(RunValidate("--no-such-option '" + Sample() + "'", temp).status, 2);
    EXPECT_EQ(RunValidate("", temp).status, 2);
}

} // namespace
} // namespace pellvane
