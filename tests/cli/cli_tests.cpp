// The command line as a user runs it: output formats, messages and exit status.

#include "cli/ValidateRun.h"
#include "codec/extensions/LegacyBlock.h"
#include "support/Aes.h"
#include "support/Commands.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <sys/wait.h>

namespace pellvane {
namespace {

using test::ProcessRun;
using test::RunValidate;

std::string Sample() {
    return std::string(PELLVANE_SOURCE_DIR) + "/examples/sample.jpg";
}

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
                                "imageBitDepth", "streamOffset", "streamSize", "eofChunkSize",
                                "ifdEntryCount", "manufacturer", "manufacturerString"})
            EXPECT_TRUE(codec.contains(key)) << key;
        EXPECT_EQ(codec["ifdEntryCount"].size(), 7u);
        EXPECT_EQ(codec["imageWidth"], 800);
        EXPECT_EQ(codec["manufacturerString"], "Nikon");

        EXPECT_EQ(object["status"], "analysed");
        EXPECT_TRUE(object["error"].is_null());
        ASSERT_TRUE(object["class"].is_number_integer());
        const int ratingClass = object["class"];
        EXPECT_EQ(object["title"], "Class " + std::to_string(ratingClass));
        EXPECT_FALSE(object["description"].get<std::string>().empty());
        EXPECT_FALSE(object["message"].get<std::string>().empty());
        EXPECT_TRUE(object["software"].is_string());
        ASSERT_TRUE(object["rows"].is_array());
        ASSERT_FALSE(object["rows"].empty());
        int previousLevel = 0;
        for (const auto& row : object["rows"]) {
            EXPECT_TRUE(row["test"].is_string());
            EXPECT_TRUE(row["key"].get<std::string>().starts_with("Window.Main.Results."));
            EXPECT_TRUE(row["word"].is_string());
            const int level = row["status"];
            EXPECT_GE(level, previousLevel); // display order: worst first
            EXPECT_GE(ratingClass, 1);
            previousLevel = level;
        }
        const auto& picture = object["picture"];
        EXPECT_EQ(picture["imageType"], 2);
        EXPECT_EQ(picture["width"], 800);
        EXPECT_EQ(picture["height"], 600);
        EXPECT_EQ(picture["alpha"], 0);
        const std::string fingerprint = picture["fingerprint"];
        EXPECT_EQ(fingerprint.size(), 16u);
        EXPECT_EQ(fingerprint.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_TRUE(picture["histogramStatus"].is_number_integer());
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
    const ProcessRun run = RunValidate(
        "--json '" + Sample() + "' '" + text + "' '" + temp.Input("gone.jpg").string() + "'", temp);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(text + ": Unsupported file format!"), std::string::npos);
    EXPECT_NE(run.err.find("gone.jpg: the file cannot be opened"), std::string::npos);
    std::vector<nlohmann::json> objects;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        objects.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(objects.size(), 3u); // every file still has its line
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(objects[i]["status"], "refused");
        EXPECT_EQ(objects[i]["error"], "Unsupported file format!");
        EXPECT_TRUE(objects[i]["class"].is_null());
        EXPECT_TRUE(objects[i]["rows"].empty());
        EXPECT_TRUE(objects[i]["picture"].is_null());
    }
    EXPECT_EQ(objects[2]["openResult"], 1);
}

TEST(CommandLine, PicturesOtherThanJpegAreRefusedButDescribed) {
    test::ScopedTempFolder temp;
    // A small uncompressed TIFF: the codec reads its structure and the picture decodes.
    test::TiffSpec spec;
    spec.ifd0 = {test::Short(0x0100, {2}), test::Short(0x0101, {1}), test::Short(0x0102, {8, 8, 8}),
                 test::Short(0x0103, {1}), test::Short(0x0106, {2}), test::Long(0x0111, {0}),
                 test::Short(0x0115, {3}), test::Long(0x0116, {1}),  test::Long(0x0117, {6})};
    const std::string tiff = test::WriteFile(temp.Input("scan.tif"), test::BuildTiff(spec));
    const ProcessRun run = RunValidate("--json '" + tiff + "'", temp);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("scan.tif: Unsupported image format!"), std::string::npos) << run.err;
    const auto object = nlohmann::json::parse(run.out);
    EXPECT_EQ(object["status"], "refused");
    EXPECT_EQ(object["error"], "Unsupported image format!");
    EXPECT_EQ(object["openResult"], 0);
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    test::ScopedTempFolder temp;
    EXPECT_EQ(RunValidate("--no-such-option '" + Sample() + "'", temp).status, 2);
    EXPECT_EQ(RunValidate("", temp).status, 2);
    EXPECT_EQ(RunValidate("--jobs 0 '" + Sample() + "'", temp).status, 2);
    EXPECT_EQ(RunValidate("--jobs many '" + Sample() + "'", temp).status, 2);
}

TEST(CommandLine, PrintsTheAnalysisForAPersonToRead) {
    test::ScopedTempFolder temp;
    const ProcessRun run = RunValidate(test::ShellQuoted(Sample()), temp);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    const auto json = nlohmann::json::parse(RunValidate("--json '" + Sample() + "'", temp).out);
    const std::string rating = "  TRUST RATING: " + json["title"].get<std::string>();
    const std::string description = json["description"];
    const std::string message = json["message"];
    std::istringstream text(run.out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    // The file's name, one line per row, then the rating, its description and the message.
    const size_t rows = json["rows"].size();
    ASSERT_GE(lines.size(), rows + 4);
    EXPECT_EQ(lines[0], Sample());
    for (size_t i = 0; i < rows; ++i) {
        const std::string caption = json["rows"][i]["test"];
        const std::string word = json["rows"][i]["word"];
        EXPECT_TRUE(lines[1 + i].starts_with("  " + caption + "  ")) << lines[1 + i];
        EXPECT_TRUE(lines[1 + i].ends_with("  " + word)) << lines[1 + i];
    }
    EXPECT_EQ(lines[rows + 1], rating);
    EXPECT_EQ(lines[rows + 2], "  " + description);
    EXPECT_EQ(lines[rows + 3], "  " + message);
    // Piped output carries no terminal colours.
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

// Runs the command on a pseudo-terminal (util-linux `script`), as a person at a terminal would.
std::optional<std::string> RunOnTerminal(const std::string& environment, const std::string& arguments) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) return std::nullopt;
    std::string command = environment;
    command += " script -qec \"";
    command += PELLVANE_VALIDATE_EXE;
    command += " " + arguments + "\" /dev/null";
    return test::RunCommand(command);
}

TEST(CommandLine, ColoursOnATerminalUnlessNoColorIsSet) {
    const std::optional<std::string> coloured = RunOnTerminal("", test::ShellQuoted(Sample()));
    if (!coloured) GTEST_SKIP() << "no `script` to provide a terminal";
    EXPECT_NE(coloured->find("\x1b[1m"), std::string::npos) << *coloured;
    EXPECT_NE(coloured->find("TRUST RATING"), std::string::npos);
    const std::optional<std::string> plain = RunOnTerminal("NO_COLOR=1", test::ShellQuoted(Sample()));
    EXPECT_NE(plain->find("TRUST RATING"), std::string::npos);
    EXPECT_EQ(plain->find('\x1b'), std::string::npos);
}

TEST(CommandLine, FoldersAreSearchedForJpegFilesAtAnyDepth) {
    test::ScopedTempFolder temp;
    const std::filesystem::path root = temp.Input("photos");
    std::filesystem::create_directories(root / "trip" / "day 2");
    for (const char* name : {"b.jpg", "trip/A.JPEG", "trip/day 2/c.Jpg", "trip/notes.txt", "trip/d.png"})
        std::filesystem::copy_file(Sample(), root / name);
    const ProcessRun run = RunValidate("--json '" + root.string() + "'", temp);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> files;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        files.push_back(nlohmann::json::parse(line)["file"]);
    const std::vector<std::string> expected = {(root / "b.jpg").string(), (root / "trip/A.JPEG").string(),
                                               (root / "trip/day 2/c.Jpg").string()};
    EXPECT_EQ(files, expected);

    std::filesystem::create_directories(temp.Input("empty"));
    const ProcessRun empty = RunValidate("'" + temp.Input("empty").string() + "'", temp);
    EXPECT_TRUE(empty.out.empty());
    EXPECT_NE(empty.err.find(": no .jpg or .jpeg files"), std::string::npos) << empty.err;
}

// A single file leaves a core spare, and its picture then decodes on a second thread while the
// codec reads the file; with --jobs 1 it decodes in turn. The output is the same, for a camera
// file with embedded images, a damaged one and a TIFF picture.
TEST(CommandLine, ParallelJobsSpareCoreDecodesOneFileAlike) {
    test::ScopedTempFolder temp;
    const std::string corpus = std::string(PELLVANE_SOURCE_DIR) + "/../shared/corpus";
    for (const std::string file : {"/camera/Panasonic Lumix DMC-LX7.jpg", "/camera/Nikon D5000.jpg",
                                   "/broken/194531363df5b73f59c4c0517422f917.jpg", "/tiff/Arbitro.tiff"}) {
        const std::string input = "'" + corpus + file + "'";
        const ProcessRun inTurn = RunValidate("--json --jobs 1 " + input, temp);
        const ProcessRun overlapped = RunValidate("--json --jobs 4 " + input, temp);
        EXPECT_FALSE(inTurn.out.empty() && inTurn.err.empty()) << file;
        EXPECT_EQ(overlapped.out, inTurn.out) << file;
        EXPECT_EQ(overlapped.err, inTurn.err) << file;
        EXPECT_EQ(overlapped.status, inTurn.status) << file;
    }
}

TEST(CommandLine, ParallelJobsPrintTheSameInTheSameOrder) {
    test::ScopedTempFolder temp;
    const std::string corpus = std::string(PELLVANE_SOURCE_DIR) + "/../shared/corpus";
    // Damaged files among sound ones, so that refusals and messages interleave with results.
    const std::string inputs = "'" + corpus + "/edited' '" + corpus + "/broken'";
    for (const char* format : {"", "--json "}) {
        const ProcessRun one = RunValidate(std::string(format) + "--jobs 1 " + inputs, temp);
        const ProcessRun two = RunValidate(std::string(format) + "--jobs 2 " + inputs, temp);
        EXPECT_FALSE(one.out.empty());
        EXPECT_EQ(one.out, two.out) << format;
        EXPECT_EQ(one.err, two.err) << format;
        EXPECT_EQ(one.status, two.status);
    }
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST(CommandLine, NamesWithQuotesAndLettersBeyondAsciiAreAnalysedAndPrintedExactly) {
    test::ScopedTempFolder temp;
    const ProcessRun plain = RunValidate("--json " + test::ShellQuoted(Sample()), temp);
    const auto expected = nlohmann::json::parse(plain.out);
    for (const char* name : {"Fotoğraf \"çok\" 'güzel'.jpg", "写真 $(date) `id`;.jpg"}) {
        SCOPED_TRACE(name);
        const std::string path = temp.Input(name).string();
        std::filesystem::copy_file(Sample(), path);
        const ProcessRun run = RunValidate("--json " + test::ShellQuoted(path), temp);
        EXPECT_EQ(run.status, 0) << run.err;
        const auto object = nlohmann::json::parse(run.out);
        EXPECT_EQ(object["file"], path);
        EXPECT_EQ(object["class"], expected["class"]);
        EXPECT_EQ(object["rows"], expected["rows"]);
    }
}

// Every shared picture, in parallel and one after the other: the same bytes each time, and the
// temporary folder is left as it was found.
TEST(CommandLine, ParallelJsonOverEverySharedPictureEqualsTheSerialRunTwiceOver) {
    test::ScopedTempFolder temp;
    const std::string corpus = test::ShellQuoted(std::string(PELLVANE_SOURCE_DIR) + "/../shared/corpus");
    const ProcessRun serial = RunValidate("--json --jobs 1 " + corpus, temp);
    ASSERT_FALSE(serial.out.empty());
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const ProcessRun parallel = RunValidate("--json --jobs 2 " + corpus, temp);
        EXPECT_TRUE(parallel.out == serial.out); // not printed: megabytes of JSON
        EXPECT_EQ(parallel.err, serial.err);
        EXPECT_EQ(parallel.status, serial.status);
    }
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST(CommandLine, JsonNamesTheThumbnailAndTheLegacyEditorBlock) {
    test::ScopedTempFolder temp;
    const ByteArray thumbnail = test::EncodeSmallJpeg(16, 12);
    std::array<uint8_t, 16> plaintext{};
    std::memcpy(plaintext.data(), "pelvn95", 7);
    const std::vector<uint8_t> sealed = test::EncipherAes128Block(LegacyEditorKey(), plaintext);
    // IFD1 points at the thumbnail appended right after the TIFF structure.
    auto tiffWithThumbnailAt = [&](uint32_t offset) {
        test::TiffSpec spec{false, {test::Ascii(0x010F, "Canon")}, {test::Short(0xA001, {1})}, {}, {}, {},
                            {}};
        spec.ifd1 = {test::Short(0x0103, {6}), test::Long(0x0201, {offset}),
                     test::Long(0x0202, {static_cast<uint32_t>(thumbnail.size())})};
        spec.afterIfd0Link = ByteArray(sealed.begin(), sealed.end());
        return test::BuildTiff(spec);
    };
    const auto thumbPtr = static_cast<uint32_t>(tiffWithThumbnailAt(0).size());
    const ByteArray picture = test::EncodeSmallJpeg(64, 48);
    const ByteArray jpeg =
        test::Concat({{0xFF, 0xD8},
                      test::ExifSegment(test::Concat({tiffWithThumbnailAt(thumbPtr), thumbnail})),
                      ByteArray(picture.begin() + 2, picture.end())});
    const std::string path = test::WriteFile(temp.Input("edited.jpg"), jpeg);

    const ProcessRun run = RunValidate("--json '" + path + "'", temp);
    EXPECT_EQ(run.status, 0) << run.err;
    const auto object = nlohmann::json::parse(run.out);
    const auto& codec = object["codec"];
    EXPECT_EQ(codec["thumbPtr"], thumbPtr);
    EXPECT_EQ(codec["thumbSize"], thumbnail.size());
    EXPECT_EQ(codec["pelvnVersion"], 95);
    EXPECT_EQ(codec["makerNoteImageCount"], 0);
    EXPECT_EQ(object["class"], 1);
    EXPECT_EQ(object["software"], "Pellvane Metadata Editor (Core: 0095)");
}

} // namespace
} // namespace pellvane
