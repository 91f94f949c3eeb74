#pragma once
// The metadata codec: one object reads one image file (JPEG, or a TIFF-structured file),
// keeps a model of its structure and answers questions about it by member name.
// Members never fail for lack of data: they answer 0, false, "" or an empty value.

#include "base/ByteReader.h"
#include "codec/Budget.h"
#include "codec/IExifCodec.h"
#include "codec/TagStore.h"
#include "codec/extensions/MakerNotePreviews.h"
#include "codec/extensions/Mpf.h"
#include "codec/mFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pellvane {

struct MarkerRecord {
    int16_t markerNo = 0;
    std::string name;
    int32_t size = 0;
    int32_t pointer = 0;
    uint32_t identifierValue = 0; // first four payload bytes, little-endian
    std::string identifier;       // APPn only
    ByteArray data;               // `size` bytes after the marker, length bytes first
    int32_t operation = 0;        // 0 unchanged, 1 edited, 3 deleted
};

// Whether the picture in a file decodes. The codec decodes no pictures itself: a caller
// that wants ThumbnailValid hands it the decoder it uses; without one no thumbnail is valid.
using PictureCheck = std::function<bool(const std::string& path)>;

class cExifCodec final : public IExifCodec {
  public:
    cExifCodec() = default;
    ~cExifCodec() override { CloseFile(); }
    cExifCodec(const cExifCodec&) = delete;
    cExifCodec& operator=(const cExifCodec&) = delete;

    // --- file model ---
    int32_t OpenFile(const std::string& fileName, std::optional<bool> processMakerNote = std::nullopt,
                     std::optional<bool> cacheThumbnail = std::nullopt) override;
    void CloseFile() override;
    const std::string& FileName() const { return fileName_; }
    int32_t FileSize(bool recalculate) const;
    double FILETIME(int which) const;
    int32_t FileType() const override { return fileType_; }

    int16_t MarkerCount() const override { return static_cast<int16_t>(markers_.size()); }
    int16_t MarkerNo(int32_t i) const override { return Marker(i).markerNo; }
    std::string MarkerName(int32_t i) const { return Marker(i).name; }
    std::string MarkerIndentifier(int32_t i) const { return Marker(i).identifier; }
    int32_t MarkerSize(int32_t i) const override { return Marker(i).size; }
    int32_t MarkerPointer(int32_t i) const { return Marker(i).pointer; }
    int32_t MarkerOperation(int32_t i) const override { return Marker(i).operation; }
    ByteArray MarkerData(int32_t i) const override { return Marker(i).data; }
    void SetMarkerData(int32_t i, ByteArray data);
    std::string MarkerDataString(int32_t i, int indent = 0, int perRow = 16) const;
    int16_t FindMarker(int16_t markerNo, const std::string& identifier,
                       bool includeDeleted = false) const override;
    bool IsMarkerExisted(int16_t markerNo, const std::string& identifier) const override;

    int32_t ImageWidth() const override;
    int32_t ImageHeight() const override;
    int32_t ImageBitDepth() const;
    int32_t streamOffset() const { return streamOffset_; }
    int32_t streamSize() const override { return streamSize_; }
    // A temporary file holding a copy of the image data. It is written when first asked
    // for, from the file that stays open, so that examining a file costs no copy of its
    // largest part unless someone wants it; "" when there is no image data or no copy
    // could be made.
    std::string StreamCachePath() const;

    ByteArray EOFChunk() const override { return eofChunk_; }
    void SetEOFChunk(ByteArray bytes);
    int32_t EOFChunkSize() const override { return static_cast<int32_t>(eofChunkSize_); }
    int32_t EOFChunkOffset() const { return eoiOffset_ + 2; }
    bool EOFChunkDelected() const { return eofChunkDeleted_; }
    void SetEOFChunkDelected(bool value) { eofChunkDeleted_ = value; }
    std::string EOFChunkDataString() const;
    std::string ComprSignature() const override { return comprSignature_; }

    bool ProcessMakerNote() const override { return processMakerNote_; }
    void SetProcessMakerNote(bool value) override { processMakerNote_ = value; }
    bool ReleaseMemory() const { return releaseMemory_; }
    void SetReleaseMemory(bool value) { releaseMemory_ = value; }

    // --- tag store ---
    int32_t FindTag(uint32_t tagNo, int32_t ifd) const { return tags_.Find(tagNo, ifd); }
    bool IsTagExisted(uint32_t tagNo, int32_t ifd, bool skipDeleted = false) const override;
    ExifValue TagValue(uint32_t tagNo, int32_t ifd) const override;
    void SetTagValue(uint32_t tagNo, int32_t ifd, ExifValue value);
    std::string TagValueString(uint32_t tagNo, int32_t ifd) const override;
    int32_t TagFormat(uint32_t tagNo, int32_t ifd) const;
    int32_t TagComponents(uint32_t tagNo, int32_t ifd) const;
    int32_t TagIFD(uint32_t tagNo, int32_t ifd) const;
    bool TagDeleted(uint32_t tagNo, int32_t ifd) const {
        return TagOperationIs(tagNo, ifd, kOperationDeleted);
    }
    void SetTagDeleted(uint32_t tagNo, int32_t ifd, bool deleted);
    bool TagAdded(uint32_t tagNo, int32_t ifd) const { return TagOperationIs(tagNo, ifd, kOperationAdded); }
    bool TagEdited(uint32_t tagNo, int32_t ifd) const { return TagOperationIs(tagNo, ifd, kOperationEdited); }
    bool GetGpsCoordinate(double& latitude, double& longitude) const;
    bool ByteOrder() const override { return bigEndian_; }
    bool SetByteOrder(bool bigEndian);

    int32_t IFDEntryCount(int32_t ifd) const override { return tags_.Count(ifd); }
    uint32_t IFDEntryTagNo(int32_t i) const { return tags_.Entry(i).tagNoID & 0xFFFF; }
    uint32_t IFDEntryTagNoID(int32_t i) const { return tags_.Entry(i).tagNoID; }
    uint32_t IFDEntryParentTag(int32_t i) const { return tags_.Entry(i).tagNoID >> 16; }
    int32_t IFDEntryIFD(int32_t i) const { return tags_.Entry(i).ifd; }
    int32_t IFDEntryFormat(int32_t i) const { return tags_.Entry(i).format; }
    int32_t IFDEntryComponents(int32_t i) const { return tags_.Entry(i).components; }
    int32_t IFDEntryValueOffset(int32_t i) const { return tags_.Entry(i).valueOffset; }
    int64_t IFDEntryValueLength(int32_t i) const;
    bool IFDEntryLocked(int32_t i) const { return tags_.Entry(i).locked; }
    bool IFDEntryDeleted(int32_t i) const { return tags_.Entry(i).operation == kOperationDeleted; }
    bool IFDEntryEdited(int32_t i) const { return tags_.Entry(i).operation == kOperationEdited; }
    bool IFDEntryAdded(int32_t i) const { return tags_.Entry(i).operation == kOperationAdded; }
    ExifValue IFDEntryValue(int32_t i) const { return tags_.Entry(i).value; }
    void SetIFDEntryValue(int32_t i, ExifValue value);
    int32_t IFDEntryOperation(int32_t i) const { return tags_.Entry(i).operation; }
    void SetIFDEntryOperation(int32_t i, int32_t operation);
    std::string IFDEntryValueString(int32_t i) const;

    // --- maker ---
    int32_t Manufacturer() const override { return manufacturer_; }
    void SetManufacturer(int32_t code) { manufacturer_ = code; }
    std::string ManufacturerString() const override;
    // Derived from the findings of the MakerNote rules: the value the last one gave.
    bool MakerNoteIsOriginal() const override {
        return DerivedFact(findings_, kFactMakerNoteIsOriginal, false);
    }
    void SetMakerNoteIsOriginal(bool value) {
        AddFinding(CodecFinding("makernote.set-by-writer", kFactMakerNoteIsOriginal, value));
    }
    int16_t MakerNoteIFDType() const override { return makerNote_.ifdType; }
    int32_t MakerNotePointer() const { return makerNote_.pointer; }
    int32_t MakerNotePointerRef() const { return makerNote_.pointerRef; }
    int32_t MakerNoteByteOrder() const { return makerNote_.littleEndian ? 0 : 1; }
    bool MakerNoteSubIFDExists() const { return makerNote_.subIfdExists; }

    // --- embedded images, MPF, AROT (filled by the codec's extensions) ---
    // Preview images found through MakerNote tags (0-based index; defaults outside the list).
    int32_t MakerNoteImageCount() const override { return static_cast<int32_t>(previews_.images.size()); }
    bool MakerNoteImageIsInEOF(int32_t i) const { return MakerNoteImageAt(i).inTrailingData; }
    bool MakerNoteImageValid(int32_t i) const { return MakerNoteImageAt(i).valid; }
    int32_t MakerNoteImageOffset(int32_t i) const { return MakerNoteImageAt(i).offset; }
    std::string MakerNoteImageStreamPath(int32_t i) const override { return MakerNoteImageAt(i).streamPath; }
    bool MakerNoteImageWithheld(int32_t i) const override { return MakerNoteImageAt(i).withheld; }
    int32_t MakerNoteImageStreamSize(int32_t i) const { return MakerNoteImageAt(i).streamSize; }
    int32_t ThumbPtr() const { return thumbPtr_; }
    int32_t ThumbSize() const override { return thumbSize_; }
    std::string ThumbnailCachePath() const override { return thumbnailCachePath_; }
    void SetThumbnailCachePath(std::string path) { thumbnailCachePath_ = std::move(path); }
    bool ThumbnailValid() const { return DerivedFact(findings_, kFactThumbnailValid, false); }
    void SetPictureCheck(PictureCheck check) { pictureCheck_ = std::move(check); }
    // The bytes of the file at ThumbnailCachePath (empty when there is none); reading them
    // sets ThumbSize to that file's size.
    ByteArray Thumbnail();
    int16_t PelvnVersion() const override { return pelvnVersion_; }
    void SetPelvnVersion(int16_t version) { pelvnVersion_ = version; }

    // --- XMP packet and Apple AROT segment ---
    // True when the file has an XMP packet, in an APP1 segment or in IFD0's XMP tag.
    bool XMPExisted(bool excludeDeleted = false) const override;
    std::string XMPText() const override;
    const Findings& CodecFindings() const override { return findings_; }
    std::vector<int32_t> AROT() const override { return arot_; }

    // --- Multi-Picture Format ---
    bool MPFExisted(bool excludeDeleted = false) const override;
    bool MPFValid() const override { return DerivedFact(findings_, kFactMPFValid, false); }
    void SetMPFValid(bool value) { AddFinding(CodecFinding("mpf.set-by-writer", kFactMPFValid, value)); }
    int32_t MPFByteOrder() const { return mpf_.bigEndian ? 1 : 0; }
    int16_t MPFIFDCount() const { return mpf_.ifdCount; }
    int32_t MPFIFDEntryCount(int32_t ifd) const; // a negative number counts every directory
    int32_t MPFIFDEntryTagNo(int32_t i) const { return MpfEntryAt(i).tag; }
    int32_t MPFIFDEntryIFD(int32_t i) const { return MpfEntryAt(i).ifd; }
    int32_t MPFIFDEntryComponents(int32_t i) const { return MpfEntryAt(i).components; }
    int32_t MPFIFDEntryFormat(int32_t i) const { return MpfEntryAt(i).format; }
    std::string MPFIFDEntryTagName(int32_t i) const { return MpfTagName(MpfEntryAt(i).tag); }
    std::string MPFIFDEntryValueString(int32_t i) const;
    int32_t MPFImageCount() const override { return static_cast<int32_t>(mpf_.images.size()); }
    bool MPFImageValid(int32_t i) const { return MpfImageAt(i).valid; }
    int32_t MPFImageOffset(int32_t i) const { return MpfImageAt(i).offset; }
    std::string MPFImageUniqueID(int32_t i) const { return MpfImageAt(i).uniqueId; }
    int32_t MPFImageSOIinEOF(int32_t i) const { return MpfImageAt(i).soiInEof; }
    std::string MPFImageStreamPath(int32_t i) const override { return MpfImageAt(i).streamPath; }
    bool MPFImageWithheld(int32_t i) const override { return MpfImageAt(i).withheld; }
    int32_t MPFImageStreamSize(int32_t i) const { return MpfImageAt(i).streamSize; }
    // What the checks of the MP index found wrong, in the order found.
    const std::vector<std::string>& MPFMessages() const { return mpf_.messages; }
    bool ExtractMPF() const { return extractMPF_; }
    void SetExtractMPF(bool value) { extractMPF_ = value; }

  private:
    friend class DirectoryWalker; // DirectoryWalk.cpp

    // What the MakerNote identification found.
    struct MakerNoteState {
        int16_t ifdType = 0;
        int32_t pointer = 0;
        int32_t pointerRef = 0;
        bool littleEndian = true;
        bool subIfdExists = false;
    };

    const MarkerRecord& Marker(int32_t i) const;
    void AddFinding(Finding finding) { findings_.push_back(std::move(finding)); }
    // Drops the findings of one area ("makernote.") when the state they decided is reset,
    // and records the reset itself as the finding that now decides the member.
    void ResetFindings(std::string_view area, Finding reset);
    void ForgetFindings(std::string_view area);
    bool TagOperationIs(uint32_t tagNo, int32_t ifd, int32_t operation) const;
    void ReleasePreviousFile();

    // Segment scan (SegmentScan.cpp).
    int32_t ScanSegments(const cByteReader& file);
    int32_t ScanJpegSegments(const cByteReader& file);
    int32_t ScanTiffStructure(const cByteReader& file);
    void ResetFileModel();
    int16_t FindMarkerByValue(int16_t markerNo, uint32_t identifierValue, bool skipDeleted) const;
    void LocateImageData(const cByteReader& file);
    void LocateJpegImageData(const cByteReader& file);
    void LocateTiffStrips();
    void CheckImageDataRange(const cByteReader& file);
    void ReadFrameHeader(const cByteReader& file);
    void ComputeComprSignature();

    // XMP, AROT and MPF (ExtensionSegments.cpp).
    int16_t FindXmpSegment() const;
    void ParseExtensionSegments(const cByteReader& file);
    const MpfEntry& MpfEntryAt(int32_t i) const;
    const MpfImage& MpfImageAt(int32_t i) const;

    // Directory walk (DirectoryWalk.cpp). Returns 0, or the result code of a fault.
    int32_t WalkDirectories(const cByteReader& file);

    // MakerNote checks that need more than the MakerNote itself (extensions/MakerNoteChecks.cpp):
    // the first once every directory is read, the second once the image data is located.
    void CheckMakerNoteAfterWalk(const cByteReader& file);
    void CheckMakerNoteAgainstImageData();
    // MakerNote preview images (extensions/MakerNotePreviews.cpp). The walk reports every
    // MakerNote entry it stores, since a damaged preview clears MakerNoteIsOriginal as the
    // entry is read; the previews are extracted once the end of the image is known.
    void NoteMakerNotePreview(const cByteReader& file, int32_t index);
    void SearchSonyPreview(const cByteReader& file, int32_t index, int32_t entryPosition);
    void ExtractMakerNotePreviews(const cByteReader& file);
    const MakerNoteImage& MakerNoteImageAt(int32_t i) const;

    // IFD1 thumbnail and the legacy block before it (extensions/Thumbnail.cpp).
    void LocateThumbnail(const cByteReader& file);
    // What the temporary-file budget left out, as a finding (none when nothing was).
    void NoteTempBudget();
    void NoteFileReadInPart(int64_t fileBytes, int64_t bytesRead);
    void NoteTrailingDataKeptInPart();

    std::string fileName_;
    cFileHandle file_;
    int64_t fileSize_ = 0;
    int32_t fileType_ = 0;
    bool bigEndian_ = false;
    std::vector<MarkerRecord> markers_;
    int16_t exifIndex_ = -1;
    int16_t mpfIndex_ = -1;
    int16_t arotIndex_ = -1;
    int32_t tiffHeaderOffset_ = 0;
    int32_t streamOffset_ = 0;
    int32_t streamSize_ = 0;
    int32_t eoiOffset_ = 0;
    ByteArray eofChunk_;       // its first bytes: at most budget::kMaxTrailingBytesKept
    int64_t eofChunkSize_ = 0; // the whole of the data after the end of the image
    bool eofChunkDeleted_ = false;
    mutable int32_t imageWidth_ = 0;
    mutable int32_t imageHeight_ = 0;
    mutable int32_t imageBitDepth_ = 0;
    std::string comprSignature_;
    mutable std::string streamCachePath_;
    bool processMakerNote_ = true;
    bool cacheThumbnail_ = true;
    bool releaseMemory_ = true;

    cTagStore tags_;
    int32_t manufacturer_ = 0;
    MakerNoteState makerNote_;
    int32_t thumbPtr_ = 0;
    int32_t thumbSize_ = 0;
    std::string thumbnailCachePath_;
    PictureCheck pictureCheck_;
    int16_t pelvnVersion_ = 0;
    MakerNotePreviews previews_;
    budget::cTempWriter tempFiles_; // the embedded images' temporary files of the open file
    // Every decision of the integrity rules; MakerNoteIsOriginal, ThumbnailValid and MPFValid
    // are derived from them. A new codec has read no MakerNote and no MPF segment.
    Findings findings_{CodecFinding("makernote.none-read", kFactMakerNoteIsOriginal, false),
                       CodecFinding("mpf.none-read", kFactMPFValid, false)};

    std::vector<int32_t> arot_;
    MpfData mpf_;
    bool extractMPF_ = true;
};

} // namespace pellvane
