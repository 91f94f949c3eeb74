// The walk over the TIFF/EXIF image file directories: IFD0, the Exif, GPS and
// Interoperability directories, the MakerNote directory and IFD1. Every entry lands in the
// tag store; links to the other directories are taken from the entries as they are read.

#include "codec/TextCodec.h"
#include "codec/cExifCodec.h"
#include "codec/extensions/Manufacturer.h"
#include "codec/extensions/LegacyBlock.h"
#include "codec/extensions/MakerNote.h"

#include <array>
#include <cstring>

namespace pellvane {
namespace {

constexpr uint32_t kTagMake = 0x010F;
constexpr uint32_t kTagExifIfd = 0x8769;
constexpr uint32_t kTagGpsIfd = 0x8825;
constexpr uint32_t kTagInteropIfd = 0xA005;
constexpr uint32_t kTagMakerNote = 0x927C;

// Largest value that can still be rewritten into a segment of 64 KiB.
constexpr int64_t kMaxRewritableValue = 65527;

// One directory as the walk sees it: where it is and how to read it.
struct DirectoryFrame {
    int32_t selector;
    int64_t base;      // offsets inside the directory count from here
    bool bigEndian;
    int64_t offset;    // directory offset relative to base
    uint32_t parentTag;
};

template <typename T> std::vector<T> ReadIntegers(const cByteReader& file, int64_t at, int64_t count, bool bigEndian) {
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

template <typename T> std::vector<T> ReadReals(const cByteReader& file, int64_t at, int64_t count, bool bigEndian) {
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
ExifValue DecodeValue(const cByteReader& file, int64_t at, int32_t format, int64_t components, bool bigEndian) {
    switch (format) {
    case 2: {
        return AnsiToText(file.Slice(at, components));
    }
    case 3:
    case 8:
        return ReadIntegers<int16_t>(file, at, components, bigEndian);
    case 4:
    case 9:
    case 13:
        return ReadIntegers<int32_t>(file, at, components, bigEndian);
    case 5:
    case 10:
        return ReadIntegers<int32_t>(file, at, components * 2, bigEndian);
    case 11:
        return ReadReals<float>(file, at, components, bigEndian);
    case 12:
        return ReadReals<double>(file, at, components, bigEndian);
    default: {
        auto bytes = file.Slice(at, components);
        return ByteArray(bytes.begin(), bytes.end());
    }
    }
}

// A directory offset taken from an entry's first value; 0 (none) when it cannot be one.
int64_t LinkOffset(const ExifValue& value) {
    return ValueElement(value, 0, true);
}

} // namespace

int32_t cExifCodec::WalkDirectories(const cByteReader& file) {
    const int64_t base = tiffHeaderOffset_;
    const uint8_t order = file.ByteOrZero(base);
    if (order != file.ByteOrZero(base + 1) || (order != 'I' && order != 'M')) return kOpenExifError;
    bigEndian_ = order == 'M';
    makerNote_.littleEndian = !bigEndian_;
    makerNote_.pointerRef = static_cast<int32_t>(base);
    makerNote_.isOriginal = false;

    const auto ifd0 = file.U32(base + 4, bigEndian_);
    if (!ifd0) return kOpenExifError;

    std::array<int64_t, 7> offsets{};
    offsets[kIfd0] = *ifd0;
    bool makerNoteFound = false;
    bool inMakerNote = false;

    // Reads one directory into the tag store; false on a read outside the file.
    auto readDirectory = [&](const DirectoryFrame& dir) -> bool {
        const int64_t start = dir.base + dir.offset;
        const auto rawCount = file.U16(start, dir.bigEndian);
        if (!rawCount) return false;
        const auto signedCount = static_cast<int16_t>(*rawCount);
        int32_t count = signedCount;
        if (dir.selector == kIfd0) {
            if (count < 1) count = 0;
        } else if (count < 1 || count > 254) {
            return true; // not a usable directory: skipped
        }

        int32_t read = 0;
        for (int32_t i = 0; i < count; ++i) {
            const int64_t pos = start + 2 + 12 * static_cast<int64_t>(i);
            if (!file.Has(pos, 12)) return false;
            TagEntry entry;
            entry.ifd = dir.selector;
            entry.entryPosition = static_cast<int32_t>(pos);
            const uint32_t tag = *file.U16(pos, dir.bigEndian);
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
            const bool readable = n >= 1 && dir.base + entry.valueOffset + n <= file.Size() && file.Has(at, n);
            if (readable) {
                entry.value = DecodeValue(file, at, entry.format, entry.components, dir.bigEndian);
                entry.locked = n > kMaxRewritableValue;
            } else {
                entry.locked = true;
            }

            const int32_t index = tags_.Append(entry);
            const ExifValue& value = tags_.Entry(index).value;
            if (dir.selector == kIfd0) {
                if (tag == kTagExifIfd) offsets[kIfdExif] = LinkOffset(value);
                if (tag == kTagGpsIfd) offsets[kIfdGps] = LinkOffset(value);
                if (tag == kTagMake) {
                    if (const auto* make = std::get_if<std::string>(&value)) manufacturer_ = ManufacturerFromMake(*make);
                }
            } else if (dir.selector == kIfdExif) {
                if (tag == kTagInteropIfd) offsets[kIfdInterop] = LinkOffset(value);
                if (tag == kTagMakerNote && !makerNoteFound) {
                    makerNote_.pointer = entry.valueOffset;
                    const int64_t length = n;
                    MakerNoteContext context{file, base, fileType_, manufacturer_, processMakerNote_, bigEndian_};
                    const MakerNoteIdentity identity = IdentifyMakerNote(context, entry.valueOffset, length);
                    makerNote_.ifdType = identity.ifdType;
                    makerNote_.pointerRef = static_cast<int32_t>(identity.pointerRef);
                    makerNote_.littleEndian = identity.littleEndian;
                    makerNote_.isOriginal = identity.isOriginal;
                    manufacturer_ = identity.manufacturer;
                    if (identity.ifdOffset != 0) {
                        offsets[kIfdMakerNote] = identity.ifdOffset;
                        makerNoteFound = true;
                        tags_.Rebind(kIfdExif, kTagMakerNote, index);
                    }
                }
            }
            ++read;
        }

        if (dir.selector == kIfd0) {
            const int64_t linkAt = start + 2 + 12 * static_cast<int64_t>(count);
            const auto link = file.U32(linkAt, dir.bigEndian);
            if (!link) return false;
            offsets[kIfd1] = *link;
            if (pelvnVersion_ == 0 && file.Has(linkAt + 4, 16))
                pelvnVersion_ = CheckLegacyBlock(file.Slice(linkAt + 4, 16));
        }
        tags_.AddToCount(dir.selector, read);
        return true;
    };

    for (int32_t selector = kIfd0; selector <= kIfd1; ++selector) {
        if (selector != kIfd0 && offsets[static_cast<size_t>(selector)] == 0) continue;
        inMakerNote = selector == kIfdMakerNote;
        const DirectoryFrame frame{selector, inMakerNote ? makerNote_.pointerRef : base,
                                   inMakerNote ? !makerNote_.littleEndian : bigEndian_,
                                   offsets[static_cast<size_t>(selector)], 0};
        if (!readDirectory(frame)) {
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
