#pragma once
// Format codes of pictures, as the pixel buffer reports them in its ImageType, the test that
// tells them from the first two bytes of a file or stream, and the alpha classes of decoded
// pictures.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace pellvane {

namespace image_type {
inline constexpr int32_t kNoBuffer = -1; // the buffer holds nothing
inline constexpr int32_t kBlank = 0;     // a buffer that was created, not loaded
inline constexpr int32_t kBmp = 1;
inline constexpr int32_t kJpeg = 2;
inline constexpr int32_t kTiff = 3;
inline constexpr int32_t kPng = 4;
inline constexpr int32_t kGif = 5;
inline constexpr int32_t kPhotoshop = 6;
inline constexpr int32_t kUnknown = 99;
} // namespace image_type

// Alpha classes of a decoded picture.
namespace alpha_class {
inline constexpr int32_t kOpaque = 0;      // no transparency; alpha bytes are all 255
inline constexpr int32_t kBinary = 1;      // only fully transparent and fully opaque pixels
inline constexpr int32_t kTranslucent = 2; // partial transparency occurs
} // namespace alpha_class

// The format code decided from the first two bytes; fewer than two bytes give kUnknown.
int32_t TestImageType(std::span<const uint8_t> bytes);

// The format code of a file from its first two bytes; a file that cannot be read gives kUnknown.
int32_t TestImageType(const std::filesystem::path& path);

// A picture's size as its file declares it.
struct DeclaredSize {
    int64_t width = 0;
    int64_t height = 0;
    bool operator==(const DeclaredSize&) const = default;
};

// The size a JPEG stream's frame header declares: the segments are walked from the start of
// image to the first start-of-frame marker. Nothing when the bytes end, or are no JPEG, first.
std::optional<DeclaredSize> JpegFrameSize(std::span<const uint8_t> bytes);

// The declared size of a JPEG file whose picture is larger than the decoders hold
// (kMaxPicturePixels), or nothing for any other file. It tells a refusal for size apart from a
// file that does not decode.
std::optional<DeclaredSize> OversizeJpeg(const std::filesystem::path& path);

} // namespace pellvane
