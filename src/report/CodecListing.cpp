#include "report/CodecListing.h"

#include "codec/Budget.h"
#include "codec/ValueText.h"

#include <array>
#include <cstdio>
#include <sstream>

namespace pellvane::report {
namespace {

constexpr std::array<const char*, 7> kDirectoryNames = {"-",       "IFD0",      "Exif", "GPS",
                                                        "Interop", "MakerNote", "IFD1"};
constexpr std::array<const char*, 14> kFormatNames = {"?",         "BYTE",  "ASCII",     "SHORT",  "LONG",
                                                      "RATIONAL",  "SBYTE", "UNDEFINED", "SSHORT", "SLONG",
                                                      "SRATIONAL", "FLOAT", "DOUBLE",    "IFD"};

std::string Hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
    return buf;
}

// The value with at most `limit` elements: the text of a longer one is cut anyway.
ExifValue FirstElements(const ExifValue& value, size_t limit) {
    return std::visit(
        [&](const auto& elements) -> ExifValue {
            using T = std::decay_t<decltype(elements)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return elements;
            } else {
                if (elements.size() <= limit) return elements;
                return T(elements.begin(), elements.begin() + static_cast<std::ptrdiff_t>(limit));
            }
        },
        value);
}

// An entry's value text, cut to the listing's limit with the value's full length stated.
std::string ListedValueText(const cExifCodec& codec, int32_t i) {
    constexpr size_t kLimit = budget::kListingTextBytes;
    const ExifValue full = codec.IFDEntryValue(i);
    const ExifValue value = FirstElements(full, kLimit);
    std::string text = Printable(
        EntryValueText(value, codec.IFDEntryFormat(i), codec.IFDEntryTagNoID(i), codec.IFDEntryIFD(i)));
    if (text.size() <= kLimit && ValueElementCount(value) == ValueElementCount(full)) return text;
    text.resize(std::min(text.size(), kLimit));
    return text + "... (cut; " + std::to_string(codec.IFDEntryValueLength(i)) + " bytes in all)";
}

// The MP directories' entries and the images they index, indented under the MPF segment.
std::string MpfEntriesText(const cExifCodec& codec) {
    std::ostringstream out;
    char line[200];
    for (int32_t i = 0; i < codec.MPFIFDEntryCount(-1); ++i) {
        const int32_t format = codec.MPFIFDEntryFormat(i);
        std::snprintf(
            line, sizeof line, "           MP IFD %d  %-6s %-18s %-9s %7d  ", codec.MPFIFDEntryIFD(i),
            Hex(static_cast<uint32_t>(codec.MPFIFDEntryTagNo(i)), 4).c_str(),
            codec.MPFIFDEntryTagName(i).c_str(),
            format >= kFormatByte && format <= kFormatIfd ? kFormatNames[static_cast<size_t>(format)]
                                                          : std::to_string(format).c_str(),
            codec.MPFIFDEntryComponents(i));
        out << line << Printable(codec.MPFIFDEntryValueString(i)) << "\n";
    }
    for (int32_t i = 0; i < codec.MPFImageCount(); ++i) {
        const std::string path = codec.MPFImageStreamPath(i);
        std::snprintf(line, sizeof line, "           MP image %d  offset %d, size %d, %s%s\n", i,
                      codec.MPFImageOffset(i), codec.MPFImageStreamSize(i),
                      codec.MPFImageValid(i) ? "valid" : "invalid", path.empty() ? "" : ", extracted");
        out << line;
    }
    return out.str();
}

} // namespace

std::string OpenFailureReason(int32_t openResult) {
    switch (openResult) {
    case kOpenCannotOpen:
        return "the file cannot be opened";
    case kOpenNotImage:
        return "the file is neither a JPEG nor a TIFF-structured file";
    case kOpenExifError:
        return "the EXIF directories are damaged";
    case kOpenMakerNoteError:
        return "the MakerNote directory is damaged";
    case kOpenNoSegments:
        return "no JPEG segments were found";
    default:
        return "";
    }
}

bool HasModel(int32_t openResult) {
    return openResult == kOpenOk || openResult == kOpenExifError || openResult == kOpenMakerNoteError ||
           openResult == kOpenNoExif;
}

std::string Printable(const std::string& text) {
    std::string out = text;
    while (!out.empty() && out.back() == '\0')
        out.pop_back();
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '.';
    return out;
}

nlohmann::json CodecFacts(const cExifCodec& codec) {
    nlohmann::json counts = nlohmann::json::array();
    for (int32_t d = kIfdAny; d <= kIfd1; ++d)
        counts.push_back(codec.IFDEntryCount(d));
    return {
        {"fileType", codec.FileType()},
        {"markerCount", codec.MarkerCount()},
        {"comprSignature", codec.ComprSignature()},
        {"imageWidth", codec.ImageWidth()},
        {"imageHeight", codec.ImageHeight()},
        {"imageBitDepth", codec.ImageBitDepth()},
        {"streamOffset", codec.streamOffset()},
        {"streamSize", codec.streamSize()},
        {"eofChunkSize", codec.EOFChunkSize()},
        {"ifdEntryCount", counts},
        {"manufacturer", codec.Manufacturer()},
        {"manufacturerString", codec.ManufacturerString()},
        {"xmpExisted", codec.XMPExisted(false)},
        {"arotCount", codec.AROT().size()},
        {"mpfExisted", codec.MPFExisted(false)},
        {"mpfValid", codec.MPFValid()},
        {"mpfImageCount", codec.MPFImageCount()},
        {"mpfMessages", codec.MPFMessages()},
        {"makerNoteIFDType", codec.MakerNoteIFDType()},
        {"makerNoteIsOriginal", codec.MakerNoteIsOriginal()},
        {"makerNoteByteOrder", codec.MakerNoteByteOrder()},
        {"makerNoteImageCount", codec.MakerNoteImageCount()},
        {"thumbPtr", codec.ThumbPtr()},
        {"thumbSize", codec.ThumbSize()},
        {"pelvnVersion", codec.PelvnVersion()},
    };
}

std::string SegmentsText(const cExifCodec& codec) {
    std::ostringstream out;
    char line[160];
    std::snprintf(line, sizeof line, "  %5s  %-8s %10s %8s  %s\n", "#", "name", "offset", "size",
                  "identifier");
    out << line;
    for (int32_t i = 0; i < codec.MarkerCount(); ++i) {
        std::snprintf(line, sizeof line, "  %5d  %-8s %10d %8d  %s\n", i, codec.MarkerName(i).c_str(),
                      codec.MarkerPointer(i), codec.MarkerSize(i),
                      Printable(codec.MarkerIndentifier(i)).c_str());
        out << line;
        std::string description = codec.MarkerDataString(i, 11, 16);
        if (description.find_first_not_of(' ') == std::string::npos) continue;
        // The description separates lines with CR LF; a terminal wants LF alone.
        std::string cleaned;
        for (char c : description)
            if (c != '\r') cleaned += c;
        out << cleaned << "\n";
        if (i == codec.FindMarker(kMarkerAPP2, "MPF")) out << MpfEntriesText(codec);
    }
    return out.str();
}

std::string TagsText(const cExifCodec& codec) {
    std::ostringstream out;
    char line[200];
    std::snprintf(line, sizeof line, "  %-9s %-6s %-6s %-9s %7s  %s\n", "directory", "tag", "parent",
                  "format", "count", "value");
    out << line;
    for (int32_t i = 0; i < codec.IFDEntryCount(kIfdAny); ++i) {
        const int32_t dir = codec.IFDEntryIFD(i);
        const int32_t format = codec.IFDEntryFormat(i);
        std::snprintf(line, sizeof line, "  %-9s %-6s %-6s %-9s %7d  ",
                      dir >= 0 && dir <= 6 ? kDirectoryNames[static_cast<size_t>(dir)] : "?",
                      Hex(codec.IFDEntryTagNo(i), 4).c_str(), Hex(codec.IFDEntryParentTag(i), 4).c_str(),
                      format >= kFormatByte && format <= kFormatIfd
                          ? kFormatNames[static_cast<size_t>(format)]
                          : std::to_string(format).c_str(),
                      codec.IFDEntryComponents(i));
        out << line << ListedValueText(codec, i) << "\n";
    }
    return out.str();
}

} // namespace pellvane::report
