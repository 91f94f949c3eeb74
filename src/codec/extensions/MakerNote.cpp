#include "codec/extensions/MakerNote.h"
#include "codec/extensions/Manufacturer.h"

#include "codec/IExifCodec.h"
#include "codec/Makers.h"

#include <algorithm>
#include <array>
#include <string>

namespace pellvane {
namespace {

// The MakerNote as far as both its declared length and the file reach. Reads through it
// can never see bytes of the file that follow or precede the MakerNote.
cByteReader NoteBytes(const MakerNoteContext& context, int64_t offset, int64_t length) {
    const int64_t start = context.tiffBase + offset;
    if (length <= 0 || !context.file.Has(start, 0)) return {};
    return cByteReader(context.file.Slice(start, std::min(length, context.file.Size() - start)));
}

bool StartsWith(const cByteReader& note, std::string_view text) {
    const auto bytes = note.Slice(0, static_cast<int64_t>(text.size()));
    return !bytes.empty() && std::equal(bytes.begin(), bytes.end(), text.begin(),
                                        [](uint8_t b, char c) { return b == static_cast<uint8_t>(c); });
}

// --- header vendor ---

struct HeaderSignature {
    std::string_view text; // the first five bytes, upper-cased
    int32_t vendor;
};

// Compared in this order; "AOC" (Pentax) is tested on three bytes after the table.
constexpr std::array<HeaderSignature, 16> kHeaderSignatures = {{
    {"NIKON", kMakerNikon},
    {"SONY ", kMakerSony},
    {"SEMC ", kMakerSony},
    {"OLYMP", kMakerOlympus},
    {"PANAS", kMakerPanasonic},
    {"FUJIF", kMakerFujifilm},
    {"PENTA", kMakerPentax},
    {"STMN1", kMakerSamsung},
    {"LEICA", kMakerLeica},
    {"SIGMA", kMakerSigma},
    {"FOVEO", kMakerFoveon},
    {"RICOH", kMakerRicoh},
    {"EPSON", kMakerEpson},
    {"APPLE", kMakerApple},
    {"HUAWE", kMakerHuawei},
    {{"QVC\0\0", 5}, kMakerCasio},
}};

// Whether the maker named in the MakerNote's header is believable for the camera named
// by Make. Pentax and Ricoh share a format, and Samsung's GX cameras were Pentax-built.
bool HeaderAgreesWithMake(int32_t header, int32_t make, std::string_view model) {
    if (header == 0) return true;
    if (header == kMakerPentax || header == kMakerRicoh) {
        if (make == kMakerPentax || make == kMakerRicoh) return true;
        return make == kMakerSamsung && model.find("SAMSUNG GX") != std::string_view::npos;
    }
    return header == make;
}

// --- per-vendor layouts ---

// A further test a row makes on the MakerNote besides its leading bytes.
enum class Extra : uint8_t {
    None,
    TiffFile,          // the file is TIFF-structured rather than a JPEG
    OlympusInFirst12,  // the first 12 bytes contain "OLYMPUS"
    LeicaVersionIn,    // byte 6 is 0 and the 16-bit value at 10 lies in 0x300..0x340
    LeicaVersionOut,   // byte 6 is 0 and that value lies outside
    LeicaNonZeroAtSix, // byte 6 is not 0
};

// How a row sets the MakerNote's byte order.
enum class Order : uint8_t {
    Keep, // the file's byte order stays
    Little,
    Big,
    MarkOrKeep,        // "II" or "MM" at orderAt; anything else keeps the file's order
    MarkRequired,      // "II" or "MM" at orderAt, else the row does not match
    TiffMarkRequired,  // "II*\0" or "MM\0*" at orderAt, else the row does not match
    IIElseBig,         // "II" at orderAt gives little-endian, anything else big-endian
    BigIfWordAbove255, // big-endian when the little-endian 16-bit value at orderAt exceeds 255
};

constexpr int32_t kNoIfd = -1;             // recognised, but there is no directory to walk
constexpr int32_t kIfdFromPointerAt8 = -2; // the directory is at MN + the 32-bit value at MN+8
constexpr int32_t kTiffBaseRef = -1;       // offsets keep counting from the TIFF header

struct LayoutRow {
    int32_t vendor;
    std::string_view prefix; // leading bytes, compared exactly; empty: any MakerNote
    Extra extra;
    int16_t type;
    int32_t ifdAt; // relative to the MakerNote's start, or kNoIfd / kIfdFromPointerAt8
    Order order;
    int32_t orderAt;
    int32_t refAt; // offsets count from MN + refAt, or kTiffBaseRef
};

using sv = std::string_view;

// Tried in this order for the vendor; the first row that matches decides.
constexpr std::array<LayoutRow, 45> kLayouts = {{
    {kMakerCanon, "", Extra::None, 1, 0, Order::Keep, 0, kTiffBaseRef}, // the trailer decides the rest
    {kMakerNikon, sv("Nikon\0", 6), Extra::None, 3, 18, Order::TiffMarkRequired, 10, 10},
    {kMakerNikon, sv("Nikon\0", 6), Extra::None, 1, 8, Order::Keep, 0, kTiffBaseRef},
    {kMakerNikon, "", Extra::None, 2, 0, Order::Keep, 0, kTiffBaseRef},
    {kMakerSony, sv("SONY DSC \0\0\0", 12), Extra::None, 1, 12, Order::Little, 0, kTiffBaseRef},
    {kMakerSony, sv("SONY CAM \0\0\0", 12), Extra::None, 1, 12, Order::Little, 0, kTiffBaseRef},
    {kMakerSony, sv("SONY PIC \0\0\0", 12), Extra::None, 1, 12, Order::Little, 0, kTiffBaseRef},
    {kMakerSony, sv("SONY MOBILE\0", 12), Extra::None, 1, 12, Order::Little, 0, kTiffBaseRef},
    {kMakerSony, sv("SEMC MS\0\0\0\0\0", 12), Extra::None, 6, 20, Order::IIElseBig, 12, kTiffBaseRef},
    {kMakerSony, sv("SONY PIC\0\0\0\0", 12), Extra::None, 99, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerSony, "", Extra::TiffFile, 2, 0, Order::Keep, 0, kTiffBaseRef},
    {kMakerFujifilm, "FUJIFILM", Extra::None, 1, kIfdFromPointerAt8, Order::Little, 0, 0},
    {kMakerOlympus, "OLYMP", Extra::OlympusInFirst12, 2, 12, Order::Keep, 0, 0},
    {kMakerOlympus, "OLYMP", Extra::None, 1, 8, Order::Keep, 0, kTiffBaseRef},
    {kMakerPanasonic, "Panasonic", Extra::None, 1, 12, Order::Keep, 0, kTiffBaseRef},
    {kMakerPanasonic, "MKED", Extra::None, 2, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerPentax, sv("AOC\0", 4), Extra::None, 2, 6, Order::MarkOrKeep, 4, kTiffBaseRef},
    {kMakerPentax, "PENTAX", Extra::None, 10, 10, Order::MarkOrKeep, 8, 0},
    {kMakerPentax, "", Extra::None, 1, 0, Order::Keep, 0, kTiffBaseRef},
    {kMakerCasio, sv("QVC\0", 4), Extra::None, 2, 6, Order::Big, 0, kTiffBaseRef},
    {kMakerCasio, "RC:0", Extra::None, 10, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerCasio, "CHMC", Extra::None, 11, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerCasio, "", Extra::None, 1, 0, Order::Big, 0, kTiffBaseRef},
    {kMakerLeica, sv("LEICA\0", 6), Extra::LeicaVersionIn, 1, 8, Order::Little, 0, kTiffBaseRef},
    {kMakerLeica, sv("LEICA\0", 6), Extra::LeicaVersionOut, 3, 8, Order::Little, 0, kTiffBaseRef},
    {kMakerLeica, sv("LEICA\0", 6), Extra::LeicaNonZeroAtSix, 5, 8, Order::Little, 0, 0},
    {kMakerRicoh, sv("\0\0\0\0\0", 5), Extra::None, 2, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerRicoh, "Ricoh", Extra::None, 3, 8, Order::Big, 0, kTiffBaseRef},
    {kMakerRicoh, "RICOH", Extra::None, 3, 8, Order::Big, 0, kTiffBaseRef},
    {kMakerRicoh, "Rev", Extra::None, 1, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerRicoh, "Rv", Extra::None, 1, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerSamsung, "", Extra::None, 1, 0, Order::Keep, 0, 0},
    {kMakerSigma, sv("SIGMA\0\0\0", 8), Extra::None, 1, 10, Order::BigIfWordAbove255, 10, kTiffBaseRef},
    {kMakerSigma, sv("FOVEON\0\0", 8), Extra::None, 1, 10, Order::BigIfWordAbove255, 10, kTiffBaseRef},
    {kMakerFoveon, sv("SIGMA\0\0\0", 8), Extra::None, 1, 10, Order::BigIfWordAbove255, 10, kTiffBaseRef},
    {kMakerFoveon, sv("FOVEON\0\0", 8), Extra::None, 1, 10, Order::BigIfWordAbove255, 10, kTiffBaseRef},
    {kMakerMinolta, "MLY", Extra::None, 1, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerMinolta, "+M+", Extra::None, 3, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerMinolta, "MIN", Extra::None, 4, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerMinolta, "KC", Extra::None, 2, kNoIfd, Order::Keep, 0, kTiffBaseRef},
    {kMakerMinolta, "", Extra::None, 5, 0, Order::Keep, 0, kTiffBaseRef},
    {kMakerEpson, "EPSON", Extra::None, 1, 8, Order::Keep, 0, kTiffBaseRef},
    {kMakerApple, sv("Apple iOS\0\0", 11), Extra::None, 1, 14, Order::MarkRequired, 12, 12},
    {kMakerDji, "", Extra::None, 1, 0, Order::Keep, 0, kTiffBaseRef},
    {kMakerHuawei, "HUAWEI", Extra::None, 1, 16, Order::TiffMarkRequired, 8, kTiffBaseRef},
}};

bool ExtraHolds(Extra extra, const cByteReader& note, int32_t fileType) {
    switch (extra) {
    case Extra::None:
        return true;
    case Extra::TiffFile:
        return fileType > kFileJpegWithoutImageData;
    case Extra::OlympusInFirst12: {
        const auto first = note.Slice(0, 12);
        const std::string_view text(reinterpret_cast<const char*>(first.data()), first.size());
        return text.find("OLYMPUS") != std::string_view::npos;
    }
    case Extra::LeicaVersionIn:
    case Extra::LeicaVersionOut: {
        const auto version = note.U16(10, false);
        if (note.U8(6) != uint8_t{0} || !version) return false;
        const bool inRange = *version >= 0x300 && *version <= 0x340;
        return inRange == (extra == Extra::LeicaVersionIn);
    }
    case Extra::LeicaNonZeroAtSix:
        return note.U8(6).value_or(0) != 0;
    }
    return false;
}

enum class ByteOrderChoice : uint8_t { Little, Big, Keep };

// The byte order a row gives; nothing when the row does not match.
std::optional<ByteOrderChoice> RowOrder(const LayoutRow& row, const cByteReader& note) {
    using enum ByteOrderChoice;
    const int64_t at = row.orderAt;
    auto mark = [&]() -> std::optional<ByteOrderChoice> {
        if (note.Matches(at, "II")) return Little;
        if (note.Matches(at, "MM")) return Big;
        return std::nullopt;
    };
    switch (row.order) {
    case Order::Keep:
        return Keep;
    case Order::Little:
        return Little;
    case Order::Big:
        return Big;
    case Order::MarkOrKeep:
        if (!note.Has(at, 2)) return std::nullopt;
        return mark().value_or(Keep);
    case Order::MarkRequired:
        return mark();
    case Order::TiffMarkRequired:
        if (note.Matches(at, "II*\0")) return Little;
        if (note.Matches(at, "MM\0*")) return Big;
        return std::nullopt;
    case Order::IIElseBig:
        if (!note.Has(at, 2)) return std::nullopt;
        return note.Matches(at, "II") ? Little : Big;
    case Order::BigIfWordAbove255: {
        const auto word = note.U16(at, false);
        if (!word) return std::nullopt;
        return *word > 255 ? Big : Keep;
    }
    }
    return std::nullopt;
}

struct Layout {
    int32_t vendor = 0;
    int16_t type = 0;
    std::optional<int64_t> ifdAt; // relative to the MakerNote's start
    ByteOrderChoice order = ByteOrderChoice::Keep;
    std::optional<int64_t> refAt; // relative to the MakerNote's start
};

std::optional<Layout> TryRow(const LayoutRow& row, const cByteReader& note, int32_t fileType) {
    if (!row.prefix.empty() && !StartsWith(note, row.prefix)) return std::nullopt;
    if (!ExtraHolds(row.extra, note, fileType)) return std::nullopt;
    const auto order = RowOrder(row, note);
    if (!order) return std::nullopt;

    Layout layout{row.vendor, row.type, std::nullopt, *order, std::nullopt};
    if (row.ifdAt == kIfdFromPointerAt8) {
        const auto pointer = note.U32(8, false);
        if (!pointer) return std::nullopt;
        layout.ifdAt = *pointer;
    } else if (row.ifdAt != kNoIfd) {
        layout.ifdAt = row.ifdAt;
    }
    if (row.refAt != kTiffBaseRef) layout.refAt = row.refAt;
    return layout;
}

std::optional<Layout> MatchLayout(int32_t vendor, const cByteReader& note, int32_t fileType) {
    for (const LayoutRow& row : kLayouts)
        if (row.vendor == vendor)
            if (auto layout = TryRow(row, note, fileType)) return layout;
    return std::nullopt;
}

// Canon cameras close the MakerNote with the byte order and the offset at which they wrote
// it. An editor that moves the MakerNote without rewriting its offsets leaves the old
// offset there, so the base is shifted back to where the offsets still resolve.
void ApplyCanonTrailer(MakerNoteIdentity& identity, const cByteReader& note, const MakerNoteContext& context,
                       int64_t offset, int64_t length) {
    auto decide = [&](const char* rule, bool value) -> Finding& {
        return identity.findings.emplace_back(CodecFinding(rule, kFactMakerNoteIsOriginal, value))
            .With("makerNoteLength", length)
            .With("bytesInFile", note.Size());
    };
    // the trailer would lie past the end of the file
    if (note.Size() != length) {
        decide("makernote.canon-trailer-outside-file", false);
        return;
    }
    const auto trailer = note.Slice(length - 8, 8);
    if (trailer.empty() || trailer[0] != trailer[1] || (trailer[0] != 'I' && trailer[0] != 'M')) {
        decide("makernote.canon-trailer-missing", false);
        return;
    }
    identity.littleEndian = trailer[0] == 'I';
    const int32_t recorded = *note.I32(length - 4, !identity.littleEndian);
    if (recorded > 0 && recorded < context.file.Size()) {
        identity.pointerRef = context.tiffBase + offset - recorded;
        decide(offset == recorded ? "makernote.canon-offset-kept" : "makernote.offset-moved",
               offset == recorded)
            .With("offset", offset)
            .With("recordedOffset", recorded);
        return;
    }
    decide("makernote.canon-recorded-offset-implausible", false)
        .With("recordedOffset", recorded)
        .With("fileSize", context.file.Size());
}

constexpr std::array<uint16_t, 8> kOlympusSubIfdTags = {0x2010, 0x2020, 0x2030, 0x2040,
                                                        0x2050, 0x3000, 0x4000, 0x5000};

int64_t Unsigned(int32_t value) {
    return static_cast<uint32_t>(value);
}

} // namespace

int32_t MakerNoteHeaderVendor(std::span<const uint8_t> note) {
    if (note.size() < 5) return 0;
    std::string head(5, '\0');
    std::transform(note.begin(), note.begin() + 5, head.begin(),
                   [](uint8_t b) { return static_cast<char>(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b); });
    for (const auto& [text, vendor] : kHeaderSignatures)
        if (head == text) return vendor;
    return head.starts_with("AOC") ? kMakerPentax : kMakerUnknown;
}

MakerNoteIdentity IdentifyMakerNote(const MakerNoteContext& context, int64_t offset, int64_t length) {
    MakerNoteIdentity identity;
    identity.manufacturer = context.manufacturer;
    identity.pointerRef = context.tiffBase;
    identity.littleEndian = !context.mainBigEndian;
    if (!context.processMakerNote) {
        identity.findings.push_back(CodecFinding("makernote.not-processed", kFactMakerNoteIsOriginal, false));
        return identity;
    }

    const cByteReader note = NoteBytes(context, offset, length);
    const int32_t header = MakerNoteHeaderVendor(note.Bytes());
    const bool agrees = HeaderAgreesWithMake(header, context.manufacturer, context.model);
    // A MakerNote without a known signature is taken as the camera's own.
    identity.findings.push_back(CodecFinding(header == kMakerUnknown ? "makernote.header-unsigned"
                                             : agrees                ? "makernote.header-agrees-with-make"
                                                                     : "makernote.header-disagrees-with-make",
                                             kFactMakerNoteIsOriginal, agrees)
                                    .With("headerMaker", ManufacturerName(header))
                                    .With("makeMaker", ManufacturerName(context.manufacturer))
                                    .With("model", context.model)
                                    .With("offset", offset)
                                    .With("length", length));
    const int32_t vendor = header != 0 ? header : context.manufacturer;

    auto layout = MatchLayout(vendor, note, context.fileType);
    // Ricoh's later cameras write Pentax-format MakerNotes.
    if (!layout && vendor == kMakerRicoh) layout = MatchLayout(kMakerPentax, note, context.fileType);
    if (!layout) {
        identity.findings.push_back(NoteFinding("makernote.layout-unknown").With("maker", vendor));
        return identity;
    }

    identity.ifdType = layout->type;
    identity.manufacturer = layout->vendor;
    if (layout->order != ByteOrderChoice::Keep)
        identity.littleEndian = layout->order == ByteOrderChoice::Little;
    if (layout->refAt) identity.pointerRef = context.tiffBase + offset + *layout->refAt;
    if (layout->ifdAt) identity.ifdOffset = offset + *layout->ifdAt;
    if (layout->vendor == kMakerCanon) ApplyCanonTrailer(identity, note, context, offset, length);
    return identity;
}

std::optional<MakerNoteSubIfdRecord> MakerNoteSubIfdOf(int32_t manufacturer, uint16_t tag, int32_t format,
                                                       int32_t valueOffset, const ExifValue& value) {
    const int64_t first = ValueElement(value, 0, true);
    switch (manufacturer) {
    case kMakerOlympus:
        if (std::find(kOlympusSubIfdTags.begin(), kOlympusSubIfdTags.end(), tag) == kOlympusSubIfdTags.end())
            return std::nullopt;
        return MakerNoteSubIfdRecord{tag, format == kFormatIfd ? first : Unsigned(valueOffset), false};
    case kMakerRicoh:
        // The directory follows a 20-byte caption inside the entry's data.
        if (tag != 0x2001) return std::nullopt;
        if (format == kFormatUndefined) return MakerNoteSubIfdRecord{tag, Unsigned(valueOffset) + 20, false};
        return MakerNoteSubIfdRecord{tag, first + 20, true};
    case kMakerNikon:
        if (tag != 0x0011 || format != kFormatLong) return std::nullopt;
        return MakerNoteSubIfdRecord{tag, first, false};
    default:
        return std::nullopt;
    }
}

bool MakerNoteIdentity::IsOriginal() const {
    return DerivedFact(findings, kFactMakerNoteIsOriginal, false);
}

bool AppleTag3IsIntact(const ExifValue& value) {
    const auto* bytes = std::get_if<ByteArray>(&value);
    if (bytes == nullptr || bytes->size() < 5) return false;
    for (size_t k = 0; k < 5; ++k)
        if ((*bytes)[k] != k + 4) return false;
    return true;
}

} // namespace pellvane
