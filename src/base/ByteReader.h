#pragma once
// Bounds-checked access to file bytes. Every read of data that came from a file goes
// through this reader, so an offset, length or count taken from the file can never
// reach past the buffer: a read outside answers "nothing" (std::nullopt or an empty span).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace pellvane {

class cByteReader {
  public:
    cByteReader() = default;
    explicit cByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    int64_t Size() const { return static_cast<int64_t>(bytes_.size()); }
    std::span<const uint8_t> Bytes() const { return bytes_; }

    // True when [offset, offset + count) lies wholly inside the buffer. Written so that no
    // sum can overflow, whatever the two numbers are.
    bool Has(int64_t offset, int64_t count) const {
        return offset >= 0 && count >= 0 && offset <= Size() && count <= Size() - offset;
    }

    std::span<const uint8_t> Slice(int64_t offset, int64_t count) const {
        if (!Has(offset, count)) return {};
        return bytes_.subspan(static_cast<size_t>(offset), static_cast<size_t>(count));
    }

    std::optional<uint8_t> U8(int64_t offset) const {
        if (!Has(offset, 1)) return std::nullopt;
        return bytes_[static_cast<size_t>(offset)];
    }

    // Bytes outside the buffer read as 0; used where the file format says so.
    uint8_t ByteOrZero(int64_t offset) const { return U8(offset).value_or(0); }

    std::optional<uint16_t> U16(int64_t offset, bool bigEndian) const {
        auto b = Slice(offset, 2);
        if (b.empty()) return std::nullopt;
        return bigEndian ? static_cast<uint16_t>(b[0] << 8 | b[1]) : static_cast<uint16_t>(b[1] << 8 | b[0]);
    }

    std::optional<uint32_t> U32(int64_t offset, bool bigEndian) const {
        auto b = Slice(offset, 4);
        if (b.empty()) return std::nullopt;
        if (bigEndian)
            return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
                   static_cast<uint32_t>(b[2]) << 8 | b[3];
        return static_cast<uint32_t>(b[3]) << 24 | static_cast<uint32_t>(b[2]) << 16 |
               static_cast<uint32_t>(b[1]) << 8 | b[0];
    }

    std::optional<int32_t> I32(int64_t offset, bool bigEndian) const {
        auto v = U32(offset, bigEndian);
        if (!v) return std::nullopt;
        return static_cast<int32_t>(*v);
    }

    // True when the bytes at offset equal the given text (no terminating zero compared).
    template <size_t N> bool Matches(int64_t offset, const char (&text)[N]) const {
        auto b = Slice(offset, N - 1);
        if (b.empty()) return false;
        for (size_t i = 0; i + 1 < N; ++i)
            if (b[i] != static_cast<uint8_t>(text[i])) return false;
        return true;
    }

  private:
    std::span<const uint8_t> bytes_;
};

} // namespace pellvane
