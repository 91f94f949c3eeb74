// The EXIF consistency tests on small files built in code and read by the real codec: dates
// and GPS time, Nikon's ISO and data size copies, the pixel dimensions against the frame,
// Samsung's trailer time stamp and the MakerNote size entries of each maker. Also the date
// reading and arithmetic they rest on.

#include "analysis/ExifDates.h"
#include "analysis/checks/Checks.h"
#include "codec/cExifCodec.h"
#include "support/JpegBuilder.h"
#include "support/MakerNoteBuilder.h"
#include "support/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>
#include <string_view>

namespace pellvane {
namespace {

using namespace test;

ByteArray Text(std::string_view text) {
    return ByteArray(text.begin(), text.end());
}

// --- dates ---

TEST(ExifDates, ReadsTheExifFormWithItsColonsReplaced) {
    struct Case {
        const char* text;
        bool date;
    };
    const Case cases[] = {
        {"2012-12-31 16-06-20", true},
        {"2012-12-31 16:06:20.25", true},
        {"  2012-12-31  16-06-20 ", true},
        {"2012-02-29 00-00-00", true},
        {"2011-02-29 00-00-00", false},
        {"0000-00-00 00-00-00", false},
        {"2012-12-31 24-00-00", false},
        {"2012-12-31 16-60-00", false},
        {"2012-12-31", false},
        {"", false},
        {"2012-12-31 16-06-20x", false},
        {"2012-12-31 16-06-", false},
        {"2012-13-01 00-00-00", false},
        {"14.5-30-05.00", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDateTime(c.text).has_value(), c.date) << c.text;
    EXPECT_EQ(ReadableExifDate("2012:12:31 16:06:20"), "2012-12-31 16-06-20");
    EXPECT_TRUE(ParseDateTime(std::string("2012-12-31 16-06-20\0", 20)).has_value()) << "a tag's zero byte";
}

TEST(ExifDates, HoursAreCountedAsBoundariesCrossed) {
    struct Case {
        const char* from;
        const char* to;
        int64_t hours;
    };
    const Case cases[] = {
        {"2012-12-31 10-59-59", "2012-12-31 11-00-00", 1},
        {"2012-12-31 10-00-00", "2012-12-31 10-59-59", 0},
        {"2012-12-31 23-30-00", "2013-01-01 00-10-00", 1},
        {"2012-02-28 12-00-00", "2012-03-01 12-00-00", 48}, // a leap day lies between
        {"2012-12-31 12-00-00", "2012-12-30 12-00-00", -24},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HourDifference(*ParseDateTime(c.from), *ParseDateTime(c.to)), c.hours)
            << c.from << " " << c.to;
}

TEST(ExifDates, LocalDatesBecomeUtcSecondsByTheZonesRules) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    auto seconds = [](const char* zone, const char* date) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        return UnixTimeOfLocalDate(*ParseDateTime(date));
    };
    EXPECT_EQ(seconds("UTC0", "1970-01-02 00-00-00"), 86400);
    EXPECT_EQ(seconds("UTC0", "2012-12-31 16-06-20.5"), 1356969980) << "half a second rounds to even";
    // Central Europe: one hour ahead of UTC in winter, two in summer.
    EXPECT_EQ(seconds("CET-1CEST,M3.5.0,M10.5.0/3", "2019-01-15 12-00-00"), 1547550000);
    EXPECT_EQ(seconds("CET-1CEST,M3.5.0,M10.5.0/3", "2019-07-15 12-00-00"), 1563184800);
    if (previous)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

// --- files ---

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

ByteArray JpegOf(const Fixture& f) {
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
    cDIBSection picture;
    RunFlags flags;
};

IfdEntry DateTime(const char* text) {
    return Ascii(0x0132, text);
}
IfdEntry Original(const char* text) {
    return Ascii(0x9003, text);
}
IfdEntry Digitized(const char* text) {
    return Ascii(0x9004, text);
}
IfdEntry GpsDate(const char* text) {
    return Ascii(0x001D, text);
}
IfdEntry GpsTime(uint32_t h, uint32_t m, std::pair<uint32_t, uint32_t> s) {
    return Rational(0x0007, {{h, 1}, {m, 1}, s});
}

TEST_F(Consistency, FileTimeDigitizingTimeAndGpsTimeMustAgree) {
    struct Case {
        const char* name;
        Fixture file;
        std::optional<int16_t> status;
    };
    const Case cases[] = {
        {"same moment", {"Canon", {DateTime("2012:12:31 16:06:20")}, {Digitized("2012:12:31 16:06:20")}}, 5},
        {"11 hour boundaries",
         {"Canon", {DateTime("2012:12:31 10:59:00")}, {Digitized("2012:12:31 21:00:00")}},
         5},
        {"12 hour boundaries, 11 hours apart",
         {"Canon", {DateTime("2012:12:31 10:59:00")}, {Digitized("2012:12:31 22:00:00")}},
         2},
        {"13 hours apart",
         {"Canon", {DateTime("2012:12:31 03:00:00")}, {Digitized("2012:12:31 16:00:00")}},
         2},
        {"13 hours apart on a Fujifilm",
         {"FUJIFILM", {DateTime("2012:12:31 03:00:00")}, {Digitized("2012:12:31 16:00:00")}},
         5},
        {"digitized earlier by a day",
         {"Canon", {DateTime("2013:01:01 10:00:00")}, {Digitized("2012:12:31 10:00:00")}},
         2},
        {"GPS 23 hours from the capture",
         {"Canon",
          {DateTime("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2013:01:01"), GpsTime(15, 30, {1105, 100})}},
         5},
        {"GPS 24 hours from the capture",
         {"Canon",
          {DateTime("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2013:01:01"), GpsTime(16, 0, {0, 1})}},
         2},
        {"GPS date without a time is not compared",
         {"Canon",
          {DateTime("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2014:01:01")}},
         5},
        {"GPS hours that are no whole number are not compared",
         {"Canon",
          {DateTime("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2014:01:01"), Rational(0x0007, {{29, 2}, {0, 1}, {0, 1}})}},
         5},
        {"dates that are no dates",
         {"Canon", {DateTime("0000:00:00 00:00:00")}, {Digitized("2012:12:31 16:06:20")}},
         std::nullopt},
        {"a file time alone", {"Canon", {DateTime("2012:12:31 16:06:20")}, {}}, std::nullopt},
        {"no dates at all", {"Canon", {}, {Short(0x8827, {400})}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Internal(c.file), c.status);
    }
}

// A Nikon MakerNote (inner TIFF header at 10) whose directory holds `entries`.
NoteMaker NikonNote(std::vector<IfdEntry> entries) {
    return [=](uint32_t) {
        MakerNoteBlock b(false, -10);
        b.Put(0, Concat({Text("Nikon"), {0, 2, 0x10, 0, 0}, Text("II*"), {0, 8, 0, 0, 0}}));
        b.Directory(18, entries);
        return b.Bytes();
    };
}

TEST_F(Consistency, NikonIsoAndDataSizeCopiesMustAgree) {
    // The fixtures' image data is 4 bytes; Nikon counts the end-of-image marker too.
    const std::vector<IfdEntry> sameDates = {DateTime("2012:12:31 16:06:20")};
    const IfdEntry digitized = Digitized("2012:12:31 16:06:20");
    const IfdEntry digitizedLater = Digitized("2013:01:01 16:06:20");
    struct Case {
        const char* name;
        std::vector<IfdEntry> ifd0;
        std::vector<IfdEntry> exif;
        std::vector<IfdEntry> note;
        std::optional<int16_t> status;
    };
    const Case cases[] = {
        {"ISO copies agree", sameDates, {digitized, Short(0x8827, {400})}, {Short(0x0002, {0, 400})}, 5},
        {"ISO copies disagree", sameDates, {digitized, Short(0x8827, {400})}, {Short(0x0002, {0, 800})}, 2},
        {"ISO copies disagree, no dates", {}, {Short(0x8827, {400})}, {Short(0x0002, {0, 800})}, 2},
        {"ISO copies agree, no dates", {}, {Short(0x8827, {400})}, {Short(0x0002, {0, 400})}, std::nullopt},
        {"ISO copy of one element is not compared",
         sameDates,
         {digitized, Short(0x8827, {400})},
         {Short(0x0002, {800})},
         5},
        // Agreeing ISO copies do not wipe out what the dates showed.
        {"ISO copies agree, dates a day apart",
         sameDates,
         {digitizedLater, Short(0x8827, {400})},
         {Short(0x0002, {0, 400})},
         2},
        {"data size agrees", sameDates, {digitized}, {Long(0x00A2, {6})}, 5},
        {"data size disagrees, dates agree", sameDates, {digitized}, {Long(0x00A2, {7})}, 1},
        // The data size is a pair of values compared in its own right.
        {"data size disagrees, nothing else to compare", {}, {}, {Long(0x00A2, {7})}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Internal({"NIKON CORPORATION", c.ifd0, c.exif, {}, NikonNote(c.note)}), c.status);
    }
}

IfdEntry PixelX(uint32_t v) {
    return Long(0xA002, {v});
}
IfdEntry PixelY(uint32_t v) {
    return Long(0xA003, {v});
}

TEST_F(Consistency, PixelDimensionsMustNameTheFrameWithinTenPixels) {
    struct Case {
        const char* name;
        std::vector<IfdEntry> exif;
        uint16_t width;
        uint16_t height;
        bool signatureMatched;
        std::optional<int16_t> status;
    };
    const Case cases[] = {
        {"both agree", {PixelX(4000), PixelY(3000)}, 4000, 3000, false, 5},
        {"portrait frame, landscape dimensions", {PixelX(4000), PixelY(3000)}, 3000, 4000, false, 5},
        {"8 pixels more in the frame", {PixelX(4000), PixelY(3000)}, 4008, 3000, false, 5},
        {"10 pixels more in the frame", {PixelX(4000), PixelY(3000)}, 4010, 3000, false, 1},
        {"10 pixels fewer in the frame", {PixelX(4000), PixelY(3000)}, 3990, 3000, false, 1},
        {"height disagrees", {PixelX(4000), PixelY(2000)}, 4000, 3000, false, 1},
        {"disagreeing with the camera's tables", {PixelX(2000), PixelY(3000)}, 4000, 3000, true, 2},
        {"width without height is not judged", {PixelX(1000)}, 4000, 3000, false, std::nullopt},
        {"no dimensions", {}, 4000, 3000, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flags.signatureMatched = c.signatureMatched;
        Fixture file{"Canon", {}, c.exif};
        file.width = c.width;
        file.height = c.height;
        EXPECT_EQ(External(file), c.status);
    }
}

// A Samsung trailer: the block name at 8, then `stamp` as ten digits at 22, padded to `size`.
ByteArray SamsungTrailer(int64_t stamp, size_t size = 64, std::string_view name = "Image_UTC_Data") {
    ByteArray trailer(8, 0);
    const ByteArray nameBytes = Text(name);
    trailer.insert(trailer.end(), nameBytes.begin(), nameBytes.end());
    const ByteArray digits = Text(std::to_string(stamp));
    trailer.insert(trailer.end(), digits.begin(), digits.end());
    trailer.resize(size, '0');
    return trailer;
}

TEST_F(Consistency, SamsungTrailerTimeStampMustBeWithin23HoursOfTheCapture) {
    const char* capture = "2019:09:26 16:38:00";
    const int64_t utc = UnixTimeOfLocalDate(*ParseDateTime(ReadableExifDate(capture)));
    struct Case {
        const char* name;
        ByteArray trailer;
        bool signatureMatched;
        int16_t status;
    };
    const Case cases[] = {
        {"the capture time", SamsungTrailer(utc), false, 5},
        {"23 hours away", SamsungTrailer(utc + 23 * 3600), false, 5},
        {"a second more than 23 hours away", SamsungTrailer(utc - 23 * 3600 - 1), false, 1},
        {"24 hours away", SamsungTrailer(utc + 24 * 3600), false, 1},
        {"24 hours away with the camera's tables", SamsungTrailer(utc + 24 * 3600), true, 1},
        {"32 bytes of trailer", SamsungTrailer(utc, 32), false, 4},
        {"no trailer", {}, false, 4},
        // Samsung's cameras leave a preview there, which carries no time stamp.
        {"a preview picture instead of the time block",
         Concat({{0xFF, 0xD8, 0xFF, 0xDB}, ByteArray(60, 0x41)}), false, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        flags.signatureMatched = c.signatureMatched;
        Fixture file{"SAMSUNG", {}, {Original(capture), PixelX(640), PixelY(480)}};
        file.trailing = c.trailer;
        EXPECT_EQ(External(file), c.status);
    }
}

// A MakerNote of `header` whose directory at `dirAt` holds `entries`; offsets count from the
// TIFF header.
NoteMaker Note(ByteArray header, size_t dirAt, bool bigEndian, std::vector<IfdEntry> entries) {
    return [=](uint32_t mn) {
        MakerNoteBlock b(bigEndian, mn);
        b.Put(0, header).Directory(dirAt, entries);
        return b.Bytes();
    };
}

NoteMaker OlympusNote(uint32_t width) {
    return [=](uint32_t) {
        MakerNoteBlock b(false, 0);
        b.Put(0, Concat({Text("OLYMPUS"), {0}, Text("II"), {3, 0}}));
        b.Directory(100, {Long(0x0614, {width})});
        b.Directory(12, {Short(1, {7}), SubIfd(0x2040, b.OffsetOf(100))});
        return b.Bytes();
    };
}

// Ricoh's layout 4: tag 0x2001 points at the caption of its camera-information directory.
NoteMaker RicohNote(bool layout4, std::vector<IfdEntry> sizes) {
    return [=](uint32_t mn) {
        MakerNoteBlock b(true, mn);
        b.Put(0, Concat({Text("Ricoh"), {0, 0, 0}}));
        b.Put(200, Concat({Text("[Ricoh Camera Info]"), {0}})).Directory(220, {Short(1, {7})});
        std::vector<IfdEntry> entries = {layout4 ? Long(0x2001, {b.OffsetOf(200)})
                                                 : WithOffset(0x2001, 7, 60, b.OffsetOf(200))};
        entries.insert(entries.end(), sizes.begin(), sizes.end());
        b.Directory(8, entries);
        return b.Bytes();
    };
}

TEST_F(Consistency, MakerNoteSizeEntriesMustNameTheFrame) {
    const ByteArray sony = Concat({Text("SONY DSC "), {0, 0, 0}});
    struct Case {
        const char* name;
        const char* make;
        NoteMaker note;
        int16_t status;
    };
    const Case cases[] = {
        {"Canon agrees", "Canon", Note({}, 0, false, {Long(0x009A, {1, 640, 480, 0, 0})}), 5},
        {"Canon width disagrees", "Canon", Note({}, 0, false, {Long(0x009A, {1, 600, 480, 0, 0})}), 1},
        {"Canon height disagrees", "Canon", Note({}, 0, false, {Long(0x009A, {1, 640, 400, 0, 0})}), 1},
        {"Canon entry too short to say", "Canon", Note({}, 0, false, {Long(0x009A, {1})}), 5},
        {"Nikon agrees", "NIKON", NikonNote({Short(0x0016, {0, 0, 640, 480})}), 5},
        {"Nikon disagrees", "NIKON", NikonNote({Short(0x0016, {0, 0, 640, 470})}), 1},
        {"Sony agrees", "SONY", Note(sony, 12, false, {Long(0xB02B, {480, 640})}), 5},
        {"Sony disagrees", "SONY", Note(sony, 12, false, {Long(0xB02B, {480, 600})}), 1},
        {"Olympus agrees", "OLYMPUS", OlympusNote(640), 5},
        {"Olympus disagrees", "OLYMPUS", OlympusNote(4032), 1},
        {"Ricoh agrees", "RICOH", RicohNote(true, {Long(0x1603, {640}), Long(0x1604, {480})}), 5},
        {"Ricoh disagrees", "RICOH", RicohNote(true, {Long(0x1603, {640}), Long(0x1604, {400})}), 1},
        {"Ricoh of another layout is not read", "RICOH", RicohNote(false, {Long(0x1603, {100})}), 5},
        {"another maker's entry is not read", "PENTAX",
         Note(Concat({Text("AOC"), {0}, Text("II")}), 6, false, {Long(0x009A, {1, 100, 100})}), 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture file{c.make, {}, {PixelX(640), PixelY(480)}, {}, c.note};
        EXPECT_EQ(External(file), c.status);
        EXPECT_GT(codec.IFDEntryCount(kIfdMakerNote), 0) << "the MakerNote was not walked";
    }
}

} // namespace
} // namespace pellvane
