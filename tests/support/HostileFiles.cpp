#include "support/HostileFiles.h"

#include "support/JpegBuilder.h"

#include <array>
#include <vector>

namespace pellvane::test {
namespace {

void PutU16(ByteArray& out, uint32_t value, bool bigEndian = false) {
    if (bigEndian) {
        out.push_back(static_cast<uint8_t>(value >> 8));
        out.push_back(static_cast<uint8_t>(value));
    } else {
        out.push_back(static_cast<uint8_t>(value));
        out.push_back(static_cast<uint8_t>(value >> 8));
    }
}

void PutU32(ByteArray& out, uint32_t value, bool bigEndian = false) {
    PutU16(out, bigEndian ? value >> 16 : value & 0xFFFF, bigEndian);
    PutU16(out, bigEndian ? value & 0xFFFF : value >> 16, bigEndian);
}

struct Entry {
    uint16_t tag, format;
    uint32_t count, valueField;
};

constexpr uint32_t kTiffBase = 12; // SOI, the APP1 marker and length, "Exif\0\0"

// SOI, an Exif APP1 whose IFD0 lies in the trailing data, the rest of a real picture, then
// `tail`: IFD0 (built by `entries` from the tail's own start, relative to the TIFF header)
// and whatever the entries name.
template <typename MakeTail> ByteArray WithIfd0InTrailingData(MakeTail makeTail) {
    const ByteArray picture = EncodeSmallJpeg(64, 48);
    ByteArray tiffHeader = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    ByteArray head = {0xFF, 0xD8};
    const size_t headSize = 2 + 4 + tiffHeader.size() + 4 + (picture.size() - 2);
    PutU32(tiffHeader, static_cast<uint32_t>(headSize - kTiffBase));
    const ByteArray app1 = Segment(0xE1, tiffHeader);
    head.insert(head.end(), app1.begin(), app1.end());
    head.insert(head.end(), picture.begin() + 2, picture.end());
    const ByteArray tail = makeTail(static_cast<uint32_t>(head.size() - kTiffBase));
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

ByteArray Ifd(const std::vector<Entry>& entries) {
    ByteArray out;
    PutU16(out, static_cast<uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        PutU16(out, e.tag);
        PutU16(out, e.format);
        PutU32(out, e.count);
        PutU32(out, e.valueField);
    }
    PutU32(out, 0);
    return out;
}

} // namespace

ByteArray TagAmplificationFile(int32_t entries, uint32_t valueBytes, uint16_t format) {
    return WithIfd0InTrailingData([&](uint32_t tailOffset) {
        const uint32_t elementSize = format == 3 || format == 8 ? 2 : format == 4 || format == 9 ? 4 : 1;
        const uint32_t valueAt = tailOffset + 2 + 12 * static_cast<uint32_t>(entries) + 4;
        std::vector<Entry> list;
        for (int32_t i = 0; i < entries; ++i)
            list.push_back({static_cast<uint16_t>(0x1000 + i), format, valueBytes / elementSize, valueAt});
        ByteArray tail = Ifd(list);
        tail.resize(tail.size() + valueBytes, 'A');
        return tail;
    });
}

ByteArray CrLfXmpFile(uint32_t pairs) {
    return WithIfd0InTrailingData([&](uint32_t tailOffset) {
        const uint32_t valueAt = tailOffset + 2 + 12 + 4;
        ByteArray tail = Ifd({{0x02BC, 7, 2 * pairs, valueAt}});
        for (uint32_t i = 0; i < pairs; ++i) {
            tail.push_back('\r');
            tail.push_back('\n');
        }
        return tail;
    });
}

ByteArray DeclaredHugeJpeg(uint16_t width, uint16_t height) {
    ByteArray out = {0xFF, 0xD8};
    ByteArray dqt(65, 1);
    dqt[0] = 0x00; // table 0, 8-bit values
    const ByteArray table = Segment(0xDB, dqt);
    out.insert(out.end(), table.begin(), table.end());
    ByteArray frame = {8};
    PutU16(frame, height, true);
    PutU16(frame, width, true);
    frame.insert(frame.end(), {1, 1, 0x11, 0});
    const ByteArray sof = Segment(0xC9, frame); // SOF9: arithmetic coding
    out.insert(out.end(), sof.begin(), sof.end());
    const ByteArray sos = Segment(0xDA, {1, 1, 0x00, 0, 63, 0});
    out.insert(out.end(), sos.begin(), sos.end());
    out.insert(out.end(), {0x00, 0x00, 0xFF, 0xD9});
    return out;
}

ByteArray MpfAmplificationFile(int32_t images, const ByteArray& embedded) {
    const ByteArray picture = EncodeSmallJpeg(64, 48);
    // The MPF payload: identifier, MP header (big-endian), the index IFD, then the entries.
    constexpr uint32_t kIfdOffset = 8;
    constexpr uint32_t kEntriesOffset = kIfdOffset + 2 + 3 * 12 + 4;
    const uint32_t mpfPayloadSize = 4 + kEntriesOffset + 16 * static_cast<uint32_t>(images);
    const uint32_t mpBase = 2 + 4 + 4; // SOI, marker, length, "MPF\0"
    const uint32_t primaryEnd = 2 + 4 + mpfPayloadSize + static_cast<uint32_t>(picture.size()) - 2;
    ByteArray payload = {'M', 'P', 'F', 0, 'M', 'M', 0, 42};
    PutU32(payload, kIfdOffset, true);
    PutU16(payload, 3, true);
    const auto count = static_cast<uint32_t>(images);
    // Tag, format, components, value (or offset): MPFVersion "0100", NumberOfImages, MPEntry.
    const std::vector<std::array<uint32_t, 4>> entries = {
        {0xB000, 7, 4, 0x30313030}, {0xB001, 4, 1, count}, {0xB002, 7, 16 * count, kEntriesOffset}};
    for (const auto& [tag, format, components, value] : entries) {
        PutU16(payload, tag, true);
        PutU16(payload, format, true);
        PutU32(payload, components, true);
        PutU32(payload, value, true);
    }
    PutU32(payload, 0, true);
    for (int32_t i = 0; i < images; ++i) {
        PutU32(payload, i == 0 ? 0x20030000 : 0, true);
        PutU32(payload, i == 0 ? primaryEnd : static_cast<uint32_t>(embedded.size()), true);
        PutU32(payload, i == 0 ? 0 : primaryEnd - mpBase, true);
        PutU32(payload, 0, true);
    }
    ByteArray out = {0xFF, 0xD8};
    const ByteArray app2 = Segment(0xE2, payload);
    out.insert(out.end(), app2.begin(), app2.end());
    out.insert(out.end(), picture.begin() + 2, picture.end());
    out.insert(out.end(), embedded.begin(), embedded.end());
    return out;
}

ByteArray ThumbnailFile(const ByteArray& thumbnail) {
    TiffSpec spec;
    spec.ifd0 = {Short(0x0112, {1})};
    spec.ifd1 = {Short(0x0103, {6}), WithOffset(0x0201, 4, 1, 0),
                 Long(0x0202, {static_cast<uint32_t>(thumbnail.size())})};
    // The builder lays out IFD1 last; the thumbnail follows the structure.
    ByteArray tiff = BuildTiff(spec);
    const auto at = static_cast<uint32_t>(tiff.size());
    spec.ifd1[1] = Long(0x0201, {at});
    tiff = BuildTiff(spec);
    tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
    const ByteArray picture = EncodeSmallJpeg(64, 48);
    ByteArray out = {0xFF, 0xD8};
    const ByteArray app1 = ExifSegment(tiff);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), picture.begin() + 2, picture.end());
    return out;
}

} // namespace pellvane::test
