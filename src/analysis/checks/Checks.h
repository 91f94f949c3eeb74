#pragma once
// The fourteen forensic checks, one function each in a file of its own named after it. Each
// reads what it needs from the context, may set run flags, and returns the findings that
// decide its result row: the row's status (1 "Fail" to 5 "Pass") is the one set by the last
// finding that sets a status. A check that finds nothing to judge returns no finding with a
// status, and no row is added.

#include "analysis/checks/CheckContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellvane {

// The quantization tables against those of known editors and cameras.
Findings CompressionSignatureCheck(CheckContext& context);

// Whether the camera maker's MakerNote is present and still the camera's own.
Findings MakerNoteCheck(CheckContext& context);

// Whether the EXIF segment is there and no JFIF segment has been added beside it.
Findings ExifFormatCheck(CheckContext& context);

// Whether the picture is too small to come straight from a camera; sets `imageTooSmall`.
Findings ImageSizeCheck(CheckContext& context);

// Whether the metadata names an editing program; its name goes to `detectedSoftware`.
Findings SoftwareCheck(CheckContext& context);

// Fujifilm files: whether the FlashPix segment the cameras write is still there.
Findings FlashPixCheck(CheckContext& context);

// Files with Multi-Picture Format data: whether it is still valid.
Findings MpfCheck(CheckContext& context);

// Apple files: whether the AROT segment is there and matches the picture's height.
Findings ArotCheck(CheckContext& context);

// Whether the thumbnail, MPF images and MakerNote previews still show the main picture; a
// Nikon thumbnail with the main picture's tables sets `embeddedSignatureEqual`.
Findings EmbeddedImagesCheck(CheckContext& context);

// The embedded image files the comparison of EmbeddedImagesCheck decodes, within its budget
// for a main picture of `mainPixels`: for a caller that digests them ahead, while the main
// picture still decodes. Empty when the check compares no image.
std::vector<std::string> EmbeddedImagesToDigest(const IExifCodec& codec, int64_t mainPixels);

// Whether the colour histograms of the picture run without gaps and spikes.
Findings HistogramCheck(CheckContext& context);

// Whether values the camera writes together agree: dates, GPS time, Nikon's ISO and data size.
Findings ExifInternalConsistencyCheck(CheckContext& context);

// Whether the metadata agrees with the picture: pixel dimensions, MakerNote size entries and
// Samsung's trailer time stamp.
Findings ExifExternalConsistencyCheck(CheckContext& context);

// Whether the picture keeps a camera sensor's proportions.
Findings AspectRatioCheck(CheckContext& context);

// Whether the maker's early metadata editor left its block; fails the file and names the
// editor in `detectedSoftware`.
Findings LegacyDataCheck(CheckContext& context);

} // namespace pellvane
