#include "codec/extensions/Mpf.h"

#include "codec/ExifTags.h"
#include "codec/IExifCodec.h"
#include "codec/IfdEntry.h"
#include "codec/Makers.h"
#include "codec/TextCodec.h"
#include "codec/mFile.h"

#include <array>
#include <optional>
#include <set>
#include <string_view>

namespace pellvane {
namespace {

// Offsets inside the segment data: the MP header's byte-order field follows the two length
// bytes and the identifier "MPF" with its zero byte. Every offset of the MP directories
// counts from that field.
constexpr int64_t kHeaderAt = 6;
constexpr int64_t kMpEntrySize = 16;
constexpr int64_t kUniqueIdSize = 33;

// A chained directory with more entries than this is not an MP directory; the chain ends there.
constexpr int32_t kMaxChainedEntries = 20;
// A segment holds at most a few thousand directories; far fewer are ever written.
constexpr size_t kMaxDirectories = 256;

struct TagName {
    int32_t tag;
    std::string_view name;
};

constexpr std::array<TagName, 19> kTagNames = {{
    {0xB000, "MPFVersion"},         {0xB001, "NumberOfImages"},   {0xB002, "MPImageList"},
    {0xB003, "ImageUIDList"},       {0xB004, "TotalFrames"},      {0xB101, "MPIndividualNum"},
    {0xB201, "PanOrientation"},     {0xB202, "PanOverlapH"},      {0xB203, "PanOverlapV"},
    {0xB204, "BaseViewpointNum"},   {0xB205, "ConvergenceAngle"}, {0xB206, "BaselineLength"},
    {0xB207, "VerticalDivergence"}, {0xB208, "AxisDistanceX"},    {0xB209, "AxisDistanceY"},
    {0xB20A, "AxisDistanceZ"},      {0xB20B, "YawAngle"},         {0xB20C, "PitchAngle"},
    {0xB20D, "RollAngle"},
}};

// "1st", "2nd", "3rd", "4th", … "11th", "12th", "13th", … "21st".
std::string Ordinal(int64_t n) {
    const int64_t lastTwo = n % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
        case 1:
            suffix = "st";
            break;
        case 2:
            suffix = "nd";
            break;
        case 3:
            suffix = "rd";
            break;
        default:
            break;
        }
    }
    return std::to_string(n) + suffix;
}

// How an entry's value is kept: SHORT, SSHORT, FLOAT and DOUBLE values are not decoded.
enum class ValueKind { None, Integers, Rationals, Text, Bytes };

ValueKind KindOf(int32_t format) {
    switch (format) {
    case kFormatLong:
    case kFormatSLong:
        return ValueKind::Integers;
    case kFormatRational:
    case kFormatSRational:
        return ValueKind::Rationals;
    case kFormatShort:
    case kFormatSShort:
    case kFormatFloat:
    case kFormatDouble:
        return ValueKind::None;
    case kFormatAscii:
        return ValueKind::Text;
    default:
        return ValueKind::Bytes;
    }
}

class MpfParser {
  public:
    explicit MpfParser(const MpfSource& source)
        : source_(source), segment_(source.segment), base_(source.segmentPointer + 8) {}

    MpfData Run();

  private:
    void ParseDirectories(int64_t firstOffset);
    std::optional<int64_t> ParseEntries(int32_t ifd, int64_t firstEntryAt, int32_t count);
    std::optional<MpfEntry> ReadEntry(int32_t ifd, int64_t at) const;
    void CheckIndexEntry(const MpfEntry& entry);
    void BuildImageList(const MpfEntry& entry);
    void CheckPrimaryImage(MpfImage& image, int64_t size, int64_t offset);
    void CheckFollowingImage(MpfImage& image, int64_t number, int64_t size, int64_t offset);
    void ExtractImage(MpfImage& image, int64_t at, int64_t length) const;
    void AssignUniqueIds(const MpfEntry& entry);

    // A problem that makes the MP data invalid. The finding answered takes the facts compared.
    Finding& Fail(const char* rule, std::string message) {
        return Record(CodecFinding(rule, kFactMPFValid, false), std::move(message));
    }
    Finding& Warn(const char* rule, std::string message) {
        return Record(NoteFinding(rule), std::move(message));
    }
    Finding& Record(Finding finding, std::string message) {
        finding.With("message", message);
        result_.messages.push_back(std::move(message));
        return result_.findings.emplace_back(std::move(finding));
    }

    int64_t FileSize() const { return source_.file.Size(); }
    int64_t PrimaryEnd() const { return source_.primaryEoi + 2; }
    // Where the value of an entry starts within the segment data.
    static int64_t ValueAt(const MpfEntry& entry) {
        return kHeaderAt + static_cast<uint32_t>(entry.valueOffset);
    }

    const MpfSource& source_;
    const cByteReader segment_;
    const int64_t base_; // file offset of the MP header; image offsets count from here
    bool bigEndian_ = false;
    int64_t numberOfImages_ = 0;
    MpfData result_;
};

MpfData MpfParser::Run() {
    const uint8_t first = segment_.ByteOrZero(kHeaderAt), second = segment_.ByteOrZero(kHeaderAt + 1);
    if (first != second || (first != 'I' && first != 'M')) {
        MpfData none;
        none.findings.push_back(CodecFinding("mpf.byte-order-unknown", kFactMPFValid, false)
                                    .With("firstByte", first)
                                    .With("secondByte", second));
        return none;
    }
    bigEndian_ = first == 'M';
    result_.bigEndian = bigEndian_;
    result_.findings.push_back(
        CodecFinding("mpf.header-read", kFactMPFValid, true).With("bigEndian", bigEndian_));
    ParseDirectories(segment_.I32(kHeaderAt + 4, bigEndian_).value_or(0));
    return std::move(result_);
}

void MpfParser::ParseDirectories(int64_t offset) {
    // A chain that points back to a directory already read would never end.
    std::set<int64_t> visited;
    for (int32_t ifd = 0; offset > 0; ++ifd) {
        if (!visited.insert(offset).second || visited.size() > kMaxDirectories) return;
        const auto count = segment_.U16(kHeaderAt + offset, bigEndian_);
        if (!count) return;
        const auto entries = static_cast<int16_t>(*count);
        if (ifd > 0 && (entries < 0 || entries > kMaxChainedEntries)) return;
        const auto next = ParseEntries(ifd, kHeaderAt + offset + 2, std::max<int16_t>(entries, 0));
        ++result_.ifdCount;
        if (!next) return;
        offset = segment_.I32(*next, bigEndian_).value_or(0);
    }
}

// Reads the entries of one directory; answers where its next-directory link is, or nothing
// when an entry or its value would leave the segment, which ends the directory there.
std::optional<int64_t> MpfParser::ParseEntries(int32_t ifd, int64_t firstEntryAt, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        std::optional<MpfEntry> entry = ReadEntry(ifd, firstEntryAt + kIfdEntrySize * i);
        if (!entry) return std::nullopt;
        result_.entries.push_back(std::move(*entry));
        if (ifd == 0) CheckIndexEntry(result_.entries.back());
    }
    return firstEntryAt + kIfdEntrySize * count;
}

std::optional<MpfEntry> MpfParser::ReadEntry(int32_t ifd, int64_t at) const {
    const auto fields = ReadIfdEntry(segment_, at, bigEndian_);
    if (!fields) return std::nullopt;
    MpfEntry entry;
    entry.ifd = ifd;
    entry.tag = fields->tag;
    entry.format = fields->format;
    entry.components = fields->components;
    entry.entryPosition = static_cast<int32_t>(at);

    const int64_t formatSize = FormatSize(entry.format);
    const int64_t length = formatSize * static_cast<uint32_t>(entry.components);
    if (length > 4) entry.valueOffset = fields->valueField;
    const ValueKind kind = KindOf(entry.format);
    if (entry.components <= 0 || kind == ValueKind::None) return entry;

    // A type this codec does not know has no size; its value is the entry's own 4 bytes.
    const int64_t readLength = formatSize > 0 ? length : std::min<int64_t>(entry.components, 4);
    const int64_t valueAt = length > 4 ? ValueAt(entry) : at + 8;
    if (!segment_.Has(valueAt, readLength)) return std::nullopt;
    const auto bytes = segment_.Slice(valueAt, readLength);

    switch (kind) {
    case ValueKind::Integers:
    case ValueKind::Rationals: {
        std::vector<int32_t> numbers(static_cast<size_t>(readLength / 4));
        for (size_t k = 0; k < numbers.size(); ++k)
            numbers[k] = *segment_.I32(valueAt + 4 * static_cast<int64_t>(k), bigEndian_);
        entry.value = std::move(numbers);
        break;
    }
    case ValueKind::Text:
        entry.value = AnsiToText(bytes);
        break;
    default:
        entry.value = ByteArray(bytes.begin(), bytes.end());
        break;
    }
    return entry;
}

void MpfParser::CheckIndexEntry(const MpfEntry& entry) {
    switch (entry.tag) {
    case kTagMpNumberOfImages:
        numberOfImages_ = ValueElement(entry.value, 0);
        break;
    case kTagMpEntry:
        BuildImageList(entry);
        break;
    case kTagMpImageUidList:
        AssignUniqueIds(entry);
        break;
    case kTagMpTotalFrames:
        if (ValueElement(entry.value, 0) != numberOfImages_)
            Warn("mpf.total-frames-differ",
                 "WARNING: NumOfImages and TotalNumberOfCapturedFrames don't match.")
                .With("numberOfImages", numberOfImages_)
                .With("totalFrames", ValueElement(entry.value, 0));
        break;
    default:
        break;
    }
}

void MpfParser::BuildImageList(const MpfEntry& entry) {
    if (static_cast<uint32_t>(entry.components) != numberOfImages_ * kMpEntrySize) {
        Fail("mpf.entry-block-size", "ERROR: NumOfImages and MPEntry block size don't match.")
            .With("numberOfImages", numberOfImages_)
            .With("blockSize", static_cast<uint32_t>(entry.components));
        return;
    }
    result_.images.clear();
    for (int64_t i = 0; i < numberOfImages_; ++i) {
        const int64_t at = ValueAt(entry) + kMpEntrySize * i;
        if (!segment_.Has(at, kMpEntrySize)) break;
        const int64_t size = *segment_.U32(at + 4, bigEndian_);
        const int64_t offset = *segment_.U32(at + 8, bigEndian_);
        MpfImage image;
        image.valid = true;
        image.offset = static_cast<int32_t>(offset);
        if (i == 0)
            CheckPrimaryImage(image, size, offset);
        else
            CheckFollowingImage(image, i + 1, size, offset);
        image.sizeCopy = image.streamSize;
        result_.images.push_back(std::move(image));
    }
}

void MpfParser::CheckPrimaryImage(MpfImage& image, int64_t size, int64_t offset) {
    image.streamSize = static_cast<int32_t>(size);
    if (offset != 0) {
        Fail("mpf.primary-offset", "ERROR: Offset to 1st Individual Image is not 0.").With("offset", offset);
        image.valid = false;
    }
    if (size < PrimaryEnd()) {
        image.valid = false;
        // DJI drones are known to write this size short when they add XMP data.
        if (source_.manufacturer == kMakerDji && source_.xmpExisted)
            Warn("mpf.primary-size-short-dji",
                 "WARNING: Size of 1st Individual Image doesn't match EOI offset.")
                .With("size", size)
                .With("primaryEnd", PrimaryEnd());
        else
            Fail("mpf.primary-size-short", "ERROR: Size of 1st Individual Image doesn't match EOI offset.")
                .With("size", size)
                .With("primaryEnd", PrimaryEnd());
    }
}

void MpfParser::CheckFollowingImage(MpfImage& image, int64_t number, int64_t size, int64_t offset) {
    const int64_t start = base_ + offset;
    // Samsung counts the size of a further image from the primary image's end; a size that
    // runs past the file is brought back to the image's own length.
    if (source_.manufacturer == kMakerSamsung && start - 2 + size >= FileSize())
        size = size + 2 + (source_.primaryEoi - base_ - offset);
    const int64_t end = start - 2 + size;
    const cByteReader& file = source_.file;

    bool soiFound = false;
    if (start >= 0 && start < FileSize()) {
        soiFound = file.ByteOrZero(start) == 0xFF && file.ByteOrZero(start + 1) == 0xD8;
        if (!soiFound)
            Fail("mpf.image-start-not-soi",
                 "ERROR: Offset to " + Ordinal(number) + " Individual Image is not an SOI (0xFFD8).")
                .With("image", number)
                .With("start", start);
    } else {
        Fail("mpf.image-start-outside-file",
             "ERROR: Offset to " + Ordinal(number) + " Individual Image exceeds file size.")
            .With("image", number)
            .With("start", start)
            .With("fileSize", FileSize());
    }
    bool eoiFound = false;
    if (end >= 0 && end < FileSize()) {
        eoiFound = file.ByteOrZero(end) == 0xFF && file.ByteOrZero(end + 1) == 0xD9;
        if (!eoiFound)
            Warn("mpf.image-end-not-eoi",
                 "WARNING: End of " + Ordinal(number) + " Individual Image is not an EOI (0xFFD9).")
                .With("image", number)
                .With("end", end);
    } else {
        Fail("mpf.image-end-outside-file",
             "ERROR: Offset to EOI of " + Ordinal(number) + " Individual Image exceeds file size.")
            .With("image", number)
            .With("end", end)
            .With("fileSize", FileSize());
        image.valid = false;
    }
    if (!soiFound) image.valid = false;

    image.streamSize = static_cast<int32_t>(size);
    if (soiFound) image.soiInEof = static_cast<int32_t>(start - PrimaryEnd());
    if (eoiFound) image.eoiInEof = static_cast<int32_t>(end - PrimaryEnd());
    if (image.valid && soiFound && eoiFound && source_.extractImages)
        ExtractImage(image, start, end - start + 2);
}

void MpfParser::ExtractImage(MpfImage& image, int64_t at, int64_t length) const {
    image.streamPath.clear();
    image.streamSize = 0;
    if (length < 1 || !source_.file.Has(at, length) || source_.tempFiles == nullptr) return;
    auto written = source_.tempFiles->Write("MPF", at, false, source_.file.Slice(at, length));
    image.streamPath = std::move(written.path);
    image.withheld = written.withheld;
    if (!image.streamPath.empty()) image.streamSize = static_cast<int32_t>(length);
}

void MpfParser::AssignUniqueIds(const MpfEntry& entry) {
    if (entry.format != kFormatUndefined)
        Warn("mpf.unique-id-format", "WARNING: Unknown ImageUniqueID block format.")
            .With("format", entry.format);
    const int64_t declared = static_cast<uint32_t>(entry.components);
    if (declared != numberOfImages_ * kUniqueIdSize)
        Fail("mpf.unique-id-block-size", "ERROR: NumOfImages and ImageUniqueID block size don't match.")
            .With("numberOfImages", numberOfImages_)
            .With("blockSize", declared);
    for (size_t i = 0; i < result_.images.size(); ++i) {
        const int64_t within = kUniqueIdSize * static_cast<int64_t>(i);
        // Only IDs inside the declared block are taken; the rest of the segment is not theirs.
        if (within + kUniqueIdSize > declared) break;
        const auto id = segment_.Slice(ValueAt(entry) + within, kUniqueIdSize);
        if (!id.empty()) result_.images[i].uniqueId = AnsiToText(id);
    }
}

} // namespace

MpfData ParseMpf(const MpfSource& source) {
    return MpfParser(source).Run();
}

void ReleaseMpfImages(MpfData& mpf) {
    for (const MpfImage& image : mpf.images)
        DeleteFileQuietly(image.streamPath);
    mpf.images.clear();
}

std::string MpfTagName(int32_t tag) {
    for (const auto& [number, name] : kTagNames)
        if (number == tag) return std::string(name);
    return "";
}

} // namespace pellvane
