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
    if (manufacturer_ != kMakerPentax || !makerNote_.isOriginal || exifIndex_ < 0) return;
    const MarkerRecord& exif = markers_[static_cast<size_t>(exifIndex_)];
    const int64_t at = static_cast<int64_t>(exif.pointer) + exif.size;
    makerNote_.isOriginal = file.U8(at) == uint8_t{0xFF} && file.U8(at + 1) == uint8_t{0xD8};
}

void cExifCodec::CheckMakerNoteAgainstImageData() {
    if (manufacturer_ == kMakerNikon && makerNote_.isOriginal &&
        IsTagExisted(kTagNikonImageDataSize, kIfdMakerNote)) {
        const int64_t recorded = ValueElement(TagValue(kTagNikonImageDataSize, kIfdMakerNote), 0, true);
        makerNote_.isOriginal = streamSize_ == recorded - 2;
    }
    if (manufacturer_ == kMakerSamsung && IFDEntryCount(kIfdMakerNote) == 0 && !makerNote_.isOriginal)
        makerNote_.isOriginal = FindMarkerByValue(kMarkerAPP4, 0, true) >= 0 && HasSamsungTrailer(eofChunk_);
}

} // namespace pellvane
