#pragma once
// What the analysis needs of a metadata codec. The built-in `cExifCodec` implements it,
// and so would an external codec component, should the platform provide one.

#include "base/Finding.h"
#include "codec/ExifTags.h"
#include "codec/ExifValue.h"
#include "codec/Makers.h"
#include "codec/Markers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pellvane {

// OpenFile result codes.
enum OpenResult : int32_t {
    kOpenOk = 0,
    kOpenCannotOpen = 1,
    kOpenNotImage = 2,
    kOpenExifError = 3,
    kOpenMakerNoteError = 4,
    kOpenNoSegments = 5,
    kOpenNoExif = 6,
};

// FileType values. Values above kFileJpegWithoutImageData are TIFF-structured files.
enum FileType : int32_t {
    kFileJpeg = 0,                 // with entropy-coded data
    kFileJpegWithoutImageData = 1, // no entropy-coded data
    kFileTiff = 2,                 // strip data located
    kFileTiffWithoutImageData = 3, // byte-order mark found, no strip data located
};

// The codec members that the integrity rules decide, as their findings name them.
inline constexpr const char* kFactMakerNoteIsOriginal = "MakerNoteIsOriginal";
inline constexpr const char* kFactThumbnailValid = "ThumbnailValid";
inline constexpr const char* kFactMPFValid = "MPFValid";
inline constexpr const char* kFactMakerNoteImageValid = "MakerNoteImageValid";

class IExifCodec {
  public:
    virtual ~IExifCodec() = default;

    // Flags not passed keep the values they had.
    virtual int32_t OpenFile(const std::string& fileName, std::optional<bool> processMakerNote = std::nullopt,
                             std::optional<bool> cacheThumbnail = std::nullopt) = 0;
    virtual void CloseFile() = 0;

    virtual int32_t Manufacturer() const = 0;
    virtual std::string ManufacturerString() const = 0;
    virtual ExifValue TagValue(uint32_t tagNo, int32_t ifd) const = 0;
    virtual std::string TagValueString(uint32_t tagNo, int32_t ifd) const = 0;
    virtual bool IsTagExisted(uint32_t tagNo, int32_t ifd, bool skipDeleted = false) const = 0;
    virtual int32_t IFDEntryCount(int32_t ifd) const = 0;
    virtual int32_t ImageWidth() const = 0;
    virtual int32_t ImageHeight() const = 0;
    virtual std::string ComprSignature() const = 0;
    virtual int16_t FindMarker(int16_t markerNo, const std::string& identifier,
                               bool includeDeleted = false) const = 0;
    virtual bool IsMarkerExisted(int16_t markerNo, const std::string& identifier) const = 0;
    virtual bool ProcessMakerNote() const = 0;
    virtual void SetProcessMakerNote(bool value) = 0;
    virtual bool MakerNoteIsOriginal() const = 0;
    virtual int16_t MakerNoteIFDType() const = 0;
    virtual int32_t MakerNoteImageCount() const = 0;
    virtual std::string MakerNoteImageStreamPath(int32_t index) const = 0;
    virtual bool MPFExisted(bool excludeDeleted = false) const = 0;
    virtual bool MPFValid() const = 0;
    virtual int32_t MPFImageCount() const = 0;
    virtual std::string MPFImageStreamPath(int32_t index) const = 0;
    // The data after the end of the image: its first bytes, up to the budget's limit on what
    // is kept; EOFChunkSize() is always its whole length.
    virtual ByteArray EOFChunk() const = 0;
    virtual int32_t EOFChunkSize() const = 0;
    virtual std::vector<int32_t> AROT() const = 0;
    virtual int32_t ThumbSize() const = 0;
    virtual std::string ThumbnailCachePath() const = 0;
    virtual int32_t streamSize() const = 0;
    virtual int16_t PelvnVersion() const = 0;

    // What the software identification reads: the file's type and byte order, the
    // segment list and the XMP packet.
    virtual int32_t FileType() const = 0;
    virtual bool ByteOrder() const = 0;
    virtual int16_t MarkerCount() const = 0;
    virtual int16_t MarkerNo(int32_t index) const = 0;
    virtual int32_t MarkerSize(int32_t index) const = 0;
    virtual int32_t MarkerOperation(int32_t index) const = 0;
    virtual ByteArray MarkerData(int32_t index) const = 0;
    virtual bool XMPExisted(bool excludeDeleted = false) const = 0;
    // What the integrity rules found while the file was opened, in the order they ran.
    virtual const Findings& CodecFindings() const = 0;
    virtual std::string XMPText() const = 0;
    // Embedded images the per-file budget left unwritten: there is nothing to compare, and
    // that says nothing about the file's history.
    virtual bool MPFImageWithheld(int32_t /*index*/) const { return false; }
    virtual bool MakerNoteImageWithheld(int32_t /*index*/) const { return false; }
};

// The external codec component. This platform has none, so the factory answers nothing
// and the built-in codec serves.
std::unique_ptr<IExifCodec> CreateExternalCodec(int32_t editorVersion);

} // namespace pellvane
