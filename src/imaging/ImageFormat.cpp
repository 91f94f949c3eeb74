#include "imaging/ImageFormat.h"

#include "imaging/RegularFile.h"
#include "imaging/cDIBSection.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pellvane {

namespace {

struct Signature {
    uint8_t first;
    uint8_t second;
    int32_t type;
};

// "II" and "MM" are the two byte orders of a TIFF file; "GI" starts "GIF87a" and "GIF89a"; "8B"
// starts "8BPS", a Photoshop document.
constexpr std::array<Signature, 7> kSignatures{{
    {0xFF, 0xD8, image_type::kJpeg},
    {0x89, 'P', image_type::kPng},
    {'M', 'M', image_type::kTiff},
    {'I', 'I', image_type::kTiff},
    {'B', 'M', image_type::kBmp},
    {'G', 'I', image_type::kGif},
    {'8', 'B', image_type::kPhotoshop},
}};

} // namespace

int32_t TestImageType(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2) return image_type::kUnknown;
    for (const Signature& signature : kSignatures)
        if (bytes[0] == signature.first && bytes[1] == signature.second) return signature.type;
    return image_type::kUnknown;
}

int32_t TestImageType(const std::filesystem::path& path) {
    const cRegularFile file(path);
    std::array<uint8_t, 2> head{};
    if (!file.IsValid() || !file.ReadFront(head)) return image_type::kUnknown;
    return TestImageType(std::span<const uint8_t>(head));
}

namespace {

// Start-of-frame markers: C0 to CF but for DHT (C4), JPG (C8) and DAC (CC).
bool IsStartOfFrame(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

uint32_t BigEndian16(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t(bytes[at]) << 8 | bytes[at + 1];
}

// The frame header follows the application segments, which hold 64 KiB at most each.
constexpr int64_t kFrameSearchBytes = 4 * 1024 * 1024;

} // namespace

std::optional<DeclaredSize> JpegFrameSize(std::span<const uint8_t> bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return std::nullopt;
    size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) return std::nullopt;
        const uint8_t marker = bytes[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const uint32_t length = BigEndian16(bytes, at + 2);
        if (IsStartOfFrame(marker)) {
            // Length, precision, then height and width.
            if (at + 9 > bytes.size() || length < 7) return std::nullopt;
            return DeclaredSize{BigEndian16(bytes, at + 7), BigEndian16(bytes, at + 5)};
        }
        if (marker == 0xD9 || marker == 0xDA || length < 2) return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<DeclaredSize> OversizeJpeg(const std::filesystem::path& path) {
    const cRegularFile file(path);
    if (!file.IsValid()) return std::nullopt;
    std::vector<uint8_t> front(size_t(std::clamp<int64_t>(file.Size(), 0, kFrameSearchBytes)));
    if (!file.ReadFront(front)) return std::nullopt;
    const std::optional<DeclaredSize> size = JpegFrameSize(front);
    if (!size || FitsPixelLimit(size->width, size->height)) return std::nullopt;
    return size;
}

} // namespace pellvane
