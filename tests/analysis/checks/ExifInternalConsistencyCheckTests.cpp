// The internal consistency check on files built in code: dates and GPS time, Nikon's ISO and
// data size copies.

#include "analysis/checks/ConsistencyFixture.h"

namespace pellvane {
namespace {

using namespace test;

TEST_F(Consistency, FileTimeDigitizingTimeAndGpsTimeMustAgree) {
    struct Case {
        const char* name;
        Fixture file;
        std::optional<int16_t> status;
    };
    const Case cases[] = {
        {"same moment",
         {"Canon", {DateTimeEntry("2012:12:31 16:06:20")}, {Digitized("2012:12:31 16:06:20")}},
         5},
        {"11 hour boundaries",
         {"Canon", {DateTimeEntry("2012:12:31 10:59:00")}, {Digitized("2012:12:31 21:00:00")}},
         5},
        {"12 hour boundaries, 11 hours apart",
         {"Canon", {DateTimeEntry("2012:12:31 10:59:00")}, {Digitized("2012:12:31 22:00:00")}},
         2},
        {"13 hours apart",
         {"Canon", {DateTimeEntry("2012:12:31 03:00:00")}, {Digitized("2012:12:31 16:00:00")}},
         2},
        {"13 hours apart on a Fujifilm",
         {"FUJIFILM", {DateTimeEntry("2012:12:31 03:00:00")}, {Digitized("2012:12:31 16:00:00")}},
         5},
        {"digitized earlier by a day",
         {"Canon", {DateTimeEntry("2013:01:01 10:00:00")}, {Digitized("2012:12:31 10:00:00")}},
         2},
        {"GPS 23 hours from the capture",
         {"Canon",
          {DateTimeEntry("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2013:01:01"), GpsTime(15, 30, {1105, 100})}},
         5},
        {"GPS 24 hours from the capture",
         {"Canon",
          {DateTimeEntry("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2013:01:01"), GpsTime(16, 0, {0, 1})}},
         2},
        {"GPS date without a time is not compared",
         {"Canon",
          {DateTimeEntry("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2014:01:01")}},
         5},
        {"GPS hours that are no whole number are not compared",
         {"Canon",
          {DateTimeEntry("2012:12:31 16:06:20")},
          {Digitized("2012:12:31 16:06:20"), Original("2012:12:31 16:06:20")},
          {GpsDate("2014:01:01"), Rational(0x0007, {{29, 2}, {0, 1}, {0, 1}})}},
         5},
        {"dates that are no dates",
         {"Canon", {DateTimeEntry("0000:00:00 00:00:00")}, {Digitized("2012:12:31 16:06:20")}},
         std::nullopt},
        {"a file time alone", {"Canon", {DateTimeEntry("2012:12:31 16:06:20")}, {}}, std::nullopt},
        {"no dates at all", {"Canon", {}, {Short(0x8827, {400})}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Internal(c.file), c.status);
    }
}

TEST_F(Consistency, NikonIsoAndDataSizeCopiesMustAgree) {
    // The fixtures' image data is 4 bytes; Nikon counts the end-of-image marker too.
    const std::vector<IfdEntry> sameDates = {DateTimeEntry("2012:12:31 16:06:20")};
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

} // namespace
} // namespace pellvane
