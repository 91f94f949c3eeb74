// The XMP packet, from an APP1 segment or from the XMP tag of a TIFF file, and the values
// of Apple's APP10 "AROT" segment.

#include "codec/cExifCodec.h"
#include "codec/extensions/Arot.h"
#include "support/JpegBuilder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using namespace test;

TiffSpec Ifd0Spec(std::vector<IfdEntry> ifd0) {
    TiffSpec spec;
    spec.ifd0 = std::move(ifd0);
    return spec;
}

ByteArray XmpSegment(const std::string& identifier, const std::string& packet) {
    return Segment(0xE1, Concat({TextBytes(identifier), {0}, TextBytes(packet)}));
}

// A packet of exactly `length` bytes with characters of one, two and three bytes in UTF-8.
std::string Packet(size_t length) {
    std::string packet = "<x:xmpmeta><dc:title>Ærø – ";
    while (packet.size() < length - 24)
        packet += 'x';
    packet += "</dc:title></x:xmpmeta>";
    packet.resize(length, ' ');
    return packet;
}

class Xmp : public ::testing::Test {
  protected:
    std::string Write(const ByteArray& bytes, const std::string& name = "picture.jpg") {
        return WriteFile(temp.Input(name), bytes);
    }
    ScopedTempFolder temp;
};

TEST_F(Xmp, PacketInAnApp1SegmentIsReadAsUtf8) {
    const std::string packet = Packet(1000);
    cExifCodec codec;
    codec.OpenFile(Write(Jpeg({XmpSegment("http://ns.adobe.com/xap/1.0/", packet)})));
    EXPECT_TRUE(codec.XMPExisted(false));
    EXPECT_TRUE(codec.XMPExisted(true));
    EXPECT_EQ(codec.XMPText(), packet);
}

TEST_F(Xmp, OnlyTheXmpNamespaceCounts) {
    struct Case {
        const char* identifier;
        bool existed;
    };
    const Case cases[] = {
        {"http://ns.adobe.com/xap/1.0/", true},
        {"http://NS.ADOBE.COM/XAP/1.0/", true},
        // The segment is found by its first four bytes, "http" in lower case.
        {"HTTP://NS.ADOBE.COM/XAP/1.0/", false},
        {"http://ns.adobe.com/xap/", true},
        {"http://ns.adobe.com/xmp/extension/", false},
        {"http://example.com/", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.identifier);
        cExifCodec codec;
        codec.OpenFile(Write(Jpeg({XmpSegment(c.identifier, "<x/>")})));
        EXPECT_EQ(codec.XMPExisted(false), c.existed);
        EXPECT_EQ(codec.XMPText(), c.existed ? "<x/>" : "");
    }
}

TEST_F(Xmp, TiffFileCarriesItsPacketInIfd0) {
    const std::string packet = "<x:xmpmeta>Grüße</x:xmpmeta>";
    const ByteArray tiff = BuildTiff(Ifd0Spec({Bytes(0x02BC, TextBytes(packet))}));
    cExifCodec codec;
    codec.OpenFile(Write(tiff, "picture.tif"));
    EXPECT_TRUE(codec.XMPExisted(false));
    EXPECT_EQ(codec.XMPText(), packet);

    codec.SetTagDeleted(0x02BC, kIfd0, true);
    EXPECT_FALSE(codec.XMPExisted(true));
    EXPECT_TRUE(codec.XMPExisted(false));
}

TEST_F(Xmp, FileWithoutXmpAnswersNothing) {
    cExifCodec codec;
    codec.OpenFile(Write(Jpeg({ExifSegment(BuildTiff(Ifd0Spec({Ascii(0x010F, "Canon")})))})));
    EXPECT_FALSE(codec.XMPExisted(false));
    EXPECT_EQ(codec.XMPText(), "");
}

// --- AROT ---

// An AROT payload: the identifier, two zero bytes, the big-endian count, then the values
// little-endian.
ByteArray ArotPayload(int32_t count, const std::vector<int32_t>& values) {
    ByteArray out = {'A', 'R', 'O', 'T', 0, 0};
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(count) >> shift));
    for (int32_t v : values)
        for (int shift : {0, 8, 16, 24})
            out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
    return out;
}

TEST_F(Xmp, ArotValuesAreReadWithTheirCount) {
    std::vector<int32_t> values(189);
    for (int32_t i = 0; i < 189; ++i)
        values[static_cast<size_t>(i)] = i * 1000 - 70000;
    cExifCodec codec;
    codec.OpenFile(Write(Jpeg({Segment(0xEA, ArotPayload(189, values))})));
    EXPECT_EQ(codec.AROT(), values);
}

TEST_F(Xmp, ArotCountDecidesTheLengthWhateverTheSegmentHolds) {
    struct Case {
        const char* name;
        int32_t count;
        std::vector<int32_t> held;
        std::vector<int32_t> expected;
    };
    const Case cases[] = {
        {"more values declared than held", 4, {7, 8}, {7, 8, 0, 0}},
        {"fewer declared than held", 1, {7, 8}, {7}},
        {"none declared", 0, {7}, {}},
        {"negative count", -5, {7}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cExifCodec codec;
        codec.OpenFile(Write(Jpeg({Segment(0xEA, ArotPayload(c.count, c.held))})));
        EXPECT_EQ(codec.AROT(), c.expected);
    }
}

TEST_F(Xmp, AForgedArotCountIsBounded) {
    cExifCodec codec;
    codec.OpenFile(Write(Jpeg({Segment(0xEA, ArotPayload(0x7FFFFFFF, {1, 2}))})));
    const std::vector<int32_t> values = codec.AROT();
    ASSERT_EQ(values.size(), static_cast<size_t>(kMaxArotValues));
    EXPECT_EQ(values[1], 2);
    // Still far more values than any JPEG's height can match.
    EXPECT_GT(static_cast<int64_t>(values.size()) - 1, 65535 / 16 - 1);
}

TEST_F(Xmp, ArotValuesAreClearedByTheNextFile) {
    cExifCodec codec;
    codec.OpenFile(Write(Jpeg({Segment(0xEA, ArotPayload(2, {1, 2}))}), "apple.jpg"));
    ASSERT_EQ(codec.AROT().size(), 2u);
    codec.OpenFile(Write(Jpeg({Sof(0xC0, 8, 8)}), "plain.jpg"));
    EXPECT_TRUE(codec.AROT().empty());
}

} // namespace
} // namespace pellvane
