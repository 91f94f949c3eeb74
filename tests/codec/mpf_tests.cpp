// Multi-Picture Format: the MP index read from the APP2 "MPF" segment, its checks against
// the file's bytes with their messages, and the further images written to temporary files.

#include "codec/cExifCodec.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>

namespace pellvane {
namespace {

using namespace test;
namespace fs = std::filesystem;

// --- building MP segments ---

class OrderedWriter {
  public:
    explicit OrderedWriter(bool bigEndian) : big_(bigEndian) {}
    void Put(uint32_t v, int width) {
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<uint8_t>(v >> (big_ ? 8 * (width - 1 - i) : 8 * i)));
    }
    void U16(uint32_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void Append(const ByteArray& b) { out.insert(out.end(), b.begin(), b.end()); }
    ByteArray out;

  private:
    bool big_;
};

// One MP directory entry; `value` is laid out already in the directory's byte order.
struct MpTag {
    uint16_t tag = 0;
    uint16_t format = 7;
    uint32_t count = 0;
    ByteArray value;
    std::optional<uint32_t> rawOffset; // written as the value offset whatever the value
};

struct MpDirectory {
    std::vector<MpTag> tags;
    std::optional<uint16_t> declaredCount; // an entry count that differs from the entries written
};

MpDirectory Directory(std::vector<MpTag> tags, std::optional<uint16_t> declaredCount = std::nullopt) {
    return MpDirectory{std::move(tags), declaredCount};
}

// The APP2 payload: "MPF", a zero byte, the MP header and the directories one after the
// other, each followed by its long values. Each directory links to the next; the last
// links to nothing, or back to directory `lastLinksTo`.
ByteArray MpfPayload(bool big, const std::vector<MpDirectory>& dirs, std::optional<size_t> lastLinksTo = {}) {
    std::vector<uint32_t> offsets;
    uint32_t cursor = 8;
    for (const MpDirectory& d : dirs) {
        offsets.push_back(cursor);
        cursor += 2 + 12 * static_cast<uint32_t>(d.tags.size()) + 4;
        for (const MpTag& t : d.tags)
            if (t.value.size() > 4 && !t.rawOffset) cursor += static_cast<uint32_t>(t.value.size());
    }
    OrderedWriter w(big);
    w.Append(big ? ByteArray{'M', 'M'} : ByteArray{'I', 'I'});
    w.U16(0x2A);
    w.U32(8);
    for (size_t i = 0; i < dirs.size(); ++i) {
        const MpDirectory& d = dirs[i];
        w.U16(d.declaredCount.value_or(static_cast<uint16_t>(d.tags.size())));
        uint32_t valueAt = offsets[i] + 2 + 12 * static_cast<uint32_t>(d.tags.size()) + 4;
        for (const MpTag& t : d.tags) {
            w.U16(t.tag);
            w.U16(t.format);
            w.U32(t.count);
            if (t.rawOffset) {
                w.U32(*t.rawOffset);
            } else if (t.value.size() > 4) {
                w.U32(valueAt);
                valueAt += static_cast<uint32_t>(t.value.size());
            } else {
                ByteArray field = t.value;
                field.resize(4, 0);
                w.Append(field);
            }
        }
        const bool last = i + 1 == dirs.size();
        w.U32(!last ? offsets[i + 1] : lastLinksTo ? offsets[*lastLinksTo] : 0);
        for (const MpTag& t : d.tags)
            if (t.value.size() > 4 && !t.rawOffset) w.Append(t.value);
    }
    return Concat({{'M', 'P', 'F', 0}, w.out});
}

struct MpImageEntry {
    uint32_t size;
    uint32_t offset;
};

ByteArray LongValue(bool big, uint32_t v) {
    OrderedWriter w(big);
    w.U32(v);
    return w.out;
}

// The MP Index directory: version, number of images and the 16-byte MP entries.
std::vector<MpTag> IndexTags(bool big, const std::vector<MpImageEntry>& images) {
    OrderedWriter entries(big);
    for (const MpImageEntry& image : images) {
        entries.U32(0);
        entries.U32(image.size);
        entries.U32(image.offset);
        entries.U16(0);
        entries.U16(0);
    }
    const auto n = static_cast<uint32_t>(images.size());
    return {{0xB000, 7, 4, {'0', '1', '0', '0'}, {}},
            {0xB001, 4, 1, LongValue(big, n), {}},
            {0xB002, 7, 16 * n, entries.out, {}}};
}

// Where the MP header and the end of the primary image fall in the finished file.
struct MpfLayout {
    uint32_t base = 0;        // file offset of the MP header
    uint32_t primarySize = 0; // primary image size: its end-of-image marker + 2
    // The offset an image placed `gap` bytes after the primary image has in the MP index.
    uint32_t After(uint32_t gap = 0) const { return primarySize + gap - base; }
};

// A JPEG whose APP2 "MPF" segment follows `before`, with `trailing` after the primary image.
// The payload must have the same length whatever the layout; it is made twice, first to
// find the layout, then with it.
ByteArray BuildMpfJpeg(const std::vector<ByteArray>& before,
                       const std::function<ByteArray(const MpfLayout&)>& payload, const ByteArray& trailing) {
    auto assemble = [&](const MpfLayout& layout) {
        std::vector<ByteArray> segments = before;
        segments.push_back(Segment(0xE2, payload(layout)));
        segments.push_back(Sof(0xC0, 16, 8));
        return BuildJpeg({segments, {1, 2, 3}, true, trailing});
    };
    uint32_t pointer = 2;
    for (const ByteArray& s : before)
        pointer += static_cast<uint32_t>(s.size());
    const ByteArray draft = assemble({});
    return assemble({pointer + 8, static_cast<uint32_t>(draft.size() - trailing.size())});
}

ByteArray SecondImage() {
    return BuildJpeg({{Sof(0xC0, 8, 8)}, {9, 8, 7, 6, 5}, true, {}});
}

ByteArray ExifWithMake(const std::string& make) {
    TiffSpec spec;
    spec.ifd0 = {Ascii(0x010F, make)};
    return ExifSegment(BuildTiff(spec));
}

ByteArray XmpSegment() {
    const std::string text = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta/>";
    return Segment(0xE1, ByteArray(text.begin(), text.end()));
}

// A typical phone file: the primary image, and a second image right after it.
ByteArray PhoneFile(bool big, const ByteArray& second) {
    return BuildMpfJpeg(
        {},
        [&](const MpfLayout& l) {
            return MpfPayload(
                big, {Directory(IndexTags(
                         big, {{l.primarySize, 0}, {static_cast<uint32_t>(second.size()), l.After()}}))});
        },
        second);
}

ByteArray FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteArray(std::istreambuf_iterator<char>(in), {});
}

class Mpf : public ::testing::Test {
  protected:
    std::string Write(const ByteArray& bytes, const std::string& name = "picture.jpg") {
        return WriteFile(temp.Input(name), bytes);
    }
    ScopedTempFolder temp;
};

class MpfByteOrder : public Mpf, public ::testing::WithParamInterface<bool> {};

TEST_P(MpfByteOrder, TypicalPhoneFileExtractsItsSecondImageOnly) {
    const bool big = GetParam();
    const ByteArray second = SecondImage();
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(PhoneFile(big, second))), kOpenNoExif);

    EXPECT_TRUE(codec.MPFExisted(true));
    EXPECT_TRUE(codec.MPFValid());
    EXPECT_TRUE(codec.MPFMessages().empty());
    EXPECT_EQ(codec.MPFByteOrder(), big ? 1 : 0);
    EXPECT_EQ(codec.MPFIFDCount(), 1);
    ASSERT_EQ(codec.MPFIFDEntryCount(0), 3);
    EXPECT_EQ(codec.MPFIFDEntryCount(-1), 3);
    EXPECT_EQ(codec.MPFIFDEntryTagName(1), "NumberOfImages");
    EXPECT_EQ(codec.MPFIFDEntryValueString(1), "2");
    EXPECT_EQ(codec.MPFIFDEntryValueString(0), "30 31 30 30 ");

    ASSERT_EQ(codec.MPFImageCount(), 2);
    EXPECT_TRUE(codec.MPFImageValid(0));
    EXPECT_EQ(codec.MPFImageOffset(0), 0);
    EXPECT_EQ(codec.MPFImageStreamPath(0), "");

    EXPECT_TRUE(codec.MPFImageValid(1));
    EXPECT_EQ(codec.MPFImageSOIinEOF(1), 0) << "the second image starts right after the primary one";
    EXPECT_EQ(codec.MPFImageStreamSize(1), static_cast<int32_t>(second.size()));
    const fs::path path = codec.MPFImageStreamPath(1);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.parent_path(), temp.Path());
    const std::string name = path.filename().string();
    EXPECT_EQ(name.size(), 3 + 15 + 4u);
    EXPECT_TRUE(name.starts_with("MPF") && name.ends_with(".JPG")) << name;
    EXPECT_EQ(FileBytes(path), second);

    codec.CloseFile();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(codec.MPFImageCount(), 0);
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(BothOrders, MpfByteOrder, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "BigEndian" : "LittleEndian"; });

TEST_F(Mpf, TheNextOpenDeletesTheImagesOfThePreviousFile) {
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(PhoneFile(false, SecondImage()), "first.jpg")), kOpenNoExif);
    const std::string first = codec.MPFImageStreamPath(1);
    ASSERT_TRUE(fs::exists(first));
    ASSERT_EQ(codec.OpenFile(Write(BuildJpeg({{Sof(0xC0, 8, 8)}, {1}, true, {}}), "plain.jpg")), kOpenNoExif);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(codec.MPFExisted(false));
    EXPECT_FALSE(codec.MPFValid());
    EXPECT_EQ(codec.MPFImageCount(), 0);
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(Mpf, NothingIsWrittenWhenExtractionIsOff) {
    cExifCodec codec;
    codec.SetExtractMPF(false);
    ASSERT_EQ(codec.OpenFile(Write(PhoneFile(false, SecondImage()))), kOpenNoExif);
    EXPECT_TRUE(codec.MPFImageValid(1));
    EXPECT_EQ(codec.MPFImageStreamPath(1), "");
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(Mpf, MpEntryBlockOfTheWrongSizeInvalidatesWithoutImages) {
    const ByteArray file =
        BuildMpfJpeg({},
                     [](const MpfLayout&) {
                         return MpfPayload(false, {Directory({{0xB001, 4, 1, LongValue(false, 2), {}},
                                                              {0xB002, 7, 48, ByteArray(48), {}}})});
                     },
                     {});
    cExifCodec codec;
    codec.OpenFile(Write(file));
    EXPECT_TRUE(codec.MPFExisted(false));
    EXPECT_FALSE(codec.MPFValid());
    EXPECT_EQ(codec.MPFImageCount(), 0);
    EXPECT_EQ(codec.MPFMessages(),
              std::vector<std::string>{"ERROR: NumOfImages and MPEntry block size don't match."});
}

TEST_F(Mpf, AnImageBeyondTheFileIsReportedAndTheValidOnesStillExtracted) {
    const ByteArray second = SecondImage();
    const ByteArray file = BuildMpfJpeg(
        {},
        [&](const MpfLayout& l) {
            const auto n = static_cast<uint32_t>(second.size());
            return MpfPayload(
                false, {Directory(IndexTags(false, {{l.primarySize, 0}, {n, l.After()}, {5000, 0x100000}}))});
        },
        second);
    cExifCodec codec;
    codec.OpenFile(Write(file));
    EXPECT_FALSE(codec.MPFValid());
    EXPECT_EQ(codec.MPFMessages(), (std::vector<std::string>{
                                       "ERROR: Offset to 3rd Individual Image exceeds file size.",
                                       "ERROR: Offset to EOI of 3rd Individual Image exceeds file size.",
                                   }));
    ASSERT_EQ(codec.MPFImageCount(), 3);
    EXPECT_FALSE(codec.MPFImageValid(2));
    EXPECT_EQ(codec.MPFImageStreamPath(2), "");
    EXPECT_EQ(codec.MPFImageSOIinEOF(2), 0);
    EXPECT_TRUE(codec.MPFImageValid(1));
    EXPECT_FALSE(codec.MPFImageStreamPath(1).empty());
}

TEST_F(Mpf, MessagesNameEachImageWithItsOrdinal) {
    // 22 images: the primary image starts at a wrong offset and the others lie beyond the file.
    const ByteArray file = BuildMpfJpeg({},
                                        [](const MpfLayout& l) {
                                            std::vector<MpImageEntry> images = {{l.primarySize, 4}};
                                            images.resize(22, MpImageEntry{100, 0x200000});
                                            return MpfPayload(false, {Directory(IndexTags(false, images))});
                                        },
                                        {});
    cExifCodec codec;
    codec.OpenFile(Write(file));
    const std::vector<std::string>& messages = codec.MPFMessages();
    ASSERT_EQ(messages.size(), 1 + 2 * 21u);
    EXPECT_EQ(messages[0], "ERROR: Offset to 1st Individual Image is not 0.");
    const std::pair<int, const char*> ordinals[] = {{2, "2nd"},   {3, "3rd"},   {4, "4th"},   {11, "11th"},
                                                    {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"}};
    for (const auto& [number, ordinal] : ordinals) {
        const size_t at = 1 + 2 * static_cast<size_t>(number - 2);
        EXPECT_EQ(messages[at],
                  "ERROR: Offset to " + std::string(ordinal) + " Individual Image exceeds file size.");
        EXPECT_EQ(messages[at + 1],
                  "ERROR: Offset to EOI of " + std::string(ordinal) + " Individual Image exceeds file size.");
    }
}

TEST_F(Mpf, ChecksTheMarkersAtTheStartAndEndOfEachImage) {
    struct Case {
        const char* name;
        uint32_t startShift; // bytes the recorded offset lies after the real start
        int32_t sizeChange;  // bytes added to the recorded size
        bool mpfValid;
        bool imageValid;
        bool extracted;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"exact", 0, 0, true, true, true, {}},
        {"no SOI at the offset",
         1,
         -1,
         false,
         false,
         false,
         {"ERROR: Offset to 2nd Individual Image is not an SOI (0xFFD8)."}},
        {"no EOI at the end",
         0,
         -1,
         true,
         true,
         false,
         {"WARNING: End of 2nd Individual Image is not an EOI (0xFFD9)."}},
        {"end beyond the file",
         0,
         10,
         false,
         false,
         false,
         {"ERROR: Offset to EOI of 2nd Individual Image exceeds file size."}},
    };
    const ByteArray second = SecondImage();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ByteArray file = BuildMpfJpeg(
            {},
            [&](const MpfLayout& l) {
                const auto size = static_cast<uint32_t>(static_cast<int32_t>(second.size()) + c.sizeChange);
                return MpfPayload(
                    false,
                    {Directory(IndexTags(false, {{l.primarySize, 0}, {size, l.After(c.startShift)}}))});
            },
            second);
        cExifCodec codec;
        codec.OpenFile(Write(file));
        EXPECT_EQ(codec.MPFValid(), c.mpfValid);
        EXPECT_EQ(codec.MPFImageValid(1), c.imageValid);
        EXPECT_EQ(!codec.MPFImageStreamPath(1).empty(), c.extracted);
        EXPECT_EQ(codec.MPFMessages(), c.messages);
        codec.CloseFile();
        EXPECT_TRUE(temp.LeftoverFiles().empty());
    }
}

TEST_F(Mpf, AShortFirstImageIsOnlyAWarningForDjiFilesWithXmp) {
    struct Case {
        const char* make;
        bool xmp;
        bool mpfValid;
        const char* message;
    };
    const Case cases[] = {
        {"DJI", true, true, "WARNING: Size of 1st Individual Image doesn't match EOI offset."},
        {"DJI", false, false, "ERROR: Size of 1st Individual Image doesn't match EOI offset."},
        {"Canon", true, false, "ERROR: Size of 1st Individual Image doesn't match EOI offset."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.make) + (c.xmp ? " with XMP" : " without XMP"));
        std::vector<ByteArray> before = {ExifWithMake(c.make)};
        if (c.xmp) before.push_back(XmpSegment());
        const ByteArray file = BuildMpfJpeg(
            before,
            [](const MpfLayout& l) {
                return MpfPayload(false, {Directory(IndexTags(false, {{l.primarySize - 1, 0}}))});
            },
            {});
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(file)), kOpenOk);
        EXPECT_EQ(codec.MPFValid(), c.mpfValid);
        EXPECT_FALSE(codec.MPFImageValid(0));
        EXPECT_EQ(codec.MPFMessages(), std::vector<std::string>{c.message});
    }
}

TEST_F(Mpf, SamsungSizesThatCountFromThePrimaryImageAreCorrected) {
    // Samsung records the size of a further image from the primary image's end, so a gap
    // between the two is counted twice and the recorded end lies beyond the file.
    const ByteArray second = SecondImage();
    const ByteArray gap = {0, 0, 0, 0, 0, 0};
    auto file = [&](const std::string& make) {
        return BuildMpfJpeg(
            {ExifWithMake(make)},
            [&](const MpfLayout& l) {
                const auto size = static_cast<uint32_t>(gap.size() + second.size());
                return MpfPayload(
                    false,
                    {Directory(IndexTags(
                        false, {{l.primarySize, 0}, {size, l.After(static_cast<uint32_t>(gap.size()))}}))});
            },
            Concat({gap, second}));
    };
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(file("SAMSUNG"), "samsung.jpg")), kOpenOk);
    EXPECT_TRUE(codec.MPFValid());
    EXPECT_EQ(FileBytes(codec.MPFImageStreamPath(1)), second);
    EXPECT_EQ(codec.MPFImageStreamSize(1), static_cast<int32_t>(second.size()));

    ASSERT_EQ(codec.OpenFile(Write(file("Canon"), "canon.jpg")), kOpenOk);
    EXPECT_FALSE(codec.MPFValid());
    EXPECT_EQ(codec.MPFMessages(),
              std::vector<std::string>{"ERROR: Offset to EOI of 2nd Individual Image exceeds file size."});
}

TEST_F(Mpf, UniqueIdsAndTotalFramesAreCheckedAgainstTheNumberOfImages) {
    const ByteArray second = SecondImage();
    ByteArray ids(66, '0');
    std::fill(ids.begin() + 33, ids.begin() + 65, 'B');
    ids[65] = 0;
    struct Case {
        const char* name;
        uint16_t idFormat;
        uint32_t idCount;
        uint32_t totalFrames;
        bool mpfValid;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"consistent", 7, 66, 2, true, {}},
        {"IDs as bytes", 1, 66, 2, true, {"WARNING: Unknown ImageUniqueID block format."}},
        {"IDs for one image",
         7,
         33,
         2,
         false,
         {"ERROR: NumOfImages and ImageUniqueID block size don't match."}},
        {"three frames",
         7,
         66,
         3,
         true,
         {"WARNING: NumOfImages and TotalNumberOfCapturedFrames don't match."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ByteArray file = BuildMpfJpeg(
            {},
            [&](const MpfLayout& l) {
                auto tags =
                    IndexTags(false, {{l.primarySize, 0}, {static_cast<uint32_t>(second.size()), l.After()}});
                tags.push_back(
                    {0xB003, c.idFormat, c.idCount, ByteArray(ids.begin(), ids.begin() + c.idCount), {}});
                tags.push_back({0xB004, 4, 1, LongValue(false, c.totalFrames), {}});
                return MpfPayload(false, {Directory(tags)});
            },
            second);
        cExifCodec codec;
        codec.OpenFile(Write(file));
        EXPECT_EQ(codec.MPFValid(), c.mpfValid);
        EXPECT_EQ(codec.MPFMessages(), c.messages);
        EXPECT_EQ(codec.MPFImageUniqueID(0), std::string(33, '0'));
        // IDs are taken only from inside the declared block.
        EXPECT_EQ(codec.MPFImageUniqueID(1), c.idCount == 66 ? std::string(32, 'B') + '\0' : "");
    }
}

TEST_F(Mpf, ADirectoryChainThatLoopsBackEnds) {
    struct Case {
        const char* name;
        size_t directories;
        size_t lastLinksTo;
    };
    const Case cases[] = {{"one directory linking to itself", 1, 0},
                          {"two directories in a ring", 2, 0},
                          {"second directory linking to itself", 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ByteArray file = BuildMpfJpeg(
            {},
            [&](const MpfLayout& l) {
                std::vector<MpDirectory> dirs = {Directory(IndexTags(false, {{l.primarySize, 0}}))};
                if (c.directories == 2) dirs.push_back(Directory({{0xB101, 4, 1, LongValue(false, 1), {}}}));
                return MpfPayload(false, dirs, c.lastLinksTo);
            },
            {});
        cExifCodec codec;
        codec.OpenFile(Write(file));
        EXPECT_EQ(codec.MPFIFDCount(), static_cast<int16_t>(c.directories));
        EXPECT_EQ(codec.MPFIFDEntryCount(-1), 3 + static_cast<int32_t>(c.directories) - 1);
        EXPECT_TRUE(codec.MPFValid());
        EXPECT_EQ(codec.MPFImageCount(), 1);
    }
}

TEST_F(Mpf, EntriesAndValuesOutsideTheSegmentEndTheDirectory) {
    struct Case {
        const char* name;
        MpDirectory directory;
        int32_t entriesRead;
    };
    const Case cases[] = {
        {"count larger than the entries held", Directory({{0xB000, 7, 4, {'0', '1', '0', '0'}, {}}}, 500), 1},
        {"value offset beyond the segment",
         Directory({{0xB000, 7, 4, {'0', '1', '0', '0'}, {}},
                    {0xB002, 7, 32, {}, 0xFFF0},
                    {0xB001, 4, 1, {2, 0, 0, 0}, {}}}),
         1},
        {"value running past the segment's end",
         Directory({{0xB000, 7, 4, {'0', '1', '0', '0'}, {}}, {0xB002, 7, 0x7FFFFFF0, {}, 8}}), 1},
        {"2^31 - 1 long values, whose byte length overflows 32 bits",
         Directory({{0xB000, 7, 4, {'0', '1', '0', '0'}, {}}, {0xB002, 4, 0x7FFFFFFF, {}, 8}}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ByteArray file =
            BuildMpfJpeg({}, [&](const MpfLayout&) { return MpfPayload(false, {c.directory}); }, {});
        cExifCodec codec;
        codec.OpenFile(Write(file));
        EXPECT_EQ(codec.MPFIFDEntryCount(-1), c.entriesRead);
        EXPECT_EQ(codec.MPFIFDCount(), 1);
        EXPECT_EQ(codec.MPFImageCount(), 0);
    }
}

TEST_F(Mpf, AnUnknownByteOrderLeavesTheSegmentUnparsed) {
    ByteArray payload = MpfPayload(false, {Directory(IndexTags(false, {{100, 0}}))});
    payload[4] = 'X';
    const ByteArray file = BuildJpeg({{Segment(0xE2, payload), Sof(0xC0, 8, 8)}, {1, 2}, true, {}});
    cExifCodec codec;
    codec.OpenFile(Write(file));
    EXPECT_TRUE(codec.MPFExisted(false));
    EXPECT_FALSE(codec.MPFValid());
    EXPECT_EQ(codec.MPFIFDCount(), 0);
    EXPECT_EQ(codec.MPFIFDEntryCount(-1), 0);
    EXPECT_TRUE(codec.MPFMessages().empty());
}

TEST_F(Mpf, AccessorsOutsideTheListsAnswerDefaults) {
    cExifCodec codec;
    codec.OpenFile(Write(PhoneFile(false, SecondImage())));
    for (int32_t i : {-1, 2, 1000}) {
        EXPECT_FALSE(codec.MPFImageValid(i));
        EXPECT_EQ(codec.MPFImageStreamPath(i), "");
        EXPECT_EQ(codec.MPFImageUniqueID(i), "");
        EXPECT_EQ(codec.MPFImageStreamSize(i), 0);
    }
    for (int32_t i : {-1, 3, 1000}) {
        EXPECT_EQ(codec.MPFIFDEntryTagNo(i), 0);
        EXPECT_EQ(codec.MPFIFDEntryTagName(i), "");
        EXPECT_EQ(codec.MPFIFDEntryValueString(i), "");
    }
}

TEST_F(Mpf, PanasonicCameraFileHasValidDataWithItsPreviewExtracted) {
    const std::string path = std::string(PELLVANE_CORPUS_DIR) + "/camera/Panasonic Lumix DMC-LX7.jpg";
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(path), kOpenOk);
    EXPECT_TRUE(codec.MPFExisted(true));
    EXPECT_TRUE(codec.MPFValid());
    EXPECT_TRUE(codec.MPFMessages().empty());
    ASSERT_EQ(codec.MPFImageCount(), 2);
    EXPECT_EQ(codec.MPFImageStreamPath(0), "");
    // exiftool: MPImageLength 718934 at MPImageStart 3428864, which it counts from the file's start.
    const int32_t base = codec.MarkerPointer(codec.FindMarker(kMarkerAPP2, "MPF")) + 8;
    EXPECT_EQ(base + codec.MPFImageOffset(1), 3428864);
    EXPECT_EQ(codec.MPFImageStreamSize(1), 718934);
    const std::string preview = codec.MPFImageStreamPath(1);
    ASSERT_FALSE(preview.empty());
    EXPECT_EQ(fs::file_size(preview), 718934u);
    cExifCodec previewCodec;
    EXPECT_NE(previewCodec.OpenFile(preview), kOpenNotImage);
    previewCodec.CloseFile();
    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

} // namespace
} // namespace pellvane
