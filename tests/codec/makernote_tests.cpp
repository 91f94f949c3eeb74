// MakerNote identification and integrity: the maker named by the MakerNote's own header
// against the one Make names, every maker's layout, the Canon trailer, the MakerNote's
// sub-directories, the checks that decide whether the MakerNote is still original, and
// the camera pictures of the shared corpus against exiftool.

#include "codec/cExifCodec.h"
#include "codec/extensions/MakerNote.h"
#include "support/Commands.h"
#include "support/JpegBuilder.h"
#include "support/MakerNoteBuilder.h"
#include "support/TempFolder.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

namespace pellvane {
namespace {

using namespace test;

ByteArray Text(std::string_view text) {
    return ByteArray(text.begin(), text.end());
}

// Where the TIFF header of the fixtures' JPEGs starts: after SOI, the APP1 marker and
// length, and "Exif" with its two zero bytes.
constexpr int64_t kJpegTiffBase = 12;

// The rule whose finding last decided a codec member: the one the member's value comes from.
std::string DecidingRule(const cExifCodec& codec, std::string_view fact = kFactMakerNoteIsOriginal) {
    const Findings& findings = codec.CodecFindings();
    for (auto it = findings.rbegin(); it != findings.rend(); ++it)
        if (it->codecFact == fact) return it->rule;
    return "";
}

// Every synthetic MakerNote directory carries two probes: a SHORT 7, which reads right
// only in the right byte order, and a text longer than four bytes, which reads right only
// against the right base.
std::vector<IfdEntry> Probes(uint16_t firstTag = 0x0001) {
    return {Short(firstTag, {7}), Ascii(static_cast<uint16_t>(firstTag + 1), "pellvane")};
}

ByteArray Note(const ByteArray& header, size_t dirAt, bool bigEndian, int64_t shift,
               uint16_t firstTag = 0x0001) {
    MakerNoteBlock block(bigEndian, shift);
    block.Put(0, header).Directory(dirAt, Probes(firstTag));
    return block.Bytes();
}

// Whether the probes of the MakerNote directory (or of its sub-directory under `parent`)
// were read.
::testing::AssertionResult ProbesRead(const cExifCodec& codec, uint32_t parent = 0) {
    int found = 0;
    for (int32_t i = 0; i < codec.IFDEntryCount(0); ++i) {
        if (codec.IFDEntryIFD(i) != kIfdMakerNote || codec.IFDEntryParentTag(i) != parent) continue;
        const std::string text = codec.IFDEntryValueString(i);
        if (codec.IFDEntryFormat(i) == 3 && text == "7") ++found;
        if (codec.IFDEntryFormat(i) == 2 && text == std::string("pellvane", 9)) ++found;
    }
    if (found == 2) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << found << " of the 2 probes read under parent tag " << parent;
}

int CountUnderParent(const cExifCodec& codec, uint32_t parent) {
    int n = 0;
    for (int32_t i = 0; i < codec.IFDEntryCount(0); ++i)
        n += codec.IFDEntryIFD(i) == kIfdMakerNote && codec.IFDEntryParentTag(i) == parent;
    return n;
}

struct NoteFile {
    std::string make;
    std::string model;
    bool bigEndian = false;
    std::function<ByteArray(uint32_t)> note; // given the MakerNote's offset; none: no MakerNote
    // Pentax cameras end the Exif segment with the bytes FF D8; so do the fixtures, and only
    // the test of that rule chooses another ending.
    ByteArray exifTail = {0xFF, 0xD8};
};

ByteArray TiffOf(const NoteFile& f) {
    TiffSpec spec{f.bigEndian, {Ascii(0x010F, f.make)}, {}, {}, {}, {}, {}};
    if (!f.model.empty()) spec.ifd0.push_back(Ascii(0x0110, f.model));
    if (!f.note) {
        spec.exif.push_back(Short(0xA001, {1}));
        return BuildTiff(spec);
    }
    return TiffWithMakerNote(spec, f.note);
}

ByteArray JpegOf(const NoteFile& f, JpegSpec jpeg = {}) {
    jpeg.segments.insert(jpeg.segments.begin(), ExifSegment(Concat({TiffOf(f), f.exifTail})));
    return BuildJpeg(jpeg);
}

class MakerNote : public ::testing::Test {
  protected:
    std::string Write(const ByteArray& bytes, const std::string& name = "picture.jpg") {
        return WriteFile(temp.Input(name), bytes);
    }
    ScopedTempFolder temp;
};

// --- the header vendor ---

TEST(MakerNoteHeader, NamesTheVendorFromFiveBytesWhateverTheirCase) {
    struct Case {
        std::string_view bytes;
        int32_t vendor;
    };
    const Case cases[] = {
        {"Nikon", 2},    {"nikon", 2},        {"SEMC MS", 3},      {"Sony DSC", 3},     {"Ricoh", 11},
        {"Huawei", 30},  {{"QVC\0\0", 5}, 8}, {{"QVC\0\1", 5}, 0}, {{"AOC\1\2", 5}, 7}, {"STMN1", 12},
        {"STMN0100", 0}, {"NIKO", 0}, // shorter than the five bytes compared
    };
    for (const Case& c : cases) {
        const ByteArray bytes = Text(c.bytes);
        EXPECT_EQ(MakerNoteHeaderVendor(bytes), c.vendor) << c.bytes;
    }
}

// --- every maker's layout ---

constexpr int64_t kFromTiffHeader = -1000;

struct VendorCase {
    const char* name;
    const char* make;
    bool fileBigEndian;
    ByteArray header;   // the MakerNote's bytes before its directory
    size_t directoryAt; // where the directory stands in the MakerNote
    bool directoryBigEndian;
    int64_t offsetsFrom; // the MakerNote position its offsets count from, or kFromTiffHeader
    int16_t type;
    int32_t manufacturer;
    bool walked; // the directory is read
    uint16_t firstTag = 0x0001;
    bool tiffFile = false;
};

ByteArray Zeros(size_t n) {
    return ByteArray(n, 0);
}

// One row per layout, kept as written.
// clang-format off
const VendorCase kVendorCases[] = {
    {"Nikon, inner II header in an MM file", "NIKON CORPORATION", true,
     Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}), 18, false, 10, 3, 2, true},
    {"Nikon, inner MM header", "NIKON", false,
     Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("MM"), {0, '*', 0, 0, 0, 8}}), 18, true, 10, 3, 2, true},
    {"Nikon, no inner header", "NIKON", false, Concat({Text("Nikon"), {0, 1, 0}}), 8, false, kFromTiffHeader,
     1, 2, true},
    {"Nikon, no signature", "NIKON", false, {}, 0, false, kFromTiffHeader, 2, 2, true},
    {"Sony DSC, II in an MM file", "SONY", true, Concat({Text("SONY DSC "), Zeros(3)}), 12, false,
     kFromTiffHeader, 1, 3, true},
    {"Sony CAM", "SONY", false, Concat({Text("SONY CAM "), Zeros(3)}), 12, false, kFromTiffHeader, 1, 3,
     true},
    {"Sony PIC", "SONY", false, Concat({Text("SONY PIC "), Zeros(3)}), 12, false, kFromTiffHeader, 1, 3,
     true},
    {"Sony Mobile", "Sony", false, Concat({Text("SONY MOBILE"), Zeros(1)}), 12, false, kFromTiffHeader, 1, 3,
     true},
    {"Sony Ericsson, MM", "Sony Ericsson", false, Concat({Text("SEMC MS"), Zeros(5), Text("MM"), Zeros(6)}),
     20, true, kFromTiffHeader, 6, 3, true},
    {"Sony Ericsson, II in an MM file", "Sony Ericsson", true,
     Concat({Text("SEMC MS"), Zeros(5), Text("II"), Zeros(6)}), 20, false, kFromTiffHeader, 6, 3, true},
    {"Sony PIC without a directory", "SONY", false, Concat({Text("SONY PIC"), Zeros(4)}), 12, false,
     kFromTiffHeader, 99, 3, false},
    {"Sony, unknown layout in a JPEG", "SONY", false, Text("SONY XYZ"), 12, false, kFromTiffHeader, 0, 3,
     false},
    {"Sony, unknown layout in a TIFF file", "SONY", false, {}, 0, false, kFromTiffHeader, 2, 3, true, 0x0001,
     true},
    {"Fujifilm, II in an MM file", "FUJIFILM", true, Concat({Text("FUJIFILM"), {12, 0, 0, 0}}), 12, false, 0,
     1, 4, true},
    {"Olympus, OLYMPUS", "OLYMPUS IMAGING CORP.", false, Concat({Text("OLYMPUS"), {0}, Text("II"), {3, 0}}),
     12, false, 0, 2, 5, true},
    {"Olympus, OLYMP", "OLYMPUS OPTICAL CO.,LTD", false, Concat({Text("OLYMP"), {0, 1, 0}}), 8, false,
     kFromTiffHeader, 1, 5, true},
    {"Panasonic", "Panasonic", false, Concat({Text("Panasonic"), Zeros(3)}), 12, false, kFromTiffHeader, 1, 6,
     true},
    {"Panasonic MKED", "Panasonic", false, Text("MKED"), 8, false, kFromTiffHeader, 2, 6, false},
    {"Pentax AOC, MM in an II file", "PENTAX Corporation", false, Concat({Text("AOC"), {0}, Text("MM")}), 6,
     true, kFromTiffHeader, 2, 7, true},
    {"Pentax PENTAX", "PENTAX", false, Concat({Text("PENTAX "), {0}, Text("II")}), 10, false, 0, 10, 7, true},
    {"Pentax, no signature", "PENTAX", false, {}, 0, false, kFromTiffHeader, 1, 7, true},
    {"Casio QVC, big-endian in an II file", "CASIO COMPUTER CO.,LTD.", false, Concat({Text("QVC"), Zeros(3)}),
     6, true, kFromTiffHeader, 2, 8, true},
    {"Casio RC:0", "CASIO", false, Text("RC:0"), 8, false, kFromTiffHeader, 10, 8, false},
    {"Casio CHMC", "CASIO", false, Text("CHMC"), 8, false, kFromTiffHeader, 11, 8, false},
    {"Casio, no signature", "CASIO", false, {}, 0, true, kFromTiffHeader, 1, 8, true},
    {"Leica, version in range, in an MM file", "LEICA CAMERA AG", true, Concat({Text("LEICA"), Zeros(3)}), 8,
     false, kFromTiffHeader, 1, 9, true, 0x0300},
    {"Leica, version out of range", "LEICA", false, Concat({Text("LEICA"), Zeros(3)}), 8, false,
     kFromTiffHeader, 3, 9, true},
    {"Leica, camera byte set", "LEICA", false, Concat({Text("LEICA"), {0, 6, 0}}), 8, false, 0, 5, 9, true},
    {"Ricoh, zero bytes", "RICOH", false, Zeros(5), 8, false, kFromTiffHeader, 2, 11, false},
    {"Ricoh, Ricoh", "RICOH", false, Concat({Text("Ricoh"), Zeros(3)}), 8, true, kFromTiffHeader, 3, 11,
     true},
    {"Ricoh, RICOH", "RICOH", false, Concat({Text("RICOH"), Zeros(3)}), 8, true, kFromTiffHeader, 3, 11,
     true},
    {"Ricoh, Rev text", "RICOH", false, Text("Rev0103;"), 8, false, kFromTiffHeader, 1, 11, false},
    {"Ricoh, Rv text", "RICOH", false, Text("Rv0103;R"), 8, false, kFromTiffHeader, 1, 11, false},
    {"Ricoh, Pentax layout", "RICOH IMAGING COMPANY, LTD.", false, {}, 0, false, kFromTiffHeader, 1, 7, true},
    {"Samsung", "SAMSUNG", false, {}, 0, false, 0, 1, 12, true},
    {"Sigma, MM directory in an II file", "SIGMA", false, Concat({Text("SIGMA"), {0, 0, 0, 1, 0}}), 10, true,
     kFromTiffHeader, 1, 13, true},
    {"Foveon, II directory", "FOVEON", false, Concat({Text("FOVEON"), {0, 0, 1, 0}}), 10, false,
     kFromTiffHeader, 1, 17, true},
    {"Minolta MLY", "Minolta Co., Ltd.", false, Text("MLY0"), 8, false, kFromTiffHeader, 1, 14, false},
    {"Minolta +M+", "Minolta Co., Ltd.", false, Text("+M+M"), 8, false, kFromTiffHeader, 3, 14, false},
    {"Minolta MIN", "Minolta Co., Ltd.", false, Text("MINO"), 8, false, kFromTiffHeader, 4, 14, false},
    {"Konica KC", "KONICA CORPORATION", false, Text("KC\x13"), 8, false, kFromTiffHeader, 2, 14, false},
    {"Minolta, no signature", "Minolta Co., Ltd.", false, {}, 0, false, kFromTiffHeader, 5, 14, true},
    {"Epson", "SEIKO EPSON CORP.", false, Concat({Text("EPSON"), {0, 1, 0}}), 8, false, kFromTiffHeader, 1,
     20, true},
    {"Apple", "Apple", false, Concat({Text("Apple iOS"), {0, 0, 1}, Text("MM")}), 14, true, 12, 1, 23, true},
    {"DJI", "DJI", false, {}, 0, false, kFromTiffHeader, 1, 29, true},
    {"Huawei, II in an MM file", "HUAWEI", true,
     Concat({Text("HUAWEI"), {0, 0}, Text("II*"), {0, 8, 0, 0, 0}}), 16, false, kFromTiffHeader, 1, 30, true},
    {"Kodak, no layout known", "EASTMAN KODAK COMPANY", false, Text("KDK0101"), 8, false, kFromTiffHeader, 0,
     0, false},
    {"Sanyo, no layout known", "SANYO Electric Co.,Ltd", false, Concat({Text("SANYO"), {0, 1, 0}}), 8, false,
     kFromTiffHeader, 0, 18, false},
};
// clang-format on

// The directory's probes read right only when the codec took the byte order and the base
// that the layout gives, so each row's expected base is the one its offsets count from.
// Canon's layout depends on its trailer and has a table of its own below.
TEST_F(MakerNote, EveryMakersLayoutGivesTypeByteOrderBaseAndDirectory) {
    for (const VendorCase& c : kVendorCases) {
        SCOPED_TRACE(c.name);
        auto note = [&c](uint32_t mn) {
            return Note(c.header, c.directoryAt, c.directoryBigEndian,
                        c.offsetsFrom == kFromTiffHeader ? mn : -c.offsetsFrom, c.firstTag);
        };
        const NoteFile file{c.make, "", c.fileBigEndian, note};
        const std::string path = c.tiffFile ? Write(TiffOf(file), "picture.tif") : Write(JpegOf(file));
        const int64_t tiffBase = c.tiffFile ? 0 : kJpegTiffBase;

        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(path), kOpenOk);
        EXPECT_EQ(codec.MakerNoteIFDType(), c.type);
        EXPECT_EQ(codec.Manufacturer(), c.manufacturer);
        const bool bigEndian = c.walked ? c.directoryBigEndian : c.fileBigEndian;
        EXPECT_EQ(codec.MakerNoteByteOrder(), bigEndian ? 1 : 0);
        const int64_t ref =
            c.offsetsFrom == kFromTiffHeader ? tiffBase : tiffBase + codec.MakerNotePointer() + c.offsetsFrom;
        EXPECT_EQ(codec.MakerNotePointerRef(), ref);
        EXPECT_TRUE(codec.MakerNoteIsOriginal());
        if (c.walked)
            EXPECT_TRUE(ProbesRead(codec));
        else
            EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote), 0);
        EXPECT_FALSE(codec.MakerNoteSubIFDExists());
    }
}

// --- the header's maker against the one Make names ---

ByteArray NikonNote(uint32_t) {
    return Note(Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}), 18, false, -10);
}
ByteArray PentaxAocNote(uint32_t mn) {
    return Note(Concat({Text("AOC"), {0}, Text("II")}), 6, false, mn);
}

TEST_F(MakerNote, HeaderMakerIsReconciledWithMake) {
    struct Case {
        const char* name;
        const char* make;
        const char* model;
        ByteArray (*note)(uint32_t);
        int32_t manufacturer;
        int16_t type;
        bool original;
    };
    const Case cases[] = {
        {"Nikon MakerNote in a Canon file", "Canon", "Canon EOS 5D", NikonNote, 2, 3, false},
        {"Pentax MakerNote in a Samsung GX file", "SAMSUNG TECHWIN CO., LTD.", "SAMSUNG GX10", PentaxAocNote,
         7, 2, true},
        {"Pentax MakerNote in another Samsung file", "SAMSUNG TECHWIN CO., LTD.", "SAMSUNG S85",
         PentaxAocNote, 7, 2, false},
        {"Pentax MakerNote in a Ricoh file", "RICOH IMAGING COMPANY, LTD.", "GR", PentaxAocNote, 7, 2, true},
        {"Pentax MakerNote in a Nikon file", "NIKON", "D70", PentaxAocNote, 7, 2, false},
        {"Ricoh MakerNote in a Pentax file", "PENTAX", "",
         [](uint32_t mn) {
             return Note(Concat({Text("Ricoh"), {0, 0, 0}}), 8, true, mn);
         },
         11, 3, true},
        {"Sony MakerNote without Make", "", "",
         [](uint32_t mn) {
             return Note(Concat({Text("SONY DSC "), {0, 0, 0}}), 12, false, mn);
         },
         3, 1, false},
        {"unknown MakerNote of an unknown maker", "ACME", "",
         [](uint32_t mn) { return Note(Text("ACME01"), 8, false, mn); }, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(JpegOf({c.make, c.model, false, c.note}))), kOpenOk);
        EXPECT_EQ(codec.Manufacturer(), c.manufacturer);
        EXPECT_EQ(codec.MakerNoteIFDType(), c.type);
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
    }
}

TEST_F(MakerNote, WithoutMakerNoteProcessingNothingIsIdentifiedOrWalked) {
    const std::string path = Write(JpegOf({"NIKON", "", true, NikonNote}));
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(path, false), kOpenOk);
    EXPECT_EQ(codec.MakerNoteIFDType(), 0);
    EXPECT_FALSE(codec.MakerNoteIsOriginal());
    EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote), 0);
    EXPECT_EQ(codec.Manufacturer(), 2); // from Make
    EXPECT_EQ(codec.MakerNotePointerRef(), kJpegTiffBase);
    EXPECT_EQ(codec.MakerNoteByteOrder(), 1); // the file's own
    EXPECT_TRUE(codec.IsTagExisted(0x927C, kIfdExif));

    // The flag is kept for the next file; passing true again brings the MakerNote back.
    ASSERT_EQ(codec.OpenFile(path), kOpenOk);
    EXPECT_EQ(codec.MakerNoteIFDType(), 0);
    ASSERT_EQ(codec.OpenFile(path, true), kOpenOk);
    EXPECT_EQ(codec.MakerNoteIFDType(), 3);
    EXPECT_TRUE(ProbesRead(codec));
}

TEST_F(MakerNote, ANewFileForgetsThePreviousMakerNote) {
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(JpegOf({"NIKON", "", false, NikonNote}), "nikon.jpg")), kOpenOk);
    ASSERT_EQ(codec.MakerNoteIFDType(), 3);
    ASSERT_EQ(codec.OpenFile(Write(JpegOf({"NIKON", "", false, nullptr}), "plain.jpg")), kOpenOk);
    EXPECT_EQ(codec.MakerNoteIFDType(), 0);
    EXPECT_FALSE(codec.MakerNoteIsOriginal());
    EXPECT_EQ(codec.MakerNotePointer(), 0);
    EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote), 0);
}

// --- the Canon trailer ---

TEST_F(MakerNote, CanonTrailerGivesByteOrderBaseAndWhetherTheMakerNoteMoved) {
    struct Case {
        const char* name;
        ByteArray mark;  // the trailer's first bytes; empty: no trailer
        int64_t movedBy; // the camera wrote the MakerNote this far from where it is now
        bool recordedBeyondFile;
        bool original;
        int64_t refShift; // MakerNotePointerRef − TIFF base
        int32_t byteOrder;
        const char* rule; // the finding that decides MakerNoteIsOriginal
    };
    const Case cases[] = {
        {"where the camera wrote it", ByteArray{'I', 'I', '*', 0}, 0, false, true, 0, 0,
         "makernote.canon-offset-kept"},
        {"moved 100 bytes towards the start", ByteArray{'I', 'I', '*', 0}, 100, false, false, -100, 0,
         "makernote.offset-moved"},
        {"moved 4 bytes towards the end", ByteArray{'I', 'I', '*', 0}, -4, false, false, 4, 0,
         "makernote.offset-moved"},
        {"big-endian trailer in a little-endian file", ByteArray{'M', 'M', 0, '*'}, 0, false, true, 0, 1,
         "makernote.canon-offset-kept"},
        {"recorded offset beyond the file", ByteArray{'I', 'I', '*', 0}, 0, true, false, 0, 0,
         "makernote.canon-recorded-offset-implausible"},
        {"mixed byte-order marks", ByteArray{'I', 'M', '*', 0}, 0, false, false, 0, 0,
         "makernote.canon-trailer-missing"},
        {"no trailer", {}, 0, false, false, 0, 0, "makernote.canon-trailer-missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool big = !c.mark.empty() && c.mark[0] == 'M';
        auto note = [&c, big](uint32_t mn) {
            // Offsets are written for where the camera put the MakerNote.
            const auto recorded = static_cast<uint32_t>(mn + c.movedBy);
            MakerNoteBlock b(big, recorded);
            b.Directory(0, Probes());
            if (!c.mark.empty())
                b.Append(Concat({c.mark, b.Number(c.recordedBeyondFile ? 0x7FFFFFF0u : recorded, 4)}));
            return b.Bytes();
        };
        JpegSpec jpeg;
        jpeg.entropy = ByteArray(400, 0x11); // so that the camera's offset lies inside the file
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(JpegOf({"Canon", "", false, note}, jpeg))), kOpenOk);
        EXPECT_EQ(codec.MakerNoteIFDType(), 1);
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
        EXPECT_EQ(DecidingRule(codec), c.rule);
        EXPECT_EQ(codec.MakerNotePointerRef(), kJpegTiffBase + c.refShift);
        EXPECT_EQ(codec.MakerNoteByteOrder(), c.byteOrder);
        if (!c.recordedBeyondFile) {
            EXPECT_TRUE(ProbesRead(codec)); // values still resolve after the move
        }
    }
}

// --- sub-directories ---

// An Olympus MakerNote whose directory at 12 holds `entries` and whose block holds a
// directory of probes at 100 (first tag 0x0100) and another at 160 (first tag 0x0200).
ByteArray OlympusNote(const std::function<std::vector<IfdEntry>(const MakerNoteBlock&)>& entries) {
    MakerNoteBlock b(false, 0);
    b.Put(0, Concat({Text("OLYMPUS"), {0}, Text("II"), {3, 0}}));
    b.Directory(100, Probes(0x0100)).Directory(160, Probes(0x0200));
    b.Directory(12, entries(b));
    return b.Bytes();
}

TEST_F(MakerNote, SubDirectoriesAreFoundPerMakerAndCarryTheirParentTag) {
    struct Case {
        const char* name;
        const char* make;
        std::function<ByteArray(uint32_t)> note;
        uint32_t parent; // 0: no sub-directory
        int16_t type;
        uint32_t subFirstTag = 0; // the first tag of the sub-directory's probes
    };
    const Case cases[] = {
        {"Olympus, tag of format IFD", "OLYMPUS",
         [](uint32_t) {
             return OlympusNote([](const MakerNoteBlock& b) {
                 return std::vector{Short(1, {7}), SubIfd(0x2010, b.OffsetOf(100))};
             });
         },
         0x2010, 2, 0x0100},
        {"Olympus, directory stored as the tag's data", "OLYMPUS",
         [](uint32_t) {
             return OlympusNote([](const MakerNoteBlock& b) {
                 return std::vector{Short(1, {7}), WithOffset(0x2040, 7, 60, b.OffsetOf(100))};
             });
         },
         0x2040, 2, 0x0100},
        {"Olympus, tag that names no sub-directory", "OLYMPUS",
         [](uint32_t) {
             return OlympusNote([](const MakerNoteBlock& b) {
                 return std::vector{Short(1, {7}), SubIfd(0x2060, b.OffsetOf(100))};
             });
         },
         0, 2},
        {"Ricoh, directory after a 20-byte caption in the tag's data", "RICOH",
         [](uint32_t mn) {
             MakerNoteBlock b(true, mn);
             b.Put(0, Concat({Text("Ricoh"), {0, 0, 0}}));
             b.Put(200, Concat({Text("[Ricoh Camera Info]"), {0}})).Directory(220, Probes(0x0004));
             b.Directory(8, {Short(1, {7}), WithOffset(0x2001, 7, 60, b.OffsetOf(200))});
             return b.Bytes();
         },
         0x2001, 3, 0x0004},
        {"Ricoh, tag pointing at the caption", "RICOH",
         [](uint32_t mn) {
             MakerNoteBlock b(true, mn);
             b.Put(0, Concat({Text("Ricoh"), {0, 0, 0}}));
             b.Put(200, Concat({Text("[Ricoh Camera Info]"), {0}})).Directory(220, Probes(0x0004));
             b.Directory(8, {Short(1, {7}), Long(0x2001, {b.OffsetOf(200)})});
             return b.Bytes();
         },
         0x2001, 4, 0x0004},
        {"Nikon preview directory", "NIKON",
         [](uint32_t) {
             MakerNoteBlock b(false, -10);
             b.Put(0, Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}));
             b.Directory(100, Probes(0x0201));
             b.Directory(18, {Short(1, {7}), Long(0x0011, {b.OffsetOf(100)})});
             return b.Bytes();
         },
         0x0011, 3, 0x0201},
        {"Nikon preview tag of format SHORT", "NIKON",
         [](uint32_t) {
             MakerNoteBlock b(false, -10);
             b.Put(0, Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}));
             b.Directory(100, Probes(0x0201));
             b.Directory(18, {Short(1, {7}), Short(0x0011, {90})});
             return b.Bytes();
         },
         0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(JpegOf({c.make, "", false, c.note}))), kOpenOk);
        EXPECT_EQ(codec.MakerNoteIFDType(), c.type);
        EXPECT_EQ(codec.MakerNoteSubIFDExists(), c.parent != 0);
        EXPECT_TRUE(codec.MakerNoteIsOriginal());
        if (c.parent != 0) {
            EXPECT_TRUE(ProbesRead(codec, c.parent));
            // The sub-directory's entries are MakerNote entries, found by parent and tag.
            EXPECT_GE(codec.FindTag(c.parent << 16 | c.subFirstTag, kIfdMakerNote), 0);
        }
        EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote), 2 + (c.parent != 0 ? 2 : 0));
    }
}

TEST_F(MakerNote, SelfReferencingSubDirectoriesAreReadOnce) {
    // The sub-directory at 100 names itself and the MakerNote directory once more; a walk
    // that followed those links would never end.
    auto note = [](uint32_t) {
        MakerNoteBlock b(false, 0);
        b.Put(0, Concat({Text("OLYMPUS"), {0}, Text("II"), {3, 0}}));
        b.Directory(100, {Short(0x0100, {7}), SubIfd(0x2010, b.OffsetOf(100)), SubIfd(0x2020, b.OffsetOf(12)),
                          SubIfd(0x2030, b.OffsetOf(160))});
        b.Directory(160, Probes(0x0300));
        b.Directory(12, {Short(1, {7}), SubIfd(0x2010, b.OffsetOf(100)), SubIfd(0x2020, b.OffsetOf(100))});
        return b.Bytes();
    };
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(JpegOf({"OLYMPUS", "", false, note}))), kOpenOk);
    EXPECT_TRUE(codec.MakerNoteSubIFDExists());
    EXPECT_EQ(CountUnderParent(codec, 0), 3);
    EXPECT_EQ(CountUnderParent(codec, 0x2010), 4); // read once, though named three times
    EXPECT_EQ(CountUnderParent(codec, 0x2020), 0); // it would have been the same directory again
    EXPECT_TRUE(ProbesRead(codec, 0x2030));        // a new directory named from a sub-directory
    EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote), 3 + 4 + 2);
}

// --- the rules that clear MakerNoteIsOriginal while the MakerNote is read ---

TEST_F(MakerNote, DamageFoundWhileWalkingMakesTheMakerNoteNotOriginal) {
    struct Case {
        const char* name;
        const char* make;
        std::function<ByteArray(uint32_t)> note;
        int32_t result;
        bool original;
        const char* rule; // the finding that decides MakerNoteIsOriginal
    };
    // An Olympus MakerNote naming sub-directories at 100 and 160; `at100` replaces the
    // bytes of the first of them.
    auto olympusSubIfds = [](ByteArray at100) {
        return [at100](uint32_t) {
            ByteArray bytes = OlympusNote([](const MakerNoteBlock& b) {
                return std::vector{SubIfd(0x2010, b.OffsetOf(100)), SubIfd(0x2020, b.OffsetOf(160))};
            });
            std::copy(at100.begin(), at100.end(), bytes.begin() + 100);
            return bytes;
        };
    };
    auto appleWithTag3 = [](IfdEntry tag3) {
        return [tag3](uint32_t) {
            MakerNoteBlock b(true, -12);
            b.Put(0, Concat({Text("Apple iOS"), {0, 0, 1}, Text("MM")}));
            b.Directory(14, {Short(1, {7}), tag3});
            return b.Bytes();
        };
    };
    const Case cases[] = {
        {"negative count in the MakerNote directory", "SAMSUNG",
         [](uint32_t) {
             MakerNoteBlock b(false, 0);
             b.Directory(0, {Short(1, {7}), WithOffset(2, 4, 0xFFFFFFFF, 0)});
             return b.Bytes();
         },
         kOpenOk, false, "makernote.entry-components-negative"},
        {"sub-directory without entries", "OLYMPUS", olympusSubIfds({0, 0}), kOpenOk, false,
         "makernote.subifd-count-implausible"},
        {"sub-directory with more than 254 entries", "OLYMPUS", olympusSubIfds({0xFF, 0}), kOpenOk, false,
         "makernote.subifd-count-implausible"},
        {"sub-directory whose first entry has an unknown format", "OLYMPUS",
         olympusSubIfds({2, 0, 0, 1, 20, 0}), kOpenOk, false, "makernote.subifd-first-entry-unusable"},
        {"sub-directory whose first entry has no components", "OLYMPUS",
         olympusSubIfds({2, 0, 0, 1, 3, 0, 0, 0, 0, 0}), kOpenOk, false,
         "makernote.subifd-first-entry-unusable"},
        {"sub-directory beyond the file", "OLYMPUS",
         [](uint32_t) {
             return OlympusNote(
                 [](const MakerNoteBlock&) { return std::vector{SubIfd(0x2010, 0x00FFFFF0)}; });
         },
         kOpenMakerNoteError, false, "makernote.directory-outside-file"},
        {"MakerNote directory beyond the file", "FUJIFILM",
         [](uint32_t) {
             return Note(Concat({Text("FUJIFILM"), {0xF0, 0xFF, 0xFF, 0}}), 12, false, 0);
         },
         kOpenMakerNoteError, false, "makernote.directory-outside-file"},
        {"Apple tag 3 as the camera wrote it", "Apple",
         appleWithTag3(Undefined(3, {4, 5, 6, 7, 8, 9, 10, 11})), kOpenOk, true,
         "makernote.header-agrees-with-make"},
        {"Apple tag 3 altered", "Apple", appleWithTag3(Undefined(3, {4, 5, 6, 7, 9, 9, 10, 11})), kOpenOk,
         false, "makernote.apple-stamp-changed"},
        {"Apple tag 3 too short", "Apple", appleWithTag3(Undefined(3, {4, 5, 6, 7})), kOpenOk, false,
         "makernote.apple-stamp-changed"},
        {"Apple tag 3 of another format", "Apple", appleWithTag3(Long(3, {1})), kOpenOk, true,
         "makernote.header-agrees-with-make"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cExifCodec codec;
        EXPECT_EQ(codec.OpenFile(Write(JpegOf({c.make, "", false, c.note}))), c.result);
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
        EXPECT_EQ(DecidingRule(codec), c.rule);
    }
}

TEST_F(MakerNote, AnUnusableSubDirectoryStopsTheOthersFromBeingRead) {
    auto note = [](uint32_t) {
        ByteArray bytes = OlympusNote([](const MakerNoteBlock& b) {
            return std::vector{SubIfd(0x2010, b.OffsetOf(100)), SubIfd(0x2020, b.OffsetOf(160))};
        });
        bytes[100] = bytes[101] = 0; // no entries
        return bytes;
    };
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(JpegOf({"OLYMPUS", "", false, note}))), kOpenOk);
    EXPECT_FALSE(codec.MakerNoteIsOriginal());
    EXPECT_TRUE(codec.MakerNoteSubIFDExists());
    EXPECT_EQ(CountUnderParent(codec, 0x2020), 0);
    EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote), 2);
}

// --- the checks after the walk ---

TEST_F(MakerNote, PentaxMakerNoteNeedsTheExifSegmentToEndAsTheCameraEndsIt) {
    struct Case {
        const char* name;
        ByteArray exifTail;
        bool original;
    };
    const Case cases[] = {
        {"ends with FF D8", {0xFF, 0xD8}, true},
        {"ends with FF D9", {0xFF, 0xD9}, false},
        {"ends with the MakerNote", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoteFile file{"PENTAX", "", false, PentaxAocNote};
        file.exifTail = c.exifTail;
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(JpegOf(file))), kOpenOk);
        EXPECT_EQ(codec.Manufacturer(), 7);
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
    }
}

TEST_F(MakerNote, NikonImageDataSizeMustMatchTheImageData) {
    const ByteArray entropy = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    struct Case {
        const char* name;
        std::optional<uint32_t> recorded;
        bool original;
    };
    const Case cases[] = {
        {"size with the end-of-image marker", 12, true},
        {"size of other image data", 13, false},
        {"size without the marker", 10, false},
        {"no size recorded", std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto note = [&c](uint32_t) {
            MakerNoteBlock b(false, -10);
            b.Put(0, Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}));
            std::vector<IfdEntry> entries = Probes();
            if (c.recorded) entries.push_back(Long(0x00A2, {*c.recorded}));
            b.Directory(18, entries);
            return b.Bytes();
        };
        JpegSpec jpeg;
        jpeg.entropy = entropy;
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(JpegOf({"NIKON", "", false, note}, jpeg))), kOpenOk);
        ASSERT_EQ(codec.streamSize(), static_cast<int32_t>(entropy.size()));
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
    }
}

TEST_F(MakerNote, SamsungWithoutMakerNoteIsOriginalByItsApp4AndTrailer) {
    const ByteArray name = Text("Image_UTC_Data");
    const ByteArray goodTrailer = Concat({{0, 0, 0, 0, 0, 0, 0, 0}, name, {0, 0}});
    struct Case {
        const char* name;
        bool app4;
        ByteArray trailer;
        bool original;
    };
    const Case cases[] = {
        {"APP4 and trailer", true, goodTrailer, true},
        {"trailer without APP4", false, goodTrailer, false},
        {"APP4 and a trailer one byte short", true, ByteArray(goodTrailer.begin(), goodTrailer.end() - 1),
         false},
        {"APP4 and the name one byte late", true, Concat({{0}, goodTrailer}), false},
        {"APP4 without trailer", true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegSpec jpeg;
        if (c.app4) jpeg.segments.push_back(Segment(0xE4, Text("SSUNIQUE")));
        jpeg.trailing = c.trailer;
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(Write(JpegOf({"SAMSUNG", "SM-G930F", false, nullptr}, jpeg))), kOpenOk);
        EXPECT_EQ(codec.Manufacturer(), 12);
        EXPECT_EQ(codec.MakerNoteIsOriginal(), c.original);
    }
}

// --- reads stay inside the MakerNote and the file ---

TEST_F(MakerNote, IdentificationReadsNothingOutsideTheMakerNote) {
    // The bytes after each MakerNote would complete the test that fails inside it.
    struct Case {
        const char* name;
        const char* make;
        ByteArray note;
        ByteArray after;
        int16_t type;
        int32_t manufacturer;
    };
    const Case cases[] = {
        {"Nikon inner header cut short",
         "NIKON",
         Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II")}),
         {'*', 0, 8, 0, 0, 0},
         1,
         2},
        {"Fujifilm directory pointer cut short", "FUJIFILM", Text("FUJIFILM"), {12, 0, 0, 0}, 0, 4},
        {"Apple byte-order mark cut short", "Apple", Concat({Text("Apple iOS"), {0, 0, 1}}), Text("MM"), 0,
         23},
        {"Sony Ericsson byte-order mark cut short", "Sony Ericsson",
         Concat({Text("SEMC MS"), {0, 0, 0, 0, 0}}), Text("II"), 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoteFile file{c.make, "", false, [&c](uint32_t) { return c.note; }};
        file.exifTail = c.after;
        cExifCodec codec;
        EXPECT_EQ(codec.OpenFile(Write(JpegOf(file))), kOpenOk);
        EXPECT_EQ(codec.MakerNoteIFDType(), c.type);
        EXPECT_EQ(codec.Manufacturer(), c.manufacturer);
    }
}

TEST_F(MakerNote, MakerNoteRunningPastTheFileIsNotOriginal) {
    // The MakerNote tag claims a megabyte from offset 8 (IFD0): the Canon trailer would lie
    // far beyond the file's end.
    TiffSpec spec{false, {Ascii(0x010F, "Canon")}, {WithOffset(0x927C, 7, 1 << 20, 8)}, {}, {}, {}, {}};
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(BuildJpeg({{ExifSegment(BuildTiff(spec))}, {1, 2}, true, {}}))), kOpenOk);
    EXPECT_EQ(codec.MakerNoteIFDType(), 1);
    EXPECT_FALSE(codec.MakerNoteIsOriginal());
    EXPECT_TRUE(codec.IFDEntryLocked(codec.FindTag(0x927C, kIfdExif)));
}

// --- the camera pictures of the corpus ---

namespace fs = std::filesystem;

// exiftool's group names for the MakerNotes of the makers whose layouts the codec knows.
const std::set<std::string> kListedMakerGroups = {
    "Apple", "Canon",   "Casio",     "DJI",    "FujiFilm", "Huawei",  "Leica", "Minolta",
    "Nikon", "Olympus", "Panasonic", "Pentax", "Ricoh",    "Samsung", "Sigma", "Sony"};

// Camera pictures whose MakerNote is read differently from exiftool, and why.
struct KnownDifference {
    int16_t type;
    bool entries;
    const char* reason;
};
const std::map<std::string, KnownDifference> kKnownDifferences = {
    {"Pentax Optio 430.jpg",
     {0, false, "Make \"Asahi Optical Co.,Ltd\" names no maker and the MakerNote has no header"}},
    {"Ricoh DC-3Z (normal res).jpg", {1, false, "a text MakerNote (\"Rv...\"), which has no directory"}},
    {"Samsung S730.jpg",
     {1, false,
      "\"STMN0100\" is no Samsung header, so the directory is sought at the MakerNote's "
      "start, where its count is out of range"}},
};

TEST(MakerNoteCorpus, CameraMakerNotesOfListedMakersAreIdentifiedAndWalked) {
    const fs::path folder = fs::path(PELLVANE_CORPUS_DIR) / "camera";
    const auto report = nlohmann::json::parse(
        test::RunCommand("exiftool -j -G1 -a -MakerNotes:All '" + folder.string() + "' 2>/dev/null"), nullptr,
        false);
    ASSERT_TRUE(report.is_array()) << "exiftool is needed for this test";

    int checked = 0;
    for (const auto& entry : report) {
        const std::string path = entry["SourceFile"];
        const std::string name = fs::path(path).filename().string();
        bool listed = false;
        for (const auto& item : entry.items()) {
            const auto colon = item.key().find(':');
            listed |= colon != std::string::npos && kListedMakerGroups.count(item.key().substr(0, colon)) > 0;
        }
        if (!listed) continue;
        SCOPED_TRACE(name);
        ++checked;
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(path), kOpenOk);
        const auto known = kKnownDifferences.find(name);
        if (known != kKnownDifferences.end()) {
            EXPECT_EQ(codec.MakerNoteIFDType(), known->second.type) << known->second.reason;
            EXPECT_EQ(codec.IFDEntryCount(kIfdMakerNote) > 0, known->second.entries) << known->second.reason;
            continue;
        }
        EXPECT_NE(codec.MakerNoteIFDType(), 0);
        EXPECT_GT(codec.IFDEntryCount(kIfdMakerNote), 0);
    }
    EXPECT_GE(checked, 25);
}

} // namespace
} // namespace pellvane
