// EXIF internal consistency: values that a camera writes together must agree. The file time
// and the digitizing time are taken at the same moment; the capture time and the GPS time
// (UTC) lie less than a day apart; Nikon keeps its own copies of the ISO value and of the
// length of the picture data. Editors change one copy and not the other.

#include "analysis/ExifDates.h"
#include "analysis/ForensicTests.h"
#include "analysis/Status.h"
#include "codec/TagStore.h"
#include "codec/mFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pellvane {
namespace {

// Cameras write the file time and the digitizing time together; twelve hours apart is an
// edit, except on Fujifilm cameras, which are known to write them in different zones.
constexpr int64_t kDateHoursApart = 12;
// Local capture time and UTC GPS time differ by the time zone, never by a whole day.
constexpr int64_t kGpsHoursApart = 24;

// Status 0: nothing judged yet.
constexpr int16_t kNotJudged = 0;

// What the test found; a row needs a judgement and at least one pair of values compared.
struct Judgement {
    int16_t status = kNotJudged;
    bool evidence = false;
};

bool Exists(const IExifCodec& codec, uint32_t tag, int32_t ifd) {
    return codec.IsTagExisted(tag, ifd, true);
}

// A tag's text up to its terminating zero byte.
std::string TagText(const IExifCodec& codec, uint32_t tag, int32_t ifd) {
    std::string text = codec.TagValueString(tag, ifd);
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

std::optional<DateTime> TagDate(const IExifCodec& codec, uint32_t tag, int32_t ifd) {
    return ParseDateTime(ReadableExifDate(TagText(codec, tag, ifd)));
}

// A number of hours or minutes as decimal text: whole numbers without a fraction.
std::string NumberText(float value) {
    char text[32];
    if (value == std::trunc(value) && std::fabs(value) < 1e7f)
        std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
    else
        std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// Seconds in the pattern "00.00##": at least two digits before the point, two to four after.
std::string SecondsText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%07.4f", static_cast<double>(value));
    std::string result = text;
    while (result.size() > 2 && result.back() == '0' && result[result.size() - 3] != '.')
        result.pop_back();
    return result;
}

// The GPS time stamp's three rationals as "hh:mm:ss.ss"; "" without a time stamp.
std::string GpsTimeText(const IExifCodec& codec) {
    if (!Exists(codec, kTagGpsTimeStamp, kIfdGps)) return "";
    const ExifValue stamp = codec.TagValue(kTagGpsTimeStamp, kIfdGps);
    auto part = [&](size_t k) {
        return static_cast<float>(SafeDivide(static_cast<int32_t>(ValueElement(stamp, 2 * k)),
                                             static_cast<int32_t>(ValueElement(stamp, 2 * k + 1))));
    };
    return PadLeft(NumberText(part(0)), 2, '0') + ":" + PadLeft(NumberText(part(1)), 2, '0') + ":" +
           SecondsText(part(2));
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The file time against the digitizing time, and the capture time against the GPS time.
void JudgeDates(const IExifCodec& codec, Judgement& finding) {
    if (!Exists(codec, kTagDateTime, kIfd0) || !Exists(codec, kTagDateTimeDigitized, kIfdExif)) return;
    finding.evidence = true;
    const std::string gpsTime = GpsTimeText(codec);

    const auto fileTime = TagDate(codec, kTagDateTime, kIfd0);
    const auto digitized = TagDate(codec, kTagDateTimeDigitized, kIfdExif);
    if (fileTime && digitized) {
        const bool close = std::llabs(HourDifference(*fileTime, *digitized)) < kDateHoursApart;
        finding.status =
            close || codec.Manufacturer() == kMakerFujifilm ? kStatusPass : kStatusHighlySuspected;
    }

    const std::string gpsDate = Trimmed(ReadableExifDate(TagText(codec, kTagGpsDateStamp, kIfdGps)));
    const auto gps = ParseDateTime(gpsDate + " " + gpsTime);
    const auto original = TagDate(codec, kTagDateTimeOriginal, kIfdExif);
    if (original && gps && std::llabs(HourDifference(*original, *gps)) >= kGpsHoursApart)
        finding.status = kStatusHighlySuspected;
}

// Nikon's MakerNote copy of the ISO value, (0, ISO), against the Exif IFD's.
void JudgeNikonIso(const IExifCodec& codec, Judgement& finding) {
    if (!Exists(codec, kTagNikonIso, kIfdMakerNote) || !Exists(codec, kTagIsoSpeedRatings, kIfdExif)) return;
    const ExifValue iso = codec.TagValue(kTagNikonIso, kIfdMakerNote);
    if (ValueElementCount(iso) != 2) return;
    finding.evidence = true;
    // Agreeing copies leave the dates' judgement as it is; only a disagreement lowers it.
    const int64_t exifIso = ValueElement(codec.TagValue(kTagIsoSpeedRatings, kIfdExif), 0, true);
    if (ValueElement(iso, 1, true) != exifIso) finding.status = kStatusHighlySuspected;
}

// Nikon records the length of the picture data it wrote, the end-of-image marker included.
void JudgeNikonDataSize(const IExifCodec& codec, Judgement& finding) {
    if (!Exists(codec, kTagNikonImageDataSize, kIfdMakerNote)) return;
    finding.evidence = true;
    const int64_t recorded = ValueElement(codec.TagValue(kTagNikonImageDataSize, kIfdMakerNote), 0, true);
    if (recorded != static_cast<int64_t>(codec.streamSize()) + 2) finding.status = kStatusFail;
}

} // namespace

std::optional<int16_t> ExifInternalConsistencyTest(TestContext& context) {
    const IExifCodec& codec = context.codec;
    Judgement finding;
    JudgeDates(codec, finding);
    if (codec.Manufacturer() == kMakerNikon) {
        JudgeNikonIso(codec, finding);
        JudgeNikonDataSize(codec, finding);
    }
    if (finding.status <= kNotJudged || !finding.evidence) return std::nullopt;
    return finding.status;
}

} // namespace pellvane
