#pragma once
// The forensic tests, one function each in a file of its own. Each reads what it needs from
// the context, may set run flags, and answers the status of its result row (1 "Fail" to
// 5 "Pass"), or nothing when the file gives it nothing to judge and no row is added.

#include "analysis/TestContext.h"

namespace pellvane {

// The quantization tables against those of known editors and cameras.
std::optional<int16_t> CompressionSignatureTest(TestContext& context);

// Whether the camera maker's MakerNote is present and still the camera's own.
std::optional<int16_t> MakerNoteTest(TestContext& context);

// Whether the EXIF segment is there and no JFIF segment has been added beside it.
std::optional<int16_t> ExifFormatTest(TestContext& context);

// Whether the picture is too small to come straight from a camera; sets `imageTooSmall`.
std::optional<int16_t> ImageSizeTest(TestContext& context);

// Whether the metadata names an editing program; its name goes to `detectedSoftware`.
std::optional<int16_t> SoftwareTest(TestContext& context);

// Fujifilm files: whether the FlashPix segment the cameras write is still there.
std::optional<int16_t> FlashPixTest(TestContext& context);

// Files with Multi-Picture Format data: whether it is still valid.
std::optional<int16_t> MpfTest(TestContext& context);

// Apple files: whether the AROT segment is there and matches the picture's height.
std::optional<int16_t> ArotTest(TestContext& context);

// Whether the thumbnail, MPF images and MakerNote previews still show the main picture; a
// Nikon thumbnail with the main picture's tables sets `embeddedSignatureEqual`.
std::optional<int16_t> EmbeddedImagesTest(TestContext& context);

// Whether the colour histograms of the picture run without gaps and spikes.
std::optional<int16_t> HistogramTest(TestContext& context);

// Whether values the camera writes together agree: dates, GPS time, Nikon's ISO and data size.
std::optional<int16_t> ExifInternalConsistencyTest(TestContext& context);

// Whether the metadata agrees with the picture: pixel dimensions, MakerNote size entries and
// Samsung's trailer time stamp.
std::optional<int16_t> ExifExternalConsistencyTest(TestContext& context);

// Whether the picture keeps a camera sensor's proportions.
std::optional<int16_t> AspectRatioTest(TestContext& context);

// Whether the maker's early metadata editor left its block; fails the file and names the
// editor in `detectedSoftware`.
std::optional<int16_t> LegacyDataTest(TestContext& context);

} // namespace pellvane
