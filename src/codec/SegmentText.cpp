// Readable descriptions of single JPEG segments.
//
// Every layout is built as a list of lines that are joined with "\r\n" at the end. Each
// field is fetched through cByteReader, so a segment whose data is shorter than its header
// fields claim simply ends the list early: the text stops before the first line (or, in
// Huffman tables, the first symbol) that would need a byte the segment does not have.

#include "codec/SegmentText.h"

#include "base/ByteReader.h"
#include "codec/ExifValue.h"
#include "codec/TextCodec.h"
#include "codec/ValueText.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace pellvane {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kTableSeparator = "----------";
// U+00D7 MULTIPLICATION SIGN, spelt as its UTF-8 bytes so that the text does not depend on
// the character set the compiler assumes for this source file.
constexpr std::string_view kTimesSign = "\xC3\x97";

// Marker numbers as the codec holds them: the two marker bytes read little-endian, so the
// constant 0xFF sits in the low byte and the marker code in the high byte.
constexpr uint16_t kMarkerPrefix = 0x00FF;
constexpr uint8_t kCodeApp0 = 0xE0;
constexpr uint8_t kCodeComment = 0xFE;
constexpr uint8_t kCodeHuffmanTables = 0xC4;
constexpr uint8_t kCodeQuantisationTables = 0xDB;
constexpr uint8_t kCodeStartOfScan = 0xDA;
constexpr uint8_t kCodeArithmeticConditioning = 0xCC;
constexpr uint8_t kCodeFirstFrame = 0xC0;
constexpr uint8_t kCodeLastFrame = 0xCF;

// The codec passes its indent as a 16-bit number; larger requests are held to that range so
// that a careless caller cannot ask for gigabytes of spaces.
constexpr int kLargestIndent = 32767;

// Components inside frame and scan lines are indented this much further than the rest.
constexpr int kComponentIndent = 4;
// Huffman labels such as "16 bits (x162):" are right-aligned in this many characters, and
// continuation lines of symbols start this much further in.
constexpr size_t kHuffmanLabelWidth = 15;

// Natural (row-major) position of a quantisation value to its index in the zigzag order in
// which the segment stores the 64 values.
constexpr std::array<uint8_t, 64> kZigzagIndexOfNaturalPosition = {
    0,  1,  5,  6,  14, 15, 27, 28, //
    2,  4,  7,  13, 16, 26, 29, 42, //
    3,  8,  12, 17, 25, 30, 41, 43, //
    9,  11, 18, 24, 31, 40, 44, 53, //
    10, 19, 23, 32, 39, 45, 52, 54, //
    20, 22, 33, 38, 46, 51, 55, 60, //
    21, 34, 37, 47, 50, 56, 59, 61, //
    35, 36, 48, 49, 57, 58, 62, 63, //
};
constexpr int64_t kQuantisationTableBytes = 65; // the Pq/Tq byte and 64 eight-bit values
constexpr int kQuantisationRowLength = 8;
constexpr size_t kQuantisationValueWidth = 4;

// Process names of the SOFn markers, indexed by (code - 0xC0). Codes 0xC4 and 0xCC are not
// frame markers, and 0xC8 is reserved for extensions, so those entries stay empty.
constexpr std::array<std::string_view, 16> kProcessNames = {
    "Baseline DCT, Huffman coding",
    "Extended Sequential DCT, Huffman coding",
    "Progressive DCT, Huffman coding",
    "LossLess DPCM Spatial, Huffman coding",
    "",
    "Differential Extended Sequential DCT, Huffman coding",
    "Differential Progressive DCT, Huffman coding",
    "Differential LossLess DPCM Spatial, Huffman coding",
    "",
    "Extended Sequential DCT, Arithmetic coding",
    "Progressive DCT, Arithmetic coding",
    "LossLess DPCM Spatial, Arithmetic coding",
    "",
    "Differential Extended Sequential DCT, Arithmetic coding",
    "Differential Progressive DCT, Arithmetic coding",
    "Differential LossLess DPCM Spatial, Arithmetic coding",
};

// What every layout needs: the segment's bytes behind a bounds-checked reader, the margin
// put before each line, and the number of Huffman symbols allowed on one line.
struct Layout {
    cByteReader data;
    int indent = 0;
    int symbolsPerRow = 1;

    std::string Margin(int extra = 0) const { return std::string(static_cast<size_t>(indent + extra), ' '); }
};

using Lines = std::vector<std::string>;

std::string JoinLines(const Lines& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += kLineBreak;
        text += lines[i];
    }
    return text;
}

char HexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

std::string TwoHexDigits(uint8_t value) {
    return {HexDigit(value >> 4), HexDigit(value)};
}

// Upper-case hexadecimal without a leading zero ("0x1" rather than "0x01").
std::string ShortHex(uint8_t value) {
    if (value < 0x10) return {HexDigit(value)};
    return TwoHexDigits(value);
}

// Number of characters (not bytes) in UTF-8 text: every byte except continuation bytes
// starts a character.
size_t CharacterCount(std::string_view text) {
    return static_cast<size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<uint8_t>(c) & 0xC0) != 0x80; }));
}

std::string RightAligned(std::string_view text, size_t width) {
    const size_t length = CharacterCount(text);
    std::string padded(length < width ? width - length : 0, ' ');
    padded += text;
    return padded;
}

std::string Decimal(int64_t value) {
    return std::to_string(value);
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

// ---------------------------------------------------------------------------------------
// Frame header (SOFn)

bool IsFrameCode(uint8_t code) {
    return code >= kCodeFirstFrame && code <= kCodeLastFrame && code != kCodeHuffmanTables &&
           code != kCodeArithmeticConditioning;
}

std::string_view SubsamplingName(uint8_t samplingFactors) {
    switch (samplingFactors) {
    case 0x11:
        return "4:4:4";
    case 0x21:
        return "4:2:2";
    case 0x12:
        return "4:4:0";
    case 0x22:
        return "4:2:0";
    default:
        return "?";
    }
}

// Four or more components are taken for a CMYK picture, fewer for YCbCr; components past the
// fourth have no conventional name.
std::string_view ComponentName(int index, int componentCount) {
    static constexpr std::array<std::string_view, 4> kCmykNames = {"C", "M", "Y", "K"};
    static constexpr std::array<std::string_view, 3> kYCbCrNames = {"Y", "Cb", "Cr"};
    const auto position = static_cast<size_t>(index);
    if (componentCount >= 4) return position < kCmykNames.size() ? kCmykNames[position] : "Unidentified";
    return position < kYCbCrNames.size() ? kYCbCrNames[position] : "Unidentified";
}

Lines DescribeFrame(const Layout& layout, uint8_t code) {
    Lines lines;
    const std::string margin = layout.Margin();
    const cByteReader& data = layout.data;
    lines.push_back(margin + "Type: " + std::string(kProcessNames[code - kCodeFirstFrame]));

    const auto precision = data.U8(2);
    if (!precision) return lines;
    lines.push_back(margin + "Precision: " + Decimal(*precision));

    const auto verticalLines = data.U16(3, true);
    if (!verticalLines) return lines;
    lines.push_back(margin + "VerticalLines: " + Decimal(*verticalLines));

    const auto horizontalLines = data.U16(5, true);
    if (!horizontalLines) return lines;
    lines.push_back(margin + "HorizontalLines: " + Decimal(*horizontalLines));

    // The mode is named after the first component's sampling factors, which come after the
    // component count in the data; a frame that stops before them ends the text here.
    const auto firstSampling = data.U8(9);
    if (!firstSampling) return lines;
    lines.push_back(margin + "Mode: YCbCr " + std::string(SubsamplingName(*firstSampling)));

    const auto componentCount = data.U8(7);
    if (!componentCount) return lines;
    lines.push_back(margin + "Components: " + Decimal(*componentCount));

    const std::string componentMargin = layout.Margin(kComponentIndent);
    for (int i = 0; i < *componentCount; ++i) {
        const int64_t at = 8 + 3 * static_cast<int64_t>(i);
        const auto id = data.U8(at);
        const auto sampling = data.U8(at + 1);
        const auto quantisationTable = data.U8(at + 2);
        if (!id || !sampling || !quantisationTable) break;
        lines.push_back(componentMargin + "- #" + Decimal(*id) + " (" +
                        std::string(ComponentName(i, *componentCount)) + "): 0x" + ShortHex(*sampling) +
                        " using DQT Table #" + Decimal(*quantisationTable));
    }
    return lines;
}

// ---------------------------------------------------------------------------------------
// Scan header (SOS)

Lines DescribeScan(const Layout& layout) {
    Lines lines;
    const std::string margin = layout.Margin();
    const cByteReader& data = layout.data;

    const auto componentCount = data.U8(2);
    if (!componentCount) return lines;
    lines.push_back(margin + "Components: " + Decimal(*componentCount));
    if (*componentCount == 0) return lines;

    const std::string componentMargin = layout.Margin(kComponentIndent);
    for (int j = 0; j < *componentCount; ++j) {
        const int64_t at = 3 + 2 * static_cast<int64_t>(j);
        const auto selector = data.U8(at);
        const auto tables = data.U8(at + 1);
        if (!selector || !tables) return lines;
        lines.push_back(componentMargin + "- #" + Decimal(*selector) + ": using DC Table #" +
                        HexDigit(*tables >> 4) + ", AC Table #" + HexDigit(*tables));
    }

    const int64_t afterComponents = 3 + 2 * static_cast<int64_t>(*componentCount);
    const auto spectralStart = data.U8(afterComponents);
    const auto spectralEnd = data.U8(afterComponents + 1);
    if (!spectralStart || !spectralEnd) return lines;
    lines.push_back(margin + "Spectral Selection: " + Decimal(*spectralStart) + "-" + Decimal(*spectralEnd));

    const auto approximation = data.U8(afterComponents + 2);
    if (!approximation) return lines;
    lines.push_back(margin + "Successive Approximation: 0x" + TwoHexDigits(*approximation));
    return lines;
}

// ---------------------------------------------------------------------------------------
// Quantisation tables (DQT)

// The length field is read as if every table held 8-bit values. Only whole tables are
// counted: rounding the quotient to the nearest integer would count a table whose last
// values lie past the segment (for instance one 16-bit table of 129 bytes), and those bytes
// are not there to show.
int64_t WholeQuantisationTables(int32_t size) {
    const int64_t tableBytes = static_cast<int64_t>(size) - 2;
    return tableBytes > 0 ? tableBytes / kQuantisationTableBytes : 0;
}

void AppendQuantisationTable(const Layout& layout, std::span<const uint8_t> table, Lines& lines) {
    const std::string margin = layout.Margin();
    lines.push_back(margin + "Table #" + Decimal(table[0]) + ":");
    const auto values = table.subspan(1);
    for (int row = 0; row < kQuantisationRowLength; ++row) {
        std::string line = margin;
        for (int column = 0; column < kQuantisationRowLength; ++column) {
            const auto naturalPosition = static_cast<size_t>(row * kQuantisationRowLength + column);
            line += RightAligned(Decimal(values[kZigzagIndexOfNaturalPosition[naturalPosition]]),
                                 kQuantisationValueWidth);
        }
        lines.push_back(std::move(line));
    }
}

Lines DescribeQuantisationTables(const Layout& layout, int32_t size) {
    Lines lines;
    const int64_t tableCount = WholeQuantisationTables(size);
    for (int64_t t = 0; t < tableCount; ++t) {
        const auto table = layout.data.Slice(2 + kQuantisationTableBytes * t, kQuantisationTableBytes);
        if (table.empty()) break;
        if (t > 0) lines.push_back(layout.Margin() + std::string(kTableSeparator));
        AppendQuantisationTable(layout, table, lines);
    }
    return lines;
}

// ---------------------------------------------------------------------------------------
// Huffman tables (DHT)

std::string HuffmanLengthLabel(int codeLength, uint8_t symbolCount) {
    std::string label = Decimal(codeLength) + (codeLength == 1 ? " bit" : " bits");
    label += " (";
    label += kTimesSign;
    label += Decimal(symbolCount) + "):";
    return RightAligned(label, kHuffmanLabelWidth);
}

// Describes the table whose class/destination byte is at `start` and answers where the next
// table begins, or nothing when this one runs past the data.
std::optional<int64_t> AppendHuffmanTable(const Layout& layout, int64_t start, uint8_t classAndDestination,
                                          Lines& lines) {
    constexpr int kLongestCode = 16;
    const std::string margin = layout.Margin();
    const std::string continuationMargin = layout.Margin(static_cast<int>(kHuffmanLabelWidth));
    const bool isAcTable = (classAndDestination & 0x10) != 0;
    lines.push_back(margin + (isAcTable ? "AC" : "DC") + " Table #" + Decimal(classAndDestination & ~0x10));

    int64_t nextSymbol = start + 1 + kLongestCode;
    for (int codeLength = 1; codeLength <= kLongestCode; ++codeLength) {
        const auto symbolCount = layout.data.U8(start + codeLength);
        if (!symbolCount) return std::nullopt;
        lines.push_back(margin + HuffmanLengthLabel(codeLength, *symbolCount));
        for (int i = 0; i < *symbolCount; ++i, ++nextSymbol) {
            const auto symbol = layout.data.U8(nextSymbol);
            if (!symbol) return std::nullopt;
            if (i > 0 && i % layout.symbolsPerRow == 0) lines.push_back(continuationMargin);
            lines.back() += ' ' + TwoHexDigits(*symbol);
        }
    }
    return nextSymbol;
}

Lines DescribeHuffmanTables(const Layout& layout) {
    Lines lines;
    std::optional<int64_t> start = 2;
    while (start) {
        const auto classAndDestination = layout.data.U8(*start);
        if (!classAndDestination) break;
        if (!lines.empty()) lines.push_back(layout.Margin() + std::string(kTableSeparator));
        start = AppendHuffmanTable(layout, *start, *classAndDestination, lines);
    }
    return lines;
}

// ---------------------------------------------------------------------------------------
// JFIF header (APP0)

constexpr int32_t kSmallestJfifSize = 16;

bool IsJfifHeader(const SegmentView& segment) {
    return UpperAscii(segment.identifier) == "JFIF" && segment.size >= kSmallestJfifSize;
}

std::string_view DensityUnitText(uint8_t unit) {
    switch (unit) {
    case 1:
        return " dots/inch";
    case 2:
        return " dots/cm";
    default:
        return "";
    }
}

Lines DescribeJfifHeader(const Layout& layout) {
    Lines lines;
    const std::string margin = layout.Margin();
    const cByteReader& data = layout.data;

    const auto major = data.U8(7);
    const auto minor = data.U8(8);
    if (!major || !minor) return lines;
    lines.push_back(margin + "Version: " + Decimal(*major) + "." + Decimal(*minor));

    const auto unit = data.U8(9);
    const auto xDensity = data.U16(10, true);
    if (!unit || !xDensity) return lines;
    const std::string unitText(DensityUnitText(*unit));
    lines.push_back(margin + "XResolution: " + Decimal(*xDensity) + unitText);

    const auto yDensity = data.U16(12, true);
    if (!yDensity) return lines;
    lines.push_back(margin + "YResolution: " + Decimal(*yDensity) + unitText);

    const auto thumbnailWidth = data.U8(14);
    const auto thumbnailHeight = data.U8(15);
    if (!thumbnailWidth || !thumbnailHeight) return lines;
    if (*thumbnailWidth != 0 || *thumbnailHeight != 0)
        lines.push_back(margin + "Thumbnail: " + Decimal(*thumbnailWidth) + " " + std::string(kTimesSign) +
                        " " + Decimal(*thumbnailHeight));
    return lines;
}

// ---------------------------------------------------------------------------------------
// Comment (COM)

// With no indent the comment is given exactly as converted, line breaks and all. With an
// indent it is split at line feeds, carriage returns are dropped, and every line gets the
// margin, so that it sits inside an indented report.
std::string DescribeComment(const Layout& layout, int32_t size) {
    constexpr int32_t kSmallestCommentSize = 3;
    if (size < kSmallestCommentSize) return {};
    const auto bytes = layout.data.Slice(2, std::max<int64_t>(layout.data.Size() - 2, 0));
    const std::string text = AnsiToText(bytes);
    if (layout.indent <= 0) return text;

    Lines lines;
    const std::string margin = layout.Margin();
    std::string current = margin;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(std::move(current));
            current = margin;
        } else if (c != '\r') {
            current += c;
        }
    }
    lines.push_back(std::move(current));
    return JoinLines(lines);
}

// ---------------------------------------------------------------------------------------
// Any other segment

std::string DescribeAsHexDump(const Layout& layout) {
    constexpr int32_t kBytesAsHex = 1;
    const auto bytes = layout.data.Bytes();
    return layout.Margin() + GenericValueText(ExifValue{ByteArray(bytes.begin(), bytes.end())}, kBytesAsHex);
}

// ---------------------------------------------------------------------------------------

// The bytes that belong to the segment: its data, but never more than its length field
// claims, so that a caller's longer buffer cannot make the next segment's bytes show here.
std::span<const uint8_t> SegmentBytes(const SegmentView& segment) {
    const size_t claimed = segment.size > 0 ? static_cast<size_t>(segment.size) : 0;
    return segment.data.first(std::min(segment.data.size(), claimed));
}

} // namespace

std::string DescribeSegment(const SegmentView& segment, int indent, int perRow) {
    // A row of at most zero symbols cannot be laid out; such a request gets one symbol per
    // row, the nearest layout that still shows every symbol.
    const Layout layout{cByteReader(SegmentBytes(segment)), std::clamp(indent, 0, kLargestIndent),
                        std::max(perRow, 1)};

    const auto markerNo = static_cast<uint16_t>(segment.markerNo);
    const bool isMarker = (markerNo & 0x00FF) == kMarkerPrefix;
    const auto code = static_cast<uint8_t>(markerNo >> 8);

    if (isMarker && code == kCodeApp0 && IsJfifHeader(segment)) return JoinLines(DescribeJfifHeader(layout));
    if (isMarker && code == kCodeComment) return DescribeComment(layout, segment.size);
    if (isMarker && code == kCodeHuffmanTables) return JoinLines(DescribeHuffmanTables(layout));
    if (isMarker && code == kCodeQuantisationTables)
        return JoinLines(DescribeQuantisationTables(layout, segment.size));
    if (isMarker && IsFrameCode(code)) return JoinLines(DescribeFrame(layout, code));
    if (isMarker && code == kCodeStartOfScan) return JoinLines(DescribeScan(layout));
    return DescribeAsHexDump(layout);
}

} // namespace pellvane
