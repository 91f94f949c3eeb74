// FlashPix: Fujifilm cameras write a FlashPix ("FPXR") segment that editors drop. X-series
// cameras always write it; older cameras from before 2010 did not always.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/TagStore.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <string_view>

namespace pellvane {
namespace {

constexpr int32_t kFirstRecentYear = 2010;

bool IsXSeries(std::string_view model) {
    return !model.empty() && std::toupper(static_cast<unsigned char>(model.front())) == 'X';
}

bool IsLeapYear(int32_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t DaysInMonth(int32_t year, int32_t month) {
    constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads a whole number of exactly `digits` digits at `pos` and moves past it.
std::optional<int32_t> ReadNumber(std::string_view text, size_t& pos, size_t digits) {
    if (pos + digits > text.size()) return std::nullopt;
    int32_t value = 0;
    const char* first = text.data() + pos;
    const auto [end, error] = std::from_chars(first, first + digits, value);
    if (error != std::errc() || end != first + digits) return std::nullopt;
    pos += digits;
    return value;
}

// The year of a "YYYY-MM-DD" date, optionally followed by a space and a time; nothing when
// the text is no valid date (an unset EXIF date is all zeros).
std::optional<int32_t> DateYear(std::string_view text) {
    size_t pos = 0;
    const auto year = ReadNumber(text, pos, 4);
    if (!year || pos >= text.size() || text[pos++] != '-') return std::nullopt;
    const auto month = ReadNumber(text, pos, 2);
    if (!month || pos >= text.size() || text[pos++] != '-') return std::nullopt;
    const auto day = ReadNumber(text, pos, 2);
    if (!day || *year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month))
        return std::nullopt;
    if (pos < text.size() && text[pos] != ' ') return std::nullopt;
    return year;
}

// An EXIF date ("2009:05:12 10:20:30") with its colons turned to hyphens.
bool TakenBefore2010(const IExifCodec& codec) {
    std::string date = codec.TagValueString(kTagDateTimeOriginal, kIfdExif);
    std::replace(date.begin(), date.end(), ':', '-');
    const auto year = DateYear(date);
    return year && *year < kFirstRecentYear;
}

// Why a Fujifilm file without the segment is judged as it is.
Finding MissingSegmentFinding(bool xSeries, bool old, bool signatureMatched) {
    if (old && signatureMatched)
        return StatusFinding("flashpix.missing-old-camera-own-tables", kStatusUncertain);
    if (xSeries) return StatusFinding("flashpix.missing-x-series", kStatusFail);
    return signatureMatched ? StatusFinding("flashpix.missing-own-tables", kStatusSuspected)
                            : StatusFinding("flashpix.missing", kStatusHighlySuspected);
}

} // namespace

Findings FlashPixCheck(CheckContext& context) {
    const IExifCodec& codec = context.codec;
    if (codec.Manufacturer() != kMakerFujifilm) return {};
    const std::string model = codec.TagValueString(kTagModel, kIfd0);
    const bool xSeries = IsXSeries(model);
    const bool old = !xSeries && TakenBefore2010(codec);
    const RunFlags& flags = context.flags;
    Finding finding = flags.flashPixPresent ? StatusFinding("flashpix.present", kStatusPass)
                                            : MissingSegmentFinding(xSeries, old, flags.signatureMatched);
    finding.With("model", model).With("xSeries", xSeries).With("takenBefore2010", old);
    return {std::move(finding)};
}

} // namespace pellvane
