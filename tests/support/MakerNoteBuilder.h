#pragma once
// Builders for MakerNote blocks, so that each MakerNote test shows the bytes a maker
// writes: signature bytes, the MakerNote's own directory with its values, sub-directories
// and trailers at chosen positions; and the TIFF structure that carries such a block.

#include "support/JpegBuilder.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

namespace pellvane::test {

class MakerNoteBlock {
  public:
    // `shift` turns a position inside the block into the offset written for it: 0 when the
    // maker counts offsets from the MakerNote's start, the MakerNote's own offset when they
    // count from the TIFF header, -10 when they count from an inner header at byte 10.
    MakerNoteBlock(bool bigEndian, int64_t shift) : bigEndian_(bigEndian), shift_(shift) {}

    uint32_t OffsetOf(size_t position) const {
        return static_cast<uint32_t>(static_cast<int64_t>(position) + shift_);
    }

    // Bytes placed at `at`; the block grows as needed.
    MakerNoteBlock& Put(size_t at, const ByteArray& bytes) {
        if (bytes_.size() < at + bytes.size()) bytes_.resize(at + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at));
        return *this;
    }

    MakerNoteBlock& Append(const ByteArray& bytes) { return Put(bytes_.size(), bytes); }

    // A directory at `at`: the entry count, the 12-byte entries and a zero next-directory
    // link, then the values longer than four bytes, whose offsets go through the shift.
    // Entries made with `WithOffset` keep the offset they were given.
    MakerNoteBlock& Directory(size_t at, const std::vector<IfdEntry>& entries) {
        size_t valueAt = at + 2 + 12 * entries.size() + 4;
        ByteArray dir = Number(entries.size(), 2);
        for (const IfdEntry& e : entries) {
            Add(dir, Number(e.tag, 2));
            Add(dir, Number(e.format, 2));
            Add(dir, Number(e.count, 4));
            if (e.rawOffset) {
                Add(dir, Number(e.numbers.at(0), 4));
                continue;
            }
            ByteArray value = ValueBytes(e);
            if (value.size() <= 4) {
                value.resize(4, 0);
                Add(dir, value);
                continue;
            }
            Add(dir, Number(OffsetOf(valueAt), 4));
            Put(valueAt, value);
            valueAt += value.size() + value.size() % 2;
        }
        Add(dir, Number(0, 4));
        return Put(at, dir);
    }

    const ByteArray& Bytes() const { return bytes_; }

    // `value` in the block's byte order, `width` bytes wide.
    ByteArray Number(uint64_t value, int width) const {
        ByteArray out;
        for (int i = 0; i < width; ++i) {
            const int shift = bigEndian_ ? 8 * (width - 1 - i) : 8 * i;
            out.push_back(static_cast<uint8_t>(value >> shift));
        }
        return out;
    }

  private:
    static void Add(ByteArray& to, const ByteArray& bytes) {
        to.insert(to.end(), bytes.begin(), bytes.end());
    }

    ByteArray ValueBytes(const IfdEntry& e) const {
        if (!e.bytes.empty() || e.numbers.empty()) return e.bytes;
        const int width = e.format == 3 || e.format == 8                    ? 2
                          : e.format == 1 || e.format == 6 || e.format == 7 ? 1
                                                                            : 4;
        ByteArray out;
        for (uint32_t n : e.numbers)
            Add(out, Number(n, width));
        return out;
    }

    bool bigEndian_;
    int64_t shift_;
    ByteArray bytes_;
};

// An entry whose format is IFD (13) and whose single value is `offset`.
inline IfdEntry SubIfd(uint16_t tag, uint32_t offset) {
    return {tag, 13, 1, {offset}, {}, false};
}

// The offset of the MakerNote (tag 0x927C of the Exif directory) in a TIFF structure, relative
// to its header; 0 when there is none.
inline uint32_t MakerNoteOffsetIn(const ByteArray& tiff) {
    const bool big = tiff.at(0) == 'M';
    auto number = [&](size_t at, int width) {
        uint32_t v = 0;
        for (int i = 0; i < width; ++i) {
            const uint32_t b = tiff.at(at + static_cast<size_t>(i));
            v |= big ? b << (8 * (width - 1 - i)) : b << (8 * i);
        }
        return v;
    };
    auto find = [&](uint32_t dir, uint16_t tag) -> uint32_t {
        const uint32_t count = number(dir, 2);
        for (uint32_t i = 0; i < count; ++i)
            if (number(dir + 2 + 12 * i, 2) == tag) return number(dir + 2 + 12 * i + 8, 4);
        return 0;
    };
    const uint32_t exif = find(number(4, 4), 0x8769);
    return exif == 0 ? 0 : find(exif, 0x927C);
}

// A TIFF structure whose Exif directory ends with a MakerNote made by `note`, which is given
// the MakerNote's offset relative to the TIFF header and must answer blocks of one length.
inline ByteArray TiffWithMakerNote(TiffSpec spec, const std::function<ByteArray(uint32_t)>& note) {
    const size_t length = note(0).size();
    spec.exif.push_back(Undefined(0x927C, ByteArray(length, 0)));
    const uint32_t offset = MakerNoteOffsetIn(BuildTiff(spec));
    ByteArray block = note(offset);
    if (block.size() != length) throw std::logic_error("the MakerNote's length depends on its offset");
    spec.exif.back() = Undefined(0x927C, std::move(block));
    return BuildTiff(spec);
}

} // namespace pellvane::test
