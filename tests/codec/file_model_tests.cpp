// The codec's file model: segment list, image data, trailing data, frame header,
// compression signature and the result codes of OpenFile.

#include "codec/cExifCodec.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace pellvane {
namespace {

using namespace test;

class FileModel : public ::testing::Test {
  protected:
    std::string Write(const ByteArray& bytes, const std::string& name = "picture.jpg") {
        return WriteFile(temp.Input(name), bytes);
    }
    ScopedTempFolder temp;
};

ByteArray MinimalExif() {
    return ExifSegment(BuildTiff({false, {Ascii(0x010F, "Canon")}, {}, {}, {}, {}, {}}));
}

// The example tables of the JPEG standard's Annex K scaled by the IJG rule and stored in
// zigzag order, as a DQT segment holds them.
std::vector<uint8_t> ScaledAnnexKTable(bool chrominance, int quality) {
    static const uint8_t kLuminance[64] = {
        16, 11,  10,  16, 24, 40, 51, 61, 12,  12,  14,  19,  26, 58, 60, 55,  14,  13,  16,  24, 40, 57,
        69, 56,  14,  17, 22, 29, 51, 87, 80,  62,  18,  22,  37, 56, 68, 109, 103, 77,  24,  35, 55, 64,
        81, 104, 113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98,  112, 100, 103, 99};
    static const uint8_t kChrominanceTop[32] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26,
                                                66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
                                                99, 99, 47, 66, 99, 99, 99, 99, 99, 99};
    static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::vector<uint8_t> out(64);
    for (int i = 0; i < 64; ++i) {
        const int natural = kZigzag[i];
        const int base = chrominance ? (natural < 32 ? kChrominanceTop[natural] : 99) : kLuminance[natural];
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp((base * scale + 50) / 100, 1, 255));
    }
    return out;
}

TEST_F(FileModel, ListsSegmentsAndAppendsTheEndOfImageFoundInTheData) {
    const ByteArray jpeg = BuildJpeg({{MinimalExif(), Sof(0xC0, 640, 480)}, {1, 2, 3}, true, {}});
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(jpeg)), kOpenOk);
    ASSERT_EQ(codec.MarkerCount(), 5);
    const char* names[] = {"SOI", "APP1", "SOF0", "SOS", "EOI"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(codec.MarkerName(i), names[i]);
    EXPECT_EQ(codec.MarkerNo(0), static_cast<int16_t>(0xD8FF));
    EXPECT_EQ(codec.MarkerNo(1), static_cast<int16_t>(0xE1FF));
    EXPECT_EQ(codec.MarkerIndentifier(1), "Exif");
    const int32_t eoi = static_cast<int32_t>(jpeg.size()) - 2;
    EXPECT_EQ(codec.MarkerPointer(4), eoi);
    EXPECT_EQ(codec.EOFChunkOffset(), eoi + 2);
    EXPECT_EQ(codec.streamSize(), 3);
    EXPECT_EQ(codec.streamOffset(), eoi - 3);
    EXPECT_EQ(codec.EOFChunkSize(), 0);
    EXPECT_TRUE(codec.EOFChunk().empty());
    EXPECT_EQ(codec.ImageWidth(), 640);
    EXPECT_EQ(codec.ImageHeight(), 480);
    EXPECT_EQ(codec.ImageBitDepth(), 24);
    EXPECT_EQ(codec.FileType(), 0);
}

TEST_F(FileModel, KeepsTheBytesAfterTheEndOfImage) {
    const ByteArray trailing = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    const ByteArray jpeg = BuildJpeg({{MinimalExif()}, {1, 2}, true, trailing});
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(jpeg)), kOpenOk);
    EXPECT_EQ(codec.EOFChunkSize(), 10);
    EXPECT_EQ(codec.EOFChunk(), trailing);
    EXPECT_EQ(codec.EOFChunkDataString(), "00 01 02 03 04 05 06 07 08 09 ");
    EXPECT_EQ(codec.FileSize(true), static_cast<int32_t>(jpeg.size()));
    EXPECT_EQ(codec.FileSize(false), static_cast<int32_t>(jpeg.size()));
}

TEST_F(FileModel, ImageDataWithoutAnEndRunsToTheEndOfTheFile) {
    const ByteArray jpeg = BuildJpeg({{MinimalExif()}, {1, 2, 3, 4, 5}, false, {}});
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(jpeg)), kOpenOk);
    EXPECT_EQ(codec.streamSize(), 5);
    EXPECT_EQ(codec.EOFChunkSize(), 0);
    EXPECT_EQ(codec.MarkerName(codec.MarkerCount() - 1), "SOS");
}

TEST_F(FileModel, FillBytesEndTheSegmentList) {
    const ByteArray jpeg =
        Concat({{0xFF, 0xD8}, MinimalExif(), {0xFF, 0xFF}, Segment(0xFE, {'h', 'i'}), {0xFF, 0xD9}});
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(jpeg)), kOpenOk);
    EXPECT_EQ(codec.MarkerCount(), 2);
}

TEST_F(FileModel, FindsSegmentsByNumberAndIdentifier) {
    const ByteArray mpf = Segment(0xE2, {'M', 'P', 'F', 0, 'I', 'I', 42, 0});
    const ByteArray icc = Segment(0xE2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1});
    const ByteArray jpeg = BuildJpeg({{MinimalExif(), icc, mpf}, {1}, true, {}});
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(jpeg)), kOpenOk);
    const int16_t app2 = MarkerNumber(0xE2);
    EXPECT_EQ(codec.FindMarker(app2, ""), 2);
    EXPECT_EQ(codec.FindMarker(app2, "MPF"), 3);
    EXPECT_TRUE(codec.IsMarkerExisted(app2, "MPF"));
    EXPECT_EQ(codec.MarkerIndentifier(3), "MPF");
    EXPECT_EQ(codec.MarkerIndentifier(2), "ICC_PROFILE");
    EXPECT_FALSE(codec.IsMarkerExisted(app2, "XMP"));
    EXPECT_EQ(codec.FindMarker(MarkerNumber(0xE3), ""), -1);
}

TEST_F(FileModel, ReadsATiffStructureAfterLeadingBytes) {
    const ByteArray tiff =
        BuildTiff({false, {Long(256, {32}), Long(257, {16}), Short(258, {8, 8, 8})}, {}, {}, {}, {}, {}});
    const ByteArray file = Concat({{1, 2, 3, 4, 5, 6, 7, 8}, tiff});
    cExifCodec codec;
    EXPECT_EQ(codec.OpenFile(Write(file, "leading.bin")), kOpenOk);
    EXPECT_EQ(codec.FileType(), 3);
    ASSERT_EQ(codec.MarkerCount(), 1);
    EXPECT_EQ(codec.MarkerName(0), "APP1");
    EXPECT_EQ(codec.MarkerPointer(0), 8);
    EXPECT_EQ(codec.MarkerIndentifier(0), "Exif");
    EXPECT_EQ(codec.IFDEntryCount(1), 3);
    EXPECT_EQ(codec.ImageBitDepth(), 24);
    EXPECT_TRUE(codec.ComprSignature().empty());
}

TEST_F(FileModel, ATiffWithStripsHasItsImageData) {
    ByteArray strip(64, 0x80);
    const ByteArray head = BuildTiff(
        {true, {Long(256, {8}), Long(257, {8}), Long(273, {0}), Long(279, {64})}, {}, {}, {}, {}, {}});
    ByteArray tiff = BuildTiff(
        {true,
         {Long(256, {8}), Long(257, {8}), Long(273, {static_cast<uint32_t>(head.size())}), Long(279, {64})},
         {},
         {},
         {},
         {},
         {}});
    tiff.insert(tiff.end(), strip.begin(), strip.end());
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(tiff, "strips.TIF")), kOpenOk);
    EXPECT_EQ(codec.FileType(), 2);
    EXPECT_EQ(codec.streamSize(), 64);
    EXPECT_EQ(codec.ImageWidth(), 8);
    EXPECT_EQ(codec.ImageHeight(), 8);
    codec.CloseFile();
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(FileModel, SignatureOfOneTableOfTwoEqualsTwoSingleTables) {
    std::vector<uint8_t> luma(64), chroma(64);
    for (int i = 0; i < 64; ++i) {
        luma[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
        chroma[static_cast<size_t>(i)] = static_cast<uint8_t>(100 + i);
    }
    ByteArray both = {0};
    both.insert(both.end(), luma.begin(), luma.end());
    both.push_back(1);
    both.insert(both.end(), chroma.begin(), chroma.end());

    cExifCodec one, two;
    ASSERT_EQ(
        one.OpenFile(Write(BuildJpeg({{MinimalExif(), Segment(0xDB, both)}, {1}, true, {}}), "one.jpg")),
        kOpenOk);
    ASSERT_EQ(two.OpenFile(Write(BuildJpeg({{MinimalExif(), Dqt(0, luma), Dqt(1, chroma)}, {1}, true, {}}),
                                 "two.jpg")),
              kOpenOk);
    EXPECT_EQ(one.MarkerSize(2), 132);
    EXPECT_EQ(one.ComprSignature().size(), 8u);
    EXPECT_EQ(one.ComprSignature(), two.ComprSignature());

    // Only table 1's first value counts.
    chroma[5] = 1;
    cExifCodec three;
    ASSERT_EQ(three.OpenFile(Write(BuildJpeg({{MinimalExif(), Dqt(0, luma), Dqt(1, chroma)}, {1}, true, {}}),
                                   "three.jpg")),
              kOpenOk);
    EXPECT_EQ(three.ComprSignature(), two.ComprSignature());
    chroma[0] = 1;
    cExifCodec four;
    ASSERT_EQ(four.OpenFile(Write(BuildJpeg({{MinimalExif(), Dqt(0, luma), Dqt(1, chroma)}, {1}, true, {}}),
                                  "four.jpg")),
              kOpenOk);
    EXPECT_NE(four.ComprSignature(), two.ComprSignature());
}

struct SignatureCase {
    const char* name;
    std::vector<uint8_t> luma, chroma;
    const char* signature;
};

TEST_F(FileModel, SignaturesReproduceTheKnownCheckValues) {
    const SignatureCase cases[] = {
        {"all ones", std::vector<uint8_t>(64, 1), std::vector<uint8_t>(64, 1), "350EF43B"},
        {"IJG quality 99", ScaledAnnexKTable(false, 99), ScaledAnnexKTable(true, 99), "DD72630E"},
        {"IJG quality 98", ScaledAnnexKTable(false, 98), ScaledAnnexKTable(true, 98), "3F5666B9"},
    };
    for (const auto& c : cases) {
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(
                      Write(BuildJpeg({{MinimalExif(), Dqt(0, c.luma), Dqt(1, c.chroma)}, {1}, true, {}}))),
                  kOpenOk);
        EXPECT_EQ(codec.ComprSignature(), c.signature) << c.name;
    }
}

TEST_F(FileModel, BaselineFrameWinsOverProgressiveWhateverTheOrder) {
    cExifCodec progressive, both;
    ASSERT_EQ(progressive.OpenFile(
                  Write(BuildJpeg({{MinimalExif(), Sof(0xC2, 300, 200)}, {1}, true, {}}), "p.jpg")),
              kOpenOk);
    EXPECT_EQ(progressive.ImageWidth(), 300);
    EXPECT_EQ(progressive.ImageHeight(), 200);
    ASSERT_EQ(
        both.OpenFile(Write(
            BuildJpeg({{MinimalExif(), Sof(0xC2, 300, 200), Sof(0xC0, 30, 20)}, {1}, true, {}}), "b.jpg")),
        kOpenOk);
    EXPECT_EQ(both.ImageWidth(), 30);
    EXPECT_EQ(both.ImageHeight(), 20);
}

struct ResultCase {
    const char* name;
    ByteArray bytes;
    int32_t result;
};

TEST_F(FileModel, OpenFileAnswersAResultCodeForEveryKindOfInput) {
    const ResultCase cases[] = {
        {"empty", {}, kOpenNotImage},
        {"three bytes", {0xFF, 0xD8, 0xFF}, kOpenNotImage},
        {"text", ByteArray(300, 'a'), kOpenNotImage},
        {"JPEG without EXIF",
         BuildJpeg({{Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 2, 0, 0, 72, 0, 72, 0, 0})}, {1}, true, {}}),
         kOpenNoExif},
        {"EXIF without byte order",
         BuildJpeg({{Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 0, 0})}, {1}, true, {}}),
         kOpenExifError},
        {"EXIF directory past the end",
         BuildJpeg(
             {{Segment(0xE1, {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0})}, {1}, true, {}}),
         kOpenExifError},
    };
    for (const auto& c : cases) {
        cExifCodec codec;
        EXPECT_EQ(codec.OpenFile(Write(c.bytes)), c.result) << c.name;
    }
    cExifCodec codec;
    EXPECT_EQ(codec.OpenFile((temp.Path() / "missing.jpg").string()), kOpenCannotOpen);
    EXPECT_EQ(codec.OpenFile(temp.Path().string()), kOpenCannotOpen);
}

TEST_F(FileModel, AFailedOpenKeepsThePreviousModel) {
    cExifCodec codec;
    ASSERT_EQ(codec.OpenFile(Write(BuildJpeg({{MinimalExif(), Sof(0xC0, 64, 48)}, {1}, true, {}}))), kOpenOk);
    EXPECT_EQ(codec.OpenFile((temp.Path() / "missing.jpg").string()), kOpenCannotOpen);
    EXPECT_EQ(codec.ImageWidth(), 64);
    EXPECT_EQ(codec.ManufacturerString(), "Canon");
}

TEST_F(FileModel, NoTemporaryFileOutlivesCloseFileOrTheCodec) {
    const ByteArray jpeg = BuildJpeg({{MinimalExif()}, ByteArray(1000, 0x11), true, {}});
    const std::string path = Write(jpeg);
    {
        cExifCodec codec;
        ASSERT_EQ(codec.OpenFile(path), kOpenOk);
        ASSERT_FALSE(codec.StreamCachePath().empty());
        EXPECT_EQ(std::filesystem::file_size(codec.StreamCachePath()), 1000u);
        EXPECT_EQ(temp.LeftoverFiles().size(), 1u);
        ASSERT_EQ(codec.OpenFile(path), kOpenOk); // the second open deletes the first copy
        EXPECT_TRUE(temp.LeftoverFiles().empty());
        ASSERT_FALSE(codec.StreamCachePath().empty());
        EXPECT_EQ(temp.LeftoverFiles().size(), 1u);
        codec.CloseFile();
        EXPECT_TRUE(temp.LeftoverFiles().empty());
        EXPECT_TRUE(codec.StreamCachePath().empty());
        ASSERT_EQ(codec.OpenFile(path), kOpenOk);
        ASSERT_FALSE(codec.StreamCachePath().empty());
    }
    EXPECT_TRUE(temp.LeftoverFiles().empty());
}

TEST_F(FileModel, ASegmentLongerThanTheFileKeepsItsDeclaredSize) {
    ByteArray jpeg = {0xFF, 0xD8, 0xFF, 0xE1, 0x40, 0x00, 'E', 'x', 'i', 'f', 0, 0};
    cExifCodec codec;
    EXPECT_EQ(codec.OpenFile(Write(jpeg)), kOpenExifError);
    ASSERT_EQ(codec.MarkerCount(), 2);
    EXPECT_EQ(codec.MarkerSize(1), 0x4000);
    EXPECT_EQ(codec.MarkerData(1).size(), 0x4000u);
    EXPECT_EQ(codec.streamSize(), 0);
}

TEST_F(FileModel, AFileOfTinySegmentsStopsAtTheLargestSegmentCount) {
    ByteArray jpeg = {0xFF, 0xD8};
    for (int i = 0; i < 40000; ++i)
        jpeg.insert(jpeg.end(), {0xFF, 0xFE, 0x00, 0x02});
    cExifCodec codec;
    EXPECT_EQ(codec.OpenFile(Write(jpeg)), kOpenNoExif);
    EXPECT_EQ(codec.MarkerCount(), 32767);
    EXPECT_EQ(codec.MarkerName(32766), "COM");
}

} // namespace
} // namespace pellvane
