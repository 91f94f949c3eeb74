// EXIF external consistency: the metadata against the picture itself. The pixel dimensions of
// the Exif IFD and the MakerNote's own size entries must name the frame's width and height,
// which a crop or a resize changes and most editors do not write back; Samsung phones also
// leave a UTC time stamp after the picture that must agree with the capture time.

#include "analysis/Comparisons.h"
#include "analysis/ExifDates.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/TagStore.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

namespace pellvane {
namespace {

// Samsung phones leave a trailer whose first block is named "Image_UTC_Data" (from offset 8)
// and holds the capture time in seconds since 1970, UTC, in the ten bytes from offset 22.
// A trailer too short to hold it leaves the file uncertain.
constexpr std::string_view kSamsungStampBlock = "Image_UTC_Data";
constexpr size_t kSamsungBlockNameAt = 8;
constexpr size_t kSamsungStampAt = 22;
constexpr size_t kSamsungStampDigits = 10;
constexpr int32_t kSamsungTrailerMinimum = 32;
// The capture time is local; any time zone lies within 23 hours of UTC.
constexpr int64_t kSamsungMaxSecondsApart = 23 * 3600;

// A size entry of the MakerNote: which elements name the width or the height, in the order
// they are compared. A second element is compared only while the first agreed.
struct SizeEntry {
    int32_t maker;
    uint32_t tag;                   // a tag above 0xFFFF names an entry of a MakerNote sub-directory
    std::array<int8_t, 2> elements; // -1: none
};

constexpr std::array<SizeEntry, 6> kSizeEntries = {{
    {kMakerCanon, 0x009A, {1, 2}},        // AspectInfo: ratio, cropped width, cropped height, …
    {kMakerNikon, 0x0016, {2, 3}},        // ImageBoundary: left, top, right, bottom
    {kMakerSony, 0xB02B, {1, 0}},         // FullImageSize: height, width
    {kMakerOlympus, 0x20400614, {0, -1}}, // under ImageProcessing (0x2040)
    {kMakerRicoh, 0x1603, {0, -1}},       // only in Ricoh's MakerNotes of layout 4
    {kMakerRicoh, 0x1604, {0, -1}},
}};
constexpr int16_t kRicohSizeLayout = 4;

// A MakerNote tag as it is written in the makers' documentation; a sub-directory's entry as
// "0x2040/0x0614".
std::string HexTag(uint32_t tag) {
    char text[24];
    if (tag > 0xFFFF)
        std::snprintf(text, sizeof text, "0x%04X/0x%04X", tag >> 16, tag & 0xFFFF);
    else
        std::snprintf(text, sizeof text, "0x%04X", tag);
    return text;
}

bool Exists(const IExifCodec& codec, uint32_t tag, int32_t ifd) {
    return codec.IsTagExisted(tag, ifd, true);
}

// The first value of a pixel dimension, judged against the frame within the tolerance.
Finding DimensionFinding(const IExifCodec& codec, uint32_t tag) {
    const int64_t recorded = ValueElement(codec.TagValue(tag, kIfdExif), 0, true);
    const bool agrees = MatchesEither(recorded, codec.ImageWidth(), codec.ImageHeight(), true);
    return StatusFinding("external.pixel-dimension", agrees ? kStatusPass : kStatusFail)
        .With("tag", tag == kTagPixelXDimension ? "PixelXDimension" : "PixelYDimension")
        .With("recorded", recorded)
        .With("frameWidth", codec.ImageWidth())
        .With("frameHeight", codec.ImageHeight());
}

// The number that the leading characters of a text spell, as far as they do: blanks first,
// then an optional sign and digits. 0 when there is none.
int64_t LeadingInteger(std::span<const uint8_t> text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

bool HoldsSamsungStamp(const ByteArray& trailer) {
    if (trailer.size() < kSamsungStampAt + kSamsungStampDigits) return false;
    const auto name = std::span(trailer).subspan(kSamsungBlockNameAt, kSamsungStampBlock.size());
    return std::equal(name.begin(), name.end(), kSamsungStampBlock.begin(),
                      [](uint8_t b, char c) { return b == static_cast<uint8_t>(c); });
}

// The trailer's UTC time stamp against DateTimeOriginal read in this computer's time zone.
// Samsung's cameras leave other data there, such as a preview picture, which holds no time
// stamp and is judged like a trailer too short to hold one.
Finding SamsungTrailerFinding(const IExifCodec& codec) {
    if (codec.EOFChunkSize() <= kSamsungTrailerMinimum)
        return StatusFinding("external.samsung-trailer-short", kStatusUncertain)
            .With("trailerBytes", codec.EOFChunkSize());
    const ByteArray trailer = codec.EOFChunk();
    if (!HoldsSamsungStamp(trailer))
        return StatusFinding("external.samsung-trailer-without-stamp", kStatusUncertain);
    const std::string captured = codec.TagValueString(kTagDateTimeOriginal, kIfdExif);
    const auto original = ParseDateTime(ReadableExifDate(captured));
    if (!original) return NoteFinding("external.samsung-stamp-without-capture-time");
    const int64_t stamp = LeadingInteger(std::span(trailer).subspan(kSamsungStampAt, kSamsungStampDigits));
    const int64_t apart = stamp - UnixTimeOfLocalDate(*original);
    Finding finding = NoteFinding("external.samsung-stamp");
    if (std::llabs(apart) > kSamsungMaxSecondsApart) finding.status = kStatusFail;
    return finding.With("stamp", stamp)
        .With("captureTime", captured)
        .With("secondsApart", apart)
        .With("limitSeconds", kSamsungMaxSecondsApart);
}

// Element `index` of a MakerNote size entry, compared exactly; nothing when the entry has
// no such element or holds no numbers, since then it says nothing about the size.
std::optional<bool> SizeElementAgrees(const IExifCodec& codec, uint32_t tag, size_t index) {
    const ExifValue value = codec.TagValue(tag, kIfdMakerNote);
    const bool numbers = std::holds_alternative<std::vector<int16_t>>(value) ||
                         std::holds_alternative<std::vector<int32_t>>(value);
    if (!numbers || index >= ValueElementCount(value)) return std::nullopt;
    return MatchesEither(ValueElement(value, index, true), codec.ImageWidth(), codec.ImageHeight(), false);
}

void JudgeMakerNoteSizes(const IExifCodec& codec, Findings& findings) {
    const int32_t maker = codec.Manufacturer();
    if (maker == kMakerRicoh && codec.MakerNoteIFDType() != kRicohSizeLayout) return;
    for (const SizeEntry& entry : kSizeEntries) {
        if (entry.maker != maker || !Exists(codec, entry.tag, kIfdMakerNote)) continue;
        for (const int8_t element : entry.elements) {
            if (element < 0 || DecidedStatus(findings) != kStatusPass) break;
            const auto index = static_cast<size_t>(element);
            const std::optional<bool> agrees = SizeElementAgrees(codec, entry.tag, index);
            if (!agrees) continue;
            Finding finding = NoteFinding("external.makernote-size");
            if (!*agrees) finding.status = kStatusFail;
            findings.push_back(std::move(
                finding.With("tag", HexTag(entry.tag))
                    .With("element", static_cast<int64_t>(index))
                    .With("recorded", ValueElement(codec.TagValue(entry.tag, kIfdMakerNote), index, true))
                    .With("frameWidth", codec.ImageWidth())
                    .With("frameHeight", codec.ImageHeight())));
        }
    }
}

} // namespace

Findings ExifExternalConsistencyCheck(CheckContext& context) {
    const IExifCodec& codec = context.codec;
    Findings findings;
    auto status = [&] { return DecidedStatus(findings).value_or(0); };
    if (Exists(codec, kTagPixelYDimension, kIfdExif))
        findings.push_back(DimensionFinding(codec, kTagPixelYDimension));
    if (status() == kStatusPass && Exists(codec, kTagPixelXDimension, kIfdExif))
        findings.push_back(DimensionFinding(codec, kTagPixelXDimension));
    if (status() == kStatusPass && codec.Manufacturer() == kMakerSamsung)
        findings.push_back(SamsungTrailerFinding(codec));
    if (status() > kStatusSuspected && codec.IFDEntryCount(kIfdMakerNote) > 0)
        JudgeMakerNoteSizes(codec, findings);

    if (status() == 0) return {};
    // A size that disagrees in a file whose tables are the camera's own is more likely a
    // camera's quirk than an edit. A Samsung time stamp that disagrees is no such quirk.
    if (context.flags.signatureMatched && status() == kStatusFail && codec.Manufacturer() != kMakerSamsung)
        findings.push_back(StatusFinding("external.camera-tables-soften-size", kStatusHighlySuspected));
    return findings;
}

} // namespace pellvane
