// The walk over the TIFF/EXIF image file directories: IFD0, the Exif, GPS and
// Interoperability directories, the MakerNote directory and IFD1. Every entry lands in the
// tag store; links to the other directories are taken from the entries as they are read.

#include "codec/IfdEntry.h"
#include "codec/TextCodec.h"
#include "codec/ValueText.h"
#include "codec/cExifCodec.h"
#include "codec/extensions/LegacyBlock.h"
#include "codec/extensions/MakerNote.h"
#include "codec/extensions/Manufacturer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <set>

namespace pellvane {
namespace {

// Largest value that can still be rewritten into a segment of 64 KiB.
constexpr int64_t kMaxRewritableValue = 65527;

// A MakerNote holds at most a handful of sub-directories; a file naming more is damaged or
// built to make the walk run long, and the rest are not read.
constexpr size_t kMaxMakerNoteSubIfds = 64;

// One directory as the walk sees it: where it is and how to read it.
struct DirectoryFrame {
    int32_t selector;
    int64_t start; // absolute position of the entry count
    int64_t base;  // value offsets inside the directory count from here
    bool bigEndian;
    uint32_t parentTag;
    bool makerNoteSubIfd;
};

template <typename T>
std::vector<T> ReadIntegers(const cByteReader& file, int64_t at, int64_t count, bool bigEndian) {
    std::vector<T> out(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t pos = at + i * static_cast<int64_t>(sizeof(T));
        if constexpr (sizeof(T) == 2)
            out[static_cast<size_t>(i)] = static_cast<T>(file.U16(pos, bigEndian).value_or(0));
        else
            out[static_cast<size_t>(i)] = static_cast<T>(file.U32(pos, bigEndian).value_or(0));
    }
    return out;
}

template <typename T>
std::vector<T> ReadReals(const cByteReader& file, int64_t at, int64_t count, bool bigEndian) {
    std::vector<T> out(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        auto bytes = file.Slice(at + i * static_cast<int64_t>(sizeof(T)), sizeof(T));
        std::array<uint8_t, sizeof(T)> raw{};
        for (size_t k = 0; k < sizeof(T) && k < bytes.size(); ++k)
            raw[k] = bigEndian ? bytes[sizeof(T) - 1 - k] : bytes[k];
        std::memcpy(&out[static_cast<size_t>(i)], raw.data(), sizeof(T));
    }
    return out;
}

// Decodes `components` elements of `format` at `at`; the range was checked by the caller.
ExifValue DecodeValue(const cByteReader& file, int64_t at, int32_t format, int64_t components,
                      bool bigEndian) {
    switch (format) {
    case kFormatAscii: {
        return AnsiToText(file.Slice(at, components));
    }
    case kFormatShort:
    case kFormatSShort:
        return ReadIntegers<int16_t>(file, at, components, bigEndian);
    case kFormatLong:
    case kFormatSLong:
    case kFormatIfd:
        return ReadIntegers<int32_t>(file, at, components, bigEndian);
    case kFormatRational:
    case kFormatSRational:
        return ReadIntegers<int32_t>(file, at, components * 2, bigEndian);
    case kFormatFloat:
        return ReadReals<float>(file, at, components, bigEndian);
    case kFormatDouble:
        return ReadReals<double>(file, at, components, bigEndian);
    default: {
        auto bytes = file.Slice(at, components);
        return ByteArray(bytes.begin(), bytes.end());
    }
    }
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int64_t UnsignedOffset(int32_t offset) {
    return static_cast<uint32_t>(offset);
}

// A directory offset taken from an entry's first value; 0 (none) when it cannot be one.
int64_t LinkOffset(const ExifValue& value) {
    // Offsets are 32-bit unsigned numbers; a real number stored in their place may be anything.
    const int64_t offset = ValueElement(value, 0, true);
    return offset >= 0 && offset <= int64_t{UINT32_MAX} ? offset : 0;
}

} // namespace

// The walk over one file's directories. It reads each directory into the codec's tag store
// and follows the links that the entries name, in selector order.
class DirectoryWalker {
  public:
    DirectoryWalker(cExifCodec& codec, const cByteReader& file)
        : codec_(codec), file_(file), base_(codec.tiffHeaderOffset_),
          valueBytesLeft_(budget::TagValueBytes(file.Size())) {}

    // kOpenOk, or the result code of the fault that ended the walk.
    int32_t Run();
    // Records the values the budget left undecoded, if any.
    void NoteValueBudget();

  private:
    bool ReadHeader();
    int32_t WalkDirectory(int32_t selector);
    bool ReadDirectory(const DirectoryFrame& dir);
    std::optional<int32_t> EntriesToRead(const DirectoryFrame& dir);
    std::optional<bool> SubIfdUsable(const DirectoryFrame& dir) const;
    bool ReadEntry(const DirectoryFrame& dir, int64_t position);
    bool ValueWithinBudget(int64_t length);
    TagEntry DecodeEntry(const DirectoryFrame& dir, int64_t position, const IfdEntryFields& fields);
    void NoteEntry(const DirectoryFrame& dir, int32_t index, uint16_t tag);
    void NoteIfd0Entry(const TagEntry& entry, uint16_t tag);
    void NoteMakerNoteEntry(const TagEntry& entry, uint16_t tag);
    void IdentifyMakerNote(const TagEntry& entry, int32_t index);
    bool ReadIfd1Link(int64_t linkAt, bool bigEndian);
    bool ReadMakerNoteSubIfds(const DirectoryFrame& makerNote);
    void DropMakerNoteSubIfds(Finding reason);

    static int64_t ValueLength(const TagEntry& entry) {
        return static_cast<int64_t>(entry.components) * FormatSize(entry.format);
    }

    cExifCodec& codec_;
    const cByteReader& file_;
    const int64_t base_;               // absolute position of the TIFF header
    std::array<int64_t, 7> offsets_{}; // directory starts by selector, relative to the TIFF header
    std::string model_;
    bool makerNoteFound_ = false;
    std::deque<MakerNoteSubIfdRecord> subIfds_; // MakerNote sub-directories still to read
    std::set<int64_t> visitedMakerNoteDirs_;    // absolute starts, so that no directory is read twice
    // Entries may all name the same bytes, so the values decoded may be many times the file.
    int64_t valueBytesLeft_;
    int64_t skippedEntries_ = 0;
    int64_t skippedBytes_ = 0;
};

int32_t DirectoryWalker::Run() {
    if (!ReadHeader()) return kOpenExifError;
    for (int32_t selector = kIfd0; selector <= kIfd1; ++selector) {
        const int32_t result = WalkDirectory(selector);
        if (result != kOpenOk) return result;
    }
    return kOpenOk;
}

bool DirectoryWalker::ReadHeader() {
    const uint8_t order = file_.ByteOrZero(base_);
    if (order != file_.ByteOrZero(base_ + 1) || (order != 'I' && order != 'M')) return false;
    codec_.bigEndian_ = order == 'M';
    codec_.makerNote_.littleEndian = !codec_.bigEndian_;
    codec_.makerNote_.pointerRef = ClampToInt32(base_);
    const auto ifd0 = file_.U32(base_ + 4, codec_.bigEndian_);
    if (!ifd0) return false;
    offsets_[kIfd0] = *ifd0;
    return true;
}

int32_t DirectoryWalker::WalkDirectory(int32_t selector) {
    const int64_t offset = offsets_[static_cast<size_t>(selector)];
    if (selector != kIfd0 && offset == 0) return kOpenOk;
    const bool inMakerNote = selector == kIfdMakerNote;
    // The MakerNote directory starts where its identification says (relative to the TIFF
    // header), but its values count from the MakerNote's own base.
    const DirectoryFrame frame{selector,
                               base_ + offset,
                               inMakerNote ? codec_.makerNote_.pointerRef : base_,
                               inMakerNote ? !codec_.makerNote_.littleEndian : codec_.bigEndian_,
                               0,
                               false};
    bool ok = ReadDirectory(frame);
    if (ok && inMakerNote) ok = ReadMakerNoteSubIfds(frame);
    if (ok) return kOpenOk;
    if (inMakerNote && codec_.processMakerNote_) {
        codec_.AddFinding(CodecFinding("makernote.directory-outside-file", kFactMakerNoteIsOriginal, false)
                              .With("directoryAt", frame.start)
                              .With("fileSize", file_.Size()));
        return kOpenMakerNoteError;
    }
    return kOpenExifError;
}

// Reads one directory into the tag store; false on a read outside the file.
bool DirectoryWalker::ReadDirectory(const DirectoryFrame& dir) {
    const auto count = EntriesToRead(dir);
    if (!count) return false;
    if (*count == 0 && dir.selector != kIfd0) return true; // not a usable directory: skipped
    const int64_t firstEntry = dir.start + 2;
    for (int32_t i = 0; i < *count; ++i)
        if (!ReadEntry(dir, firstEntry + kIfdEntrySize * i)) return false;
    if (dir.selector == kIfd0 && !ReadIfd1Link(firstEntry + kIfdEntrySize * *count, dir.bigEndian))
        return false;
    codec_.tags_.AddToCount(dir.selector, *count);
    return true;
}

// How many entries the directory's count lets the walk read: nothing when the count lies
// outside the file, 0 when the directory is not a usable one. IFD0 is always read.
std::optional<int32_t> DirectoryWalker::EntriesToRead(const DirectoryFrame& dir) {
    const auto rawCount = file_.U16(dir.start, dir.bigEndian);
    if (!rawCount) return std::nullopt;
    const int32_t count = static_cast<int16_t>(*rawCount);
    if (dir.selector == kIfd0) return std::max(count, 0);
    if (count < 1 || count > 254) {
        if (dir.makerNoteSubIfd)
            DropMakerNoteSubIfds(
                CodecFinding("makernote.subifd-count-implausible", kFactMakerNoteIsOriginal, false)
                    .With("subIfdTag", dir.parentTag)
                    .With("entryCount", count));
        return 0;
    }
    if (!dir.makerNoteSubIfd) return count;
    const auto usable = SubIfdUsable(dir);
    if (!usable) return std::nullopt;
    if (*usable) return count;
    DropMakerNoteSubIfds(
        CodecFinding("makernote.subifd-first-entry-unusable", kFactMakerNoteIsOriginal, false)
            .With("subIfdTag", dir.parentTag));
    return 0;
}

// Whether a MakerNote sub-directory looks like one: its first entry must have a known
// format and at least one component. Nothing when that entry lies outside the file.
std::optional<bool> DirectoryWalker::SubIfdUsable(const DirectoryFrame& dir) const {
    const auto first = ReadIfdEntry(file_, dir.start + 2, dir.bigEndian);
    if (!first) return std::nullopt;
    return FormatSize(first->format) != 0 && first->components >= 1;
}

bool DirectoryWalker::ReadEntry(const DirectoryFrame& dir, int64_t position) {
    const auto fields = ReadIfdEntry(file_, position, dir.bigEndian);
    if (!fields) return false;
    const int32_t index = codec_.tags_.Append(DecodeEntry(dir, position, *fields));
    NoteEntry(dir, index, fields->tag);
    return true;
}

TagEntry DirectoryWalker::DecodeEntry(const DirectoryFrame& dir, int64_t position,
                                      const IfdEntryFields& fields) {
    TagEntry entry;
    entry.ifd = dir.selector;
    entry.entryPosition = static_cast<int32_t>(position);
    entry.tagNoID = dir.parentTag << 16 | fields.tag;
    entry.format = fields.format;
    entry.components = fields.components;
    if (entry.components < 0) {
        entry.components = 0;
        if (dir.selector == kIfdMakerNote)
            codec_.AddFinding(
                CodecFinding("makernote.entry-components-negative", kFactMakerNoteIsOriginal, false)
                    .With("tag", fields.tag)
                    .With("components", fields.components));
    }
    const int64_t n = ValueLength(entry);
    if (n > 4) entry.valueOffset = fields.valueField;
    const int64_t at = entry.valueOffset == 0 ? position + 8 : dir.base + entry.valueOffset;
    const bool readable = n >= 1 && dir.base + entry.valueOffset + n <= file_.Size() && file_.Has(at, n);
    if (readable && ValueWithinBudget(n)) {
        entry.value = DecodeValue(file_, at, entry.format, entry.components, dir.bigEndian);
        entry.locked = n > kMaxRewritableValue;
    } else {
        entry.locked = true;
    }
    return entry;
}

bool DirectoryWalker::ValueWithinBudget(int64_t length) {
    if (length <= budget::kAlwaysDecodedValueBytes) return true;
    if (length <= valueBytesLeft_) {
        valueBytesLeft_ -= length;
        return true;
    }
    ++skippedEntries_;
    skippedBytes_ += length;
    return false;
}

void DirectoryWalker::NoteValueBudget() {
    if (skippedEntries_ == 0) return;
    codec_.AddFinding(NoteFinding("budget.tag-values-not-decoded")
                          .With("entries", skippedEntries_)
                          .With("bytes", skippedBytes_)
                          .With("limit", budget::TagValueBytes(file_.Size())));
}

// The rules that read single entries as they are stored: links to further directories,
// the maker and model, the MakerNote and what its own entries say.
void DirectoryWalker::NoteEntry(const DirectoryFrame& dir, int32_t index, uint16_t tag) {
    const TagEntry& stored = codec_.tags_.Entry(index);
    if (dir.selector == kIfd0) {
        NoteIfd0Entry(stored, tag);
    } else if (dir.selector == kIfdExif) {
        if (tag == kTagInteropIfd) offsets_[kIfdInterop] = LinkOffset(stored.value);
        if (tag == kTagMakerNote && !makerNoteFound_) IdentifyMakerNote(stored, index);
    } else if (dir.selector == kIfdMakerNote) {
        NoteMakerNoteEntry(stored, tag);
        codec_.NoteMakerNotePreview(file_, index);
    }
}

void DirectoryWalker::NoteIfd0Entry(const TagEntry& entry, uint16_t tag) {
    if (tag == kTagExifIfd) offsets_[kIfdExif] = LinkOffset(entry.value);
    if (tag == kTagGpsIfd) offsets_[kIfdGps] = LinkOffset(entry.value);
    if (const auto* text = std::get_if<std::string>(&entry.value)) {
        if (tag == kTagMake) codec_.manufacturer_ = ManufacturerFromMake(*text);
        if (tag == kTagModel && model_.empty()) model_ = *text;
    }
}

void DirectoryWalker::NoteMakerNoteEntry(const TagEntry& entry, uint16_t tag) {
    if (codec_.manufacturer_ == kMakerApple && entry.tagNoID == kTagAppleCheck &&
        entry.format == kFormatUndefined && !AppleTag3IsIntact(entry.value))
        codec_.AddFinding(CodecFinding("makernote.apple-stamp-changed", kFactMakerNoteIsOriginal, false)
                              .With("tag", tag)
                              .With("stamp", GenericValueText(entry.value, entry.format)));
    if (auto record =
            MakerNoteSubIfdOf(codec_.manufacturer_, tag, entry.format, entry.valueOffset, entry.value)) {
        codec_.makerNote_.subIfdExists = true;
        if (record->marksType4) codec_.makerNote_.ifdType = 4;
        subIfds_.push_back(*record);
    }
}

void DirectoryWalker::IdentifyMakerNote(const TagEntry& entry, int32_t index) {
    auto& makerNote = codec_.makerNote_;
    makerNote.pointer = entry.valueOffset;
    const MakerNoteContext context{.file = file_,
                                   .tiffBase = base_,
                                   .fileType = codec_.fileType_,
                                   .manufacturer = codec_.manufacturer_,
                                   .processMakerNote = codec_.processMakerNote_,
                                   .mainBigEndian = codec_.bigEndian_,
                                   .model = model_};
    // Offsets in the file are unsigned: one with the top bit set lies beyond any file read here.
    const MakerNoteIdentity identity =
        pellvane::IdentifyMakerNote(context, UnsignedOffset(entry.valueOffset), ValueLength(entry));
    makerNote.ifdType = identity.ifdType;
    makerNote.subIfdExists = false;
    makerNote.pointerRef = ClampToInt32(identity.pointerRef);
    makerNote.littleEndian = identity.littleEndian;
    for (const Finding& finding : identity.findings)
        codec_.AddFinding(finding);
    codec_.manufacturer_ = identity.manufacturer;
    if (identity.ifdOffset != 0) {
        offsets_[kIfdMakerNote] = identity.ifdOffset;
        makerNoteFound_ = true;
        codec_.tags_.Rebind(kIfdExif, kTagMakerNote, index);
    }
}

// IFD0 ends with the link to IFD1; the legacy editor block may follow it.
bool DirectoryWalker::ReadIfd1Link(int64_t linkAt, bool bigEndian) {
    const auto link = file_.U32(linkAt, bigEndian);
    if (!link) return false;
    offsets_[kIfd1] = *link;
    if (codec_.pelvnVersion_ == 0 && file_.Has(linkAt + 4, 16))
        codec_.pelvnVersion_ = CheckLegacyBlock(file_.Slice(linkAt + 4, 16));
    return true;
}

// The sub-directories that the MakerNote directory (or one of them) names, in the order
// named; each is read once, however often it is named.
bool DirectoryWalker::ReadMakerNoteSubIfds(const DirectoryFrame& makerNote) {
    visitedMakerNoteDirs_.insert(makerNote.start);
    size_t walked = 0;
    while (!subIfds_.empty() && walked < kMaxMakerNoteSubIfds) {
        const MakerNoteSubIfdRecord record = subIfds_.front();
        subIfds_.pop_front();
        const int64_t start = makerNote.base + record.offset;
        if (!visitedMakerNoteDirs_.insert(start).second) continue;
        ++walked;
        if (!ReadDirectory({kIfdMakerNote, start, makerNote.base, makerNote.bigEndian, record.tag, true}))
            return false;
    }
    return true;
}

// A sub-directory that is not what a camera writes makes the MakerNote not original, and no
// further sub-directory is trusted.
void DirectoryWalker::DropMakerNoteSubIfds(Finding reason) {
    codec_.AddFinding(std::move(reason));
    subIfds_.clear();
}

int32_t cExifCodec::WalkDirectories(const cByteReader& file) {
    DirectoryWalker walker(*this, file);
    const int32_t result = walker.Run();
    walker.NoteValueBudget();
    return result;
}

} // namespace pellvane
