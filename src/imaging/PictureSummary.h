#pragma once
// A short account of a decoded picture for the command line.

#include "imaging/PictureDigest.h"

#include <optional>
#include <string>

namespace pellvane {

struct PictureSummary {
    int imageType; // format code from the file's first two bytes (2 JPEG, 3 TIFF, ...)
    int width;     // stored size in pixels, before any EXIF orientation
    int height;
    int alpha;               // 0 opaque, 1 only fully transparent or opaque pixels, 2 translucent
    std::string fingerprint; // the 8 fingerprint bytes of the picture as stored, as 16 upper-case
                             // hex digits, byte 0 (the bottom row) first
    int histogramStatus;     // the continuity level (2 to 5) of the sampled histogram
};

// Decodes the file and summarises it; nothing when the file does not decode.
std::optional<PictureSummary> SummarizePicture(const std::string& path);

// Summarises a picture's digest; the fingerprint and the histogram status are empty and 0 when
// the digest holds none.
PictureSummary SummarizePicture(const PictureDigest& digest);

} // namespace pellvane
