#pragma once
// A codec that answers what a test tells it to, so that a decision table can be shown with
// exactly the facts each rule reads.

#include "codec/IExifCodec.h"

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace pellvane::test {

class cFakeCodec final : public IExifCodec {
  public:
    // --- facts a test sets ---
    int32_t openResult = 0;
    int32_t maker = 0;
    std::string makerName;
    std::string signature;
    std::map<std::pair<uint32_t, int32_t>, std::string> tags; // (tag, directory) -> text
    std::set<std::pair<uint32_t, int32_t>> deletedTags;
    std::set<std::pair<int16_t, std::string>> markers; // (marker number, identifier)
    bool processMakerNote = true;
    bool makerNoteIsOriginal = false;
    std::map<int32_t, int32_t> entryCounts;
    bool mpfExisted = false;
    bool mpfValid = false;
    int16_t pelvnVersion = 0;
    std::string xmp; // the XMP packet's text
    Findings codecFindings;
    std::vector<int32_t> arot;
    // Embedded images: the thumbnail's size and file, the MPF images' files (index 0 stands
    // for the primary image) and the MakerNote previews' files.
    int32_t thumbSize = 0;
    std::string thumbnailPath;
    std::vector<std::string> mpfImagePaths;
    std::vector<std::string> makerNoteImagePaths;
    int32_t width = 0;
    int32_t height = 0;
    // ComprSignature fails with an exception, as a broken external component might.
    bool signatureThrows = false;

    // --- what the codec was asked ---
    int openCount = 0;
    int closeCount = 0;

    void SetTag(uint32_t tagNo, int32_t ifd, std::string text) { tags[{tagNo, ifd}] = std::move(text); }

    static std::string PathAt(const std::vector<std::string>& paths, int32_t i) {
        return i >= 0 && i < static_cast<int32_t>(paths.size()) ? paths[static_cast<size_t>(i)] : "";
    }

    int32_t OpenFile(const std::string&, std::optional<bool> = std::nullopt,
                     std::optional<bool> = std::nullopt) override {
        ++openCount;
        return openResult;
    }
    void CloseFile() override { ++closeCount; }

    int32_t Manufacturer() const override { return maker; }
    std::string ManufacturerString() const override { return makerName; }
    ExifValue TagValue(uint32_t tagNo, int32_t ifd) const override {
        const auto found = tags.find({tagNo, ifd});
        if (found == tags.end()) return {};
        return found->second;
    }
    std::string TagValueString(uint32_t tagNo, int32_t ifd) const override {
        const auto found = tags.find({tagNo, ifd});
        return found == tags.end() ? "" : found->second;
    }
    bool IsTagExisted(uint32_t tagNo, int32_t ifd, bool skipDeleted = false) const override {
        if (!tags.contains({tagNo, ifd})) return false;
        return !(skipDeleted && deletedTags.contains({tagNo, ifd}));
    }
    int32_t IFDEntryCount(int32_t ifd) const override {
        const auto found = entryCounts.find(ifd);
        return found == entryCounts.end() ? 0 : found->second;
    }
    int32_t ImageWidth() const override { return width; }
    int32_t ImageHeight() const override { return height; }
    std::string ComprSignature() const override {
        if (signatureThrows) throw std::runtime_error("component failure");
        return signature;
    }
    int16_t FindMarker(int16_t markerNo, const std::string& identifier, bool = false) const override {
        return markers.contains({markerNo, identifier}) ? 1 : -1;
    }
    bool IsMarkerExisted(int16_t markerNo, const std::string& identifier) const override {
        return markers.contains({markerNo, identifier});
    }
    bool ProcessMakerNote() const override { return processMakerNote; }
    void SetProcessMakerNote(bool value) override { processMakerNote = value; }
    bool MakerNoteIsOriginal() const override { return makerNoteIsOriginal; }
    int16_t MakerNoteIFDType() const override { return 0; }
    int32_t MakerNoteImageCount() const override { return static_cast<int32_t>(makerNoteImagePaths.size()); }
    std::string MakerNoteImageStreamPath(int32_t i) const override { return PathAt(makerNoteImagePaths, i); }
    bool MPFExisted(bool = false) const override { return mpfExisted; }
    bool MPFValid() const override { return mpfValid; }
    int32_t MPFImageCount() const override { return static_cast<int32_t>(mpfImagePaths.size()); }
    std::string MPFImageStreamPath(int32_t i) const override { return PathAt(mpfImagePaths, i); }
    ByteArray EOFChunk() const override { return {}; }
    int32_t EOFChunkSize() const override { return 0; }
    std::vector<int32_t> AROT() const override { return arot; }
    int32_t ThumbSize() const override { return thumbSize; }
    std::string ThumbnailCachePath() const override { return thumbnailPath; }
    int32_t streamSize() const override { return 0; }
    int16_t PelvnVersion() const override { return pelvnVersion; }
    int32_t FileType() const override { return 0; }
    bool ByteOrder() const override { return false; }
    int16_t MarkerCount() const override { return static_cast<int16_t>(markers.size()); }
    int16_t MarkerNo(int32_t) const override { return 0; }
    int32_t MarkerSize(int32_t) const override { return 0; }
    int32_t MarkerOperation(int32_t) const override { return 0; }
    ByteArray MarkerData(int32_t) const override { return {}; }
    bool XMPExisted(bool = false) const override { return !xmp.empty(); }
    std::string XMPText() const override { return xmp; }
    const Findings& CodecFindings() const override { return codecFindings; }
};

} // namespace pellvane::test
