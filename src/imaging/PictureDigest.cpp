#include "imaging/PictureDigest.h"

#include "imaging/Decoders.h"
#include "imaging/RegularFile.h"

#include <new>
#include <vector>

namespace pellvane {

namespace {

constexpr int32_t kFingerprintSide = 8;
constexpr size_t kPixelBytes = cDIBSection::kBytesPerPixel;

// Takes the rows a streaming decoder delivers, top row first, through a strip of a few rows into
// a digest. The strip's memory stays with the thread for the next picture it digests.
class cDigestSink final : public decoding::IRowSink {
  public:
    explicit cDigestSink(DigestParts parts) : parts_(parts) {}

    bool Begin(int32_t width, int32_t height) override {
        if (!FitsPixelLimit(width, height)) return false;
        try {
            builder_.emplace(width, height, parts_);
            stride_ = static_cast<size_t>(width) * kPixelBytes;
            strip_.resize(stride_ * decoding::kRowsPerRead);
        } catch (const std::bad_alloc&) {
            return false;
        }
        height_ = height;
        return true;
    }
    std::span<uint8_t> RowFor(int32_t topRow) override {
        return {strip_.data() + static_cast<size_t>(topRow % decoding::kRowsPerRead) * stride_, stride_};
    }
    void RowsDone(int32_t firstTopRow, int32_t count) override {
        for (int32_t row = firstTopRow; row < firstTopRow + count; ++row)
            builder_->AddRow(height_ - 1 - row, RowFor(row));
    }
    PictureDigest Finish() { return builder_->Finish(image_type::kJpeg, alpha_class::kOpaque); }

  private:
    DigestParts parts_;
    std::optional<cDigestBuilder> builder_;
    size_t stride_ = 0;
    int32_t height_ = 0;
    static thread_local std::vector<uint8_t> strip_;
};

thread_local std::vector<uint8_t> cDigestSink::strip_;

} // namespace

cDigestBuilder::cDigestBuilder(int32_t width, int32_t height, DigestParts parts, ResampleQuality quality)
    : width_(width), height_(height) {
    if (width <= 0 || height <= 0) return;
    if (parts.fingerprint) reduction_.emplace(width, height, kFingerprintSide, kFingerprintSide, quality);
    if (parts.histogram) {
        histogram_.emplace();
        histogram_->BeginRows(width, height, true);
    }
}

void cDigestBuilder::AddRow(int32_t memoryRow, std::span<const uint8_t> pixels) {
    if (reduction_) reduction_->AddRow(memoryRow, pixels);
    if (histogram_) histogram_->CountRow(memoryRow, pixels);
}

PictureDigest cDigestBuilder::Finish(int32_t imageType, int32_t alpha) {
    PictureDigest digest{imageType, width_, height_, alpha, std::nullopt, cHistogram()};
    if (reduction_) {
        cDIBSection reduced;
        if (reduced.InitializeDIBForOverwrite(kFingerprintSide, kFingerprintSide)) {
            reduction_->Finish({reduced.BitsPointer(), kFingerprintSide, kFingerprintSide});
            digest.fingerprint = reduced.GetHashValue();
        }
    }
    if (histogram_) {
        histogram_->EndRows();
        digest.histogram = std::move(*histogram_);
    }
    return digest;
}

PictureDigest DigestPicture(const cDIBSection& picture, DigestParts parts) {
    if (picture.IsEmpty()) return PictureDigest{picture.ImageType(), 0, 0, picture.Alpha(), std::nullopt, {}};
    const ResampleQuality quality =
        picture.HighQualityInterpolation() ? ResampleQuality::kSmooth : ResampleQuality::kNearest;
    cDigestBuilder builder(picture.Width(), picture.Height(), parts, quality);
    for (int32_t row = 0; row < picture.Height(); ++row)
        builder.AddRow(row, picture.MemoryRow(row));
    return builder.Finish(picture.ImageType(), picture.Alpha());
}

std::optional<PictureDigest> DigestPictureFile(const std::filesystem::path& path, DigestParts parts) {
    if (TestImageType(path) != image_type::kJpeg) {
        cDIBSection picture;
        if (!picture.LoadPicture_File(path)) return std::nullopt;
        return DigestPicture(picture, parts);
    }
    const cRegularFile file(path);
    if (!file.IsValid() || file.Size() < static_cast<int64_t>(kMinPictureBytes)) return std::nullopt;
    cDigestSink sink(parts);
    if (!decoding::StreamJpeg(decoding::JpegInput{{}, &file}, sink)) return std::nullopt;
    return sink.Finish();
}

bool DecodesAsPicture(const std::string& path) {
    return DigestPictureFile(path, DigestParts{false, false}).has_value();
}

} // namespace pellvane
