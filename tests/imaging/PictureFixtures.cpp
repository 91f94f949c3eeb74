#include "PictureFixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace pellvane::test {

std::string Describe(const Rgba& colour) {
    char text[24];
    std::snprintf(text, sizeof text, "(%d,%d,%d,%d)", colour.r, colour.g, colour.b, colour.a);
    return text;
}

RgbaPicture NumberedPicture(int width, int height) {
    RgbaPicture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.At(x, y) = {static_cast<uint8_t>(x * 16 + 1), static_cast<uint8_t>(y * 16 + 2),
                                static_cast<uint8_t>((x + y * width) & 0xFF), 255};
    return picture;
}

cDIBSection BufferFrom(const RgbaPicture& picture) {
    cDIBSection buffer;
    if (!buffer.InitializeDIB(picture.width, picture.height))
        throw std::runtime_error("cannot create buffer");
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* out = buffer.MemoryRow(picture.height - 1 - y).data();
        for (int x = 0; x < picture.width; ++x, out += 4) {
            const Rgba& p = picture.At(x, y);
            out[0] = p.b;
            out[1] = p.g;
            out[2] = p.r;
            out[3] = p.a;
        }
    }
    return buffer;
}

Rgba PixelAt(const cDIBSection& buffer, int x, int yFromTop) {
    const uint8_t* p = buffer.MemoryRow(buffer.Height() - 1 - yFromTop).data() + static_cast<size_t>(x) * 4;
    return {p[2], p[1], p[0], p[3]};
}

RgbaPicture PictureFrom(const cDIBSection& buffer) {
    RgbaPicture picture(buffer.Width(), buffer.Height());
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            picture.At(x, y) = PixelAt(buffer, x, y);
    return picture;
}

// ---------------------------------------------------------------------------------------------
// PNG

namespace {

void AppendToBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void FlushNothing(png_structp) {}

int PngColourType(PngLayout layout) {
    switch (layout) {
    case PngLayout::kRgb:
    case PngLayout::kRgb16:
        return PNG_COLOR_TYPE_RGB;
    case PngLayout::kRgba:
        return PNG_COLOR_TYPE_RGB_ALPHA;
    case PngLayout::kGrey:
        return PNG_COLOR_TYPE_GRAY;
    case PngLayout::kGreyAlpha:
        return PNG_COLOR_TYPE_GRAY_ALPHA;
    case PngLayout::kPalette:
        return PNG_COLOR_TYPE_PALETTE;
    }
    return PNG_COLOR_TYPE_RGB;
}

Bytes PngRow(const RgbaPicture& picture, int y, PngLayout layout, const std::vector<Rgba>& palette) {
    Bytes row;
    for (int x = 0; x < picture.width; ++x) {
        const Rgba& p = picture.At(x, y);
        switch (layout) {
        case PngLayout::kRgb:
            row.insert(row.end(), {p.r, p.g, p.b});
            break;
        case PngLayout::kRgb16:
            row.insert(row.end(), {p.r, p.r, p.g, p.g, p.b, p.b});
            break;
        case PngLayout::kRgba:
            row.insert(row.end(), {p.r, p.g, p.b, p.a});
            break;
        case PngLayout::kGrey:
            row.push_back(p.g);
            break;
        case PngLayout::kGreyAlpha:
            row.insert(row.end(), {p.g, p.a});
            break;
        case PngLayout::kPalette:
            row.push_back(
                static_cast<uint8_t>(std::find(palette.begin(), palette.end(), p) - palette.begin()));
            break;
        }
    }
    return row;
}

} // namespace

Bytes EncodePng(const RgbaPicture& picture, PngLayout layout, bool interlaced) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("PNG encoding failed");
    }
    png_set_write_fn(png, &out, AppendToBytes, FlushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height),
                 layout == PngLayout::kRgb16 ? 16 : 8, PngColourType(layout),
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<Rgba> palette;
    if (layout == PngLayout::kPalette) {
        for (const Rgba& p : picture.pixels)
            if (std::find(palette.begin(), palette.end(), p) == palette.end()) palette.push_back(p);
        std::vector<png_color> colours;
        std::vector<png_byte> alphas;
        for (const Rgba& p : palette) {
            colours.push_back({p.r, p.g, p.b});
            alphas.push_back(p.a);
        }
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    }
    png_write_info(png, info);
    std::vector<Bytes> rows;
    for (int y = 0; y < picture.height; ++y)
        rows.push_back(PngRow(picture, y, layout, palette));
    std::vector<png_bytep> pointers;
    for (Bytes& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// ---------------------------------------------------------------------------------------------
// JPEG

namespace {

Bytes ExifOrientationPayload(int orientation) {
    return {'E',  'x', 'i', 'f', 0, 0,       // EXIF identifier
            'I',  'I', 42,  0,   8, 0, 0, 0, // TIFF header, IFD0 at 8
            1,    0,                         // one entry
            0x12, 1,   3,   0,   1, 0, 0, 0, static_cast<uint8_t>(orientation), 0, 0, 0, // 274 SHORT 1
            0,    0,   0,   0};                                                          // no next IFD
}

Bytes JpegScanline(const RgbaPicture& picture, int y, const JpegOptions& options) {
    Bytes line;
    for (int x = 0; x < picture.width; ++x) {
        const Rgba& p = picture.At(x, y);
        if (options.grey) {
            line.push_back(p.g);
        } else if (options.adobeCmyk) {
            // Adobe stores 255 - ink; with black 0 that is the colour value itself.
            line.insert(line.end(), {p.r, p.g, p.b, 255});
        } else {
            line.insert(line.end(), {p.r, p.g, p.b});
        }
    }
    return line;
}

} // namespace

Bytes EncodeJpeg(const RgbaPicture& picture, const JpegOptions& options) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = options.grey ? 1 : options.adobeCmyk ? 4 : 3;
    cinfo.in_color_space = options.grey ? JCS_GRAYSCALE : options.adobeCmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (options.exifOrientation) {
        const Bytes exif = ExifOrientationPayload(*options.exifOrientation);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    for (int y = 0; y < picture.height; ++y) {
        Bytes line = JpegScanline(picture, y, options);
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

RgbaPicture PlainJpegDecode(const Bytes& jpeg) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    RgbaPicture picture(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
    Bytes line(cinfo.output_width * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&cinfo, &row, 1);
        for (int x = 0; x < picture.width; ++x)
            picture.At(x, y) = {line[x * 3u], line[x * 3u + 1], line[x * 3u + 2], 255};
    }
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return picture;
}

std::optional<size_t> FindJpegFrameHeader(const Bytes& jpeg) {
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xC2) return i + 2;
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// GIF

namespace {

int AppendGifBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

std::vector<int> InterlacedRowOrder(int height) {
    std::vector<int> order;
    for (const auto& [start, step] : std::vector<std::pair<int, int>>{{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < height; y += step)
            order.push_back(y);
    return order;
}

} // namespace

Bytes EncodeGif(const GifFields& fields) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    if (gif == nullptr) throw std::runtime_error("GIF encoder unavailable");
    int count = 2;
    while (count < static_cast<int>(fields.palette.size()))
        count *= 2;
    std::vector<GifColorType> colours(static_cast<size_t>(count));
    for (size_t i = 0; i < fields.palette.size(); ++i)
        colours[i] = {fields.palette[i].r, fields.palette[i].g, fields.palette[i].b};
    ColorMapObject* map = GifMakeMapObject(count, colours.data());
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, fields.screenWidth, fields.screenHeight, 8, 0, map);
    if (fields.transparentIndex >= 0) {
        GraphicsControlBlock control{};
        control.TransparentColor = fields.transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension);
    }
    EGifPutImageDesc(gif, fields.left, fields.top, fields.width, fields.height, fields.interlaced, nullptr);
    std::vector<int> order;
    if (fields.interlaced) {
        order = InterlacedRowOrder(fields.height);
    } else {
        for (int y = 0; y < fields.height; ++y)
            order.push_back(y);
    }
    for (const int y : order) {
        Bytes line(fields.indexes.begin() + y * fields.width,
                   fields.indexes.begin() + (y + 1) * fields.width);
        EGifPutLine(gif, line.data(), fields.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// ---------------------------------------------------------------------------------------------
// BMP and TIFF bytes

namespace {

void PutLe16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe32(Bytes& out, uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

} // namespace

Bytes BuildBmp(const BmpFields& fields) {
    const bool bitFields = fields.compression == 3 || fields.compression == 6;
    const uint32_t masksAfterHeader =
        bitFields && fields.headerSize == 40 ? (fields.compression == 6 ? 16 : 12) : 0;
    const uint32_t paletteBytes =
        static_cast<uint32_t>(fields.palette.size() * (fields.headerSize == 12 ? 3 : 4));
    const uint32_t pixelOffset = 14 + fields.headerSize + masksAfterHeader + paletteBytes;

    Bytes header;
    if (fields.headerSize == 12) {
        PutLe16(header, static_cast<uint32_t>(fields.width));
        PutLe16(header, static_cast<uint32_t>(fields.height));
        PutLe16(header, 1);
        PutLe16(header, fields.bitCount);
    } else {
        PutLe32(header, static_cast<uint32_t>(fields.width));
        PutLe32(header, static_cast<uint32_t>(fields.height));
        PutLe16(header, 1);
        PutLe16(header, fields.bitCount);
        PutLe32(header, fields.compression);
        for (int i = 0; i < 3; ++i)
            PutLe32(header, 0); // image size, resolutions
        PutLe32(header, static_cast<uint32_t>(fields.palette.size()));
        PutLe32(header, 0);
        if (fields.headerSize > 40 || masksAfterHeader != 0)
            for (size_t i = 0; i < (fields.compression == 6 || fields.headerSize > 52 ? 4u : 3u); ++i)
                PutLe32(header, fields.masks[i]);
        header.resize(fields.headerSize - 4 + masksAfterHeader, 0);
    }

    Bytes out{'B', 'M'};
    PutLe32(out, 0); // file size, which readers ignore
    PutLe32(out, 0);
    PutLe32(out, pixelOffset);
    PutLe32(out, fields.headerSize);
    out.insert(out.end(), header.begin(), header.end());
    for (const Rgba& colour : fields.palette) {
        out.insert(out.end(), {colour.b, colour.g, colour.r});
        if (fields.headerSize != 12) out.push_back(0);
    }
    for (Bytes row : fields.rows) {
        row.resize((row.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes BuildTiff(const TiffFields& fields) {
    struct Entry {
        uint16_t tag;
        uint16_t type; // 3 SHORT, 4 LONG
        uint32_t count;
        uint32_t value; // the value itself, or an offset for arrays
    };
    const uint32_t pixelOffset = 8;
    const uint32_t padding = fields.pixels.size() % 2; // directories start on a word boundary
    const uint32_t bitsOffset = pixelOffset + static_cast<uint32_t>(fields.pixels.size()) + padding;
    const uint32_t ifdOffset = bitsOffset + 8;
    std::vector<Entry> entries{
        {256, 4, 1, fields.width},
        {257, 4, 1, fields.height},
        {258, 3, fields.samplesPerPixel, fields.samplesPerPixel <= 2 ? 8u : bitsOffset},
        {259, 3, 1, 1},
        {262, 3, 1, fields.samplesPerPixel >= 3 ? 2u : 1u},
        {273, 4, 1, pixelOffset},
    };
    if (fields.orientation) entries.push_back({274, 3, 1, *fields.orientation});
    entries.push_back({277, 3, 1, fields.samplesPerPixel});
    entries.push_back({278, 4, 1, fields.height});
    entries.push_back({279, 4, 1, static_cast<uint32_t>(fields.pixels.size())});
    if (fields.samplesPerPixel == 4) entries.push_back({338, 3, 1, fields.extraSample});

    Bytes out{'I', 'I', 42, 0};
    PutLe32(out, ifdOffset);
    out.insert(out.end(), fields.pixels.begin(), fields.pixels.end());
    out.resize(bitsOffset, 0);
    for (int i = 0; i < 4; ++i)
        PutLe16(out, 8); // BitsPerSample array
    PutLe16(out, static_cast<uint32_t>(entries.size()));
    for (const Entry& entry : entries) {
        PutLe16(out, entry.tag);
        PutLe16(out, entry.type);
        PutLe32(out, entry.count);
        if (entry.type == 3 && entry.count == 1) {
            PutLe16(out, entry.value);
            PutLe16(out, 0);
        } else {
            PutLe32(out, entry.value);
        }
    }
    PutLe32(out, 0);
    return out;
}

Bytes WithPngSize(Bytes png, uint32_t width, uint32_t height) {
    // Signature (8), chunk length (4), "IHDR" (4), then width and height big-endian.
    const auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    };
    put(16, width);
    put(20, height);
    const uLong crc = crc32(0, png.data() + 12, 17); // "IHDR" and its 13 data bytes
    put(29, static_cast<uint32_t>(crc));
    return png;
}

Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace pellvane::test
