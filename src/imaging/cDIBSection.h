#pragma once
// The program's one picture container: a 32-bit bitmap that owns its pixels, loads itself from a
// file or from bytes in memory, scales, reorients and fingerprints itself.
//
// Pixel layout: rows are stored bottom-up (the first row in memory is the bottom row of the
// picture), each row Width x 4 bytes without padding, each pixel the bytes blue, green, red,
// alpha. Pictures with transparency hold premultiplied colours; pictures without it have alpha
// bytes of 255.

#include "imaging/ImageFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

namespace pellvane {

// The largest picture the buffer accepts, in pixels (width x height). A JPEG header may declare
// up to 65535 x 65535 pixels, which would ask for 16 GiB of pixel memory; such a picture is
// treated as undecodable instead, and the decoders refuse it before they allocate anything.
#ifdef PELLVANE_FUZZ_MAX_PICTURE_PIXELS
// Fuzz builds refuse pictures far smaller, as decoder fuzzing commonly does: what the fuzzer
// learns from a picture does not grow with its size, but the time of every run does.
inline constexpr int64_t kMaxPicturePixels = PELLVANE_FUZZ_MAX_PICTURE_PIXELS;
#else
inline constexpr int64_t kMaxPicturePixels = 250'000'000;
#endif

// Files and streams shorter than this are never taken for pictures.
inline constexpr size_t kMinPictureBytes = 57;

// True when a picture of this size may be held: both sides positive and at most
// kMaxPicturePixels pixels in all.
bool FitsPixelLimit(int64_t width, int64_t height);

// Where a picture lands when fitted into an area: its top-left corner and its size.
struct BestFit {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const BestFit&) const = default;
};

// The 64-bit average-hash fingerprint of an 8 x 8 picture: bit c (value 2^c) of byte r is set
// when the pixel in memory row r (row 0 is the bottom row), column c is at least as light as the
// mean.
using Fingerprint = std::array<uint8_t, 8>;

struct HashValue {
    Fingerprint bits{};
    uint8_t meanRed = 0;
    uint8_t meanGreen = 0;
    uint8_t meanBlue = 0;
};

// Releases memory of the C allocator, which the pixel buffer uses because it aligns large
// buffers for huge pages.
struct FreeMemory {
    void operator()(uint8_t* memory) const noexcept;
};

class cDIBSection {
  public:
    static constexpr int32_t kBytesPerPixel = 4;

    cDIBSection() = default;
    cDIBSection(const cDIBSection& other);
    cDIBSection& operator=(const cDIBSection& other);
    cDIBSection(cDIBSection&& other) noexcept;
    cDIBSection& operator=(cDIBSection&& other) noexcept;
    ~cDIBSection() = default;

    // -1 when there is no buffer, 0 for a blank buffer, otherwise the source format code.
    int32_t ImageType() const { return imageType_; }
    // One of the alpha_class codes.
    int32_t Alpha() const { return alpha_; }
    void SetAlpha(int32_t alpha) { alpha_ = alpha; }
    // On (the default): scaling averages areas when shrinking and interpolates when enlarging.
    // Off: scaling picks the nearest pixel.
    bool HighQualityInterpolation() const { return highQualityInterpolation_; }
    void SetHighQualityInterpolation(bool on) { highQualityInterpolation_ = on; }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The display size, which equals the buffer size.
    int32_t ScaledWidth() const { return width_; }
    int32_t ScaledHeight() const { return height_; }
    static constexpr int32_t bitCount() { return 32; }
    int32_t ScanWidth() const { return width_ * kBytesPerPixel; }
    bool IsEmpty() const { return pixels_ == nullptr; }

    // The pixel memory, ScanWidth x Height bytes; empty when there is no buffer.
    std::span<uint8_t> BitsPointer() { return {pixels_.get(), ByteCount()}; }
    std::span<const uint8_t> BitsPointer() const { return {pixels_.get(), ByteCount()}; }
    // One row by its index in memory (0 is the bottom row of the picture).
    std::span<uint8_t> MemoryRow(int32_t row);
    std::span<const uint8_t> MemoryRow(int32_t row) const;

    // The path of the file last loaded; empty after a load from memory.
    const std::filesystem::path& FileName() const { return fileName_; }

    // Empties the buffer and decodes the file into it at the picture's stored size (no EXIF
    // orientation, no colour management). Fails, leaving the buffer empty, when the file cannot
    // be read, is 56 bytes or shorter, is not a picture, is truncated or is larger than
    // kMaxPicturePixels.
    bool LoadPicture_File(const std::filesystem::path& path);
    // The same for a picture held in memory.
    bool LoadPicture_Stream(std::span<const uint8_t> bytes);

    // Where the picture goes when fitted into an area of the given size, centred. A picture that
    // fits keeps its own size unless enlarge is set. Empty when there is no buffer.
    std::optional<BestFit> GetBestFitInfo(int32_t areaWidth, int32_t areaHeight, bool enlarge) const;

    // The fingerprint of an 8 x 8 buffer, which is then left as a two-tone picture: pixels at
    // least as light as the mean white, the others the mean colour. Any other size gives nothing
    // and changes nothing.
    std::optional<HashValue> GetHashValue();

    // Discards any buffer and creates a new one filled with zeros (ImageType 0, Alpha 0). A
    // negative height is taken as its absolute value; a width or height that is not positive,
    // or a size above kMaxPicturePixels, creates nothing and returns false.
    bool InitializeDIB(int32_t width, int32_t height);
    // The same, but the pixels are left undefined, for a decoder that writes every one of them.
    bool InitializeDIBForOverwrite(int32_t width, int32_t height);
    // Releases the buffer: ImageType -1, Alpha 0.
    void DestroyDIB();
    // Sets every pixel byte to 0: ImageType 0, Alpha 0. Does nothing when there is no buffer.
    void EraseDIB();

    // Flips the pixels in place about the vertical axis (horizontal), the horizontal axis
    // (vertical), or both. False when there is no buffer or neither flag is set.
    bool MirrorImage(bool horizontal, bool vertical);
    // Scales the picture to a new size; 0 keeps that dimension. False when there is no buffer,
    // a size is negative or the new size exceeds kMaxPicturePixels.
    bool Resize(int32_t newWidth, int32_t newHeight);
    // Turns the picture: multiples of 360 degrees do nothing, other multiples of 180 flip both
    // ways, any other angle snaps to a quarter turn clockwise (below 180 after bringing it into
    // 0..360) or counter-clockwise (otherwise).
    bool RotateImage(double angle);
    // Copies the picture, with its ImageType, Alpha and interpolation setting, into target at the
    // given size (0 keeps the source dimension, a negative size counts by its absolute value),
    // scaling it when the size differs.
    bool CopyImageToDIB(cDIBSection& target, int32_t width, int32_t height) const;

  private:
    // The pixel memory is allocated without being cleared so that a decoder that fills every
    // pixel does not pay for writing the memory twice.
    using PixelMemory = std::unique_ptr<uint8_t[], FreeMemory>;

    size_t ByteCount() const;
    bool Allocate(int32_t width, int32_t height, bool zeroFill);
    bool DecodeInto(std::span<const uint8_t> bytes);
    void ReplacePixels(PixelMemory pixels, int32_t width, int32_t height);
    bool RotateQuarterTurn(bool clockwise);

    PixelMemory pixels_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t imageType_ = image_type::kNoBuffer;
    int32_t alpha_ = alpha_class::kOpaque;
    bool highQualityInterpolation_ = true;
    std::filesystem::path fileName_;
};

} // namespace pellvane
