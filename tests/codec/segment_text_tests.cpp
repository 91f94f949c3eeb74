// Tests of the readable descriptions of JPEG segments. Every segment is built here byte by
// byte; the expected texts are written out in full where the layout matters, and computed
// from independent rules (the zigzag walk, printf formatting) where a table would only be
// copied from the code.

#include "codec/SegmentText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace pellvane {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kApp0 = 0xE0;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kComment = 0xFE;
constexpr uint8_t kHuffman = 0xC4;
constexpr uint8_t kQuantisation = 0xDB;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kBaseline = 0xC0;
constexpr uint8_t kEndOfImage = 0xD9;

// A segment as the codec would hold it. It owns its bytes so that the view stays valid, and
// the bytes live in an allocation of exactly their size so that the address sanitizer
// reports any read past them.
struct OwnedSegment {
    uint8_t code = 0;
    int32_t size = 0;
    std::string identifier;
    Bytes data;

    SegmentView View() const {
        return SegmentView{static_cast<int16_t>(code << 8 | 0xFF), size, identifier, data};
    }
};

// A segment with a length field in front of `payload`; the length field counts itself.
OwnedSegment Segment(uint8_t code, const Bytes& payload, std::string identifier = {}) {
    const auto size = static_cast<int32_t>(payload.size() + 2);
    Bytes data{static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size & 0xFF)};
    data.insert(data.end(), payload.begin(), payload.end());
    return OwnedSegment{code, size, std::move(identifier), std::move(data)};
}

// The same segment with only its first `count` data bytes present; the length field still
// claims the whole segment.
OwnedSegment Truncated(const OwnedSegment& segment, size_t count) {
    OwnedSegment shorter = segment;
    shorter.data = Bytes(segment.data.begin(), segment.data.begin() + static_cast<std::ptrdiff_t>(count));
    shorter.data.shrink_to_fit();
    return shorter;
}

std::string Describe(const OwnedSegment& segment, int indent = 0, int perRow = 16) {
    return DescribeSegment(segment.View(), indent, perRow);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t end = text.find("\r\n");
    while (end != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
        end = text.find("\r\n", start);
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\r\n" : "") + lines[i];
    return text;
}

Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Concat(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// ---------------------------------------------------------------------------------------
// Fixtures shared by several tests

// Baseline 4:2:0 colour frame, 480 lines of 640 samples.
OwnedSegment BaselineFrame420() {
    return Segment(kBaseline, {8, 0x01, 0xE0, 0x02, 0x80, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
}

OwnedSegment CmykFrame() {
    return Segment(0xC2, {8, 0xC3, 0x50, 0xFF, 0xFF, 4, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0});
}

OwnedSegment ColourScan() {
    return Segment(kStartOfScan, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
}

// Table values in the order the segment stores them (zigzag order).
Bytes QuantisationTable(uint8_t precisionAndId, uint8_t (*valueAtZigzagIndex)(int)) {
    Bytes table{precisionAndId};
    for (int i = 0; i < 64; ++i)
        table.push_back(valueAtZigzagIndex(i));
    return table;
}

OwnedSegment TwoQuantisationTables() {
    return Segment(kQuantisation,
                   Concat(QuantisationTable(0x00, [](int i) { return static_cast<uint8_t>(i); }),
                          QuantisationTable(0x01, [](int i) { return static_cast<uint8_t>(255 - i); })));
}

// A Huffman table: class/destination byte, the sixteen counts, then the symbols.
Bytes HuffmanTable(uint8_t classAndId, const std::vector<uint8_t>& counts, uint8_t firstSymbol = 0) {
    Bytes table{classAndId};
    table.insert(table.end(), counts.begin(), counts.end());
    int total = 0;
    for (uint8_t count : counts)
        total += count;
    for (int i = 0; i < total; ++i)
        table.push_back(static_cast<uint8_t>(firstSymbol + i));
    return table;
}

// The luminance DC table of the JPEG standard's annex K: twelve symbols 00..0B.
Bytes LuminanceDcTable() {
    return HuffmanTable(0x00, {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
}

OwnedSegment DcAndAcTables() {
    return Segment(kHuffman,
                   Concat(LuminanceDcTable(),
                          HuffmanTable(0x11, {0, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x20)));
}

OwnedSegment JfifHeader(uint8_t units, uint16_t xDensity, uint16_t yDensity, uint8_t thumbWidth = 0,
                        uint8_t thumbHeight = 0, std::string identifier = "JFIF") {
    return Segment(kApp0,
                   Concat(Ascii(std::string_view("JFIF\0", 5)),
                          {1, 2, units, static_cast<uint8_t>(xDensity >> 8), static_cast<uint8_t>(xDensity),
                           static_cast<uint8_t>(yDensity >> 8), static_cast<uint8_t>(yDensity), thumbWidth,
                           thumbHeight}),
                   std::move(identifier));
}

OwnedSegment ExifApp1() {
    Bytes payload = Ascii(std::string_view("Exif\0\0MM\0*", 10));
    for (int i = 0; i < 30; ++i)
        payload.push_back(static_cast<uint8_t>(0xA0 + i));
    return Segment(kApp1, payload, "Exif");
}

// Two upper-case hexadecimal digits and a space per byte, for at most 24 bytes, then "..."
// when there were more.
std::string HexDump(const Bytes& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < 24; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", bytes[i]);
        text += pair;
    }
    if (bytes.size() > 24) text += "...";
    return text;
}

// ---------------------------------------------------------------------------------------
// Frame header

TEST(FrameHeaderText, BaselineColourFrameGivesEveryLine) {
    EXPECT_EQ(Describe(BaselineFrame420(), 2), "  Type: Baseline DCT, Huffman coding\r\n"
                                               "  Precision: 8\r\n"
                                               "  VerticalLines: 480\r\n"
                                               "  HorizontalLines: 640\r\n"
                                               "  Mode: YCbCr 4:2:0\r\n"
                                               "  Components: 3\r\n"
                                               "      - #1 (Y): 0x22 using DQT Table #0\r\n"
                                               "      - #2 (Cb): 0x11 using DQT Table #1\r\n"
                                               "      - #3 (Cr): 0x11 using DQT Table #1");
}

TEST(FrameHeaderText, FourComponentsAreNamedCmykAndLineCountsAreUnsigned) {
    EXPECT_EQ(Describe(CmykFrame()), "Type: Progressive DCT, Huffman coding\r\n"
                                     "Precision: 8\r\n"
                                     "VerticalLines: 50000\r\n"
                                     "HorizontalLines: 65535\r\n"
                                     "Mode: YCbCr 4:4:4\r\n"
                                     "Components: 4\r\n"
                                     "    - #1 (C): 0x11 using DQT Table #0\r\n"
                                     "    - #2 (M): 0x11 using DQT Table #0\r\n"
                                     "    - #3 (Y): 0x11 using DQT Table #0\r\n"
                                     "    - #4 (K): 0x11 using DQT Table #0");
}

TEST(FrameHeaderText, FifthComponentIsUnidentifiedAndSamplingHasNoLeadingZero) {
    const auto frame =
        Segment(kBaseline, {8, 0, 16, 0, 16, 5, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0, 4, 0x11, 0, 9, 0x01, 2});
    const auto lines = SplitLines(Describe(frame));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[9], "    - #4 (K): 0x11 using DQT Table #0");
    EXPECT_EQ(lines[10], "    - #9 (Unidentified): 0x1 using DQT Table #2");
}

TEST(FrameHeaderText, ProcessNameFollowsTheMarker) {
    const struct {
        uint8_t code;
        const char* typeLine;
    } cases[] = {
        {0xC0, "Type: Baseline DCT, Huffman coding"},
        {0xC3, "Type: LossLess DPCM Spatial, Huffman coding"},
        {0xC5, "Type: Differential Extended Sequential DCT, Huffman coding"},
        {0xC8, "Type: "},
        {0xC9, "Type: Extended Sequential DCT, Arithmetic coding"},
        {0xCB, "Type: LossLess DPCM Spatial, Arithmetic coding"},
        {0xCD, "Type: Differential Extended Sequential DCT, Arithmetic coding"},
        {0xCF, "Type: Differential LossLess DPCM Spatial, Arithmetic coding"},
    };
    for (const auto& c : cases) {
        auto frame = BaselineFrame420();
        frame.code = c.code;
        EXPECT_EQ(SplitLines(Describe(frame))[0], c.typeLine) << std::hex << int(c.code);
    }
}

TEST(FrameHeaderText, ModeNamesTheFirstComponentsSubsampling) {
    const struct {
        uint8_t sampling;
        const char* modeLine;
    } cases[] = {
        {0x11, "Mode: YCbCr 4:4:4"}, {0x21, "Mode: YCbCr 4:2:2"}, {0x12, "Mode: YCbCr 4:4:0"},
        {0x22, "Mode: YCbCr 4:2:0"}, {0x41, "Mode: YCbCr ?"},
    };
    for (const auto& c : cases) {
        const auto frame = Segment(kBaseline, {8, 0, 8, 0, 8, 1, 1, c.sampling, 0});
        const auto lines = SplitLines(Describe(frame));
        ASSERT_EQ(lines.size(), 7u);
        EXPECT_EQ(lines[4], c.modeLine);
    }
}

// ---------------------------------------------------------------------------------------
// Scan header

TEST(ScanHeaderText, ColourScanListsTablesAndSelection) {
    EXPECT_EQ(Describe(ColourScan(), 1), " Components: 3\r\n"
                                         "     - #1: using DC Table #0, AC Table #0\r\n"
                                         "     - #2: using DC Table #1, AC Table #1\r\n"
                                         "     - #3: using DC Table #1, AC Table #1\r\n"
                                         " Spectral Selection: 0-63\r\n"
                                         " Successive Approximation: 0x00");
}

TEST(ScanHeaderText, TableDigitsAndApproximationAreHexadecimal) {
    const auto scan = Segment(kStartOfScan, {1, 2, 0x3A, 1, 5, 0x21});
    EXPECT_EQ(Describe(scan), "Components: 1\r\n"
                              "    - #2: using DC Table #3, AC Table #A\r\n"
                              "Spectral Selection: 1-5\r\n"
                              "Successive Approximation: 0x21");
}

TEST(ScanHeaderText, ScanWithoutComponentsEndsAfterTheCount) {
    EXPECT_EQ(Describe(Segment(kStartOfScan, {0, 0, 63, 0})), "Components: 0");
}

// ---------------------------------------------------------------------------------------
// Quantisation tables

// Zigzag index of every natural position, found by walking the anti-diagonals of the 8 x 8
// block the way the JPEG standard draws it: odd diagonals downwards, even ones upwards.
std::vector<int> ZigzagIndexByNaturalPosition() {
    std::vector<int> index(64);
    int next = 0;
    for (int diagonal = 0; diagonal < 15; ++diagonal) {
        const int firstRow = diagonal < 8 ? 0 : diagonal - 7;
        const int lastRow = diagonal < 8 ? diagonal : 7;
        for (int step = 0; step <= lastRow - firstRow; ++step) {
            const int row = diagonal % 2 == 1 ? firstRow + step : lastRow - step;
            index[row * 8 + (diagonal - row)] = next++;
        }
    }
    return index;
}

std::vector<std::string> ExpectedMatrix(const std::string& margin, int (*valueAtZigzagIndex)(int)) {
    const auto zigzag = ZigzagIndexByNaturalPosition();
    std::vector<std::string> rows;
    for (int row = 0; row < 8; ++row) {
        std::string line = margin;
        for (int column = 0; column < 8; ++column) {
            char cell[8];
            std::snprintf(cell, sizeof cell, "%4d", valueAtZigzagIndex(zigzag[row * 8 + column]));
            line += cell;
        }
        rows.push_back(line);
    }
    return rows;
}

TEST(QuantisationTableText, ZigzagValuesAreShownInNaturalOrder) {
    const auto lines = SplitLines(Describe(TwoQuantisationTables()));
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[1], "   0   1   5   6  14  15  27  28");
    EXPECT_EQ(lines[2], "   2   4   7  13  16  26  29  42");
    EXPECT_EQ(lines[8], "  35  36  48  49  57  58  62  63");
}

TEST(QuantisationTableText, TwoTablesOfSize132AreSeparatedByTenDashes) {
    std::vector<std::string> expected{"  Table #0:"};
    for (const auto& row : ExpectedMatrix("  ", [](int i) { return i; }))
        expected.push_back(row);
    expected.push_back("  ----------");
    expected.push_back("  Table #1:");
    for (const auto& row : ExpectedMatrix("  ", [](int i) { return 255 - i; }))
        expected.push_back(row);

    const auto segment = TwoQuantisationTables();
    ASSERT_EQ(segment.size, 132);
    EXPECT_EQ(Describe(segment, 2), JoinLines(expected));
}

// A table that does not wholly fit in the segment is left out instead of being read past the
// end: a 16-bit table (129 bytes) shows as one 8-bit table, and so does a segment with a
// second table cut short.
TEST(QuantisationTableText, OnlyWholeTablesAreShown) {
    const struct {
        const char* name;
        Bytes payload;
        const char* firstLine;
    } cases[] = {
        {"sixteen-bit table", Concat({0x10}, Bytes(128, 7)), "Table #16:"},
        {"second table cut short",
         Concat(QuantisationTable(0x00, [](int) -> uint8_t { return 1; }), Bytes(33, 2)), "Table #0:"},
    };
    for (const auto& c : cases) {
        const auto lines = SplitLines(Describe(Segment(kQuantisation, c.payload)));
        EXPECT_EQ(lines.size(), 9u) << c.name;
        EXPECT_EQ(lines[0], c.firstLine) << c.name;
    }
}

TEST(QuantisationTableText, SegmentTooShortForATableGivesNoText) {
    EXPECT_EQ(Describe(Segment(kQuantisation, Bytes(64, 1))), "");
    EXPECT_EQ(Describe(Segment(kQuantisation, {})), "");
}

// ---------------------------------------------------------------------------------------
// Huffman tables

TEST(HuffmanTableText, LuminanceDcTableShowsEveryCodeLength) {
    EXPECT_EQ(Describe(Segment(kHuffman, LuminanceDcTable())), "DC Table #0\r\n"
                                                               "    1 bit (×0):\r\n"
                                                               "   2 bits (×1): 00\r\n"
                                                               "   3 bits (×5): 01 02 03 04 05\r\n"
                                                               "   4 bits (×1): 06\r\n"
                                                               "   5 bits (×1): 07\r\n"
                                                               "   6 bits (×1): 08\r\n"
                                                               "   7 bits (×1): 09\r\n"
                                                               "   8 bits (×1): 0A\r\n"
                                                               "   9 bits (×1): 0B\r\n"
                                                               "  10 bits (×0):\r\n"
                                                               "  11 bits (×0):\r\n"
                                                               "  12 bits (×0):\r\n"
                                                               "  13 bits (×0):\r\n"
                                                               "  14 bits (×0):\r\n"
                                                               "  15 bits (×0):\r\n"
                                                               "  16 bits (×0):");
}

// The label is right-aligned in 15 characters; the multiplication sign is one character
// although it takes two bytes.
TEST(HuffmanTableText, LabelSaysBitForLengthOneAndBitsOtherwise) {
    const auto lines = SplitLines(
        Describe(Segment(kHuffman, HuffmanTable(0x01, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})), 3));
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "   DC Table #1");
    // The multiplication sign in the label is U+00D7 written as UTF-8.
    EXPECT_EQ(lines[1], "       1 bit (\xC3\x97"
                        "1): 00");
    EXPECT_EQ(lines[2], "      2 bits (×1): 01");
    EXPECT_EQ(lines[16], "     16 bits (×0):");
}

TEST(HuffmanTableText, TablesFollowEachOtherWithSeparator) {
    const auto lines = SplitLines(Describe(DcAndAcTables(), 1));
    ASSERT_EQ(lines.size(), 35u);
    EXPECT_EQ(lines[16], "   16 bits (×0):");
    EXPECT_EQ(lines[17], " ----------");
    EXPECT_EQ(lines[18], " AC Table #1");
    EXPECT_EQ(lines[20], "    2 bits (×2): 20 21");
    EXPECT_EQ(lines[21], "    3 bits (×1): 22");
}

TEST(HuffmanTableText, ManySymbolsWrapAtPerRowWithContinuationIndent) {
    std::vector<uint8_t> counts(16, 0);
    counts[15] = 162;
    const auto lines = SplitLines(Describe(Segment(kHuffman, HuffmanTable(0x10, counts)), 2, 16));
    ASSERT_EQ(lines.size(), 1u + 15u + 11u);

    const std::string continuation(2 + 15, ' ');
    int symbol = 0;
    for (size_t i = 16; i < lines.size(); ++i) {
        std::string expected = i == 16 ? "  16 bits (×162):" : continuation;
        for (int k = 0; k < 16 && symbol < 162; ++k, ++symbol) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", symbol);
            expected += hex;
        }
        EXPECT_EQ(lines[i], expected) << "line " << i;
    }
    EXPECT_EQ(symbol, 162);
    EXPECT_EQ(lines.back(), continuation + " A0 A1");
}

// Fewer than one symbol per row cannot be laid out; such requests get one symbol per row.
TEST(HuffmanTableText, PerRowBelowOneMeansOneSymbolPerRow) {
    const auto table = Segment(kHuffman, LuminanceDcTable());
    const std::string onePerRow = Describe(table, 0, 1);
    const std::string continuation(15, ' ');
    EXPECT_NE(onePerRow.find("   3 bits (×5): 01\r\n" + continuation + " 02\r\n" + continuation + " 03\r\n"),
              std::string::npos);
    for (int perRow : {0, -1, -32768})
        EXPECT_EQ(Describe(table, 0, perRow), onePerRow) << perRow;
}

// ---------------------------------------------------------------------------------------
// JFIF header

TEST(JfifHeaderText, ResolutionCarriesTheUnitOfTheDensity) {
    const struct {
        uint8_t units;
        uint16_t density;
        const char* xLine;
    } cases[] = {
        {0, 1, "XResolution: 1"},
        {1, 72, "XResolution: 72 dots/inch"},
        {2, 118, "XResolution: 118 dots/cm"},
        {3, 300, "XResolution: 300"},
        {1, 0xFFFF, "XResolution: 65535 dots/inch"},
    };
    for (const auto& c : cases) {
        const auto lines = SplitLines(Describe(JfifHeader(c.units, c.density, 72)));
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[1], c.xLine);
    }
}

TEST(JfifHeaderText, DotsPerInchHeaderGivesVersionAndBothResolutions) {
    EXPECT_EQ(Describe(JfifHeader(1, 72, 72), 2), "  Version: 1.2\r\n"
                                                  "  XResolution: 72 dots/inch\r\n"
                                                  "  YResolution: 72 dots/inch");
}

TEST(JfifHeaderText, ThumbnailLineOnlyWhenItHasASize) {
    EXPECT_EQ(SplitLines(Describe(JfifHeader(0, 1, 1, 16, 9))).back(), "Thumbnail: 16 × 9");
    EXPECT_EQ(SplitLines(Describe(JfifHeader(0, 1, 1, 0, 5))).back(), "Thumbnail: 0 × 5");
    EXPECT_EQ(SplitLines(Describe(JfifHeader(0, 1, 1, 0, 0))).back(), "YResolution: 1");
}

TEST(JfifHeaderText, IdentifierIsComparedInUpperCase) {
    EXPECT_EQ(Describe(JfifHeader(1, 72, 72, 0, 0, "jFif")), Describe(JfifHeader(1, 72, 72)));
}

// Other APP0 segments, and JFIF headers too short to hold the fields, are shown as bytes.
TEST(JfifHeaderText, OtherApp0SegmentsAreDumped) {
    const auto jfxx = JfifHeader(1, 72, 72, 0, 0, "JFXX");
    EXPECT_EQ(Describe(jfxx), HexDump(jfxx.data));

    auto shortHeader =
        Segment(kApp0, Concat(Ascii(std::string_view("JFIF\0", 5)), {1, 1, 0, 0, 1, 0, 1, 0}), "JFIF");
    ASSERT_EQ(shortHeader.size, 15);
    EXPECT_EQ(Describe(shortHeader), HexDump(shortHeader.data));
}

// ---------------------------------------------------------------------------------------
// Comment

TEST(CommentText, IndentSplitsLinesAndDropsCarriageReturns) {
    const struct {
        const char* name;
        std::string comment;
        int indent;
        std::string expected;
    } cases[] = {
        {"no indent keeps the text as it is", "Line one\r\nLine two\n", 0, "Line one\r\nLine two\n"},
        {"indent prefixes every line", "Line one\r\nLine two", 2, "  Line one\r\n  Line two"},
        {"bare line feed", "a\nb", 1, " a\r\n b"},
        {"carriage return inside a line", "a\rb\nc", 1, " ab\r\n c"},
        {"final line feed leaves an empty last line", "a\n", 3, "   a\r\n   "},
        {"single character", "x", 1, " x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(Segment(kComment, Ascii(c.comment)), c.indent), c.expected) << c.name;
}

TEST(CommentText, BytesAreReadAsWindows1252) {
    EXPECT_EQ(Describe(Segment(kComment, {'c', 'a', 'f', 0xE9, ' ', 0x80})), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(CommentText, EmptyCommentGivesNoText) {
    EXPECT_EQ(Describe(Segment(kComment, {}), 4), "");
}

// ---------------------------------------------------------------------------------------
// Other segments

TEST(OtherSegmentText, LongSegmentShowsFirst24DataBytesThenEllipsis) {
    const auto app1 = ExifApp1();
    const std::string text = Describe(app1, 2);
    EXPECT_EQ(text, "  " + HexDump(app1.data));
    EXPECT_EQ(text.substr(0, 2 + 3 * 4), "  00 2A 45 78 ");
    EXPECT_EQ(text.substr(text.size() - 6), "AB ...");
}

TEST(OtherSegmentText, ShortAndEmptySegmentsHaveNoEllipsis) {
    const auto exact = Segment(kApp1, Bytes(22, 0x4D));
    EXPECT_EQ(Describe(exact), HexDump(exact.data));
    EXPECT_EQ(Describe(exact).find("..."), std::string::npos);

    const OwnedSegment endOfImage{kEndOfImage, 0, {}, {}};
    EXPECT_EQ(Describe(endOfImage, 3), "   ");
}

// DAC (FF CC) lies among the frame markers but is not one.
TEST(OtherSegmentText, ArithmeticConditioningIsNotAFrame) {
    const auto dac = Segment(0xCC, {0x00, 0x10});
    EXPECT_EQ(Describe(dac), "00 04 00 10 ");
}

// ---------------------------------------------------------------------------------------
// Damaged segments

struct NamedSegment {
    const char* name;
    OwnedSegment segment;
};

std::vector<NamedSegment> EverySegmentKind() {
    return {
        {"baseline frame", BaselineFrame420()},
        {"cmyk frame", CmykFrame()},
        {"scan", ColourScan()},
        {"quantisation tables", TwoQuantisationTables()},
        {"huffman tables", DcAndAcTables()},
        {"jfif", JfifHeader(1, 72, 72, 2, 3)},
        {"comment", Segment(kComment, Ascii("first\r\nsecond"))},
        {"app1", ExifApp1()},
    };
}

// A segment cut short anywhere gives a beginning of its full text, which grows as more bytes
// are present, and never reads past the bytes it has (the sanitizer build reports any such
// read, since the cut data is an allocation of exactly its size).
TEST(DamagedSegmentText, TruncatedDataGivesABeginningOfTheFullText) {
    for (const auto& [name, segment] : EverySegmentKind()) {
        for (int indent : {0, 2}) {
            const std::string full = Describe(segment, indent, 4);
            ASSERT_FALSE(full.empty()) << name;
            size_t previousLength = 0;
            for (size_t count = 0; count <= segment.data.size(); ++count) {
                const std::string text = Describe(Truncated(segment, count), indent, 4);
                EXPECT_EQ(full.compare(0, text.size(), text), 0)
                    << name << " cut to " << count << ": " << text;
                EXPECT_GE(text.size(), previousLength) << name << " cut to " << count;
                previousLength = text.size();
            }
            EXPECT_EQ(previousLength, full.size()) << name;
        }
    }
}

TEST(DamagedSegmentText, HuffmanTableCutInsideItsSymbolsStopsAtTheLastSymbolPresent) {
    const auto table = Segment(kHuffman, LuminanceDcTable());
    const auto lines = SplitLines(Describe(Truncated(table, 2 + 17 + 3)));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "   3 bits (×5): 01 02");
}

TEST(DamagedSegmentText, FrameCutInsideAComponentOmitsThatComponent) {
    const auto lines = SplitLines(Describe(Truncated(BaselineFrame420(), 2 + 6 + 3 + 3 + 2)));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines.back(), "    - #2 (Cb): 0x11 using DQT Table #1");
}

// Bytes past the length field belong to whatever follows the segment and are not shown.
TEST(DamagedSegmentText, BytesBeyondTheLengthFieldAreIgnored) {
    for (const auto& [name, segment] : EverySegmentKind()) {
        OwnedSegment padded = segment;
        padded.data.insert(padded.data.end(), {0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0xEE});
        EXPECT_EQ(Describe(padded), Describe(segment)) << name;
    }
}

TEST(DamagedSegmentText, NegativeIndentIsNoIndent) {
    for (const auto& [name, segment] : EverySegmentKind())
        EXPECT_EQ(Describe(segment, -5), Describe(segment, 0)) << name;
}

} // namespace
} // namespace pellvane
