// MakerNote integrity checks that look beyond the MakerNote itself: where the Exif segment
// ends, how long the image data is, and what follows the end of the image.

#include "codec/cExifCodec.h"

#include <algorithm>
#include <string_view>

namespace pellvane {
namespace {

// Samsung phones that write no MakerNote leave an APP4 segment and a trailer after the
// image whose block of metadata carries this name at offset 8.
constexpr std::string_view kSamsungTrailerName = "Image_UTC_Data";
constexpr size_t kSamsungTrailerNameAt = 8;
constexpr size_t kSamsungTrailerMinimum = 24;

bool HasSamsungTrailer(const ByteArray& trailing) {
    if (trailing.size() < kSamsungTrailerMinimum) return false;
    const auto name = trailing.begin() + kSamsungTrailerNameAt;
    return std::equal(kSamsungTrailerName.begin(), kSamsungTrailerName.end(), name,
                      [](char c, uint8_t b) { return static_cast<uint8_t>(c) == b; });
}

} // namespace

void cExifCodec::CheckMakerNoteAfterWalk(const cByteReader& file) {
    // A Pentax MakerNote counts as intact only when the Exif segment ends the way the
    // camera closes it; a read past the file's end is no such ending.
    if (manufacturer_ != kMakerPentax || !MakerNoteIsOriginal() || exifIndex_ < 0) return;
    const MarkerRecord& exif = markers_[static_cast<size_t>(exifIndex_)];
    const int64_t at = static_cast<int64_t>(exif.pointer) + exif.size;
    const bool closed = file.U8(at) == uint8_t{0xFF} && file.U8(at + 1) == uint8_t{0xD8};
    AddFinding(CodecFinding(closed ? "makernote.pentax-exif-end-intact" : "makernote.pentax-exif-end-changed",
                            kFactMakerNoteIsOriginal, closed)
                   .With("exifSegmentEnd", at)
                   .With("byteAtEnd", file.U8(at).value_or(0))
                   .With("byteAfterEnd", file.U8(at + 1).value_or(0)));
}

void cExifCodec::CheckMakerNoteAgainstImageData() {
    if (manufacturer_ == kMakerNikon && MakerNoteIsOriginal() &&
        IsTagExisted(kTagNikonImageDataSize, kIfdMakerNote)) {
        const int64_t recorded = ValueElement(TagValue(kTagNikonImageDataSize, kIfdMakerNote), 0, true);
        const bool same = streamSize_ == recorded - 2;
        AddFinding(CodecFinding(same ? "makernote.nikon-image-data-size-kept"
                                     : "makernote.nikon-image-data-size-changed",
                                kFactMakerNoteIsOriginal, same)
                       .With("streamSize", streamSize_)
                       .With("recordedImageDataSize", recorded));
    }
    // Samsung phones that write no MakerNote: their own APP4 segment and trailer raise the
    // flag back.
    if (manufacturer_ == kMakerSamsung && IFDEntryCount(kIfdMakerNote) == 0 && !MakerNoteIsOriginal()) {
        const bool app4 = FindMarkerByValue(kMarkerAPP4, 0, true) >= 0;
        const bool trailer = HasSamsungTrailer(eofChunk_);
        AddFinding(CodecFinding(app4 && trailer ? "makernote.samsung-phone-segments"
                                                : "makernote.samsung-phone-segments-missing",
                                kFactMakerNoteIsOriginal, app4 && trailer)
                       .With("app4Segment", app4)
                       .With("trailerBlock", trailer)
                       .With("trailingBytes", eofChunkSize_));
    }
}

} // namespace pellvane
