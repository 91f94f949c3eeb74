// Preview images stored through MakerNote tags: which tags describe them for each maker,
// whether their bytes start like a JPEG, and their extraction to temporary files.

#include "codec/extensions/MakerNotePreviews.h"

#include "codec/cExifCodec.h"

#include <algorithm>
#include <array>

namespace pellvane {
namespace {

// What a preview tag contributes to the record list.
enum class Role : uint8_t {
    PairedLength,  // the length of the maker's single preview
    PairedStart,   // the start of that preview, relative to the MakerNote's base
    OlympusOpen,   // a non-zero value opens a new record
    OlympusStart,  // the start of the record opened last
    OlympusLength, // the length of the record opened last
    WholeImage,    // the tag's own value is the preview; each such tag is a record
    Sony,          // the preview that Sony cameras move by a few bytes, see SearchSonyPreview
};

struct PreviewTag {
    int32_t maker;
    uint16_t parent; // the MakerNote sub-directory's tag; 0 for the MakerNote directory itself
    uint16_t tag;
    int32_t format; // kFormatAny accepts every format
    Role role;
};

constexpr std::array<PreviewTag, 10> kPreviewTags = {{
    {kMakerPentax, 0, 0x0003, kFormatLong, Role::PairedLength},
    {kMakerPentax, 0, 0x0004, kFormatLong, Role::PairedStart},
    {kMakerNikon, 0x0011, 0x0201, kFormatLong, Role::PairedStart},
    {kMakerNikon, 0x0011, 0x0202, kFormatLong, Role::PairedLength},
    {kMakerOlympus, 0x2020, 0x0100, kFormatLong, Role::OlympusOpen},
    {kMakerOlympus, 0x2020, 0x0101, kFormatLong, Role::OlympusStart},
    {kMakerOlympus, 0x2020, 0x0102, kFormatLong, Role::OlympusLength},
    {kMakerOlympus, 0, 0x0100, kFormatUndefined, Role::WholeImage},
    {kMakerEpson, 0, 0x0280, kFormatByte, Role::WholeImage},
    {kMakerSony, 0, 0x2001, kFormatAny, Role::Sony},
}};

// Sony cameras record the preview's offset as it was before the file's segments were
// rearranged; the preview is found this many bytes before the recorded position (a
// negative shift: after it), tried in this order.
constexpr std::array<int32_t, 4> kSonyShifts = {130, 106, 110, -32};

constexpr uint8_t kJpegMarkerByte = 0xFF;
constexpr uint8_t kStartOfImageByte = 0xD8;
// Stand-ins for the first byte of the start-of-image marker that some cameras write.
constexpr uint8_t kEpsonOlympusStartByte = 0xEE;
constexpr uint8_t kSonyStartByte = 0x00;

const PreviewTag* FindPreviewTag(int32_t maker, const TagEntry& entry) {
    const auto parent = static_cast<uint16_t>(entry.tagNoID >> 16);
    const auto tag = static_cast<uint16_t>(entry.tagNoID & 0xFFFF);
    for (const PreviewTag& rule : kPreviewTags)
        if (rule.maker == maker && rule.parent == parent && rule.tag == tag &&
            (rule.format == kFormatAny || rule.format == entry.format))
            return &rule;
    return nullptr;
}

// Whether the two bytes at `at` are `first` and the second byte of a start-of-image marker.
// A position outside the file starts with nothing.
bool StartsWith(const cByteReader& file, int64_t at, uint8_t first) {
    const auto bytes = file.Slice(at, 2);
    return !bytes.empty() && bytes[0] == first && bytes[1] == kStartOfImageByte;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int32_t NonNegative(int64_t value) {
    return ClampToInt32(std::max<int64_t>(value, 0));
}

// The first value of a LONG entry, as the unsigned number the file holds.
int64_t FirstLong(const TagEntry& entry) {
    return ValueElement(entry.value, 0, true);
}

MakerNoteImage NewRecord(int32_t entryPosition, bool inTrailingData) {
    MakerNoteImage image;
    image.entryPosition = entryPosition;
    image.inTrailingData = inTrailingData;
    return image;
}

// The record the walk fills for `role`, opened when needed; nothing for a start or length
// that no record is waiting for.
MakerNoteImage* RecordFor(MakerNotePreviews& previews, Role role, int32_t entryPosition) {
    auto open = [&](std::optional<size_t>& slot) -> MakerNoteImage* {
        if (!slot) {
            slot = previews.images.size();
            previews.images.push_back(NewRecord(entryPosition, false));
        }
        return &previews.images[*slot];
    };
    switch (role) {
    case Role::PairedLength:
    case Role::PairedStart:
        return open(previews.pairedRecord);
    case Role::OlympusStart:
    case Role::OlympusLength:
        return previews.olympusRecord ? &previews.images[*previews.olympusRecord] : nullptr;
    default:
        return nullptr;
    }
}

// The bytes of an extracted preview. Cameras that write a stand-in for the marker's first
// byte get the real one back, so that the copy decodes as the JPEG it is. Empty when the
// preview does not lie wholly inside the file.
ByteArray PreviewBytes(const cByteReader& file, const MakerNoteImage& image) {
    if (image.streamSize <= 0) return {};
    const auto bytes = file.Slice(image.position, image.streamSize);
    ByteArray copy(bytes.begin(), bytes.end());
    if (!copy.empty()) copy[0] = kJpegMarkerByte;
    return copy;
}

// Whether a preview starts as its maker writes it: its MakerNoteImageValid.
Finding PreviewStartFinding(const TagEntry& entry, int64_t position, bool valid, uint8_t firstByte) {
    return CodecFinding(valid ? "makernote.preview-starts-as-jpeg" : "makernote.preview-start-not-jpeg",
                        kFactMakerNoteImageValid, valid)
        .With("tag", static_cast<int64_t>(entry.tagNoID & 0xFFFF))
        .With("position", position)
        .With("firstByte", firstByte);
}
} // namespace

void ReleaseMakerNotePreviews(MakerNotePreviews& previews) {
    for (const MakerNoteImage& image : previews.images)
        DeleteFileQuietly(image.streamPath);
    previews = {};
}

void cExifCodec::NoteMakerNotePreview(const cByteReader& file, int32_t index) {
    const TagEntry& entry = tags_.Entry(index);
    const PreviewTag* rule = FindPreviewTag(manufacturer_, entry);
    if (rule == nullptr) return;

    const int64_t base = makerNote_.pointerRef;
    const int64_t makerNoteStart =
        tiffHeaderOffset_ + static_cast<int64_t>(static_cast<uint32_t>(makerNote_.pointer));
    const int32_t entryPosition = NonNegative(entry.entryPosition - makerNoteStart);

    switch (rule->role) {
    case Role::PairedLength:
    case Role::OlympusLength:
        if (MakerNoteImage* image = RecordFor(previews_, rule->role, entryPosition))
            image->streamSize = ClampToInt32(FirstLong(entry));
        return;
    case Role::PairedStart:
    case Role::OlympusStart: {
        MakerNoteImage* image = RecordFor(previews_, rule->role, entryPosition);
        if (image == nullptr) return;
        const int64_t start = FirstLong(entry);
        image->offset = static_cast<int32_t>(static_cast<uint32_t>(start));
        image->position = NonNegative(base + start);
        image->valid = StartsWith(file, base + start, kJpegMarkerByte);
        if (rule->role == Role::PairedStart)
            image->relativePosition = NonNegative(base + start - makerNoteStart);
        // A camera's own preview starts as a JPEG; anything else was written over.
        AddFinding(PreviewStartFinding(entry, image->position, image->valid, file.ByteOrZero(base + start)));
        if (!image->valid)
            AddFinding(CodecFinding("makernote.preview-overwritten", kFactMakerNoteIsOriginal, false)
                           .With("position", image->position));
        return;
    }
    case Role::OlympusOpen:
        if (FirstLong(entry) == 0) return;
        previews_.olympusRecord = previews_.images.size();
        previews_.images.push_back(NewRecord(entryPosition, true));
        return;
    case Role::WholeImage: {
        if (entry.valueOffset <= 0) return;
        const int64_t position = base + entry.valueOffset;
        const bool valid =
            StartsWith(file, position, kJpegMarkerByte) || StartsWith(file, position, kEpsonOlympusStartByte);
        MakerNoteImage image = NewRecord(entryPosition, true);
        image.streamSize = entry.components;
        image.offset = entry.valueOffset;
        image.position = NonNegative(position);
        image.valid = valid;
        AddFinding(PreviewStartFinding(entry, image.position, valid, file.ByteOrZero(position)));
        previews_.images.push_back(std::move(image));
        return;
    }
    case Role::Sony:
        SearchSonyPreview(file, index, entryPosition);
        return;
    }
}

void cExifCodec::SearchSonyPreview(const cByteReader& file, int32_t index, int32_t entryPosition) {
    const TagEntry& entry = tags_.Entry(index);
    const int32_t offset = entry.valueOffset;
    if (offset < 1) {
        // A preview of some length must have an offset to find it by.
        if (entry.components != 0)
            AddFinding(CodecFinding("makernote.sony-preview-offset-missing", kFactMakerNoteIsOriginal, false)
                           .With("offset", offset)
                           .With("length", entry.components));
        return;
    }
    const int64_t recorded = static_cast<int64_t>(makerNote_.pointerRef) + offset;
    const auto found = std::find_if(kSonyShifts.begin(), kSonyShifts.end(), [&](int32_t shift) {
        return StartsWith(file, recorded - shift, kJpegMarkerByte) ||
               StartsWith(file, recorded - shift, kSonyStartByte);
    });
    if (found == kSonyShifts.end()) {
        AddFinding(CodecFinding("makernote.sony-preview-not-found", kFactMakerNoteIsOriginal, false)
                       .With("recordedPosition", recorded));
        return;
    }
    AddFinding(
        NoteFinding("makernote.sony-preview-found").With("recordedPosition", recorded).With("shift", *found));
    if (!MakerNoteIsOriginal()) return;

    const int32_t shift = *found;
    const int64_t start = recorded - shift;
    // The value is read where the preview really is; a file cut short gives what is left.
    const auto bytes = file.Slice(start, std::min<int64_t>(entry.components, file.Size() - start));
    if (TagEntry* stored = tags_.MutableEntry(index)) stored->value = ByteArray(bytes.begin(), bytes.end());
    previews_.sonyShift = shift;
    if (shift >= 0) return;
    MakerNoteImage image = NewRecord(entryPosition, true);
    image.streamSize = NonNegative(static_cast<int64_t>(entry.components) + shift);
    image.offset = offset;
    image.position = NonNegative(start);
    image.valid = true;
    previews_.images.push_back(std::move(image));
}

void cExifCodec::ExtractMakerNotePreviews(const cByteReader& file) {
    const int64_t trailingStart = static_cast<int64_t>(eoiOffset_) + 2;
    for (MakerNoteImage& image : previews_.images) {
        if (!image.valid) continue;
        if (image.inTrailingData) image.relativePosition = NonNegative(image.position - trailingStart);
        const ByteArray bytes = PreviewBytes(file, image);
        if (!bytes.empty()) {
            auto written = tempFiles_.Write("MKN", image.position, true, bytes);
            image.streamPath = std::move(written.path);
            image.withheld = written.withheld;
        }
        image.streamSize = image.streamPath.empty() ? 0 : static_cast<int32_t>(bytes.size());
        image.sizeCopy = image.streamSize;
    }
}

const MakerNoteImage& cExifCodec::MakerNoteImageAt(int32_t i) const {
    static const MakerNoteImage kNone;
    if (i < 0 || i >= static_cast<int32_t>(previews_.images.size())) return kNone;
    return previews_.images[static_cast<size_t>(i)];
}

} // namespace pellvane
