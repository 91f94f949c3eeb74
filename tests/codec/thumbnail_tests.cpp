// The IFD1 thumbnail and the legacy editor block.

#include "codec/cExifCodec.h"
#include "codec/extensions/LegacyBlock.h"
#include "imaging/cDIBSection.h"
#include "support/Aes.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

using namespace test;

std::array<uint8_t, 16> Plaintext(const char* text) {
    std::array<uint8_t, 16> block{};
    std::memcpy(block.data(), text, std::min<size_t>(std::strlen(text), 16));
    return block;
}

// Enciphered with OpenSSL, independently of the codec's own decipherer.
ByteArray SealedBlock(const char* text) {
    return test::EncipherAes128Block(LegacyEditorKey(), Plaintext(text));
}

// A TIFF structure with IFD1 pointing at `thumbnail`, which is appended after the
// structure (after `gap` filler bytes).
ByteArray TiffWithJpegThumbnail(const ByteArray& thumbnail, const ByteArray& gap = {}) {
    auto build = [&](uint32_t offset) {
        return BuildTiff({false,
                          {Ascii(0x010F, "Canon")},
                          {Short(0x8827, {100})},
                          {},
                          {},
                          {Short(0x0103, {6}), Long(0x0201, {offset}),
                           Long(0x0202, {static_cast<uint32_t>(thumbnail.size())})},
                          {}});
    };
    const auto size = static_cast<uint32_t>(build(0).size() + gap.size());
    return Concat({build(size), gap, thumbnail});
}

// The decoder the analysis hands the codec to decide ThumbnailValid.
bool Decodes(const std::string& path) {
    return cDIBSection().LoadPicture_File(path);
}

class Thumbnail : public ::testing::Test {
  protected:
    void SetUp() override { codec.SetPictureCheck(Decodes); }
    int32_t Open(const ByteArray& tiff, bool cacheThumbnail = true) {
        const ByteArray jpeg = BuildJpeg({{ExifSegment(tiff)}, {1, 2}, true, {}});
        return codec.OpenFile(WriteFile(temp.Input("thumb.jpg"), jpeg), std::nullopt, cacheThumbnail);
    }
    ScopedTempFolder temp;
    cExifCodec codec;
};

TEST_F(Thumbnail, AJpegThumbnailIsExtractedAndDecodes) {
    const ByteArray small = EncodeSmallJpeg(16, 12);
    ASSERT_EQ(Open(TiffWithJpegThumbnail(small)), kOpenOk);
    EXPECT_GT(codec.ThumbPtr(), 0);
    EXPECT_EQ(codec.ThumbSize(), static_cast<int32_t>(small.size()));
    const std::filesystem::path path = codec.ThumbnailCachePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(path.filename().string().starts_with("IFD1"));
    EXPECT_EQ(path.extension(), ".JPG");
    EXPECT_EQ(std::filesystem::file_size(path), small.size());
    EXPECT_TRUE(codec.ThumbnailValid());
    EXPECT_EQ(codec.Thumbnail(), small);
    codec.CloseFile();
    EXPECT_TRUE(codec.ThumbnailCachePath().empty());
    EXPECT_EQ(codec.ThumbSize(), 0);
    EXPECT_FALSE(codec.ThumbnailValid());
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(Thumbnail, BytesThatDoNotDecodeAreExtractedButNotValid) {
    ASSERT_EQ(Open(TiffWithJpegThumbnail(ByteArray(300, 0xAB))), kOpenOk);
    EXPECT_FALSE(codec.ThumbnailCachePath().empty());
    EXPECT_FALSE(codec.ThumbnailValid());
}

TEST_F(Thumbnail, WithoutAPictureCheckNoThumbnailIsValid) {
    codec.SetPictureCheck(nullptr);
    ASSERT_EQ(Open(TiffWithJpegThumbnail(EncodeSmallJpeg(16, 12))), kOpenOk);
    EXPECT_FALSE(codec.ThumbnailCachePath().empty());
    EXPECT_FALSE(codec.ThumbnailValid());
    // A check handed over later decides the next file's thumbnail.
    codec.SetPictureCheck([](const std::string& path) { return !path.empty(); });
    ASSERT_EQ(Open(TiffWithJpegThumbnail(ByteArray(300, 0xAB))), kOpenOk);
    EXPECT_TRUE(codec.ThumbnailValid());
}

TEST_F(Thumbnail, IsLeftInTheFileWhenTheOptionIsOff) {
    ASSERT_EQ(Open(TiffWithJpegThumbnail(EncodeSmallJpeg(8, 8)), false), kOpenOk);
    EXPECT_GT(codec.ThumbSize(), 0);
    EXPECT_TRUE(codec.ThumbnailCachePath().empty());
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(Thumbnail, UncompressedStripsAddUpTheirShortCounts) {
    const ByteArray tiff =
        BuildTiff({false,
                   {Ascii(0x010F, "Canon")},
                   {},
                   {},
                   {},
                   {Short(0x0103, {1}), Long(0x0111, {200, 300, 400}), Short(0x0117, {100, 100, 56})},
                   {}});
    ASSERT_EQ(Open(Concat({tiff, ByteArray(600, 0)})), kOpenOk);
    EXPECT_EQ(codec.ThumbPtr(), 200);
    EXPECT_EQ(codec.ThumbSize(), 256);
}

TEST_F(Thumbnail, ReachingTheEndOfTheFirst64KiBIsNotExtracted) {
    const ByteArray tiff = BuildTiff({false,
                                      {Ascii(0x010F, "Canon")},
                                      {},
                                      {},
                                      {},
                                      {Short(0x0103, {6}), Long(0x0201, {65000}), Long(0x0202, {536})},
                                      {}});
    ASSERT_EQ(Open(tiff), kOpenOk);
    EXPECT_EQ(codec.ThumbPtr(), 65000);
    EXPECT_EQ(codec.ThumbSize(), 536);
    EXPECT_TRUE(codec.ThumbnailCachePath().empty());
    EXPECT_FALSE(codec.ThumbnailValid());
}

struct LegacyCase {
    const char* plaintext;
    int16_t version;
};

TEST(LegacyBlock, ReadsTheEditorVersionFromAnEncipheredBlock) {
    const LegacyCase cases[] = {
        {"pelvn280", 280}, {"PELVN1260", 1260}, {"Pelvn95", 95},   {"pelvn95.7 beta", 95},   {"pelvn", 0},
        {"pelvnX12", 0},   {"pelv280", 0},      {"other text", 0}, {"pelvn99999999", 32767},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckLegacyBlock(SealedBlock(c.plaintext)), c.version) << c.plaintext;
    const auto plain = Plaintext("pelvn280");
    EXPECT_EQ(CheckLegacyBlock(plain), 0) << "an unciphered block is no legacy block";
    EXPECT_EQ(CheckLegacyBlock(std::span<const uint8_t>(SealedBlock("pelvn280")).first(15)), 0);
}

TEST_F(Thumbnail, TheLegacyBlockAfterIfd0GivesTheVersion) {
    TiffSpec spec{false, {Ascii(0x010F, "Canon")}, {Short(0x8827, {100})}, {}, {},
                  {},    SealedBlock("pelvn1260")};
    ASSERT_EQ(Open(BuildTiff(spec)), kOpenOk);
    EXPECT_EQ(codec.PelvnVersion(), 1260);
}

TEST_F(Thumbnail, TheLegacyBlockBeforeTheThumbnailGivesTheVersion) {
    const ByteArray block = SealedBlock("pelvn280");
    ASSERT_EQ(Open(TiffWithJpegThumbnail(EncodeSmallJpeg(8, 8), Concat({block, {0, 0, 0, 0}}))), kOpenOk);
    EXPECT_EQ(codec.PelvnVersion(), 280);
    cExifCodec other;
    // Five zero bytes are one too many: the block is not found.
    const ByteArray jpeg = BuildJpeg(
        {{ExifSegment(TiffWithJpegThumbnail(EncodeSmallJpeg(8, 8), Concat({block, {0, 0, 0, 0, 0}})))},
         {1},
         true,
         {}});
    ASSERT_EQ(other.OpenFile(WriteFile(temp.Input("five.jpg"), jpeg)), kOpenOk);
    EXPECT_EQ(other.PelvnVersion(), 0);
}

} // namespace
} // namespace pellvane
