// The codec's members for the segments its extensions parse: the XMP packet, Apple's AROT
// segment and the Multi-Picture Format index. The parsing itself lives in extensions/.

#include "codec/TextCodec.h"
#include "codec/ValueText.h"
#include "codec/cExifCodec.h"
#include "codec/extensions/Arot.h"
#include "codec/extensions/Xmp.h"

namespace pellvane {
namespace {

constexpr uint32_t kMpfIdentifierValue = 0x0046504D;  // "MPF" and a zero byte
constexpr uint32_t kArotIdentifierValue = 0x544F5241; // "AROT"

} // namespace

void cExifCodec::ParseExtensionSegments(const cByteReader& file) {
    mpf_ = MpfData{};
    mpfIndex_ = FindMarkerByValue(kMarkerAPP2, kMpfIdentifierValue, true);
    if (mpfIndex_ > 0 && fileType_ < kFileTiff) {
        const MarkerRecord& segment = markers_[static_cast<size_t>(mpfIndex_)];
        mpf_ = ParseMpf(MpfSource{file, segment.data, segment.pointer, eoiOffset_, manufacturer_,
                                  XMPExisted(false), extractMPF_, &tempFiles_});
        ForgetFindings("mpf.");
        findings_.insert(findings_.end(), mpf_.findings.begin(), mpf_.findings.end());
    } else {
        // Only a JPEG's MPF segment is read; a TIFF file's stays unparsed.
        ResetFindings("mpf.", CodecFinding("mpf.not-parsed", kFactMPFValid, false)
                                  .With("segmentIndex", mpfIndex_)
                                  .With("fileType", fileType_));
    }
    arot_.clear();
    arotIndex_ = FindMarkerByValue(kMarkerAPP10, kArotIdentifierValue, true);
    if (arotIndex_ > 0) {
        const MarkerRecord& segment = markers_[static_cast<size_t>(arotIndex_)];
        arot_ = ParseArot(segment.data, segment.size);
    }
}

// --- XMP ---

int16_t cExifCodec::FindXmpSegment() const {
    return FindMarkerByValue(kMarkerAPP1, kXmpIdentifierValue, false);
}

bool cExifCodec::XMPExisted(bool excludeDeleted) const {
    const int16_t index = FindXmpSegment();
    if (index >= 0) {
        const MarkerRecord& segment = markers_[static_cast<size_t>(index)];
        if (IsXmpIdentifier(segment.identifier) &&
            !(excludeDeleted && segment.operation == kOperationDeleted))
            return true;
    }
    return IsTagExisted(kTagXmp, kIfd0, excludeDeleted);
}

std::string cExifCodec::XMPText() const {
    if (!XMPExisted(false)) return "";
    const int16_t index = FindXmpSegment();
    if (index < 0) return XmpPacketFromTag(TagValue(kTagXmp, kIfd0));
    const MarkerRecord& segment = markers_[static_cast<size_t>(index)];
    return XmpPacketFromSegment(segment.data, segment.size, TextToAnsi(segment.identifier).size());
}

// --- Multi-Picture Format ---

bool cExifCodec::MPFExisted(bool excludeDeleted) const {
    int16_t index = mpfIndex_;
    if (index < 0) {
        // Not found by the open (or deleted then): any APP2 segment named MPF counts.
        for (size_t i = 0; i < markers_.size() && index < 0; ++i)
            if (markers_[i].markerNo == kMarkerAPP2 &&
                markers_[i].identifier.find("MPF") != std::string::npos)
                index = static_cast<int16_t>(i);
    }
    if (index < 0) return false;
    return !(excludeDeleted && markers_[static_cast<size_t>(index)].operation == kOperationDeleted);
}

int32_t cExifCodec::MPFIFDEntryCount(int32_t ifd) const {
    if (ifd < 0) return static_cast<int32_t>(mpf_.entries.size());
    int32_t count = 0;
    for (const MpfEntry& entry : mpf_.entries)
        if (entry.ifd == ifd) ++count;
    return count;
}

std::string cExifCodec::MPFIFDEntryValueString(int32_t i) const {
    const MpfEntry& entry = MpfEntryAt(i);
    return GenericValueText(entry.value, entry.format);
}

const MpfEntry& cExifCodec::MpfEntryAt(int32_t i) const {
    static const MpfEntry kNone;
    if (i < 0 || i >= static_cast<int32_t>(mpf_.entries.size())) return kNone;
    return mpf_.entries[static_cast<size_t>(i)];
}

const MpfImage& cExifCodec::MpfImageAt(int32_t i) const {
    static const MpfImage kNone;
    if (i < 0 || i >= static_cast<int32_t>(mpf_.images.size())) return kNone;
    return mpf_.images[static_cast<size_t>(i)];
}

} // namespace pellvane
