#include "imaging/ImageFormat.h"

#include "imaging/RegularFile.h"

#include <array>

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

} // namespace pellvane
