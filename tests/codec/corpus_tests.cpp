// The codec on the shared test pictures: what it reads agrees with exiftool, an
// independent reader, and damaged files end in a result code with nothing left behind.

#include "codec/cExifCodec.h"
#include "support/Commands.h"
#include "support/TempFolder.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>

namespace pellvane {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(PELLVANE_CORPUS_DIR) / folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A text as exiftool shows it: cut at the first zero byte, trailing spaces dropped.
std::string Normalised(std::string text) {
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// "1/125" and "2.8" as numbers; nothing for other texts.
std::optional<double> AsNumber(const std::string& text) {
    double a = 0, b = 0;
    char extra;
    if (std::sscanf(text.c_str(), "%lf/%lf%c", &a, &b, &extra) == 2) return b == 0 ? 0.0 : a / b;
    if (std::sscanf(text.c_str(), "%lf%c", &a, &extra) == 1) return a;
    return std::nullopt;
}

struct TagCheck {
    const char* exiftoolKey;
    uint32_t tag;
    int32_t ifd;
};

constexpr TagCheck kChecks[] = {
    {"IFD0:Make", 0x010F, 1},
    {"IFD0:Model", 0x0110, 1},
    {"IFD0:ModifyDate", 0x0132, 1},
    {"ExifIFD:ExposureTime", 0x829A, 2},
    {"ExifIFD:FNumber", 0x829D, 2},
    {"ExifIFD:ISO", 0x8827, 2},
    {"ExifIFD:ExifImageWidth", 0xA002, 2},
    {"ExifIFD:ExifImageHeight", 0xA003, 2},
};

void ExpectSameValue(const nlohmann::json& expected, const std::string& ours, const std::string& what) {
    if (expected.is_number()) {
        const auto number = AsNumber(ours);
        ASSERT_TRUE(number.has_value()) << what << ": " << ours;
        EXPECT_NEAR(*number, expected.get<double>(), 1e-6 * std::max(1.0, std::fabs(expected.get<double>())))
            << what;
    } else {
        EXPECT_EQ(Normalised(ours), expected.get<std::string>()) << what;
    }
}

class CorpusAgreesWithExiftool : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusAgreesWithExiftool, OnTagTextsAndFrameSize) {
    const auto files = FilesIn(GetParam());
    ASSERT_FALSE(files.empty());
    std::string command = "exiftool -j -n -G1 -charset exif=cp1252";
    for (const auto& check : kChecks) {
        command += " -";
        command += check.exiftoolKey;
    }
    command += " -File:ImageWidth -File:ImageHeight";
    for (const auto& file : files) {
        command += ' ';
        command += test::ShellQuoted(file.string());
    }
    const auto report = nlohmann::json::parse(test::RunCommand(command + " 2>/dev/null"), nullptr, false);
    ASSERT_TRUE(report.is_array()) << "exiftool is needed for this test";
    ASSERT_EQ(report.size(), files.size());

    test::ScopedTempFolder temp;
    for (const auto& expected : report) {
        const std::string path = expected["SourceFile"];
        SCOPED_TRACE(path);
        cExifCodec codec;
        const int32_t result = codec.OpenFile(path);
        EXPECT_TRUE(result == kOpenOk || result == kOpenNoExif) << "OpenFile gave " << result;
        for (const auto& check : kChecks) {
            const std::string ours = codec.TagValueString(check.tag, check.ifd);
            if (!expected.contains(check.exiftoolKey)) {
                EXPECT_FALSE(codec.IsTagExisted(check.tag, check.ifd)) << check.exiftoolKey << " = " << ours;
                continue;
            }
            ExpectSameValue(expected[check.exiftoolKey], ours, check.exiftoolKey);
        }
        EXPECT_EQ(codec.ImageWidth(), expected.value("File:ImageWidth", 0));
        EXPECT_EQ(codec.ImageHeight(), expected.value("File:ImageHeight", 0));
    }
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Pictures, CorpusAgreesWithExiftool, ::testing::Values("camera", "edited"));

// Every member that reads the model, on whatever a damaged file left in it.
void ReadEverything(const cExifCodec& codec) {
    for (int32_t i = 0; i < codec.MarkerCount(); ++i) {
        (void)codec.MarkerDataString(i, 4, 16);
        (void)codec.MarkerDataString(i, 0, 1);
    }
    for (int32_t i = 0; i < codec.IFDEntryCount(0); ++i)
        (void)codec.IFDEntryValueString(i);
    double latitude, longitude;
    (void)codec.GetGpsCoordinate(latitude, longitude);
    (void)codec.EOFChunkDataString();
    (void)codec.FileSize(true);
    (void)codec.ImageBitDepth();
}

TEST(DamagedFiles, EndInAResultCodeAndLeaveNoTemporaryFile) {
    test::ScopedTempFolder temp;
    std::vector<fs::path> files = FilesIn("broken");
    for (const auto& f : FilesIn("tiff"))
        files.push_back(f);
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        {
            cExifCodec codec;
            const int32_t result = codec.OpenFile(file.string());
            EXPECT_GE(result, kOpenOk);
            EXPECT_LE(result, kOpenNoExif);
            ReadEverything(codec);
            // Opening again on the same object replaces the first file's model and files.
            EXPECT_EQ(codec.OpenFile(file.string()), result);
            codec.CloseFile();
            EXPECT_TRUE(temp.LeftoverFiles().empty());
            EXPECT_EQ(codec.OpenFile(file.string()), result);
        }
        EXPECT_TRUE(temp.LeftoverFiles().empty());
    }
}

} // namespace
} // namespace pellvane
