#include "codec/cExifCodec.h"

#include "codec/SegmentText.h"
#include "codec/TextCodec.h"
#include "codec/ValueText.h"
#include "codec/extensions/Manufacturer.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <malloc.h>

namespace pellvane {
namespace {

// Opens shared by every codec object since the process last gave memory back.
std::atomic<int> gOpensSinceTrim{0};

void TrimWorkingSetEveryFifthOpen() {
    if (gOpensSinceTrim.load() >= 5) {
        ::malloc_trim(0); // hands freed heap pages back to the system
        gOpensSinceTrim = 0;
    }
    ++gOpensSinceTrim;
}

} // namespace

std::unique_ptr<IExifCodec> CreateExternalCodec(int32_t /*editorVersion*/) {
    return nullptr;
}

int32_t cExifCodec::OpenFile(const std::string& fileName, std::optional<bool> processMakerNote,
                             std::optional<bool> cacheThumbnail) {
    if (processMakerNote) processMakerNote_ = *processMakerNote;
    if (cacheThumbnail) cacheThumbnail_ = *cacheThumbnail;

    cFileHandle handle = OpenFileHandle(fileName, true);
    if (!handle.IsValid()) return kOpenCannotOpen;
    ReleasePreviousFile();
    // A file too large for 32-bit offsets is refused before it is read.
    if (handle.Size() > budget::kMaxFileBytes) return kOpenNotImage;
    file_ = std::move(handle);

    const int64_t fileBytes = file_.Size();
    const FileBytes buffer = ReadFileHead(file_, budget::kMaxResidentFileBytes);
    tempFiles_.Reset(static_cast<int64_t>(buffer.size));
    const bool completeRead = buffer.complete;
    const cByteReader file(buffer.Span());

    const int32_t scan = ScanSegments(file);
    if (scan != kOpenOk) return scan;
    if (completeRead && fileBytes > file.Size()) NoteFileReadInPart(fileBytes, file.Size());
    if (releaseMemory_) TrimWorkingSetEveryFifthOpen();

    tags_.Clear();
    thumbPtr_ = thumbSize_ = 0;
    manufacturer_ = 0;
    makerNote_ = {};
    ResetFindings("makernote.", CodecFinding("makernote.none-read", kFactMakerNoteIsOriginal, false));
    exifIndex_ = completeRead ? FindMarkerByValue(kMarkerAPP1, 0x66697845 /* "Exif" */, true) : -1;
    if (exifIndex_ >= 0 && fileType_ == kFileJpeg)
        tiffHeaderOffset_ = markers_[static_cast<size_t>(exifIndex_)].pointer + 10;

    int32_t result = kOpenNoExif;
    if (exifIndex_ >= 0) {
        result = WalkDirectories(file);
        LocateThumbnail(file);
        CheckMakerNoteAfterWalk(file);
    }
    fileName_ = fileName;

    LocateImageData(file);
    ExtractMakerNotePreviews(file);
    CheckMakerNoteAgainstImageData();
    ParseExtensionSegments(file);
    NoteTempBudget();
    ReadFrameHeader(file);
    if (fileType_ == kFileJpeg && streamSize_ == 0) fileType_ = kFileJpegWithoutImageData;
    if (fileType_ == kFileTiffWithoutImageData && streamSize_ > 0) fileType_ = kFileTiff;
    ComputeComprSignature();
    return result;
}

void cExifCodec::ReleasePreviousFile() {
    file_.Close();
    DeleteFileQuietly(streamCachePath_);
    streamCachePath_.clear();
    DeleteFileQuietly(thumbnailCachePath_);
    thumbnailCachePath_.clear();
    ResetFindings("thumbnail.", CodecFinding("thumbnail.none-extracted", kFactThumbnailValid, false));
    ReleaseMpfImages(mpf_);
    ReleaseMakerNotePreviews(previews_);
    tempFiles_.Reset(0);
    ForgetFindings("budget.");
    comprSignature_.clear();
}

void cExifCodec::NoteFileReadInPart(int64_t fileBytes, int64_t bytesRead) {
    // The file is as large as it is; only the bytes read can be examined.
    fileSize_ = fileBytes;
    AddFinding(NoteFinding("budget.file-read-in-part")
                   .With("fileBytes", fileBytes)
                   .With("bytesRead", bytesRead)
                   .With("limit", budget::kMaxResidentFileBytes));
}

void cExifCodec::NoteTempBudget() {
    if (tempFiles_.WithheldCount() == 0) return;
    AddFinding(NoteFinding("budget.embedded-images-not-written")
                   .With("images", tempFiles_.WithheldCount())
                   .With("bytes", tempFiles_.WithheldBytes())
                   .With("bytesWritten", tempFiles_.BytesWritten())
                   .With("limit", tempFiles_.Limit()));
}

void cExifCodec::ForgetFindings(std::string_view area) {
    std::erase_if(findings_, [&](const Finding& finding) { return finding.rule.starts_with(area); });
}

void cExifCodec::ResetFindings(std::string_view area, Finding reset) {
    ForgetFindings(area);
    AddFinding(std::move(reset));
}

void cExifCodec::CloseFile() {
    ReleasePreviousFile();
    thumbSize_ = 0;
}

std::string cExifCodec::StreamCachePath() const {
    if (!streamCachePath_.empty() || streamOffset_ <= 0 || streamSize_ <= 0 || !file_.IsValid())
        return streamCachePath_;
    std::vector<uint8_t> data(static_cast<size_t>(streamSize_));
    // The file may have changed since it was opened; a short read makes no copy.
    if (file_.ReadAt(streamOffset_, data) == data.size())
        streamCachePath_ = WriteTempFile("TEMP", ".TMP", data);
    return streamCachePath_;
}

int32_t cExifCodec::FileSize(bool recalculate) const {
    if (!recalculate || markers_.empty()) return static_cast<int32_t>(fileSize_);
    int64_t total = 0;
    for (const MarkerRecord& m : markers_)
        if (m.operation != kOperationDeleted) total += static_cast<int64_t>(m.size) + 2;
    total += streamSize_;
    if (!eofChunkDeleted_) total += eofChunkSize_;
    return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

double cExifCodec::FILETIME(int which) const {
    return file_.IsValid() ? GetFileDate(file_, which) : 0.0;
}

const MarkerRecord& cExifCodec::Marker(int32_t i) const {
    static const MarkerRecord kEmpty;
    if (i < 0 || i >= static_cast<int32_t>(markers_.size())) return kEmpty;
    return markers_[static_cast<size_t>(i)];
}

void cExifCodec::SetMarkerData(int32_t i, ByteArray data) {
    if (i < 0 || i >= static_cast<int32_t>(markers_.size())) return;
    markers_[static_cast<size_t>(i)].data = std::move(data);
    markers_[static_cast<size_t>(i)].operation = kOperationEdited;
}

std::string cExifCodec::MarkerDataString(int32_t i, int indent, int perRow) const {
    if (i < 0 || i >= static_cast<int32_t>(markers_.size())) return "";
    const MarkerRecord& m = markers_[static_cast<size_t>(i)];
    return DescribeSegment(SegmentView{m.markerNo, m.size, m.identifier, m.data}, indent, perRow);
}

namespace {
// The first four bytes of an identifier in the file's code page, completed with zeros.
uint32_t IdentifierValueOf(const std::string& identifier) {
    const auto bytes = TextToAnsi(identifier);
    uint32_t value = 0;
    for (size_t k = 0; k < 4 && k < bytes.size(); ++k)
        value |= static_cast<uint32_t>(bytes[k]) << (8 * k);
    return value;
}
} // namespace

int16_t cExifCodec::FindMarker(int16_t markerNo, const std::string& identifier, bool includeDeleted) const {
    if (identifier.empty()) return FindMarkerByValue(markerNo, 0, !includeDeleted);
    const uint32_t wanted = IdentifierValueOf(identifier);
    for (size_t i = 0; i < markers_.size(); ++i) {
        const MarkerRecord& m = markers_[i];
        if (m.markerNo == markerNo && m.identifierValue == wanted &&
            (includeDeleted || m.operation != kOperationDeleted))
            return static_cast<int16_t>(i);
    }
    return -1;
}

bool cExifCodec::IsMarkerExisted(int16_t markerNo, const std::string& identifier) const {
    return FindMarker(markerNo, identifier, false) >= 0;
}

int32_t cExifCodec::ImageWidth() const {
    if (imageWidth_ == 0 && fileType_ == kFileTiff)
        imageWidth_ = static_cast<int32_t>(ValueElement(TagValue(kTagImageWidth, kIfd0), 0, true));
    return imageWidth_;
}

int32_t cExifCodec::ImageHeight() const {
    if (imageHeight_ == 0 && fileType_ == kFileTiff)
        imageHeight_ = static_cast<int32_t>(ValueElement(TagValue(kTagImageLength, kIfd0), 0, true));
    return imageHeight_;
}

int32_t cExifCodec::ImageBitDepth() const {
    if (imageBitDepth_ == 0 && fileType_ >= kFileTiff) {
        const ExifValue bits = TagValue(kTagBitsPerSample, kIfd0);
        int64_t sum = 0;
        for (size_t i = 0; i < ValueElementCount(bits); ++i)
            sum += ValueElement(bits, i, true);
        imageBitDepth_ = static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX));
    }
    return imageBitDepth_;
}

void cExifCodec::SetEOFChunk(ByteArray bytes) {
    eofChunk_ = std::move(bytes);
    eofChunkSize_ = static_cast<int64_t>(eofChunk_.size());
    eofChunkDeleted_ = false;
}

std::string cExifCodec::EOFChunkDataString() const {
    return eofChunk_.empty() ? "" : GenericValueText(ExifValue(eofChunk_), 1);
}

// --- tag store ---

bool cExifCodec::IsTagExisted(uint32_t tagNo, int32_t ifd, bool skipDeleted) const {
    const int32_t i = FindTag(tagNo, ifd);
    return i >= 0 && !(skipDeleted && tags_.Entry(i).operation == kOperationDeleted);
}

ExifValue cExifCodec::TagValue(uint32_t tagNo, int32_t ifd) const {
    return tags_.Entry(FindTag(tagNo, ifd)).value;
}

void cExifCodec::SetTagValue(uint32_t tagNo, int32_t ifd, ExifValue value) {
    SetIFDEntryValue(FindTag(tagNo, ifd), std::move(value));
}

std::string cExifCodec::TagValueString(uint32_t tagNo, int32_t ifd) const {
    return IFDEntryValueString(FindTag(tagNo, ifd));
}

int32_t cExifCodec::TagFormat(uint32_t tagNo, int32_t ifd) const {
    return tags_.Entry(FindTag(tagNo, ifd)).format;
}

int32_t cExifCodec::TagComponents(uint32_t tagNo, int32_t ifd) const {
    return tags_.Entry(FindTag(tagNo, ifd)).components;
}

int32_t cExifCodec::TagIFD(uint32_t tagNo, int32_t ifd) const {
    return tags_.Entry(FindTag(tagNo, ifd)).ifd;
}

bool cExifCodec::TagOperationIs(uint32_t tagNo, int32_t ifd, int32_t operation) const {
    const int32_t i = FindTag(tagNo, ifd);
    return i >= 0 && tags_.Entry(i).operation == operation;
}

void cExifCodec::SetTagDeleted(uint32_t tagNo, int32_t ifd, bool deleted) {
    SetIFDEntryOperation(FindTag(tagNo, ifd), deleted ? kOperationDeleted : kOperationEdited);
}

int64_t cExifCodec::IFDEntryValueLength(int32_t i) const {
    const TagEntry& e = tags_.Entry(i);
    return static_cast<int64_t>(FormatSize(e.format)) * e.components;
}

void cExifCodec::SetIFDEntryValue(int32_t i, ExifValue value) {
    if (TagEntry* e = tags_.MutableEntry(i)) {
        e->value = std::move(value);
        e->operation = kOperationEdited;
    }
}

void cExifCodec::SetIFDEntryOperation(int32_t i, int32_t operation) {
    if (TagEntry* e = tags_.MutableEntry(i)) e->operation = operation;
}

std::string cExifCodec::IFDEntryValueString(int32_t i) const {
    const TagEntry& e = tags_.Entry(i);
    return EntryValueText(e.value, e.format, e.tagNoID, e.ifd);
}

bool cExifCodec::GetGpsCoordinate(double& latitude, double& longitude) const {
    latitude = longitude = 0.0;
    bool ok = true;
    auto coordinate = [&](uint32_t valueTag, uint32_t refTag, double& out) {
        if (!IsTagExisted(valueTag, kIfdGps)) return;
        const ExifValue v = TagValue(valueTag, kIfdGps);
        if (ValueElementCount(v) < 6 || !std::holds_alternative<std::vector<int32_t>>(v)) {
            ok = false;
            return;
        }
        auto part = [&](size_t k) {
            return static_cast<float>(SafeDivide(static_cast<int32_t>(ValueElement(v, 2 * k)),
                                                 static_cast<int32_t>(ValueElement(v, 2 * k + 1))));
        };
        double value = static_cast<double>(part(0)) + part(1) / 60.0 + part(2) / 3600.0;
        if (IsTagExisted(refTag, kIfdGps)) {
            const std::string ref = TagValueString(refTag, kIfdGps);
            const char hemisphere =
                ref.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(ref[0])));
            if (hemisphere == 'S' || hemisphere == 'W') value = -value;
        }
        out = value;
    };
    coordinate(2, 1, latitude);
    coordinate(4, 3, longitude);
    return ok;
}

bool cExifCodec::SetByteOrder(bool bigEndian) {
    if (bigEndian == bigEndian_) return false;
    bool allowed = !IsTagExisted(kTagMakerNote, kIfdExif);
    if (!allowed) {
        const int16_t type = makerNote_.ifdType;
        switch (manufacturer_) {
        case kMakerCanon:
            allowed = MakerNoteIsOriginal();
            break;
        case kMakerNikon:
        case kMakerRicoh:
            allowed = type == 3;
            break;
        case kMakerSony:
        case kMakerFujifilm:
        case kMakerApple:
            allowed = type == 1;
            break;
        case kMakerPentax:
            allowed = type == 2 || type == 10;
            break;
        case kMakerCasio:
        case kMakerLeica:
            allowed = type >= 1;
            break;
        default:
            allowed = false;
        }
    }
    if (allowed) bigEndian_ = bigEndian;
    return allowed;
}

std::string cExifCodec::ManufacturerString() const {
    return ManufacturerName(manufacturer_);
}

} // namespace pellvane
