// PNG decoding with libpng, read from memory.

#include "imaging/Decoders.h"

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace pellvane::decoding {

namespace {

struct MemoryInput {
    std::span<const uint8_t> bytes;
    size_t position = 0;
};

// Reading past the end means the file is truncated, which is a decoding error.
void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (length > input->bytes.size() - input->position) png_error(png, "truncated");
    std::memcpy(out, input->bytes.data() + input->position, length);
    input->position += length;
}

// libpng's own handlers print to stderr; an error must still end in a long jump.
[[noreturn]] void EscapeOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void IgnoreWarning(png_structp, png_const_charp) {}

// Whatever the file holds (palette, grey, 1 to 16 bits, with or without transparency), libpng is
// asked for 8-bit blue, green, red, alpha. No gamma or colour profile is applied.
void RequestBgra(png_structp png, png_infop info) {
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if ((png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) == 0 &&
        !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
}

bool HasTransparency(png_structp png, png_infop info) {
    return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
           png_get_valid(png, info, PNG_INFO_tRNS);
}

// Everything libpng may leave by a long jump happens in here; the function holds no object with
// a destructor, so the jump skips nothing that has to run.
bool RunRead(png_structp png, png_infop info, MemoryInput& input, cDIBSection& target, bool& transparent) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_read_fn(png, &input, ReadFromMemory);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!FitsPixelLimit(width, height)) return false;
    transparent = HasTransparency(png, info);
    RequestBgra(png, info);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * cDIBSection::kBytesPerPixel) return false;
    if (!target.InitializeDIBForOverwrite(static_cast<int32_t>(width), static_cast<int32_t>(height)))
        return false;
    // PNG rows run top-down; the buffer keeps the top row last. An interlaced picture is read in
    // several passes over the same rows, each pass filling in more pixels.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, target.MemoryRow(static_cast<int32_t>(height - 1 - y)).data(), nullptr);
    return true;
}

} // namespace

bool DecodePng(std::span<const uint8_t> bytes, cDIBSection& target) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, EscapeOnError, IgnoreWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    MemoryInput input{bytes, 0};
    bool transparent = false;
    const bool decoded = RunRead(png, info, input, target, transparent);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!decoded) return false;
    // libpng delivers colours with straight alpha; a picture without transparency got alpha
    // bytes of 255 from the filler.
    target.SetAlpha(transparent ? ClassifyAlpha(target.BitsPointer(), AlphaStorage::kStraight)
                                : alpha_class::kOpaque);
    return true;
}

} // namespace pellvane::decoding
