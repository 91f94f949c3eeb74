#include "analysis/ExifDates.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace pellvane {
namespace {

// Reads the text from left to right; every step either consumes what it expects or fails.
class cDateScanner {
  public:
    explicit cDateScanner(std::string_view text) : text_(text) {}

    // 1 to `maxDigits` decimal digits.
    std::optional<int32_t> Number(size_t maxDigits) {
        int32_t value = 0;
        size_t digits = 0;
        while (digits < maxDigits && at_ < text_.size() && IsDigit(text_[at_])) {
            value = value * 10 + (text_[at_++] - '0');
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        return value;
    }

    // The digits after a decimal point, as a fraction; 0 when there is no point.
    std::optional<double> Fraction() {
        if (at_ >= text_.size() || text_[at_] != '.') return 0.0;
        ++at_;
        double value = 0.0;
        double scale = 0.1;
        const size_t first = at_;
        for (; at_ < text_.size() && IsDigit(text_[at_]); ++at_, scale /= 10)
            value += (text_[at_] - '0') * scale;
        if (at_ == first) return std::nullopt;
        return value;
    }

    bool Separator(std::string_view accepted) {
        if (at_ >= text_.size() || accepted.find(text_[at_]) == std::string_view::npos) return false;
        ++at_;
        return true;
    }

    bool Spaces() {
        const size_t first = at_;
        while (at_ < text_.size() && text_[at_] == ' ')
            ++at_;
        return at_ > first;
    }

    bool AtEnd() const { return at_ == text_.size(); }

  private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view text_;
    size_t at_ = 0;
};

bool IsLeapYear(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DaysInMonth(int32_t year, int32_t month) {
    constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool Exists(const DateTime& d) {
    return d.year >= 1 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= DaysInMonth(d.year, d.month) && d.hour <= 23 && d.minute <= 59 && d.second < 60.0;
}

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int64_t HoursSinceEpoch(const DateTime& d) {
    return DaysFromCivil(d.year, d.month, d.day) * 24 + d.hour;
}

} // namespace

std::string ReadableExifDate(std::string text) {
    std::replace(text.begin(), text.end(), ':', '-');
    return text;
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
    // Texts read from tags may keep the zero bytes and blanks that pad them.
    const size_t first = text.find_first_not_of(std::string_view(" \0", 2));
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(std::string_view(" \0", 2)) - first + 1);

    cDateScanner scan(text);
    DateTime d;
    const auto year = scan.Number(4);
    if (!year || !scan.Separator("-")) return std::nullopt;
    const auto month = scan.Number(2);
    if (!month || !scan.Separator("-")) return std::nullopt;
    const auto day = scan.Number(2);
    if (!day || !scan.Spaces()) return std::nullopt;
    const auto hour = scan.Number(2);
    if (!hour || !scan.Separator("-:")) return std::nullopt;
    const auto minute = scan.Number(2);
    if (!minute || !scan.Separator("-:")) return std::nullopt;
    const auto second = scan.Number(2);
    const auto fraction = scan.Fraction();
    if (!second || !fraction || !scan.AtEnd()) return std::nullopt;

    d = {*year, *month, *day, *hour, *minute, *second + *fraction};
    if (!Exists(d)) return std::nullopt;
    return d;
}

int64_t HourDifference(const DateTime& a, const DateTime& b) {
    return HoursSinceEpoch(b) - HoursSinceEpoch(a);
}

int64_t UnixTimeOfLocalDate(const DateTime& local) {
    std::tm fields{};
    fields.tm_year = local.year - 1900;
    fields.tm_mon = local.month - 1;
    fields.tm_mday = local.day;
    fields.tm_hour = local.hour;
    fields.tm_min = local.minute;
    const double whole = std::floor(local.second);
    fields.tm_sec = static_cast<int>(whole);
    fields.tm_isdst = -1; // let the zone's rules say whether daylight saving applies
    const std::time_t utc = std::mktime(&fields);
    return static_cast<int64_t>(utc) + static_cast<int64_t>(std::nearbyint(local.second - whole));
}

} // namespace pellvane
