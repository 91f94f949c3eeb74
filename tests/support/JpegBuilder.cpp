#include "support/JpegBuilder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

namespace pellvane::test {
namespace {

int FormatWidth(uint16_t format) {
    switch (format) {
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
    case 13:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 1;
    }
}

class Writer {
  public:
    explicit Writer(bool bigEndian) : big_(bigEndian) {}
    void U16(uint32_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void Put(uint32_t v, int width) {
        for (int i = 0; i < width; ++i) {
            const int shift = big_ ? 8 * (width - 1 - i) : 8 * i;
            out.push_back(static_cast<uint8_t>(v >> shift));
        }
    }
    void Append(const ByteArray& b) { out.insert(out.end(), b.begin(), b.end()); }
    ByteArray out;

  private:
    bool big_;
};

ByteArray ValueBytes(const IfdEntry& e, bool bigEndian) {
    if (!e.bytes.empty() || e.numbers.empty()) return e.bytes;
    Writer w(bigEndian);
    const int width = e.format == 5 || e.format == 10 ? 4 : FormatWidth(e.format);
    for (uint32_t n : e.numbers)
        w.Put(n, width);
    return w.out;
}

} // namespace

IfdEntry Short(uint16_t tag, std::initializer_list<uint32_t> values) {
    return {tag, 3, static_cast<uint32_t>(values.size()), values, {}, false};
}
IfdEntry Long(uint16_t tag, std::initializer_list<uint32_t> values) {
    return {tag, 4, static_cast<uint32_t>(values.size()), values, {}, false};
}
IfdEntry Rational(uint16_t tag, std::initializer_list<std::pair<uint32_t, uint32_t>> values) {
    IfdEntry e{tag, 5, static_cast<uint32_t>(values.size()), {}, {}, false};
    for (auto [n, d] : values) {
        e.numbers.push_back(n);
        e.numbers.push_back(d);
    }
    return e;
}
IfdEntry Ascii(uint16_t tag, const std::string& text) {
    ByteArray b(text.begin(), text.end());
    b.push_back(0);
    return {tag, 2, static_cast<uint32_t>(b.size()), {}, b, false};
}
IfdEntry Undefined(uint16_t tag, ByteArray bytes) {
    const auto n = static_cast<uint32_t>(bytes.size());
    return {tag, 7, n, {}, std::move(bytes), false};
}
IfdEntry Bytes(uint16_t tag, ByteArray bytes) {
    const auto n = static_cast<uint32_t>(bytes.size());
    return {tag, 1, n, {}, std::move(bytes), false};
}
IfdEntry WithOffset(uint16_t tag, uint16_t format, uint32_t count, uint32_t offset) {
    return {tag, format, count, {offset}, {}, true};
}

ByteArray BuildTiff(const TiffSpec& spec) {
    std::vector<IfdEntry> ifd0 = spec.ifd0, exif = spec.exif;
    // Link entries carry placeholder offsets, patched once the layout is known.
    if (!spec.exif.empty()) ifd0.push_back(Long(0x8769, {0}));
    if (!spec.gps.empty()) ifd0.push_back(Long(0x8825, {0}));
    if (!spec.interop.empty()) exif.push_back(Long(0xA005, {0}));
    const std::vector<const std::vector<IfdEntry>*> dirs = {&ifd0, &exif, &spec.gps, &spec.interop,
                                                            &spec.ifd1};

    // Layout: header, the directories in order, then the extra bytes after IFD0 are placed
    // right behind IFD0, then the value area.
    std::vector<uint32_t> dirOffset(dirs.size(), 0);
    uint32_t pos = 8;
    for (size_t d = 0; d < dirs.size(); ++d) {
        if (d > 0 && dirs[d]->empty()) continue;
        dirOffset[d] = pos;
        pos += 2 + 12 * static_cast<uint32_t>(dirs[d]->size()) + 4;
        if (d == 0) pos += static_cast<uint32_t>(spec.afterIfd0Link.size());
    }
    auto linkOf = [&](uint16_t tag) -> uint32_t {
        if (tag == 0x8769) return dirOffset[1];
        if (tag == 0x8825) return dirOffset[2];
        if (tag == 0xA005) return dirOffset[3];
        return 0;
    };

    Writer w(spec.bigEndian);
    Writer data(spec.bigEndian);
    const uint32_t dataStart = pos;
    w.Append(spec.bigEndian ? ByteArray{'M', 'M', 0, 42} : ByteArray{'I', 'I', 42, 0});
    w.U32(dirOffset[0]);
    for (size_t d = 0; d < dirs.size(); ++d) {
        if (d > 0 && dirs[d]->empty()) continue;
        w.U16(static_cast<uint32_t>(dirs[d]->size()));
        for (const IfdEntry& e : *dirs[d]) {
            w.U16(e.tag);
            w.U16(e.format);
            w.U32(e.count);
            if (e.rawOffset) {
                w.U32(e.numbers.at(0));
                continue;
            }
            ByteArray value = ValueBytes(e, spec.bigEndian);
            if (const uint32_t link = linkOf(e.tag); link != 0 && d < 2) {
                Writer l(spec.bigEndian);
                l.U32(link);
                value = l.out;
            }
            if (value.size() <= 4) {
                value.resize(4, 0);
                w.Append(value);
            } else {
                w.U32(dataStart + static_cast<uint32_t>(data.out.size()));
                data.Append(value);
                if (data.out.size() % 2) data.out.push_back(0);
            }
        }
        w.U32(d == 0 ? dirOffset[4] : 0);
        if (d == 0) w.Append(spec.afterIfd0Link);
    }
    w.Append(data.out);
    return w.out;
}

ByteArray Segment(uint8_t marker, const ByteArray& payload) {
    const size_t length = payload.size() + 2;
    ByteArray out;
    out.reserve(length + 2);
    for (uint8_t b : {uint8_t{0xFF}, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)})
        out.push_back(b);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

ByteArray ExifSegment(const ByteArray& tiff) {
    ByteArray payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return Segment(0xE1, payload);
}

ByteArray Dqt(uint8_t tableId, const std::vector<uint8_t>& values64) {
    ByteArray payload = {tableId};
    payload.insert(payload.end(), values64.begin(), values64.end());
    return Segment(0xDB, payload);
}

ByteArray Sof(uint8_t marker, uint16_t width, uint16_t height, uint8_t components) {
    ByteArray payload = {8,
                         static_cast<uint8_t>(height >> 8),
                         static_cast<uint8_t>(height),
                         static_cast<uint8_t>(width >> 8),
                         static_cast<uint8_t>(width),
                         components};
    for (uint8_t c = 0; c < components; ++c) {
        payload.push_back(c + 1);
        payload.push_back(c == 0 ? 0x22 : 0x11);
        payload.push_back(c == 0 ? 0 : 1);
    }
    return Segment(marker, payload);
}

ByteArray Sos() {
    return Segment(0xDA, {1, 1, 0x00, 0, 63, 0});
}

ByteArray BuildJpeg(const JpegSpec& spec) {
    ByteArray out = {0xFF, 0xD8};
    for (const auto& s : spec.segments)
        out.insert(out.end(), s.begin(), s.end());
    const ByteArray sos = Sos();
    out.insert(out.end(), sos.begin(), sos.end());
    out.insert(out.end(), spec.entropy.begin(), spec.entropy.end());
    if (spec.endOfImage) {
        out.push_back(0xFF);
        out.push_back(0xD9);
    }
    out.insert(out.end(), spec.trailing.begin(), spec.trailing.end());
    return out;
}

ByteArray Concat(std::initializer_list<ByteArray> parts) {
    ByteArray out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::string WriteFile(const std::filesystem::path& path, const ByteArray& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

} // namespace pellvane::test

#include <cstdio>
#include <jpeglib.h>

namespace pellvane::test {

ByteArray EncodeSmallJpeg(int width, int height) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            row[static_cast<size_t>(x)] = static_cast<JSAMPLE>((x * 255) / std::max(1, width - 1));
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    ByteArray bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

ByteArray Jpeg(std::vector<ByteArray> segments) {
    JpegSpec spec;
    spec.segments = std::move(segments);
    return BuildJpeg(spec);
}

ByteArray TextBytes(const std::string& text) {
    return ByteArray(text.begin(), text.end());
}

} // namespace pellvane::test
