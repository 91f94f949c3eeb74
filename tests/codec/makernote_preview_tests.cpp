// Preview images stored through MakerNote tags: the tags of each maker, when a preview is
// valid and when it makes the MakerNote not original, the Sony preview that moved, the
// repair of stand-in start markers, the temporary files, and reads that stay in the file.

#include "codec/cExifCodec.h"
#include "imaging/cDIBSection.h"
#include "support/JpegBuilder.h"
#include "support/MakerNoteBuilder.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string_view>

namespace pellvane {
namespace {

using namespace test;

ByteArray Text(std::string_view text) {
    return ByteArray(text.begin(), text.end());
}

// A real, decodable JPEG that stands for every camera's preview.
const ByteArray& Preview() {
    static const ByteArray preview = EncodeSmallJpeg(24, 16);
    return preview;
}

// The preview with its first byte replaced, as some cameras write it.
ByteArray PreviewStartingWith(uint8_t first) {
    ByteArray preview = Preview();
    preview[0] = first;
    return preview;
}

// Bytes of a preview's length that are no JPEG at all.
ByteArray NotAJpeg() {
    return ByteArray(Preview().size(), 0x5A);
}

ByteArray BytesOf(const ExifValue& value) {
    const auto* bytes = std::get_if<ByteArray>(&value);
    return bytes == nullptr ? ByteArray{} : *bytes;
}

uint32_t SizeOf(const ByteArray& bytes) {
    return static_cast<uint32_t>(bytes.size());
}

ByteArray ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteArray(std::istreambuf_iterator<char>(in), {});
}

using NoteMaker = std::function<ByteArray(uint32_t)>; // the MakerNote, given its offset

// Where the preview sits inside each MakerNote block.
constexpr size_t kPreviewAt = 300;

// Pentax: tags 0x0003 (length) and 0x0004 (start) of the MakerNote directory, offsets from
// the TIFF header. `start` replaces the true start when given.
NoteMaker PentaxNote(ByteArray preview, uint16_t format = 4, std::optional<uint32_t> start = std::nullopt) {
    return [=](uint32_t mn) {
        MakerNoteBlock b(false, mn);
        b.Put(0, Concat({Text("AOC"), {0}, Text("II")})).Put(kPreviewAt, preview);
        const uint32_t at = start.value_or(b.OffsetOf(kPreviewAt));
        b.Directory(6, {Short(1, {7}), IfdEntry{0x0003, format, 1, {SizeOf(preview)}, {}, false},
                        IfdEntry{0x0004, format, 1, {at}, {}, false}});
        return b.Bytes();
    };
}

// Nikon: tags 0x0201 (start) and 0x0202 (length) of the preview sub-directory named by tag
// 0x0011, offsets from the MakerNote's inner TIFF header.
NoteMaker NikonNote(ByteArray preview) {
    return [=](uint32_t) {
        MakerNoteBlock b(false, -10);
        b.Put(0, Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}));
        b.Put(kPreviewAt, preview);
        b.Directory(100, {Long(0x0201, {b.OffsetOf(kPreviewAt)}), Long(0x0202, {SizeOf(preview)})});
        b.Directory(18, {Short(1, {7}), Long(0x0011, {b.OffsetOf(100)})});
        return b.Bytes();
    };
}

ByteArray OlympusHeader() {
    return Concat({Text("OLYMPUS"), {0}, Text("II"), {3, 0}});
}

// Olympus: the camera-settings sub-directory (tag 0x2020) says whether there is a preview
// (0x0100), where it starts (0x0101) and how long it is (0x0102), offsets from the MakerNote.
NoteMaker OlympusSettingsNote(ByteArray preview, uint32_t previewValid) {
    return [=](uint32_t) {
        MakerNoteBlock b(false, 0);
        b.Put(0, OlympusHeader()).Put(kPreviewAt, preview);
        b.Directory(100, {Long(0x0100, {previewValid}), Long(0x0101, {b.OffsetOf(kPreviewAt)}),
                          Long(0x0102, {SizeOf(preview)})});
        b.Directory(12, {Short(1, {7}), SubIfd(0x2020, b.OffsetOf(100))});
        return b.Bytes();
    };
}

// Olympus: the preview as the data of the MakerNote's tag 0x0100 (UNDEFINED).
NoteMaker OlympusImageNote(ByteArray preview) {
    return [=](uint32_t) {
        MakerNoteBlock b(false, 0);
        b.Put(0, OlympusHeader());
        b.Directory(12, {Short(1, {7}), Undefined(0x0100, preview)});
        return b.Bytes();
    };
}

// Epson: the preview as the data of the MakerNote's tag 0x0280 (BYTE).
NoteMaker EpsonNote(ByteArray preview) {
    return [=](uint32_t mn) {
        MakerNoteBlock b(false, mn);
        b.Put(0, Concat({Text("EPSON"), {0, 1, 0}}));
        b.Directory(8, {Short(1, {7}), Bytes(0x0280, preview)});
        return b.Bytes();
    };
}

// Sony: tag 0x2001 whose offset field (from the TIFF header) is `offset(preview's offset)`,
// with `count` bytes.
NoteMaker SonyNote(ByteArray preview, std::function<uint32_t(uint32_t)> offset, uint32_t count) {
    return [=](uint32_t mn) {
        MakerNoteBlock b(false, mn);
        b.Put(0, Concat({Text("SONY DSC "), {0, 0, 0}})).Put(kPreviewAt, preview);
        b.Directory(12, {Short(1, {7}), WithOffset(0x2001, 7, count, offset(b.OffsetOf(kPreviewAt)))});
        return b.Bytes();
    };
}

ByteArray TiffWith(const std::string& make, const NoteMaker& note) {
    return TiffWithMakerNote({false, {Ascii(0x010F, make)}, {}, {}, {}, {}, {}}, note);
}

// A JPEG whose Exif segment ends with FF D8, as Pentax cameras close it.
ByteArray JpegWith(const ByteArray& tiff, ByteArray trailing = {}) {
    JpegSpec spec;
    spec.segments = {ExifSegment(Concat({tiff, {0xFF, 0xD8}}))};
    spec.entropy = ByteArray(400, 0x3C); // far more than the Sony shifts reach back
    spec.trailing = std::move(trailing);
    return BuildJpeg(spec);
}

class MakerNotePreview : public ::testing::Test {
  protected:
    int32_t Open(const ByteArray& jpeg, const std::string& name = "picture.jpg") {
        return codec.OpenFile(WriteFile(temp.Input(name), jpeg));
    }

    // The extracted preview begins with a real start marker, holds the rest of the preview
    // and decodes.
    void ExpectExtracted(int32_t index, const ByteArray& preview) {
        const std::filesystem::path path = codec.MakerNoteImageStreamPath(index);
        ASSERT_FALSE(path.empty());
        EXPECT_TRUE(path.filename().string().starts_with("MKN"));
        EXPECT_EQ(path.filename().string().size(), 3u + 15u + 4u);
        EXPECT_EQ(path.extension(), ".JPG");
        ByteArray expected = preview;
        expected[0] = 0xFF;
        EXPECT_EQ(ReadAll(path), expected);
        EXPECT_EQ(codec.MakerNoteImageStreamSize(index), static_cast<int32_t>(preview.size()));
        EXPECT_TRUE(cDIBSection().LoadPicture_File(path));
    }

    ScopedTempFolder temp;
    cExifCodec codec;
};

TEST_F(MakerNotePreview, EachMakersTagsGiveARecordJudgedByItsFirstBytes) {
    struct Case {
        const char* name;
        const char* make;
        NoteMaker note;
        ByteArray preview;
        int32_t count;
        bool valid;
        bool inTrailingData;
        bool original;
    };
    const Case cases[] = {
        {"Pentax", "PENTAX", PentaxNote(Preview()), Preview(), 1, true, false, true},
        {"Pentax preview not starting FF D8",
         "PENTAX",
         PentaxNote(PreviewStartingWith(0xEE)),
         {},
         1,
         false,
         false,
         false},
        {"Pentax preview starting outside the file",
         "PENTAX",
         PentaxNote(Preview(), 4, 0x7FFFFF00u),
         {},
         1,
         false,
         false,
         false},
        {"Pentax preview tags of format SHORT",
         "PENTAX",
         PentaxNote(Preview(), 3),
         {},
         0,
         false,
         false,
         true},
        {"Nikon", "NIKON", NikonNote(Preview()), Preview(), 1, true, false, true},
        {"Nikon preview not starting FF D8", "NIKON", NikonNote(NotAJpeg()), {}, 1, false, false, false},
        {"Olympus camera settings", "OLYMPUS", OlympusSettingsNote(Preview(), 1), Preview(), 1, true, true,
         true},
        {"Olympus camera settings, preview not starting FF D8",
         "OLYMPUS",
         OlympusSettingsNote(PreviewStartingWith(0xEE), 1),
         {},
         1,
         false,
         true,
         false},
        {"Olympus camera settings without a preview",
         "OLYMPUS",
         OlympusSettingsNote(NotAJpeg(), 0),
         {},
         0,
         false,
         false,
         true},
        {"Olympus image tag", "OLYMPUS", OlympusImageNote(Preview()), Preview(), 1, true, true, true},
        {"Olympus image tag starting EE D8", "OLYMPUS", OlympusImageNote(PreviewStartingWith(0xEE)),
         PreviewStartingWith(0xEE), 1, true, true, true},
        {"Olympus image tag that is no JPEG",
         "OLYMPUS",
         OlympusImageNote(NotAJpeg()),
         {},
         1,
         false,
         true,
         true},
        {"Epson starting EE D8", "SEIKO EPSON CORP.", EpsonNote(PreviewStartingWith(0xEE)),
         PreviewStartingWith(0xEE), 1, true, true, true},
        {"Epson image that is no JPEG", "SEIKO EPSON CORP.", EpsonNote(NotAJpeg()), {}, 1, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Open(JpegWith(TiffWith(c.make, c.note))), kOpenOk);
        ASSERT_TRUE(codec.IFDEntryCount(kIfdMakerNote) > 0) << "the MakerNote was not walked";
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
        ASSERT_EQ(codec.MakerNoteImageCount(), c.count);
        if (c.count == 0) continue;
        EXPECT_EQ(codec.MakerNoteImageValid(0), c.valid);
        EXPECT_EQ(codec.MakerNoteImageIsInEOF(0), c.inTrailingData);
        EXPECT_GT(codec.MakerNoteImageOffset(0), 0);
        if (c.valid)
            ExpectExtracted(0, c.preview);
        else
            EXPECT_TRUE(codec.MakerNoteImageStreamPath(0).empty());
    }
    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(MakerNotePreview, PentaxRecordCarriesTheStartAsWrittenAndTheLength) {
    ASSERT_EQ(Open(JpegWith(TiffWith("PENTAX", PentaxNote(Preview())))), kOpenOk);
    const uint32_t mn = MakerNoteOffsetIn(TiffWith("PENTAX", PentaxNote(Preview())));
    EXPECT_EQ(codec.MakerNoteImageOffset(0), static_cast<int32_t>(mn + kPreviewAt));
    EXPECT_EQ(codec.MakerNoteImageStreamSize(0), static_cast<int32_t>(Preview().size()));
    EXPECT_EQ(codec.MakerNoteImageCount(), 1) << "both tags fill the one record";
}

TEST_F(MakerNotePreview, SonyPreviewIsLookedForAtTheKnownShifts) {
    const uint32_t count = SizeOf(Preview());
    struct Case {
        const char* name;
        std::function<uint32_t(uint32_t)> offset; // from the preview's true offset
        uint32_t count;
        bool original;
    };
    const Case cases[] = {
        {"found 130 bytes before the recorded offset", [](uint32_t at) { return at + 130; }, count, true},
        {"found 110 bytes before", [](uint32_t at) { return at + 110; }, count, true},
        {"found at none of the shifts", [](uint32_t at) { return at + 7; }, count, false},
        {"offset beyond the file", [](uint32_t) { return 0x7FFFFF00u; }, count, false},
        {"no offset for a preview of some length", [](uint32_t) { return 0u; }, count, false},
        {"no offset and no length", [](uint32_t) { return 0u; }, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Open(JpegWith(TiffWith("SONY", SonyNote(Preview(), c.offset, c.count)))), kOpenOk);
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
        // A preview found inside the metadata is no separate image.
        EXPECT_EQ(codec.MakerNoteImageCount(), 0);
        if (c.original && c.count > 0) {
            // The tag's value is read where the preview was found.
            EXPECT_EQ(BytesOf(codec.TagValue(0x2001, kIfdMakerNote)), Preview());
        }
    }
}

TEST_F(MakerNotePreview, SonyPreviewAfterTheImageIsRepairedAndExtracted) {
    // The camera wrote 0x00 for the marker's first byte, 32 bytes after the recorded offset,
    // which counts those 32 bytes in the length.
    const ByteArray preview = PreviewStartingWith(0x00);
    const uint32_t count = SizeOf(preview) + 32;
    auto jpegWithOffset = [&](uint32_t offset) {
        return JpegWith(TiffWith("SONY", SonyNote(
                                             {}, [=](uint32_t) { return offset; }, count)),
                        preview);
    };
    const ByteArray draft = jpegWithOffset(0);
    const auto previewAt = static_cast<uint32_t>(draft.size() - preview.size());
    constexpr uint32_t kTiffBase = 12;
    const uint32_t offset = previewAt - kTiffBase - 32;
    ASSERT_EQ(Open(jpegWithOffset(offset)), kOpenOk);

    EXPECT_TRUE(codec.MakerNoteIsOriginal());
    ASSERT_EQ(codec.MakerNoteImageCount(), 1);
    EXPECT_TRUE(codec.MakerNoteImageValid(0));
    EXPECT_TRUE(codec.MakerNoteImageIsInEOF(0));
    EXPECT_EQ(codec.MakerNoteImageOffset(0), static_cast<int32_t>(offset));
    ExpectExtracted(0, preview);
    // The tag's value is read where the preview is; the file ends before its 32 extra bytes.
    EXPECT_EQ(BytesOf(codec.TagValue(0x2001, kIfdMakerNote)), preview);
}

TEST_F(MakerNotePreview, TemporaryFilesGoAtTheNextFileAndAtClose) {
    auto fileName = [](const std::string& path) { return std::filesystem::path(path).filename().string(); };
    ASSERT_EQ(Open(JpegWith(TiffWith("NIKON", NikonNote(Preview()))), "first.jpg"), kOpenOk);
    const std::string first = codec.MakerNoteImageStreamPath(0);
    EXPECT_EQ(temp.LeftoverFiles(), std::vector<std::string>{fileName(first)});

    ASSERT_EQ(Open(JpegWith(TiffWith("PENTAX", PentaxNote(Preview()))), "second.jpg"), kOpenOk);
    const std::string second = codec.MakerNoteImageStreamPath(0);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(temp.LeftoverFiles(), std::vector<std::string>{fileName(second)});

    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
    EXPECT_EQ(codec.MakerNoteImageCount(), 0);
}

TEST_F(MakerNotePreview, MembersAnswerDefaultsOutsideTheList) {
    ASSERT_EQ(Open(JpegWith(TiffWith("NIKON", NikonNote(Preview())))), kOpenOk);
    for (const int32_t index : {-1, 1, 1000}) {
        EXPECT_TRUE(codec.MakerNoteImageStreamPath(index).empty()) << index;
        EXPECT_EQ(codec.MakerNoteImageStreamSize(index), 0) << index;
        EXPECT_EQ(codec.MakerNoteImageOffset(index), 0) << index;
        EXPECT_FALSE(codec.MakerNoteImageValid(index)) << index;
        EXPECT_FALSE(codec.MakerNoteImageIsInEOF(index)) << index;
    }
}

} // namespace
} // namespace pellvane
