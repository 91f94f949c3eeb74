// Writes a large baseline JPEG (by default 16000 x 15000, 240 MP) row by row with libjpeg-turbo,
// so that making it takes little memory. The picture is a photo-like mix of smooth gradients and
// fine texture, so that it compresses about as a camera picture does.
//   make_large_jpeg OUTPUT [WIDTH HEIGHT]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: make_large_jpeg OUTPUT [WIDTH HEIGHT]\n");
        return 2;
    }
    const JDIMENSION width = argc == 4 ? static_cast<JDIMENSION>(std::atoi(argv[2])) : 16000;
    const JDIMENSION height = argc == 4 ? static_cast<JDIMENSION>(std::atoi(argv[3])) : 15000;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
    uint32_t state = 2024;
    while (cinfo.next_scanline < height) {
        const JDIMENSION y = cinfo.next_scanline;
        for (JDIMENSION x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = static_cast<int>(state >> 29); // 0..7
            JSAMPLE* pixel = &row[static_cast<size_t>(x) * 3];
            pixel[0] = static_cast<JSAMPLE>((x * 255 / width + grain) & 0xFF);
            pixel[1] = static_cast<JSAMPLE>((y * 255 / height + grain) & 0xFF);
            pixel[2] = static_cast<JSAMPLE>(((x + y) / 64 * 9 + grain) & 0xFF);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0 ? 0 : 1;
}
