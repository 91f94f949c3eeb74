// The walk over the TIFF/EXIF image file directories: IFD0, the Exif, GPS and
// Interoperability directories, the MakerNote directory and IFD1. Every entry lands in the
// tag store; links to the other directories are taken from the entries as they are read.

#include "codec/TextCodec.h"
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

int32_t cExifCodec::WalkDirectories(const cByteReader& file) {
    const int64_t base = tiffHeaderOffset_;
    const uint8_t order = file.ByteOrZero(base);
    if (order != file.ByteOrZero(base + 1) || (order != 'I' && order != 'M')) return kOpenExifError;
    bigEndian_ = order == 'M';
    makerNote_.littleEndian = !bigEndian_;
    makerNote_.pointerRef = ClampToInt32(base);
    makerNote_.isOriginal = false;

    const auto ifd0 = file.U32(base + 4, bigEndian_);
    if (!ifd0) return kOpenExifError;

    std::array<int64_t, 7> offsets{};
    offsets[kIfd0] = *ifd0;
    std::string model;
    bool makerNoteFound = false;
    std::deque<MakerNoteSubIfdRecord> subIfds; // MakerNote sub-directories still to read
    std::set<int64_t> visitedMakerNoteDirs;    // absolute starts, so that no directory is read twice

    auto identifyMakerNote = [&](const TagEntry& entry, int32_t index, int64_t length) {
        makerNote_.pointer = entry.valueOffset;
        const MakerNoteContext context{.file = file,
                                       .tiffBase = base,
                                       .fileType = fileType_,
                                       .manufacturer = manufacturer_,
                                       .processMakerNote = processMakerNote_,
                                       .mainBigEndian = bigEndian_,
                                       .model = model};
        // Offsets in the file are unsigned: one with the top bit set lies beyond any file read here.
        const MakerNoteIdentity identity =
            IdentifyMakerNote(context, UnsignedOffset(entry.valueOffset), length);
        makerNote_.ifdType = identity.ifdType;
        makerNote_.subIfdExists = false;
        makerNote_.pointerRef = ClampToInt32(identity.pointerRef);
        makerNote_.littleEndian = identity.littleEndian;
        makerNote_.isOriginal = identity.isOriginal;
        manufacturer_ = identity.manufacturer;
        if (identity.ifdOffset != 0) {
            offsets[kIfdMakerNote] = identity.ifdOffset;
            makerNoteFound = true;
            tags_.Rebind(kIfdExif, kTagMakerNote, index);
        }
    };

    // The rules that read single entries of the MakerNote directory and its sub-directories.
    auto noteMakerNoteEntry = [&](const TagEntry& entry, uint16_t tag) {
        if (manufacturer_ == kMakerApple && entry.tagNoID == kTagAppleCheck &&
            entry.format == kFormatUndefined && !AppleTag3IsIntact(entry.value))
            makerNote_.isOriginal = false;
        if (auto record =
                MakerNoteSubIfdOf(manufacturer_, tag, entry.format, entry.valueOffset, entry.value)) {
            makerNote_.subIfdExists = true;
            if (record->marksType4) makerNote_.ifdType = 4;
            subIfds.push_back(*record);
        }
    };

    // A sub-directory that is not what a camera writes makes the MakerNote not original,
    // and no further sub-directory is trusted.
    auto dropMakerNoteSubIfds = [&] {
        makerNote_.isOriginal = false;
        subIfds.clear();
    };

    // Whether a MakerNote sub-directory looks like one: its first entry must have a known
    // format and at least one component. Nothing when that entry lies outside the file.
    auto subIfdUsable = [&](const DirectoryFrame& dir) -> std::optional<bool> {
        const int64_t first = dir.start + 2;
        if (!file.Has(first, 12)) return std::nullopt;
        const int32_t format = *file.U16(first + 2, dir.bigEndian);
        const int32_t components = *file.I32(first + 4, dir.bigEndian);
        return FormatSize(format) != 0 && components >= 1;
    };

    // Reads one directory into the tag store; false on a read outside the file.
    auto readDirectory = [&](const DirectoryFrame& dir) -> bool {
        const auto rawCount = file.U16(dir.start, dir.bigEndian);
        if (!rawCount) return false;
        const auto signedCount = static_cast<int16_t>(*rawCount);
        int32_t count = signedCount;
        if (dir.selector == kIfd0) {
            if (count < 1) count = 0;
        } else if (count < 1 || count > 254) {
            if (dir.makerNoteSubIfd) dropMakerNoteSubIfds();
            return true; // not a usable directory: skipped
        }
        if (dir.makerNoteSubIfd) {
            const auto usable = subIfdUsable(dir);
            if (!usable) return false;
            if (!*usable) {
                dropMakerNoteSubIfds();
                return true;
            }
        }

        int32_t read = 0;
        for (int32_t i = 0; i < count; ++i) {
            const int64_t pos = dir.start + 2 + 12 * static_cast<int64_t>(i);
            if (!file.Has(pos, 12)) return false;
            TagEntry entry;
            entry.ifd = dir.selector;
            entry.entryPosition = static_cast<int32_t>(pos);
            const uint16_t tag = *file.U16(pos, dir.bigEndian);
            entry.tagNoID = dir.parentTag << 16 | tag;
            entry.format = *file.U16(pos + 2, dir.bigEndian);
            entry.components = *file.I32(pos + 4, dir.bigEndian);
            if (entry.components < 0) {
                entry.components = 0;
                if (dir.selector == kIfdMakerNote) makerNote_.isOriginal = false;
            }
            const int64_t n = static_cast<int64_t>(entry.components) * FormatSize(entry.format);
            if (n > 4) entry.valueOffset = *file.I32(pos + 8, dir.bigEndian);
            const int64_t at = entry.valueOffset == 0 ? pos + 8 : dir.base + entry.valueOffset;
            const bool readable =
                n >= 1 && dir.base + entry.valueOffset + n <= file.Size() && file.Has(at, n);
            if (readable) {
                entry.value = DecodeValue(file, at, entry.format, entry.components, dir.bigEndian);
                entry.locked = n > kMaxRewritableValue;
            } else {
                entry.locked = true;
            }

            const int32_t index = tags_.Append(entry);
            const TagEntry& stored = tags_.Entry(index);
            if (dir.selector == kIfd0) {
                if (tag == kTagExifIfd) offsets[kIfdExif] = LinkOffset(stored.value);
                if (tag == kTagGpsIfd) offsets[kIfdGps] = LinkOffset(stored.value);
                if (const auto* text = std::get_if<std::string>(&stored.value)) {
                    if (tag == kTagMake) manufacturer_ = ManufacturerFromMake(*text);
                    if (tag == kTagModel && model.empty()) model = *text;
                }
            } else if (dir.selector == kIfdExif) {
                if (tag == kTagInteropIfd) offsets[kIfdInterop] = LinkOffset(stored.value);
                if (tag == kTagMakerNote && !makerNoteFound) identifyMakerNote(stored, index, n);
            } else if (dir.selector == kIfdMakerNote) {
                noteMakerNoteEntry(stored, tag);
                NoteMakerNotePreview(file, index);
            }
            ++read;
        }

        if (dir.selector == kIfd0) {
            const int64_t linkAt = dir.start + 2 + 12 * static_cast<int64_t>(count);
            const auto link = file.U32(linkAt, dir.bigEndian);
            if (!link) return false;
            offsets[kIfd1] = *link;
            if (pelvnVersion_ == 0 && file.Has(linkAt + 4, 16))
                pelvnVersion_ = CheckLegacyBlock(file.Slice(linkAt + 4, 16));
        }
        tags_.AddToCount(dir.selector, read);
        return true;
    };

    // The sub-directories that the MakerNote directory (or one of them) names, in the
    // order named; each is read once, however often it is named.
    auto readMakerNoteSubIfds = [&](const DirectoryFrame& makerNote) -> bool {
        visitedMakerNoteDirs.insert(makerNote.start);
        size_t walked = 0;
        while (!subIfds.empty() && walked < kMaxMakerNoteSubIfds) {
            const MakerNoteSubIfdRecord record = subIfds.front();
            subIfds.pop_front();
            const int64_t start = makerNote.base + record.offset;
            if (!visitedMakerNoteDirs.insert(start).second) continue;
            ++walked;
            if (!readDirectory({kIfdMakerNote, start, makerNote.base, makerNote.bigEndian, record.tag, true}))
                return false;
        }
        return true;
    };

    for (int32_t selector = kIfd0; selector <= kIfd1; ++selector) {
        const int64_t offset = offsets[static_cast<size_t>(selector)];
        if (selector != kIfd0 && offset == 0) continue;
        const bool inMakerNote = selector == kIfdMakerNote;
        // The MakerNote directory starts where its identification says (relative to the
        // TIFF header), but its values count from the MakerNote's own base.
        const DirectoryFrame frame{selector,
                                   base + offset,
                                   inMakerNote ? makerNote_.pointerRef : base,
                                   inMakerNote ? !makerNote_.littleEndian : bigEndian_,
                                   0,
                                   false};
        bool ok = readDirectory(frame);
        if (ok && inMakerNote) ok = readMakerNoteSubIfds(frame);
        if (!ok) {
            if (inMakerNote && processMakerNote_) {
                makerNote_.isOriginal = false;
                return kOpenMakerNoteError;
            }
            return kOpenExifError;
        }
    }
    return kOpenOk;
}

} // namespace pellvane
