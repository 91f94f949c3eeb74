// Directory walk, tag lookups and the text forms of values.

#include "codec/ValueText.h"
#include "codec/cExifCodec.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <limits>

namespace pellvane {
namespace {

using namespace test;

class TagStore : public ::testing::Test {
  protected:
    // Opens a JPEG whose EXIF holds the given TIFF structure.
    cExifCodec& Open(const TiffSpec& spec, int32_t expected = kOpenOk) {
        const ByteArray jpeg = BuildJpeg({{ExifSegment(BuildTiff(spec))}, {1, 2}, true, {}});
        EXPECT_EQ(codec.OpenFile(WriteFile(temp.Input("tags.jpg"), jpeg)), expected);
        return codec;
    }
    ScopedTempFolder temp;
    cExifCodec codec;
};

TEST_F(TagStore, AsciiValuesKeepTheirZeroBytes) {
    Open({false, {Bytes(0x0110, {}), Ascii(0x010F, "ABC")}, {}, {}, {}, {}, {}});
    const ExifValue make = codec.TagValue(0x010F, 1);
    ASSERT_TRUE(std::holds_alternative<std::string>(make));
    EXPECT_EQ(std::get<std::string>(make), std::string("ABC\0", 4));
    EXPECT_EQ(codec.TagValueString(0x010F, 0), std::string("ABC\0", 4));
}

TEST_F(TagStore, BigEndianRationalsKeepNumeratorAndDenominatorInPlace) {
    Open({true,
          {Ascii(0x010F, "NIKON")},
          {Rational(0x829D, {{28, 10}}), Rational(0x829A, {{1, 125}})},
          {},
          {},
          {},
          {}});
    EXPECT_TRUE(codec.ByteOrder());
    EXPECT_EQ(std::get<std::vector<int32_t>>(codec.TagValue(0x829D, 2)), (std::vector<int32_t>{28, 10}));
    EXPECT_EQ(codec.TagValueString(0x829D, 2), "2.8");
    EXPECT_EQ(codec.TagValueString(0x829A, 2), "1/125");
    EXPECT_EQ(codec.Manufacturer(), 2);
    EXPECT_EQ(codec.ManufacturerString(), "Nikon");
}

struct TextCase {
    const char* name;
    IfdEntry entry;
    int32_t ifd;
    const char* text;
};

TEST_F(TagStore, TextFormsFollowTheirSpecialCases) {
    ByteArray forty(40);
    for (size_t i = 0; i < forty.size(); ++i)
        forty[i] = static_cast<uint8_t>(i);
    const TextCase cases[] = {
        {"exposure below one second", Rational(33434, {{1, 125}}), 2, "1/125"},
        {"exposure of two seconds", Rational(33434, {{2, 1}}), 2, "2"},
        {"unknown subject distance", Rational(37382, {{0xFFFFFFFF, 1}}), 2, "0xFFFFFFFF"},
        {"Exif version", Undefined(36864, {'0', '2', '3', '0'}), 2, "0230"},
        {"FlashPix version", Undefined(40960, {'0', '1', '0', '0'}), 2, "0100"},
        {"GPS version", Bytes(0, {2, 2, 0, 0}), 3, "2200"},
        {"interoperability version", Undefined(2, {'0', '1', '0', '0'}), 4, "0100"},
        {"long MakerNote", Undefined(0x927C, forty), 2,
         "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 ..."},
        {"unsigned shorts", Short(0x0102, {8, 65535}), 1, "8, 65535"},
        {"unsigned long", Long(0x0201, {4294967295u}), 1, "4294967295"},
        {"signed rational", {0x9204, 10, 1, {0xFFFFFFFF, 3}, {}, false}, 2, "-0.33333334"},
        {"signed short", {0x9999, 8, 2, {0xFFFF, 5}, {}, false}, 2, "-1, 5"},
        {"signed byte", {0x9998, 6, 2, {}, {0xFF, 0x7F}, false}, 2, "-1, 127"},
        {"rational pair list", Rational(0x0002, {{35, 1}, {30, 1}, {15, 10}}), 3, "35, 30, 1.5"},
    };
    for (const auto& c : cases) {
        TiffSpec spec{false, {Ascii(0x010F, "Maker")}, {}, {}, {}, {}, {}};
        if (c.ifd == 1) spec.ifd0.push_back(c.entry);
        if (c.ifd == 2) spec.exif.push_back(c.entry);
        if (c.ifd == 3) spec.gps.push_back(c.entry);
        if (c.ifd == 4) spec.interop.push_back(c.entry);
        if (c.ifd != 2) spec.exif.push_back(Short(0xA001, {1}));
        cExifCodec local;
        const ByteArray jpeg = BuildJpeg({{ExifSegment(BuildTiff(spec))}, {1}, true, {}});
        ASSERT_EQ(local.OpenFile(WriteFile(temp.Input("case.jpg"), jpeg)), kOpenOk) << c.name;
        EXPECT_EQ(local.TagValueString(c.entry.tag, c.ifd), c.text) << c.name;
    }
}

TEST(ValueText, FloatsDropTrailingZerosAndThePoint) {
    EXPECT_EQ(GenericValueText(std::vector<float>{3.0f, 0.5f}, 11), "3, 0.5");
    EXPECT_EQ(GenericValueText(std::vector<double>{1.25, -2.0}, 12), "1.25, -2");
    EXPECT_EQ(GenericValueText(ByteArray{0x4D, 0x4D}, 1), "4D 4D ");
    EXPECT_EQ(GenericValueText(ByteArray{1}, 14), "");
    EXPECT_EQ(GenericValueText(ExifValue{}, 1), "");
}

TEST(ValueText, RealsReadAsIntegersStayInTheRangeOfTheFilesIntegers) {
    const ExifValue reals = std::vector<float>{1e30f, -1e30f, 2.9f, std::numeric_limits<float>::quiet_NaN()};
    EXPECT_EQ(ValueElement(reals, 0), 4294967295);
    EXPECT_EQ(ValueElement(reals, 1), -2147483648);
    EXPECT_EQ(ValueElement(reals, 2), 2);
    EXPECT_EQ(ValueElement(reals, 3), 0);
    // A SHORT entry holding reals is listed without undefined conversions.
    EXPECT_EQ(GenericValueText(reals, 3), "4294967295, -2147483648, 2, 0");
}

TEST_F(TagStore, LookupsSearchTheDirectoriesInOrderOnlyWhenAskedTo) {
    Open({false, {Ascii(0x0110, "Model X")}, {Short(0x8827, {200})}, {}, {}, {}, {}});
    EXPECT_EQ(codec.TagValueString(0x0110, 0), std::string("Model X\0", 8));
    EXPECT_TRUE(IsEmptyValue(codec.TagValue(0x0110, 2)));
    EXPECT_EQ(codec.FindTag(0x0110, 2), -1);
    EXPECT_EQ(codec.TagIFD(0x8827, 0), 2);
    EXPECT_EQ(codec.TagFormat(0x8827, 2), 3);
    EXPECT_EQ(codec.TagComponents(0x8827, 2), 1);
    EXPECT_FALSE(codec.IsTagExisted(0x9999, 0));
    EXPECT_EQ(codec.TagValueString(0x9999, 0), "");
}

TEST_F(TagStore, EntriesAreCountedPerDirectoryInWalkOrder) {
    Open({false,
          {Ascii(0x010F, "Canon"), Ascii(0x0110, "EOS")},
          {Short(0x8827, {100})},
          {Bytes(0, {2, 2, 0, 0})},
          {Ascii(1, "R98")},
          {Short(0x0103, {6}), Long(0x0201, {0}), Long(0x0202, {0})},
          {}});
    // IFD0 also holds the two links.
    const int32_t expected[] = {3 + 4 + 2 + 1 + 1 + 3 - 0, 4, 2, 1, 1, 0, 3};
    EXPECT_EQ(codec.IFDEntryCount(1), expected[1]);
    EXPECT_EQ(codec.IFDEntryCount(2), expected[2]);
    EXPECT_EQ(codec.IFDEntryCount(3), 1);
    EXPECT_EQ(codec.IFDEntryCount(4), 1);
    EXPECT_EQ(codec.IFDEntryCount(5), 0);
    EXPECT_EQ(codec.IFDEntryCount(6), 3);
    EXPECT_EQ(codec.IFDEntryCount(0), 4 + 2 + 1 + 1 + 3);
    EXPECT_EQ(codec.IFDEntryCount(7), 0);
    EXPECT_EQ(codec.IFDEntryIFD(0), 1);
    EXPECT_EQ(codec.IFDEntryIFD(codec.IFDEntryCount(0) - 1), 6);
    EXPECT_EQ(codec.Manufacturer(), 1);
}

TEST_F(TagStore, AValuePastTheEndOfTheFileIsLockedAndEmpty) {
    Open({false, {Ascii(0x010F, "Canon"), WithOffset(0x0131, 2, 100, 0x7FFFFFF0)}, {}, {}, {}, {}, {}});
    const int32_t i = codec.FindTag(0x0131, 1);
    ASSERT_GE(i, 0);
    EXPECT_TRUE(codec.IFDEntryLocked(i));
    EXPECT_TRUE(IsEmptyValue(codec.TagValue(0x0131, 1)));
    EXPECT_EQ(codec.TagValueString(0x0131, 1), "");
    EXPECT_EQ(codec.IFDEntryValueLength(i), 100);
}

TEST_F(TagStore, EntryAccessorsOutsideTheListAnswerDefaults) {
    Open({false, {Ascii(0x010F, "Canon")}, {}, {}, {}, {}, {}});
    for (int32_t i : {-1, 1, 1000}) {
        EXPECT_EQ(codec.IFDEntryTagNo(i), 0u);
        EXPECT_EQ(codec.IFDEntryValueString(i), "");
        EXPECT_FALSE(codec.IFDEntryLocked(i));
        codec.SetIFDEntryOperation(i, 3); // ignored
    }
    EXPECT_FALSE(codec.IFDEntryDeleted(0));
    codec.SetTagDeleted(0x010F, 1, true);
    EXPECT_TRUE(codec.TagDeleted(0x010F, 1));
    EXPECT_FALSE(codec.IsTagExisted(0x010F, 1, true));
    EXPECT_TRUE(codec.IsTagExisted(0x010F, 1, false));
}

struct GpsCase {
    const char* latitudeRef;
    const char* longitudeRef;
    double latitude, longitude;
};

TEST_F(TagStore, GpsCoordinatesTakeTheirHemisphere) {
    const GpsCase cases[] = {
        {"N", "E", 35.5, 139.76}, {"S", "W", -35.5, -139.76}, {"s", "w", -35.5, -139.76}};
    for (const auto& c : cases) {
        cExifCodec local;
        const TiffSpec spec{false,
                            {Ascii(0x010F, "Apple")},
                            {},
                            {Ascii(1, c.latitudeRef), Rational(2, {{35, 1}, {30, 1}, {0, 1}}),
                             Ascii(3, c.longitudeRef), Rational(4, {{139, 1}, {45, 1}, {36, 1}})},
                            {},
                            {},
                            {}};
        ASSERT_EQ(local.OpenFile(WriteFile(temp.Input("gps.jpg"),
                                           BuildJpeg({{ExifSegment(BuildTiff(spec))}, {1}, true, {}}))),
                  kOpenOk);
        double latitude = 0, longitude = 0;
        EXPECT_TRUE(local.GetGpsCoordinate(latitude, longitude));
        EXPECT_NEAR(latitude, c.latitude, 1e-5) << c.latitudeRef;
        EXPECT_NEAR(longitude, c.longitude, 1e-5) << c.longitudeRef;
    }
}

TEST_F(TagStore, GpsCoordinatesFailWithTooFewParts) {
    Open({false, {Ascii(0x010F, "Apple")}, {}, {Rational(2, {{35, 1}})}, {}, {}, {}});
    double latitude = 1, longitude = 1;
    EXPECT_FALSE(codec.GetGpsCoordinate(latitude, longitude));
    EXPECT_EQ(longitude, 0.0);
}

TEST_F(TagStore, DirectoriesThatPointAtEachOtherAreReadOnce) {
    // The GPS link points back at IFD0: the walk reads it as the GPS directory once and ends.
    TiffSpec spec{false, {Ascii(0x010F, "Canon"), Long(0x8825, {8})}, {}, {}, {}, {}, {}};
    Open(spec);
    EXPECT_EQ(codec.IFDEntryCount(1), 2);
    EXPECT_EQ(codec.IFDEntryCount(3), 2);
}

TEST_F(TagStore, AnExifDirectoryOutsideTheFileIsAParseErrorThatKeepsIfd0) {
    Open({false, {Ascii(0x010F, "Canon"), Long(0x8769, {0x00FFFFFF})}, {}, {}, {}, {}, {}}, kOpenExifError);
    EXPECT_EQ(codec.IFDEntryCount(1), 2);
    EXPECT_EQ(codec.ManufacturerString(), "Canon");
}

TEST_F(TagStore, CountsOf2To31Minus1AreMissingValuesNotAllocations) {
    for (const uint16_t format : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}) {
        SCOPED_TRACE(format);
        Open(
            {false, {Ascii(0x010F, "Canon"), WithOffset(0x010E, format, 0x7FFFFFFF, 8)}, {}, {}, {}, {}, {}});
        const int32_t entry = codec.FindTag(0x010E, 1);
        ASSERT_GE(entry, 0);
        EXPECT_TRUE(codec.IFDEntryLocked(entry));
        EXPECT_TRUE(IsEmptyValue(codec.IFDEntryValue(entry)));
        EXPECT_EQ(codec.TagValueString(0x010F, 1), std::string("Canon", 6)); // ASCII keeps its zero
    }
}

} // namespace
} // namespace pellvane
