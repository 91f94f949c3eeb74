// GIF decoding with giflib: the first frame, placed on the logical screen.

#include "imaging/Decoders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <gif_lib.h>

namespace pellvane::decoding {

namespace {

struct MemoryInput {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

// giflib treats a short read as an error, which is how a truncated file fails.
int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const size_t wanted = static_cast<size_t>(std::max(length, 0));
    const size_t count = std::min(wanted, input->bytes.size() - input->position);
    std::memcpy(out, input->bytes.data() + input->position, count);
    input->position += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// Reads one extension block and its continuations; a graphics control block may name the colour
// index that stands for transparency.
bool ReadExtension(GifFileType* gif, int& transparentIndex) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
        GraphicsControlBlock control{};
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparentIndex = control.TransparentColor;
    }
    while (block != nullptr)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    return true;
}

// The order in which an interlaced frame delivers its rows: every 8th row from 0, every 8th from
// 4, every 4th from 2, every 2nd from 1.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> order;
    order.reserve(static_cast<size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    constexpr std::array<std::array<int, 2>, 4> kPasses{{{0, 8}, {4, 8}, {2, 4}, {1, 2}}};
    for (const auto& [start, step] : kPasses)
        for (int y = start; y < height; y += step)
            order.push_back(y);
    return order;
}

void PaintRow(std::span<const GifPixelType> indexes, const ColorMapObject& colours, int transparentIndex,
              uint8_t* out) {
    for (const GifPixelType index : indexes) {
        if (index < colours.ColorCount) {
            const GifColorType& colour = colours.Colors[index];
            out[0] = colour.Blue;
            out[1] = colour.Green;
            out[2] = colour.Red;
        } else {
            out[0] = out[1] = out[2] = 0; // an index outside the colour table reads as black
        }
        out[3] = index == transparentIndex ? 0 : 255;
        out += cDIBSection::kBytesPerPixel;
    }
}

// The picture is the logical screen, grown where a frame reaches past it, with the first frame
// painted at its place and the rest transparent.
bool ReadFirstFrame(GifFileType* gif, int transparentIndex, cDIBSection& target) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) return false;
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (colours == nullptr || frame.Left < 0 || frame.Top < 0 || !FitsPixelLimit(frame.Width, frame.Height))
        return false;
    const int64_t width = std::max<int64_t>(gif->SWidth, int64_t{frame.Left} + frame.Width);
    const int64_t height = std::max<int64_t>(gif->SHeight, int64_t{frame.Top} + frame.Height);
    if (!FitsPixelLimit(width, height)) return false;
    if (!target.InitializeDIB(static_cast<int32_t>(width), static_cast<int32_t>(height))) return false;

    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    for (const int y : RowOrder(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return false;
        const int32_t memoryRow = static_cast<int32_t>(height - 1 - (frame.Top + y));
        uint8_t* out = target.MemoryRow(memoryRow).data() +
                       static_cast<size_t>(frame.Left) * cDIBSection::kBytesPerPixel;
        PaintRow(line, *colours, transparentIndex, out);
    }
    return true;
}

bool ReadPicture(GifFileType* gif, cDIBSection& target) {
    int transparentIndex = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) return false;
        switch (record) {
        case EXTENSION_RECORD_TYPE:
            if (!ReadExtension(gif, transparentIndex)) return false;
            break;
        case IMAGE_DESC_RECORD_TYPE:
            return ReadFirstFrame(gif, transparentIndex, target);
        default:
            return false; // the file ends, or is damaged, before its first frame
        }
    }
}

} // namespace

bool DecodeGif(std::span<const uint8_t> bytes, cDIBSection& target) {
    MemoryInput input{bytes, 0};
    int error = 0;
    try {
        GifHandle gif(DGifOpen(&input, ReadFromMemory, &error));
        if (gif == nullptr || !ReadPicture(gif.get(), target)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    target.SetAlpha(ClassifyAlpha(target.BitsPointer(), AlphaStorage::kStraight));
    return true;
}

} // namespace pellvane::decoding
