// The first stage of reading a file: recognising its type, listing the JPEG segments,
// locating the image data, the end-of-image marker and what trails it, the frame header
// and the checksum of the quantisation tables.

#include "codec/TextCodec.h"
#include "codec/cExifCodec.h"
#include "codec/mCRC32.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace pellvane {
namespace {

enum class LengthRule { None, Field, Fixed4 };

struct MarkerKind {
    std::string name;
    LengthRule length;
};

MarkerKind ClassifyMarker(uint8_t second) {
    auto numbered = [](const char* prefix, int n) { return std::string(prefix) + std::to_string(n); };
    switch (second) {
    case 0xC4:
        return {"DHT", LengthRule::Field};
    case 0xC8:
        return {"JPG", LengthRule::Field};
    case 0xCC:
        return {"DAC", LengthRule::Field};
    case 0xD8:
        return {"SOI", LengthRule::None};
    case 0xD9:
        return {"EOI", LengthRule::None};
    case 0xDA:
        return {"SOS", LengthRule::Field};
    case 0xDB:
        return {"DQT", LengthRule::Field};
    case 0xDC:
        return {"DNL", LengthRule::Field};
    case 0xDD:
        return {"DRI", LengthRule::Fixed4};
    case 0xDE:
        return {"DHP", LengthRule::Field};
    case 0xDF:
        return {"EXP", LengthRule::Field};
    case 0xFE:
        return {"COM", LengthRule::Field};
    case 0x00:
        return {"0xFF", LengthRule::Field};
    case 0x01:
        return {"TEM", LengthRule::Field};
    case 0xFF:
        return {"UNKNOWN", LengthRule::Field};
    default:
        break;
    }
    if (second >= 0xC0 && second <= 0xCF) return {numbered("SOF", second - 0xC0), LengthRule::Field};
    if (second >= 0xD0 && second <= 0xD7) return {numbered("RST", second - 0xD0), LengthRule::None};
    if (second >= 0xE0 && second <= 0xEF) return {numbered("APP", second - 0xE0), LengthRule::Field};
    if (second >= 0xF0 && second <= 0xFD) return {numbered("JPG", second - 0xF0), LengthRule::Field};
    return {"RES", LengthRule::Field}; // 02..BF
}

// Bytes of the file at [offset, offset + count), with what lies past the end read as 0.
ByteArray ReadZeroFilled(const cByteReader& file, int64_t offset, int64_t count) {
    ByteArray out(static_cast<size_t>(std::max<int64_t>(count, 0)), 0);
    for (int64_t i = 0; i < count; ++i)
        out[static_cast<size_t>(i)] = file.ByteOrZero(offset + i);
    return out;
}

uint32_t LittleEndianValue(const ByteArray& fourBytes) {
    return static_cast<uint32_t>(fourBytes[0]) | static_cast<uint32_t>(fourBytes[1]) << 8 |
           static_cast<uint32_t>(fourBytes[2]) << 16 | static_cast<uint32_t>(fourBytes[3]) << 24;
}

// The APPn identifier: the zero-terminated text at the start of the payload, 1 to 31
// bytes, found within the first 36 bytes read at the marker.
std::string ApplicationIdentifier(const ByteArray& head, int32_t size) {
    for (int t = 4; t <= 35; ++t) {
        if (head[static_cast<size_t>(t)] != 0) continue;
        if (t < 5 || t >= size) return "";
        return CutAtNul(AnsiToText(std::span(head).subspan(4, static_cast<size_t>(t - 4))));
    }
    return "";
}

constexpr uint32_t IdentifierValue(const char (&text)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// Offset of the first FF D9 pair at or after `from`, or -1. A single forward pass;
// memchr skips the long runs of entropy-coded data between FF bytes quickly.
int64_t FindEndOfImage(std::span<const uint8_t> bytes, int64_t from) {
    const uint8_t* const begin = bytes.data();
    const uint8_t* const end = begin + bytes.size();
    for (const uint8_t* at = begin + from; at + 1 < end; ++at) {
        at = static_cast<const uint8_t*>(std::memchr(at, 0xFF, static_cast<size_t>(end - at - 1)));
        if (at == nullptr) break;
        if (at[1] == 0xD9) return at - begin;
    }
    return -1;
}

constexpr size_t kMaxMarkers = 32767;

constexpr uint32_t kExifIdentifier = IdentifierValue("Exif");

// The order in which frame headers are tried: every SOFn except DHT (C4), JPG (C8 is
// kept) and DAC (CC).
constexpr std::array<uint8_t, 14> kFrameMarkers = {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7,
                                                   0xC8, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF};

} // namespace

void cExifCodec::ResetFileModel() {
    markers_.clear();
    tags_.Clear();
    eofChunk_.clear();
    eofChunkSize_ = 0;
    makerNote_ = MakerNoteState{};
    DeleteFileQuietly(thumbnailCachePath_);
    thumbnailCachePath_.clear();
}

int32_t cExifCodec::ScanSegments(const cByteReader& file) {
    if (file.Size() < 4) return kOpenNotImage;
    mpfIndex_ = -1;
    arotIndex_ = -1;
    eoiOffset_ = 0;
    streamOffset_ = 0;
    streamSize_ = 0;
    pelvnVersion_ = 0;

    const bool isJpeg = file.ByteOrZero(0) == 0xFF && file.ByteOrZero(1) == 0xD8;
    const int32_t result = isJpeg ? ScanJpegSegments(file) : ScanTiffStructure(file);
    if (result == kOpenNotImage) return result;
    fileSize_ = file.Size();
    imageWidth_ = imageHeight_ = imageBitDepth_ = 0;
    return result;
}

int32_t cExifCodec::ScanJpegSegments(const cByteReader& file) {
    fileType_ = kFileJpeg;
    ResetFileModel();
    markers_.push_back(MarkerRecord{kMarkerSOI, "SOI", 0, 0, 0, "", {}, 0});

    const int64_t fileSize = file.Size();
    int64_t pos = 2;
    for (bool first = true;; first = false) {
        if (!first) {
            const uint8_t b0 = file.ByteOrZero(pos), b1 = file.ByteOrZero(pos + 1);
            if (b0 != 0xFF || b1 == 0xFF) break; // image data, garbage or fill bytes end the list
        }
        const ByteArray head = ReadZeroFilled(file, pos, 255);
        const MarkerKind kind = ClassifyMarker(head[1]);
        MarkerRecord record;
        record.markerNo = static_cast<int16_t>(head[0] | head[1] << 8);
        record.name = kind.name;
        record.pointer = static_cast<int32_t>(pos);
        if (kind.length == LengthRule::Field) {
            record.size = head[2] << 8 | head[3];
            record.identifierValue = LittleEndianValue(ByteArray(head.begin() + 4, head.begin() + 8));
            if (head[1] >= 0xE0 && head[1] <= 0xEF)
                record.identifier = ApplicationIdentifier(head, record.size);
        } else if (kind.length == LengthRule::Fixed4) {
            record.size = 4;
        }
        if (record.size > 0) record.data = ReadZeroFilled(file, pos + 2, record.size);
        const bool isEoi = record.markerNo == kMarkerEOI;
        if (record.markerNo == kMarkerSOS) streamOffset_ = static_cast<int32_t>(pos + record.size + 2);
        if (isEoi) eoiOffset_ = static_cast<int32_t>(pos + 2);
        pos += record.size + 2;
        markers_.push_back(std::move(record));
        if (pos >= fileSize - 1 || isEoi) break;
        // The segment count is a 16-bit number; a file of tiny segments cannot overflow it.
        if (markers_.size() >= kMaxMarkers) break;
    }
    return markers_.empty() ? kOpenNoSegments : kOpenOk;
}

int32_t cExifCodec::ScanTiffStructure(const cByteReader& file) {
    int64_t found = -1;
    for (int64_t i = 0; i <= 253 && found < 0; ++i) {
        const uint8_t a = file.ByteOrZero(i), b = file.ByteOrZero(i + 1);
        if (a == b && (a == 'I' || a == 'M')) found = i;
    }
    if (found < 0) return kOpenNotImage;
    bigEndian_ = file.ByteOrZero(found) == 'M';
    fileType_ = kFileTiffWithoutImageData;
    tiffHeaderOffset_ = static_cast<int32_t>(found);
    ResetFileModel();

    MarkerRecord record;
    record.markerNo = kMarkerAPP1;
    record.name = "APP1";
    record.pointer = tiffHeaderOffset_;
    record.size = static_cast<int32_t>(8 + std::min<int64_t>(file.Size() - found, 65536));
    record.identifierValue = kExifIdentifier;
    record.identifier = "Exif";
    record.data = ReadZeroFilled(file, found + 2, record.size);
    markers_.push_back(std::move(record));
    return kOpenOk;
}

int16_t cExifCodec::FindMarkerByValue(int16_t markerNo, uint32_t identifierValue, bool skipDeleted) const {
    for (size_t i = 0; i < markers_.size(); ++i) {
        const MarkerRecord& m = markers_[i];
        if (m.markerNo != markerNo) continue;
        if (identifierValue != 0 && m.identifierValue != identifierValue) continue;
        if (skipDeleted && m.operation == kOperationDeleted) continue;
        return static_cast<int16_t>(i);
    }
    return -1;
}

void cExifCodec::LocateImageData(const cByteReader& file) {
    if (fileType_ == kFileJpeg)
        LocateJpegImageData(file);
    else if (fileType_ >= kFileTiff)
        LocateTiffStrips();
    CheckImageDataRange(file);
}

void cExifCodec::LocateJpegImageData(const cByteReader& file) {
    const int64_t fileSize = file.Size();
    const int16_t eoi = FindMarkerByValue(kMarkerEOI, 0, true);
    if (eoi >= 0) {
        eoiOffset_ = markers_[static_cast<size_t>(eoi)].pointer;
        if (streamOffset_ > 0) streamSize_ = std::max(0, eoiOffset_ - streamOffset_);
    } else if (streamOffset_ > 0 && streamOffset_ < fileSize) {
        const int64_t hit = FindEndOfImage(file.Bytes(), streamOffset_);
        if (hit >= 0) {
            eoiOffset_ = static_cast<int32_t>(hit);
            streamSize_ = static_cast<int32_t>(hit - streamOffset_);
            markers_.push_back(MarkerRecord{kMarkerEOI, "EOI", 0, eoiOffset_, 0, "", {}, 0});
        } else {
            streamSize_ = static_cast<int32_t>(fileSize - streamOffset_);
        }
    }
    if (eoiOffset_ >= 3 && fileSize_ - eoiOffset_ >= 3) {
        eofChunkSize_ = fileSize_ - eoiOffset_ - 2;
        const int64_t kept = std::min(fileSize - eoiOffset_ - 2, budget::kMaxTrailingBytesKept);
        const auto trailing = file.Slice(eoiOffset_ + 2, kept);
        eofChunk_.assign(trailing.begin(), trailing.end());
        if (static_cast<int64_t>(eofChunk_.size()) < eofChunkSize_) NoteTrailingDataKeptInPart();
    }
}

void cExifCodec::NoteTrailingDataKeptInPart() {
    AddFinding(NoteFinding("budget.trailing-data-kept-in-part")
                   .With("trailingBytes", eofChunkSize_)
                   .With("bytesKept", static_cast<int64_t>(eofChunk_.size()))
                   .With("limit", budget::kMaxTrailingBytesKept));
}

void cExifCodec::LocateTiffStrips() {
    const int32_t offsets = tags_.Find(273, kIfd0);
    const int32_t counts = tags_.Find(279, kIfd0);
    if (offsets < 1 || counts < 1) return;
    const ExifValue& countValue = tags_.Entry(counts).value;
    int64_t sum = 0;
    for (size_t i = 0; i < ValueElementCount(countValue); ++i) {
        sum += ValueElement(countValue, i, true);
        if (sum > INT32_MAX) return; // the data cannot be addressed
    }
    std::string upper = fileName_;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    const bool tiffName = upper.ends_with(".TIF") || upper.ends_with(".TIFF");
    if (sum > 0 && tiffName) {
        streamOffset_ = static_cast<int32_t>(ValueElement(tags_.Entry(offsets).value, 0, true));
        streamSize_ = static_cast<int32_t>(sum);
    }
}

void cExifCodec::CheckImageDataRange(const cByteReader& file) {
    const bool located = streamOffset_ > 0 && streamSize_ > 0;
    if ((located && !file.Has(streamOffset_, streamSize_)) || streamOffset_ > file.Size())
        streamOffset_ = streamSize_ = 0;
}

void cExifCodec::ReadFrameHeader(const cByteReader& file) {
    for (uint8_t second : kFrameMarkers) {
        const int16_t index = FindMarkerByValue(MarkerNumber(second), 0, true);
        if (index <= 0) continue;
        const int64_t p = markers_[static_cast<size_t>(index)].pointer;
        imageHeight_ = file.U16(p + 5, true).value_or(0);
        imageWidth_ = file.U16(p + 7, true).value_or(0);
        imageBitDepth_ = file.ByteOrZero(p + 4) * file.ByteOrZero(p + 9);
        return;
    }
}

void cExifCodec::ComputeComprSignature() {
    if (fileType_ > kFileJpegWithoutImageData) return;
    std::array<uint8_t, 128> tables{}; // table 0, then table 1
    int taken = 0;
    auto copyTable = [&](const ByteArray& data, size_t nameAt) {
        const uint8_t name = data[nameAt];
        if (name < 2) std::memcpy(&tables[name * 64u], &data[nameAt + 1], 64);
    };
    for (const MarkerRecord& m : markers_) {
        if (m.operation == kOperationDeleted || m.markerNo != kMarkerDQT) continue;
        const ByteArray& d = m.data;
        if (m.size == 67 && d.size() >= 67) {
            if (d[2] < 2) {
                copyTable(d, 2);
                ++taken;
            }
        } else if (m.size == 132 && d.size() >= 132 && taken == 0) {
            copyTable(d, 2);
            copyTable(d, 67);
            taken = 1;
        } else if (m.size == 197 && d.size() >= 197 && taken == 0) {
            if (d[2] == 0) {
                std::memcpy(&tables[0], &d[3], 64);
                for (size_t k = 0; k < 64; ++k)
                    tables[64 + k] = static_cast<uint8_t>((d[68 + k] + d[133 + k]) / 2);
            }
            taken = 1;
        }
        // Every table written so far counts: the last DQT segment decides.
        std::array<uint8_t, 128> input{};
        for (size_t i = 0; i < 64; ++i) {
            input[2 * i] = tables[i];
            input[2 * i + 1] = tables[i + 1];
        }
        comprSignature_ = Crc32Text(input);
    }
}

} // namespace pellvane
