#include "imaging/JpegEncoder.h"

#include "imaging/Rounding.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace pellvane {
namespace {

// libjpeg's error_exit must not return; ours jumps back so that the encode answers empty.
struct EncoderErrors {
    jpeg_error_mgr base; // first member: libjpeg hands back a pointer to it
    std::jmp_buf escape;
};

[[noreturn]] void EscapeOnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<EncoderErrors*>(cinfo->err)->escape, 1);
}

void IgnoreOutput(j_common_ptr) {}

// The size that fits within maxSide on both sides, never enlarged and never below 1 pixel.
std::pair<int32_t, int32_t> PreviewSize(int32_t width, int32_t height, int32_t maxSide) {
    if (maxSide <= 0 || (width <= maxSide && height <= maxSide)) return {width, height};
    const double scale = static_cast<double>(maxSide) / std::max(width, height);
    return {std::max(1, RoundHalfEvenToInt(width * scale)), std::max(1, RoundHalfEvenToInt(height * scale))};
}

// One top-down RGB row from the buffer's bottom-up blue-green-red-alpha memory. Colours with
// transparency are premultiplied, which on the white page of a report is close enough.
void FillRgbRow(const cDIBSection& picture, int32_t topRow, std::vector<JSAMPLE>& row) {
    const std::span<const uint8_t> memory = picture.MemoryRow(picture.Height() - 1 - topRow);
    for (int32_t x = 0; x < picture.Width(); ++x) {
        const size_t in = static_cast<size_t>(x) * cDIBSection::kBytesPerPixel;
        const size_t out = static_cast<size_t>(x) * 3;
        row[out] = memory[in + 2];
        row[out + 1] = memory[in + 1];
        row[out + 2] = memory[in];
    }
}

// Kept apart from the caller so that no object with a destructor lives across setjmp.
bool Compress(const cDIBSection& picture, int quality, unsigned char*& buffer, unsigned long& size) {
    jpeg_compress_struct cinfo{};
    EncoderErrors errors{};
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = EscapeOnError;
    errors.base.output_message = IgnoreOutput;
    std::vector<JSAMPLE> row(static_cast<size_t>(picture.Width()) * 3);
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        FillRgbRow(picture, y, row);
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&cinfo, &rowPointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

std::vector<uint8_t> EncodeJpegPreview(const cDIBSection& picture, int32_t maxSide, int quality) {
    if (picture.IsEmpty()) return {};
    const auto [width, height] = PreviewSize(picture.Width(), picture.Height(), maxSide);
    // Only a picture that must shrink is copied.
    cDIBSection scaled;
    const bool shrink = width != picture.Width() || height != picture.Height();
    if (shrink && !((scaled = picture).Resize(width, height))) return {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool encoded = Compress(shrink ? scaled : picture, quality, buffer, size);
    std::vector<uint8_t> bytes;
    if (encoded && buffer != nullptr) bytes.assign(buffer, buffer + size);
    std::free(buffer); // jpeg_mem_dest allocates with malloc and leaves the release to the caller
    return bytes;
}

} // namespace pellvane
