// The embedded images of the shared camera pictures against exiftool: every JPEG thumbnail
// of IFD1 is extracted byte for byte, the MakerNote previews exiftool finds are extracted
// too, and nothing is left in the temporary folder.

#include "codec/cExifCodec.h"
#include "imaging/cDIBSection.h"
#include "support/Commands.h"
#include "support/TempFolder.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string_view>

namespace pellvane {
namespace {

namespace fs = std::filesystem;

// exiftool writes binary values in JSON as "base64:" followed by the standard alphabet.
ByteArray FromExiftoolBinary(const nlohmann::json& value) {
    constexpr std::string_view kPrefix = "base64:";
    constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string text = value.get<std::string>();
    if (!text.starts_with(kPrefix)) return {};
    ByteArray out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : std::string_view(text).substr(kPrefix.size())) {
        const size_t digit = kAlphabet.find(c);
        if (digit == std::string_view::npos) continue; // padding
        bits = bits << 6 | static_cast<uint32_t>(digit);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<uint8_t>(bits >> count));
        }
    }
    return out;
}

ByteArray ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteArray(std::istreambuf_iterator<char>(in), {});
}

nlohmann::json ExiftoolReport(const std::string& tags) {
    const fs::path folder = fs::path(PELLVANE_CORPUS_DIR) / "camera";
    return nlohmann::json::parse(
        test::RunCommand("exiftool -j -b -G1 " + tags + " '" + folder.string() + "' 2>/dev/null"), nullptr,
        false);
}

TEST(EmbeddedImageCorpus, EveryJpegThumbnailIsExtractedAsExiftoolReadsIt) {
    test::ScopedTempFolder temp;
    const auto report = ExiftoolReport("-n -IFD1:ThumbnailImage -IFD1:Compression -IFD1:StripByteCounts");
    ASSERT_TRUE(report.is_array()) << "exiftool is needed for this test";

    int exiftoolThumbnails = 0;
    int jpegThumbnailsExtracted = 0;
    cExifCodec codec;
    codec.SetPictureCheck(
        [](const std::string& thumbnail) { return cDIBSection().LoadPicture_File(thumbnail); });
    for (const auto& entry : report) {
        const std::string path = entry["SourceFile"];
        SCOPED_TRACE(path);
        const int32_t result = codec.OpenFile(path);
        ASSERT_TRUE(result == kOpenOk || result == kOpenNoExif) << result;
        if (entry.value("IFD1:Compression", 0) == 1) {
            // Uncompressed strips are copied too, but they are no picture of their own.
            EXPECT_EQ(codec.ThumbSize(), entry["IFD1:StripByteCounts"].get<int32_t>());
            EXPECT_FALSE(codec.ThumbnailValid());
            continue;
        }
        const bool listed = entry.contains("IFD1:ThumbnailImage");
        exiftoolThumbnails += listed;
        jpegThumbnailsExtracted += !codec.ThumbnailCachePath().empty();
        if (!listed) {
            EXPECT_TRUE(codec.ThumbnailCachePath().empty());
            continue;
        }
        const ByteArray expected = FromExiftoolBinary(entry["IFD1:ThumbnailImage"]);
        // Every camera here keeps its thumbnail within the first 64 KiB, where it is extracted.
        ASSERT_LT(codec.ThumbPtr() + codec.ThumbSize(), 65536);
        EXPECT_EQ(codec.ThumbSize(), static_cast<int32_t>(expected.size()));
        EXPECT_EQ(ReadAll(codec.ThumbnailCachePath()), expected);
        EXPECT_TRUE(codec.ThumbnailValid());
    }
    EXPECT_GE(exiftoolThumbnails, 30);
    EXPECT_EQ(jpegThumbnailsExtracted, exiftoolThumbnails);
    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST(EmbeddedImageCorpus, MakerNotePreviewsAreExtractedAsExiftoolReadsThem) {
    test::ScopedTempFolder temp;
    const auto report = ExiftoolReport("-PreviewIFD:PreviewImage");
    ASSERT_TRUE(report.is_array()) << "exiftool is needed for this test";

    int previews = 0;
    cExifCodec codec;
    for (const auto& entry : report) {
        const std::string path = entry["SourceFile"];
        if (!entry.contains("PreviewIFD:PreviewImage")) continue;
        SCOPED_TRACE(path);
        ++previews;
        ASSERT_EQ(codec.OpenFile(path), kOpenOk);
        ASSERT_EQ(codec.MakerNoteImageCount(), 1);
        EXPECT_TRUE(codec.MakerNoteImageValid(0));
        EXPECT_FALSE(codec.MakerNoteImageIsInEOF(0));
        EXPECT_TRUE(codec.MakerNoteIsOriginal());
        EXPECT_EQ(ReadAll(codec.MakerNoteImageStreamPath(0)),
                  FromExiftoolBinary(entry["PreviewIFD:PreviewImage"]));
    }
    EXPECT_EQ(previews, 2); // the Nikon D40 and D70
    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

} // namespace
} // namespace pellvane
