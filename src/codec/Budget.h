#pragma once
// The per-file budget: how much work, memory and temporary space one examined file may cost,
// whatever its structure counts. Every limit is named here. A file that exceeds one is still
// examined; the work past the limit is not done and a "budget.*" finding says what was left.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <tuple>

namespace pellvane::budget {

inline constexpr int64_t kMiB = 1024 * 1024;

// Files are addressed with 32-bit offsets; a larger one is refused before it is read.
inline constexpr int64_t kMaxFileBytes = INT32_MAX;

// The bytes of one file the codec holds in memory: a file is read up to this, and what lies
// beyond is examined as if the file ended there. Camera files are a small part of it.
inline constexpr int64_t kMaxResidentFileBytes = 128 * kMiB;
// The data after the end of the image is kept up to this; its size is always the whole.
inline constexpr int64_t kMaxTrailingBytesKept = 32 * kMiB;

// Decoded tag values: a floor plus a multiple of the file's size. Values of a few bytes
// (links, counts, single numbers) are always decoded: the walk needs them and they cost
// nothing; only values longer than this count against the budget.
inline constexpr int64_t kTagValueBytesFloor = 16 * kMiB;
inline constexpr int64_t kTagValueBytesPerFileByte = 2;
inline constexpr int64_t kAlwaysDecodedValueBytes = 64;
inline constexpr int64_t TagValueBytes(int64_t fileSize) {
    return kTagValueBytesFloor + kTagValueBytesPerFileByte * fileSize;
}

// Temporary files of one file's embedded images, all held at once.
inline constexpr int64_t kTempBytesFloor = 16 * kMiB;
inline constexpr int64_t kTempBytesPerFileByte = 2;
inline constexpr int64_t TempBytes(int64_t fileSize) {
    return kTempBytesFloor + kTempBytesPerFileByte * fileSize;
}

// Embedded images decoded to compare them with the main picture: at most this many, and
// pixels in all at most a floor plus a multiple of the main picture's.
inline constexpr int32_t kMaxEmbeddedImagesDecoded = 16;
inline constexpr int64_t kEmbeddedPixelsFloor = 16 * kMiB;
inline constexpr int64_t kEmbeddedPixelsPerMainPixel = 3;
inline constexpr int64_t EmbeddedPixels(int64_t mainPixels) {
    return kEmbeddedPixelsFloor + kEmbeddedPixelsPerMainPixel * mainPixels;
}
// A thumbnail is decoded (to tell whether it is valid) only when it declares at most this.
inline constexpr int64_t kMaxThumbnailPixels = kEmbeddedPixelsFloor;

// Values longer than this are shown cut in listings, with their full length stated.
inline constexpr size_t kListingTextBytes = 4096;

// The pixels a JPEG declares in its frame header (width × height); nothing when the bytes do
// not start a JPEG or hold no frame header.
std::optional<int64_t> DeclaredJpegPixels(std::span<const uint8_t> bytes);
// The same for a JPEG file, reading only its segment headers.
std::optional<int64_t> DeclaredJpegPixels(const std::string& path);

// The temporary files of one opened file: identical images (the same bytes of the file) are
// written once, and bytes beyond the budget are not written at all.
class cTempWriter {
  public:
    void Reset(int64_t fileSize);
    struct Written {
        std::string path;      // "" when not written
        bool withheld = false; // not written because the budget was spent
    };
    // `source` and `patched` name the bytes: their position in the file, and whether the
    // writer altered them.
    Written Write(const std::string& prefix, int64_t source, bool patched, std::span<const uint8_t> bytes);
    int64_t BytesWritten() const { return written_; }
    int64_t Limit() const { return limit_; }
    int32_t WithheldCount() const { return withheldCount_; }
    int64_t WithheldBytes() const { return withheldBytes_; }
    int32_t SharedCount() const { return sharedCount_; }

  private:
    using Key = std::tuple<std::string, int64_t, bool, size_t>;
    std::map<Key, std::string> writtenPaths_;
    int64_t written_ = 0;
    int64_t limit_ = TempBytes(0);
    int32_t withheldCount_ = 0;
    int64_t withheldBytes_ = 0;
    int32_t sharedCount_ = 0;
};

} // namespace pellvane::budget
