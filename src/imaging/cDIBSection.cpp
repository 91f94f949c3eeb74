#include "imaging/cDIBSection.h"

#include "imaging/Decoders.h"
#include "imaging/RegularFile.h"
#include "imaging/Resample.h"
#include "imaging/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <vector>

namespace pellvane {

namespace {

constexpr size_t kPixelBytes = cDIBSection::kBytesPerPixel;

// A decoded photo touches its pixel memory page by page, and on virtual machines every page
// fault is expensive: for a 10-megapixel picture the faults of small pages cost about as much
// as decoding it. Large buffers are therefore aligned to huge pages and ask for them, where the
// system offers them on request. The hint must come before the first touch.
constexpr size_t kHugePage = size_t{2} << 20;

std::unique_ptr<uint8_t[], FreeMemory> AllocatePixels(size_t byteCount, bool zeroFill) noexcept {
    void* memory = nullptr;
    if (byteCount >= kHugePage) {
        const size_t rounded = (byteCount + kHugePage - 1) / kHugePage * kHugePage;
        memory = std::aligned_alloc(kHugePage, rounded);
        if (memory != nullptr) ::madvise(memory, rounded, MADV_HUGEPAGE);
    } else {
        memory = std::malloc(std::max<size_t>(byteCount, 1));
    }
    if (memory != nullptr && zeroFill) std::memset(memory, 0, byteCount);
    return std::unique_ptr<uint8_t[], FreeMemory>(static_cast<uint8_t*>(memory));
}

// A whole file in memory. The memory is not cleared first, since the read fills all of it.
struct FileBytes {
    std::unique_ptr<uint8_t[], FreeMemory> data;
    size_t size = 0;
    std::span<const uint8_t> View() const { return {data.get(), size}; }
};

std::optional<FileBytes> ReadWholeFile(const std::filesystem::path& path) {
    const cRegularFile file(path);
    if (!file.IsValid()) return std::nullopt;
    const auto size = static_cast<size_t>(file.Size());
    FileBytes bytes{AllocatePixels(size, false), size};
    if (bytes.data == nullptr && size > 0) return std::nullopt;
    // A file that shrank since it was opened fails here rather than being decoded from
    // memory that was never filled.
    if (!file.ReadFront({bytes.data.get(), size})) return std::nullopt;
    return bytes;
}

using Decoder = bool (*)(std::span<const uint8_t>, cDIBSection&);

Decoder DecoderFor(int32_t imageType) {
    switch (imageType) {
    case image_type::kJpeg:
        return decoding::DecodeJpeg;
    case image_type::kPng:
        return decoding::DecodePng;
    case image_type::kGif:
        return decoding::DecodeGif;
    case image_type::kTiff:
        return decoding::DecodeTiff;
    case image_type::kBmp:
        return decoding::DecodeBmp;
    default:
        return nullptr;
    }
}

void SwapPixels(uint8_t* a, uint8_t* b) {
    uint8_t held[kPixelBytes];
    std::memcpy(held, a, kPixelBytes);
    std::memcpy(a, b, kPixelBytes);
    std::memcpy(b, held, kPixelBytes);
}

void MirrorRow(std::span<uint8_t> row) {
    if (row.size() < 2 * kPixelBytes) return;
    uint8_t* left = row.data();
    uint8_t* right = row.data() + row.size() - kPixelBytes;
    for (; left < right; left += kPixelBytes, right -= kPixelBytes)
        SwapPixels(left, right);
}

// A fingerprint bit compares a pixel's grey with the mean grey; both are rounded to whole levels
// first, so a uniformly coloured picture sets every bit.
uint8_t RoundedMean(uint64_t sum, uint64_t count) {
    return static_cast<uint8_t>(RoundedQuotient(sum, count));
}

} // namespace

void FreeMemory::operator()(uint8_t* memory) const noexcept {
    std::free(memory);
}

bool FitsPixelLimit(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPicturePixels && height <= kMaxPicturePixels &&
           width * height <= kMaxPicturePixels;
}

cDIBSection::cDIBSection(const cDIBSection& other)
    : width_(other.width_), height_(other.height_), imageType_(other.imageType_), alpha_(other.alpha_),
      highQualityInterpolation_(other.highQualityInterpolation_), fileName_(other.fileName_) {
    if (other.pixels_ == nullptr) return;
    pixels_ = AllocatePixels(other.ByteCount(), false);
    if (pixels_ == nullptr) {
        DestroyDIB();
        return;
    }
    std::memcpy(pixels_.get(), other.pixels_.get(), other.ByteCount());
}

cDIBSection& cDIBSection::operator=(const cDIBSection& other) {
    if (this != &other) *this = cDIBSection(other);
    return *this;
}

cDIBSection::cDIBSection(cDIBSection&& other) noexcept
    : pixels_(std::move(other.pixels_)), width_(other.width_), height_(other.height_),
      imageType_(other.imageType_), alpha_(other.alpha_),
      highQualityInterpolation_(other.highQualityInterpolation_), fileName_(std::move(other.fileName_)) {
    other.DestroyDIB();
}

cDIBSection& cDIBSection::operator=(cDIBSection&& other) noexcept {
    if (this == &other) return *this;
    pixels_ = std::move(other.pixels_);
    width_ = other.width_;
    height_ = other.height_;
    imageType_ = other.imageType_;
    alpha_ = other.alpha_;
    highQualityInterpolation_ = other.highQualityInterpolation_;
    fileName_ = std::move(other.fileName_);
    other.DestroyDIB();
    return *this;
}

size_t cDIBSection::ByteCount() const {
    if (pixels_ == nullptr) return 0;
    return static_cast<size_t>(width_) * static_cast<size_t>(height_) * kPixelBytes;
}

std::span<uint8_t> cDIBSection::MemoryRow(int32_t row) {
    if (pixels_ == nullptr || row < 0 || row >= height_) return {};
    return BitsPointer().subspan(static_cast<size_t>(row) * static_cast<size_t>(ScanWidth()),
                                 static_cast<size_t>(ScanWidth()));
}

std::span<const uint8_t> cDIBSection::MemoryRow(int32_t row) const {
    if (pixels_ == nullptr || row < 0 || row >= height_) return {};
    return BitsPointer().subspan(static_cast<size_t>(row) * static_cast<size_t>(ScanWidth()),
                                 static_cast<size_t>(ScanWidth()));
}

// ---------------------------------------------------------------------------------------------
// Creating and releasing the buffer

bool cDIBSection::Allocate(int32_t width, int32_t height, bool zeroFill) {
    DestroyDIB();
    const int64_t rows = std::abs(static_cast<int64_t>(height));
    if (!FitsPixelLimit(width, rows)) return false;
    const size_t byteCount = static_cast<size_t>(width) * static_cast<size_t>(rows) * kPixelBytes;
    pixels_ = AllocatePixels(byteCount, zeroFill);
    if (pixels_ == nullptr) return false;
    width_ = width;
    height_ = static_cast<int32_t>(rows);
    imageType_ = image_type::kBlank;
    return true;
}

bool cDIBSection::InitializeDIB(int32_t width, int32_t height) {
    return Allocate(width, height, true);
}

bool cDIBSection::InitializeDIBForOverwrite(int32_t width, int32_t height) {
    return Allocate(width, height, false);
}

void cDIBSection::DestroyDIB() {
    pixels_.reset();
    width_ = 0;
    height_ = 0;
    imageType_ = image_type::kNoBuffer;
    alpha_ = alpha_class::kOpaque;
    fileName_.clear();
}

void cDIBSection::EraseDIB() {
    if (pixels_ == nullptr) return;
    std::fill(BitsPointer().begin(), BitsPointer().end(), uint8_t{0});
    imageType_ = image_type::kBlank;
    alpha_ = alpha_class::kOpaque;
}

void cDIBSection::ReplacePixels(PixelMemory pixels, int32_t width, int32_t height) {
    pixels_ = std::move(pixels);
    width_ = width;
    height_ = height;
}

// ---------------------------------------------------------------------------------------------
// Loading

bool cDIBSection::DecodeInto(std::span<const uint8_t> bytes) {
    DestroyDIB();
    if (bytes.size() < kMinPictureBytes) return false;
    const int32_t imageType = TestImageType(bytes);
    const Decoder decode = DecoderFor(imageType);
    if (decode == nullptr || !decode(bytes, *this) || pixels_ == nullptr) {
        DestroyDIB();
        return false;
    }
    imageType_ = imageType;
    return true;
}

bool cDIBSection::LoadPicture_File(const std::filesystem::path& path) {
    DestroyDIB();
    // A file whose first bytes name no format we decode is never read in full.
    if (DecoderFor(TestImageType(path)) == nullptr) return false;
    const std::optional<FileBytes> bytes = ReadWholeFile(path);
    if (!bytes || !DecodeInto(bytes->View())) return false;
    fileName_ = path;
    return true;
}

bool cDIBSection::LoadPicture_Stream(std::span<const uint8_t> bytes) {
    return DecodeInto(bytes);
}

// ---------------------------------------------------------------------------------------------
// Geometry

std::optional<BestFit> cDIBSection::GetBestFitInfo(int32_t areaWidth, int32_t areaHeight,
                                                   bool enlarge) const {
    if (pixels_ == nullptr) return std::nullopt;
    BestFit fit{0, 0, width_, height_};
    if (width_ > areaWidth || height_ > areaHeight || enlarge) {
        // The horizontal ratio is a double and the vertical one a single-precision value; the
        // sizes are computed in double from them. Both choices decide how exact halves round.
        const double ratioX = static_cast<double>(areaWidth) / width_;
        const float ratioY = static_cast<float>(static_cast<double>(areaHeight) / height_);
        if (ratioX < ratioY) {
            fit.width = areaWidth;
            fit.height = RoundHalfEvenToInt(height_ * ratioX);
        } else {
            fit.height = areaHeight;
            fit.width = RoundHalfEvenToInt(width_ * static_cast<double>(ratioY));
        }
    }
    fit.left = (areaWidth - fit.width) / 2;
    fit.top = (areaHeight - fit.height) / 2;
    return fit;
}

bool cDIBSection::MirrorImage(bool horizontal, bool vertical) {
    if (pixels_ == nullptr || (!horizontal && !vertical)) return false;
    if (horizontal)
        for (int32_t row = 0; row < height_; ++row)
            MirrorRow(MemoryRow(row));
    if (vertical)
        for (int32_t top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(MemoryRow(top).begin(), MemoryRow(top).end(), MemoryRow(bottom).begin());
    return true;
}

bool cDIBSection::Resize(int32_t newWidth, int32_t newHeight) {
    if (pixels_ == nullptr || newWidth < 0 || newHeight < 0) return false;
    if (newWidth == 0) newWidth = width_;
    if (newHeight == 0) newHeight = height_;
    if (newWidth == width_ && newHeight == height_) return true;
    cDIBSection scaled;
    if (!CopyImageToDIB(scaled, newWidth, newHeight)) return false;
    ReplacePixels(std::move(scaled.pixels_), scaled.width_, scaled.height_);
    return true;
}

bool cDIBSection::CopyImageToDIB(cDIBSection& target, int32_t width, int32_t height) const {
    if (pixels_ == nullptr) return false;
    const int32_t targetWidth = width == 0 ? width_ : std::abs(width);
    const int32_t targetHeight = height == 0 ? height_ : std::abs(height);
    if (&target == this) {
        // Copying a picture onto itself is scaling it in place: build the copy aside first.
        cDIBSection scaled;
        if (!CopyImageToDIB(scaled, targetWidth, targetHeight)) return false;
        target.ReplacePixels(std::move(scaled.pixels_), scaled.width_, scaled.height_);
        return true;
    }
    if (!target.InitializeDIBForOverwrite(targetWidth, targetHeight)) return false;
    if (targetWidth == width_ && targetHeight == height_) {
        std::memcpy(target.pixels_.get(), pixels_.get(), ByteCount());
    } else {
        const ResampleQuality quality =
            highQualityInterpolation_ ? ResampleQuality::kSmooth : ResampleQuality::kNearest;
        if (!ResamplePixels({BitsPointer(), width_, height_},
                            {target.BitsPointer(), targetWidth, targetHeight}, quality)) {
            target.DestroyDIB();
            return false;
        }
    }
    target.imageType_ = imageType_;
    target.alpha_ = alpha_;
    target.highQualityInterpolation_ = highQualityInterpolation_;
    return true;
}

bool cDIBSection::RotateImage(double angle) {
    if (pixels_ == nullptr || !std::isfinite(angle)) return false;
    const double turn = std::fmod(angle, 360.0);
    if (turn == 0.0) return true;
    if (std::fmod(angle, 180.0) == 0.0) return MirrorImage(true, true);
    const double positive = turn < 0.0 ? turn + 360.0 : turn;
    return RotateQuarterTurn(positive < 180.0);
}

// Seen on screen, a clockwise quarter turn puts the old bottom-left pixel at the new top-left.
// In bottom-up memory that is: new memory row r, column c = old memory row c, column
// oldWidth - 1 - r. Counter-clockwise: new row r, column c = old row oldHeight - 1 - c, column r.
// The copy runs in square tiles so that the column-wise reads stay within the cache.
bool cDIBSection::RotateQuarterTurn(bool clockwise) {
    constexpr int32_t kTile = 64;
    const int32_t newWidth = height_;
    const int32_t newHeight = width_;
    PixelMemory turned = AllocatePixels(ByteCount(), false);
    if (turned == nullptr) return false;
    const uint8_t* source = pixels_.get();
    const size_t sourceStride = static_cast<size_t>(width_) * kPixelBytes;
    const size_t targetStride = static_cast<size_t>(newWidth) * kPixelBytes;
    for (int32_t tileRow = 0; tileRow < newHeight; tileRow += kTile) {
        for (int32_t tileColumn = 0; tileColumn < newWidth; tileColumn += kTile) {
            const int32_t rowEnd = std::min(tileRow + kTile, newHeight);
            const int32_t columnEnd = std::min(tileColumn + kTile, newWidth);
            for (int32_t row = tileRow; row < rowEnd; ++row) {
                uint8_t* out = turned.get() + static_cast<size_t>(row) * targetStride +
                               static_cast<size_t>(tileColumn) * kPixelBytes;
                for (int32_t column = tileColumn; column < columnEnd; ++column, out += kPixelBytes) {
                    const size_t sourceRow = clockwise ? column : height_ - 1 - column;
                    const size_t sourceColumn = clockwise ? width_ - 1 - row : row;
                    std::memcpy(out, source + sourceRow * sourceStride + sourceColumn * kPixelBytes,
                                kPixelBytes);
                }
            }
        }
    }
    ReplacePixels(std::move(turned), newWidth, newHeight);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Fingerprint

std::optional<HashValue> cDIBSection::GetHashValue() {
    constexpr int32_t kSide = 8;
    constexpr uint64_t kPixelCount = kSide * kSide;
    if (pixels_ == nullptr || width_ != kSide || height_ != kSide) return std::nullopt;

    std::span<uint8_t> pixels = BitsPointer();
    uint64_t blueSum = 0, greenSum = 0, redSum = 0;
    for (size_t i = 0; i < pixels.size(); i += kPixelBytes) {
        blueSum += pixels[i];
        greenSum += pixels[i + 1];
        redSum += pixels[i + 2];
    }
    HashValue hash;
    hash.meanBlue = RoundedMean(blueSum, kPixelCount);
    hash.meanGreen = RoundedMean(greenSum, kPixelCount);
    hash.meanRed = RoundedMean(redSum, kPixelCount);
    const uint8_t greyMean = RoundedMean(blueSum + greenSum + redSum, kPixelCount * 3);

    for (int32_t row = 0; row < kSide; ++row) {
        std::span<uint8_t> line = MemoryRow(row);
        for (int32_t column = 0; column < kSide; ++column) {
            uint8_t* pixel = line.data() + static_cast<size_t>(column) * kPixelBytes;
            const uint8_t grey = RoundedMean(uint64_t{pixel[0]} + pixel[1] + pixel[2], 3);
            const bool light = grey >= greyMean;
            if (light) hash.bits[static_cast<size_t>(row)] |= static_cast<uint8_t>(1u << column);
            pixel[0] = light ? 255 : hash.meanBlue;
            pixel[1] = light ? 255 : hash.meanGreen;
            pixel[2] = light ? 255 : hash.meanRed;
        }
    }
    return hash;
}

} // namespace pellvane
