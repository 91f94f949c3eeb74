// The embedded-images test: when it applies, the Nikon thumbnail opened with a second codec,
// and the MPF images and MakerNote previews compared with the main picture by fingerprint.
// The codec is a fake that names real picture files written for each case.

#include "analysis/AnalyzeFile.h"
#include "analysis/FakeCodec.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/cExifCodec.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

constexpr int32_t kNikon = 2;

// A picture split into a dark and a light half, left and right or top and bottom. Their
// fingerprints agree on exactly half of the 64 cells, as far apart as two pictures get.
test::RgbaPicture Halves(int width, int height, bool leftRight) {
    test::RgbaPicture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool light = leftRight ? x >= width / 2 : y >= height / 2;
            const auto level = static_cast<uint8_t>(light ? 220 : 30);
            picture.At(x, y) = {level, level, level};
        }
    return picture;
}

test::JpegOptions Quality(int quality) {
    test::JpegOptions options;
    options.quality = quality;
    return options;
}

class EmbeddedImages : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const test::Bytes& bytes) {
        const std::filesystem::path path = temp.Input(name);
        test::WriteFileBytes(path, bytes);
        return path.string();
    }

    std::optional<int16_t> Run() {
        CheckContext context{codec, mainPicture, flags, 0};
        return DecidedStatus(EmbeddedImagesCheck(context));
    }

    test::ScopedTempFolder temp;
    test::cFakeCodec codec;
    RunFlags flags;
    const PictureDigest mainPicture = DigestPicture(test::BufferFrom(Halves(64, 48, true)));
    // Smaller copies, as cameras embed them: of the main picture, and of another one.
    const std::string sameCopy = Write("same.jpg", test::EncodeJpeg(Halves(32, 24, true), Quality(80)));
    const std::string otherCopy = Write("other.jpg", test::EncodeJpeg(Halves(32, 24, false), Quality(80)));
    const std::string broken = Write("broken.jpg", test::Bytes(500, 0x5A));
};

TEST_F(EmbeddedImages, AppliesOnlyWhenThereIsACopyToLookAt) {
    EXPECT_EQ(Run(), std::nullopt);
    codec.mpfImagePaths = {"primary.jpg"}; // the primary image alone is no copy
    EXPECT_EQ(Run(), std::nullopt);
    codec.thumbSize = 4000;
    EXPECT_EQ(Run(), kStatusPass) << "a thumbnail alone is not compared";
}

TEST_F(EmbeddedImages, FurtherImagesAreComparedWithTheMainPicture) {
    struct Case {
        const char* name;
        std::vector<std::string> mpf;
        std::vector<std::string> makerNote;
        int16_t status;
    };
    const Case cases[] = {
        {"MPF copy of the picture", {"primary", sameCopy}, {}, 5},
        {"MPF copy of another picture", {"primary", otherCopy}, {}, 2},
        {"MPF image that does not decode", {"primary", broken}, {}, 2},
        {"MPF image that was not extracted", {"primary", ""}, {}, 2},
        {"the primary MPF entry is never loaded", {broken, sameCopy}, {}, 5},
        {"MakerNote preview of the picture", {}, {sameCopy}, 5},
        {"MakerNote preview of another picture", {}, {otherCopy}, 2},
        {"MakerNote preview that does not decode", {}, {broken}, 2},
        {"the worst of several images counts", {"primary", sameCopy}, {otherCopy, sameCopy}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        codec.maker = kMakerCanon;
        codec.mpfImagePaths = c.mpf;
        codec.makerNoteImagePaths = c.makerNote;
        EXPECT_EQ(Run(), c.status);
        EXPECT_FALSE(flags.embeddedSignatureEqual);
    }
}

TEST_F(EmbeddedImages, NikonThumbnailMustNotCarryTheMainPicturesTables) {
    const std::string thumbnail = Write("thumb.jpg", test::EncodeJpeg(Halves(32, 24, true), Quality(70)));
    cExifCodec reader;
    reader.OpenFile(thumbnail);
    const std::string thumbnailTables = reader.ComprSignature();
    ASSERT_FALSE(thumbnailTables.empty());

    struct Case {
        const char* name;
        std::string thumbnail;
        std::string mainTables;
        std::vector<std::string> makerNote;
        int16_t status;
        bool signatureEqual;
    };
    const Case cases[] = {
        {"own tables", thumbnail, "12345678", {}, 5, false},
        {"the main picture's tables", thumbnail, thumbnailTables, {}, 2, true},
        {"the main picture's tables; the preview is not looked at",
         thumbnail,
         thumbnailTables,
         {sameCopy},
         2,
         true},
        {"own tables, a preview of another picture", thumbnail, "12345678", {otherCopy}, 2, false},
        {"no thumbnail file", "", "12345678", {sameCopy}, 2, false},
        {"a thumbnail file that is no picture", broken, "12345678", {sameCopy}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flags = {};
        codec.maker = kNikon;
        codec.thumbSize = 4000;
        codec.thumbnailPath = c.thumbnail;
        codec.signature = c.mainTables;
        codec.makerNoteImagePaths = c.makerNote;
        EXPECT_EQ(Run(), c.status);
        EXPECT_EQ(flags.embeddedSignatureEqual, c.signatureEqual);
    }
    EXPECT_TRUE(temp.LeftoverFiles().empty()) << "the second codec leaves nothing behind";
}

TEST(EmbeddedImagesCorpus, CopiesThatCamerasEmbedShowTheMainPicture) {
    // Thumbnails, the Nikon previews and the Panasonic MPF preview of the camera pictures;
    // the pictures that were resized since kept copies of the same picture.
    test::ScopedTempFolder temp;
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(PELLVANE_CORPUS_DIR) / "camera"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::unique_ptr<IExifCodec> holder;
    cSilentObserver observer;
    int judged = 0;
    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.string());
        const AnalysisReport report = AnalyzeFile(file.string(), holder, {.keepPicture = false}, observer);
        const auto row = std::find_if(report.rows.begin(), report.rows.end(), [](const ResultRow& r) {
            return r.key == "Window.Main.Results.EmbeddedImageFeatures";
        });
        if (row == report.rows.end()) continue;
        ++judged;
        EXPECT_EQ(row->word, "Pass");
    }
    EXPECT_GE(judged, 35);
    if (holder) holder->CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

} // namespace
} // namespace pellvane
