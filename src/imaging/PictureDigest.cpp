#include "imaging/PictureDigest.h"

#include "imaging/Decoders.h"
#include "imaging/RegularFile.h"

#include <future>
#include <new>
#include <system_error>
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
    void Absorb(const cDigestSink& other) {
        if (builder_ && other.builder_) builder_->Absorb(*other.builder_);
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

// Below this size a second band gains less than starting its thread costs.
constexpr int64_t kBandsFromPixels = 2'000'000;

std::optional<PictureDigest> DigestJpegWhole(const cRegularFile& file, DigestParts parts) {
    cDigestSink sink(parts);
    if (!decoding::StreamJpeg(decoding::JpegInput{{}, &file}, sink)) return std::nullopt;
    return sink.Finish();
}

std::optional<PictureDigest> DigestOtherFormat(const std::filesystem::path& path, DigestParts parts) {
    cDIBSection picture;
    if (!picture.LoadPicture_File(path)) return std::nullopt;
    return DigestPicture(picture, parts);
}

} // namespace

// What a job works on. The file stays open until the job ends, for both bands to read it.
struct cDigestJob::State {
    State(const std::filesystem::path& picturePath, DigestParts digestParts)
        : path(picturePath), jpeg(TestImageType(picturePath) == image_type::kJpeg), file(picturePath),
          parts(digestParts), upper(digestParts), lower(digestParts) {}

    std::filesystem::path path;
    bool jpeg = false;
    cRegularFile file;
    DigestParts parts;
    int32_t split = 0; // the first row of the lower band
    cDigestSink upper;
    cDigestSink lower;
    std::future<bool> lowerDecoded;
    std::future<std::optional<PictureDigest>> whole;
};

cDigestJob::cDigestJob(const std::filesystem::path& path, DigestParts parts, int32_t upperBandPercent)
    : state_(std::make_unique<State>(path, parts)) {
    State& state = *state_;
    const bool jpeg = state.jpeg;
    std::optional<decoding::JpegFrame> frame;
    if (jpeg && state.file.IsValid() && state.file.Size() >= static_cast<int64_t>(kMinPictureBytes))
        frame = decoding::ProbeJpeg(decoding::JpegInput{{}, &state.file});
    try {
        if (frame && frame->splittable && int64_t{frame->width} * frame->height >= kBandsFromPixels) {
            state.split = static_cast<int32_t>(int64_t{frame->height} * upperBandPercent / 100);
            state.lowerDecoded = std::async(std::launch::async, [&state] {
                return decoding::StreamJpeg(decoding::JpegInput{{}, &state.file, state.split, INT32_MAX},
                                            state.lower);
            });
        } else if (frame) {
            state.whole =
                std::async(std::launch::async, [&state] { return DigestJpegWhole(state.file, state.parts); });
        } else if (!jpeg) {
            state.whole =
                std::async(std::launch::async, [path, parts] { return DigestOtherFormat(path, parts); });
        }
    } catch (const std::system_error&) {
        // No thread to be had: Finish does it all.
    }
    if (jpeg && !frame) {
        // No JPEG that decodes, or no regular file: nothing to start.
        std::promise<std::optional<PictureDigest>> none;
        none.set_value(std::nullopt);
        state.whole = none.get_future();
    }
}

cDigestJob::~cDigestJob() = default;

std::optional<PictureDigest> cDigestJob::Finish() {
    State& state = *state_;
    if (state.whole.valid()) return state.whole.get();
    if (!state.jpeg) return DigestOtherFormat(state.path, state.parts);
    if (!state.lowerDecoded.valid()) return DigestJpegWhole(state.file, state.parts);
    const bool upperDecoded =
        decoding::StreamJpeg(decoding::JpegInput{{}, &state.file, 0, state.split}, state.upper);
    if (!state.lowerDecoded.get() || !upperDecoded) return std::nullopt;
    state.upper.Absorb(state.lower);
    return state.upper.Finish();
}

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

void cDigestBuilder::Absorb(const cDigestBuilder& other) {
    if (reduction_ && other.reduction_) reduction_->Add(*other.reduction_);
    if (histogram_ && other.histogram_) histogram_->AddRowCounts(*other.histogram_);
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
    if (TestImageType(path) != image_type::kJpeg) return DigestOtherFormat(path, parts);
    const cRegularFile file(path);
    if (!file.IsValid() || file.Size() < static_cast<int64_t>(kMinPictureBytes)) return std::nullopt;
    return DigestJpegWhole(file, parts);
}

bool DecodesAsPicture(const std::string& path) {
    return DigestPictureFile(path, DigestParts{false, false}).has_value();
}

} // namespace pellvane
