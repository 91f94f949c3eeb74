#pragma once
// Small JPEG files with the EXIF entries the consistency checks compare, built in code and
// read by the real codec.

#include "analysis/ExifDates.h"
#include "analysis/checks/Checks.h"
#include "codec/cExifCodec.h"
#include "support/JpegBuilder.h"
#include "support/MakerNoteBuilder.h"
#include "support/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string_view>

namespace pellvane::test {

inline ByteArray Text(std::string_view text) {
    return ByteArray(text.begin(), text.end());
}

using NoteMaker = std::function<ByteArray(uint32_t)>; // the MakerNote, given its offset

struct Fixture {
    std::string make = "Canon";
    std::vector<IfdEntry> ifd0 = {};
    std::vector<IfdEntry> exif = {};
    std::vector<IfdEntry> gps = {};
    NoteMaker note = nullptr;
    uint16_t width = 640;
    uint16_t height = 480;
    ByteArray trailing = {};
};

inline ByteArray JpegOf(const Fixture& f) {
    TiffSpec spec{false, f.ifd0, f.exif, f.gps, {}, {}, {}};
    spec.ifd0.insert(spec.ifd0.begin(), Ascii(0x010F, f.make));
    if (spec.exif.empty()) spec.exif.push_back(Short(0xA001, {1}));
    const ByteArray tiff = f.note ? TiffWithMakerNote(spec, f.note) : BuildTiff(spec);
    JpegSpec jpeg;
    jpeg.segments = {ExifSegment(tiff), Sof(0xC0, f.width, f.height)};
    jpeg.trailing = f.trailing;
    return BuildJpeg(jpeg);
}

class Consistency : public ::testing::Test {
  protected:
    std::optional<int16_t> Internal(const Fixture& f) { return RunOn(f, ExifInternalConsistencyCheck); }
    std::optional<int16_t> External(const Fixture& f) { return RunOn(f, ExifExternalConsistencyCheck); }

    std::optional<int16_t> RunOn(const Fixture& f, CheckFunction check) {
        codec.CloseFile();
        EXPECT_EQ(codec.OpenFile(WriteFile(temp.Input("picture.jpg"), JpegOf(f))), kOpenOk);
        CheckContext context{codec, picture, flags, kOpenOk};
        return DecidedStatus(check(context));
    }

    ScopedTempFolder temp;
    cExifCodec codec;
    PictureDigest picture;
    RunFlags flags;
};

inline IfdEntry DateTimeEntry(const char* text) {
    return Ascii(0x0132, text);
}
inline IfdEntry Original(const char* text) {
    return Ascii(0x9003, text);
}
inline IfdEntry Digitized(const char* text) {
    return Ascii(0x9004, text);
}
inline IfdEntry GpsDate(const char* text) {
    return Ascii(0x001D, text);
}
inline IfdEntry GpsTime(uint32_t h, uint32_t m, std::pair<uint32_t, uint32_t> s) {
    return Rational(0x0007, {{h, 1}, {m, 1}, s});
}

// A Nikon MakerNote (inner TIFF header at 10) whose directory holds `entries`.
inline NoteMaker NikonNote(std::vector<IfdEntry> entries) {
    return [=](uint32_t) {
        MakerNoteBlock b(false, -10);
        b.Put(0, Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}));
        b.Directory(18, entries);
        return b.Bytes();
    };
}

} // namespace pellvane::test
