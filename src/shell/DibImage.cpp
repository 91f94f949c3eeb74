#include "shell/DibImage.h"

#include <algorithm>
#include <bit>

namespace pellvane {

static_assert(std::endian::native == std::endian::little,
              "the buffer's BGRA bytes are read as ARGB32, which holds only on little-endian machines");

QImage DibToImage(const cDIBSection& picture) {
    if (picture.IsEmpty() || picture.Width() <= 0 || picture.Height() <= 0) return {};
    QImage image(picture.Width(), picture.Height(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    const size_t rowBytes = static_cast<size_t>(picture.ScanWidth());
    for (int32_t y = 0; y < picture.Height(); ++y) {
        // The buffer stores its rows bottom-up: the picture's top row is the last in memory.
        const std::span<const uint8_t> row = picture.MemoryRow(picture.Height() - 1 - y);
        std::copy_n(row.data(), rowBytes, image.scanLine(y));
    }
    return image;
}

} // namespace pellvane
