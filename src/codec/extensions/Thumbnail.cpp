// The EXIF thumbnail that IFD1 describes, and the legacy editor block that may stand just
// before it.

#include "codec/cExifCodec.h"
#include "codec/extensions/LegacyBlock.h"

#include <algorithm>

namespace pellvane {
namespace {

// Thumbnails are extracted only when they lie wholly in the first 64 KiB of the TIFF
// structure, where an EXIF segment can hold them.
constexpr int64_t kThumbnailReach = 65536;

// Sum of the strip byte counts: SHORT and LONG values count, other formats give 0.
int64_t StripBytes(const ExifValue& counts, int32_t format) {
    if (format != 3 && format != 4) return 0;
    int64_t sum = 0;
    for (size_t i = 0; i < ValueElementCount(counts); ++i)
        sum += ValueElement(counts, i, true);
    return sum;
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

void cExifCodec::LocateThumbnail(const cByteReader& file) {
    const bool uncompressed = ValueElement(TagValue(kTagCompression, kIfd1), 0) == 1;
    if (uncompressed && IsTagExisted(kTagStripOffsets, kIfd1) && IsTagExisted(kTagStripByteCounts, kIfd1)) {
        thumbPtr_ = ClampToInt32(ValueElement(TagValue(kTagStripOffsets, kIfd1), 0, true));
        thumbSize_ = ClampToInt32(
            StripBytes(TagValue(kTagStripByteCounts, kIfd1), TagFormat(kTagStripByteCounts, kIfd1)));
    }
    if ((thumbPtr_ == 0 || thumbSize_ == 0) && IsTagExisted(kTagJpegOffset, kIfd1) &&
        IsTagExisted(kTagJpegLength, kIfd1)) {
        thumbPtr_ = ClampToInt32(ValueElement(TagValue(kTagJpegOffset, kIfd1), 0, true));
        thumbSize_ = ClampToInt32(ValueElement(TagValue(kTagJpegLength, kIfd1), 0, true));
    }

    const int64_t base = tiffHeaderOffset_;
    if (pelvnVersion_ == 0 && thumbPtr_ > 0) {
        // Step back over the zero bytes that pad the block up to the thumbnail.
        int64_t end = base + thumbPtr_ - 1;
        while (end > base + thumbPtr_ - 5 && file.ByteOrZero(end) == 0)
            --end;
        if (end > 15) pelvnVersion_ = CheckLegacyBlock(file.Slice(end - 15, 16));
    }

    auto decide = [&](const char* rule, bool value) {
        AddFinding(CodecFinding(rule, kFactThumbnailValid, value)
                       .With("thumbnailOffset", thumbPtr_)
                       .With("thumbnailSize", thumbSize_)
                       .With("cacheThumbnail", cacheThumbnail_));
    };
    const bool extract = cacheThumbnail_ && thumbPtr_ > 0 && thumbSize_ > 0 &&
                         static_cast<int64_t>(thumbPtr_) + thumbSize_ < kThumbnailReach;
    if (!extract) return decide("thumbnail.not-extracted", false);
    DeleteFileQuietly(thumbnailCachePath_);
    thumbnailCachePath_.clear();
    const auto bytes = file.Slice(base + thumbPtr_, thumbSize_);
    if (bytes.empty()) return decide("thumbnail.outside-file", false);
    thumbnailCachePath_ = tempFiles_.Write("IFD1", base + thumbPtr_, false, bytes).path;
    if (thumbnailCachePath_.empty()) return decide("thumbnail.not-written", false);
    if (!pictureCheck_) return decide("thumbnail.no-picture-check", false);
    // A few kilobytes may declare a picture of hundreds of megapixels; such a one is not decoded.
    if (const auto pixels = budget::DeclaredJpegPixels(bytes);
        pixels && *pixels > budget::kMaxThumbnailPixels) {
        AddFinding(CodecFinding("budget.thumbnail-not-decoded", kFactThumbnailValid, false)
                       .With("declaredPixels", *pixels)
                       .With("limit", budget::kMaxThumbnailPixels));
        return;
    }
    const bool decodes = pictureCheck_(thumbnailCachePath_);
    decide(decodes ? "thumbnail.decodes" : "thumbnail.does-not-decode", decodes);
}

ByteArray cExifCodec::Thumbnail() {
    if (thumbnailCachePath_.empty()) return {};
    const cFileHandle file = OpenFileHandle(thumbnailCachePath_, true);
    if (!file.IsValid()) return {};
    const FileBytes bytes = ReadWholeFile(file);
    thumbSize_ = static_cast<int32_t>(bytes.size);
    const auto span = bytes.Span();
    return ByteArray(span.begin(), span.end());
}

} // namespace pellvane
