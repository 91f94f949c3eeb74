#pragma once
// What the analysis reads of a picture: its size, its alpha class, its fingerprint and its sampled
// histogram. A digest is built from rows, whichever way they come: from a whole pixel buffer (the
// window, which shows the picture), or straight from the decoder, which streams a JPEG's rows
// through a strip of a few rows, so that a picture of any size is summarised in a few strips'
// memory. Both ways run the same code, so their digests cannot differ.

#include "imaging/Resample.h"
#include "imaging/cDIBSection.h"
#include "imaging/cHistogram.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace pellvane {

// Which parts of a digest to compute; the size and alpha class come always.
struct DigestParts {
    bool fingerprint = true;
    bool histogram = true;
};

// What comparing an embedded image with the main picture needs.
inline constexpr DigestParts kEmbeddedDigestParts{.fingerprint = true, .histogram = false};

struct PictureDigest {
    int32_t imageType = image_type::kNoBuffer; // format code from the first two bytes
    int32_t width = 0;                         // stored size, before any EXIF orientation
    int32_t height = 0;
    int32_t alpha = alpha_class::kOpaque;
    // The fingerprint of the picture shrunk to 8 x 8 by area averaging, as MakeFingerprint makes
    // it; empty when not asked for.
    std::optional<HashValue> fingerprint;
    // The sampled histogram the analysis judges; not loaded when not asked for.
    cHistogram histogram;
};

// Builds a digest from the rows of a picture, handed in any order (row 0 is the bottom row).
class cDigestBuilder {
  public:
    cDigestBuilder(int32_t width, int32_t height, DigestParts parts,
                   ResampleQuality quality = ResampleQuality::kSmooth);
    void AddRow(int32_t memoryRow, std::span<const uint8_t> pixels);
    // Takes in the rows another builder of the same picture was handed.
    void Absorb(const cDigestBuilder& other);
    PictureDigest Finish(int32_t imageType, int32_t alpha);

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::optional<cRowResampler> reduction_;
    std::optional<cHistogram> histogram_;
};

// The digest of a decoded picture; an empty buffer gives a digest without fingerprint or
// histogram.
PictureDigest DigestPicture(const cDIBSection& picture, DigestParts parts = {});

// Decodes the file and digests it; nothing when it does not decode. A JPEG is streamed from the
// file, the other formats are decoded whole first. The decoder's failures are those of
// cDIBSection::LoadPicture_File.
std::optional<PictureDigest> DigestPictureFile(const std::filesystem::path& path, DigestParts parts = {});

// Digesting a file while the caller does other work. A large single-scan JPEG decodes in two
// bands of rows: the lower band starts on a thread of its own at once (skipping the rows above
// it still entropy-decodes them), the upper band decodes on the caller's thread in Finish, so
// that a caller who is busy meanwhile gives the upper band a smaller share. Any other file is
// digested whole on the thread. The digest is the one DigestPictureFile makes.
class cDigestJob {
  public:
    cDigestJob(const std::filesystem::path& path, DigestParts parts, int32_t upperBandPercent);
    cDigestJob(const cDigestJob&) = delete;
    cDigestJob& operator=(const cDigestJob&) = delete;
    ~cDigestJob();

    std::optional<PictureDigest> Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether the file at `path` decodes as a picture: the check the codec is handed to judge its
// thumbnail, so that the codec itself needs no decoder.
bool DecodesAsPicture(const std::string& path);

} // namespace pellvane
