#pragma once
// Date-times as the consistency tests read them from EXIF texts, and the arithmetic they do
// with them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellvane {

// A calendar date with a time of day, in whatever zone the text meant.
struct DateTime {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    double second = 0.0;
};

// An EXIF date text ("2012:12:31 16:06:20") made readable as a date: every ":" becomes "-".
std::string ReadableExifDate(std::string text);

// Reads year-month-day, then after spaces the hours, minutes and seconds (separated by "-"
// or ":", the seconds possibly with a fraction). Nothing for an empty or malformed text or
// for a date or time that does not exist, such as "0000-00-00 00-00-00".
std::optional<DateTime> ParseDateTime(std::string_view text);

// The number of hour boundaries from `a` to `b` (negative when `b` is earlier): 10:59 to
// 11:00 is one hour, 10:00 to 10:59 none.
int64_t HourDifference(const DateTime& a, const DateTime& b);

// Seconds from 1970-01-01 00:00:00 UTC to the moment that `local`, read as a date-time of
// this computer's time zone (its rules for daylight saving included), names; rounded to a
// whole second.
int64_t UnixTimeOfLocalDate(const DateTime& local);

} // namespace pellvane
