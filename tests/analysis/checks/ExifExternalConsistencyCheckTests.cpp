// The external consistency check on files built in code: the pixel dimensions against the
// frame, Samsung's trailer time stamp and the MakerNote size entries of each maker.

#include "analysis/checks/ConsistencyFixture.h"

namespace pellvane {
namespace {

using namespace test;

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
