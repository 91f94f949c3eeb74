// TIFF decoding with libtiff, read from memory: the first image of the file.

#include "imaging/Decoders.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <tiffio.h>

namespace pellvane::decoding {

namespace {

struct MemoryFile {
    std::span<const uint8_t> bytes;
    uint64_t position = 0;
};

MemoryFile& FileOf(thandle_t handle) {
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t ReadFromMemory(thandle_t handle, void* out, tmsize_t size) {
    MemoryFile& file = FileOf(handle);
    if (size <= 0 || file.position >= file.bytes.size()) return 0;
    const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(size), file.bytes.size() - file.position);
    std::memcpy(out, file.bytes.data() + file.position, count);
    file.position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekInMemory(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& file = FileOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = file.position;
    if (whence == SEEK_END) base = file.bytes.size();
    // libtiff passes negative relative offsets as their two's complement; unsigned addition
    // wraps them back into place.
    file.position = base + offset;
    return file.position;
}

int CloseMemory(thandle_t) {
    return 0;
}
toff_t SizeOfMemory(thandle_t handle) {
    return FileOf(handle).bytes.size();
}
int RefuseMap(thandle_t, void**, toff_t*) {
    return 0;
}
void IgnoreUnmap(thandle_t, void*, toff_t) {}

// libtiff prints its errors and warnings to stderr unless the handle's handlers claim them.
int SwallowMessage(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

std::unique_ptr<TIFF, TiffCloser> OpenInMemory(MemoryFile& file) {
    const std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), SwallowMessage, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), SwallowMessage, nullptr);
    // "m": never ask to map the file; it is in memory already.
    return std::unique_ptr<TIFF, TiffCloser>(
        TIFFClientOpenExt("memory", "rm", &file, ReadFromMemory, RefuseWrite, SeekInMemory, CloseMemory,
                          SizeOfMemory, RefuseMap, IgnoreUnmap, options.get()));
}

struct RgbaReader {
    TIFFRGBAImage image{};
    bool begun = false;
    ~RgbaReader() {
        if (begun) TIFFRGBAImageEnd(&image);
    }
};

// libtiff delivers every pixel as one 32-bit value with red in the lowest byte; the buffer wants
// blue, green, red, alpha.
void CopyRow(std::span<const uint32_t> source, uint8_t* out) {
    for (const uint32_t value : source) {
        out[0] = static_cast<uint8_t>(TIFFGetB(value));
        out[1] = static_cast<uint8_t>(TIFFGetG(value));
        out[2] = static_cast<uint8_t>(TIFFGetR(value));
        out[3] = static_cast<uint8_t>(TIFFGetA(value));
        out += cDIBSection::kBytesPerPixel;
    }
}

bool ReadPicture(TIFF* tiff, cDIBSection& target) {
    uint32_t width = 0, height = 0;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) != 1)
        return false;
    if (!FitsPixelLimit(width, height)) return false;

    char message[1024] = {};
    if (TIFFRGBAImageOK(tiff, message) != 1) return false;
    RgbaReader reader;
    if (TIFFRGBAImageBegin(&reader.image, tiff, 1, message) != 1) return false;
    reader.begun = true;
    // The rows come in the order they are stored: the file's Orientation tag is not applied,
    // as no orientation is applied to any decoded picture.
    reader.image.orientation = ORIENTATION_TOPLEFT;
    reader.image.req_orientation = ORIENTATION_TOPLEFT;

    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    if (TIFFRGBAImageGet(&reader.image, raster.data(), width, height) != 1) return false;
    if (!target.InitializeDIBForOverwrite(static_cast<int32_t>(width), static_cast<int32_t>(height)))
        return false;
    for (uint32_t y = 0; y < height; ++y)
        CopyRow(std::span<const uint32_t>(raster).subspan(static_cast<size_t>(y) * width, width),
                target.MemoryRow(static_cast<int32_t>(height - 1 - y)).data());
    return true;
}

} // namespace

bool DecodeTiff(std::span<const uint8_t> bytes, cDIBSection& target) {
    MemoryFile file{bytes, 0};
    try {
        const auto tiff = OpenInMemory(file);
        if (tiff == nullptr || !ReadPicture(tiff.get(), target)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    // libtiff multiplies colours by their alpha itself, whether the file stores them so or not.
    target.SetAlpha(ClassifyAlpha(target.BitsPointer(), AlphaStorage::kPremultiplied));
    return true;
}

} // namespace pellvane::decoding
