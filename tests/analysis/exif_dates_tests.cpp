// The date reading and arithmetic the consistency checks rest on.

#include "analysis/ExifDates.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

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

} // namespace
} // namespace pellvane
