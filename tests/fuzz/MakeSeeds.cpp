// Writes the starting inputs of the fuzz targets:
//   heads/        the first 64 KiB of every shared picture, where the metadata lives;
//   pictures/     small pictures of every format and JPEG layout the decoders take;
//   transplants/  the metadata segments of every shared JPEG in front of a small picture, so that
//                 the whole run sees real metadata and still decodes in a moment.
// Usage: fuzz_make_seeds CORPUS_FOLDER OUTPUT_FOLDER

#include "imaging/PictureFixtures.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

using namespace pellvane::test;
namespace fs = std::filesystem;

namespace {

constexpr size_t kHeadSize = 65536;

void Write(const fs::path& folder, const std::string& name, const Bytes& bytes) {
    fs::create_directories(folder);
    WriteFileBytes(folder / name, bytes);
}

RgbaPicture GradientPicture(int width, int height) {
    RgbaPicture picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.At(x, y) = {static_cast<uint8_t>(x * 16), static_cast<uint8_t>(y * 16),
                                static_cast<uint8_t>((x + y) * 8)};
    return picture;
}

JpegOptions Options(bool progressive, bool grey, bool adobeCmyk, std::optional<int> orientation) {
    JpegOptions options;
    options.progressive = progressive;
    options.grey = grey;
    options.adobeCmyk = adobeCmyk;
    options.exifOrientation = orientation;
    return options;
}

void WritePictures(const fs::path& folder) {
    const RgbaPicture picture = GradientPicture(16, 12);
    Write(folder, "baseline.jpg", EncodeJpeg(picture));
    Write(folder, "progressive.jpg", EncodeJpeg(picture, Options(true, false, false, std::nullopt)));
    Write(folder, "grey.jpg", EncodeJpeg(picture, Options(false, true, false, std::nullopt)));
    Write(folder, "cmyk.jpg", EncodeJpeg(picture, Options(false, false, true, std::nullopt)));
    Write(folder, "oriented.jpg", EncodeJpeg(picture, Options(false, false, false, 6)));
    Write(folder, "rgba.png", EncodePng(picture, PngLayout::kRgba));
    Write(folder, "palette.png", EncodePng(picture, PngLayout::kPalette, true));

    GifFields gif;
    gif.screenWidth = gif.width = 4;
    gif.screenHeight = gif.height = 2;
    gif.indexes = {0, 1, 2, 3, 3, 2, 1, 0};
    gif.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    gif.transparentIndex = 1;
    Write(folder, "picture.gif", EncodeGif(gif));

    BmpFields bmp;
    bmp.width = bmp.height = 2;
    bmp.rows = {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}};
    Write(folder, "picture.bmp", BuildBmp(bmp));

    TiffFields tiff;
    tiff.width = 2;
    tiff.height = 1;
    tiff.pixels = {1, 2, 3, 4, 5, 6};
    Write(folder, "picture.tif", BuildTiff(tiff));
}

// The bytes from the start of the file up to the first segment that is no APPn or comment
// segment; empty when the file is no JPEG.
Bytes MetadataSegments(const Bytes& file) {
    if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8) return {};
    size_t position = 2;
    while (position + 4 <= file.size() && file[position] == 0xFF) {
        const uint8_t marker = file[position + 1];
        if (!((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE)) break;
        const size_t length = size_t{file[position + 2]} << 8 | file[position + 3];
        if (position + 2 + length > file.size()) break;
        position += 2 + length;
    }
    return Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(position));
}

// The picture's segments after its own SOI and APP0.
Bytes PictureSegments(const Bytes& jpeg) {
    size_t position = 2;
    if (jpeg.size() > 6 && jpeg[3] == 0xE0) position += 2 + (size_t{jpeg[4]} << 8 | jpeg[5]);
    return Bytes(jpeg.begin() + static_cast<std::ptrdiff_t>(position), jpeg.end());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    const fs::path output = argv[2];
    WritePictures(output / "pictures");
    const Bytes picture = PictureSegments(EncodeJpeg(GradientPicture(24, 16)));
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
        const Bytes file = ReadFileBytes(entry.path());
        const std::string name = "seed" + std::to_string(++count);
        Write(output / "heads", name,
              Bytes(file.begin(),
                    file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), kHeadSize))));
        Bytes transplant = MetadataSegments(file);
        if (transplant.empty() || transplant.size() > kHeadSize) continue;
        transplant.insert(transplant.end(), picture.begin(), picture.end());
        Write(output / "transplants", name, transplant);
    }
    std::printf("%d files seeded\n", count);
    return 0;
}
