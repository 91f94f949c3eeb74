// EXIF internal consistency: values that a camera writes together must agree. The file time
// and the digitizing time are taken at the same moment; the capture time and the GPS time
// (UTC) lie less than a day apart; Nikon keeps its own copies of the ISO value and of the
// length of the picture data. Editors change one copy and not the other.

#include "analysis/ExifDates.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
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

// The file time against the digitizing time.
void JudgeFileTime(const IExifCodec& codec, Findings& findings) {
    const auto fileTime = TagDate(codec, kTagDateTime, kIfd0);
    const auto digitized = TagDate(codec, kTagDateTimeDigitized, kIfdExif);
    Finding finding = NoteFinding("internal.file-time-against-digitized");
    finding.With("fileTime", TagText(codec, kTagDateTime, kIfd0))
        .With("digitized", TagText(codec, kTagDateTimeDigitized, kIfdExif));
    if (fileTime && digitized) {
        const int64_t hours = HourDifference(*fileTime, *digitized);
        const bool close = std::llabs(hours) < kDateHoursApart;
        finding.status =
            close || codec.Manufacturer() == kMakerFujifilm ? kStatusPass : kStatusHighlySuspected;
        finding.With("hoursApart", hours).With("limitHours", kDateHoursApart);
    }
    findings.push_back(std::move(finding));
}

// The capture time against the GPS time (UTC).
void JudgeGpsTime(const IExifCodec& codec, Findings& findings) {
    const std::string gpsDate = Trimmed(ReadableExifDate(TagText(codec, kTagGpsDateStamp, kIfdGps)));
    const std::string gpsText = gpsDate + " " + GpsTimeText(codec);
    const auto gps = ParseDateTime(gpsText);
    const auto original = TagDate(codec, kTagDateTimeOriginal, kIfdExif);
    if (!original || !gps) return;
    const int64_t hours = HourDifference(*original, *gps);
    Finding finding = NoteFinding("internal.capture-time-against-gps");
    if (std::llabs(hours) >= kGpsHoursApart) finding.status = kStatusHighlySuspected;
    finding.With("captureTime", TagText(codec, kTagDateTimeOriginal, kIfdExif))
        .With("gpsTime", gpsText)
        .With("hoursApart", hours)
        .With("limitHours", kGpsHoursApart);
    findings.push_back(std::move(finding));
}

void JudgeDates(const IExifCodec& codec, Findings& findings) {
    if (!Exists(codec, kTagDateTime, kIfd0) || !Exists(codec, kTagDateTimeDigitized, kIfdExif)) return;
    JudgeFileTime(codec, findings);
    JudgeGpsTime(codec, findings);
}

// Nikon's MakerNote copy of the ISO value, (0, ISO), against the Exif IFD's.
void JudgeNikonIso(const IExifCodec& codec, Findings& findings) {
    if (!Exists(codec, kTagNikonIso, kIfdMakerNote) || !Exists(codec, kTagIsoSpeedRatings, kIfdExif)) return;
    const ExifValue iso = codec.TagValue(kTagNikonIso, kIfdMakerNote);
    if (ValueElementCount(iso) != 2) return;
    // Agreeing copies leave the dates' judgement as it is; only a disagreement lowers it.
    const int64_t exifIso = ValueElement(codec.TagValue(kTagIsoSpeedRatings, kIfdExif), 0, true);
    const int64_t nikonIso = ValueElement(iso, 1, true);
    Finding finding = NoteFinding("internal.nikon-iso");
    if (nikonIso != exifIso) finding.status = kStatusHighlySuspected;
    findings.push_back(std::move(finding.With("makerNoteIso", nikonIso).With("exifIso", exifIso)));
}

// Nikon records the length of the picture data it wrote, the end-of-image marker included.
void JudgeNikonDataSize(const IExifCodec& codec, Findings& findings) {
    if (!Exists(codec, kTagNikonImageDataSize, kIfdMakerNote)) return;
    const int64_t recorded = ValueElement(codec.TagValue(kTagNikonImageDataSize, kIfdMakerNote), 0, true);
    const int64_t actual = static_cast<int64_t>(codec.streamSize()) + 2;
    Finding finding = NoteFinding("internal.nikon-data-size");
    if (recorded != actual) finding.status = kStatusFail;
    findings.push_back(std::move(finding.With("recorded", recorded).With("imageData", actual)));
}

} // namespace

Findings ExifInternalConsistencyCheck(CheckContext& context) {
    const IExifCodec& codec = context.codec;
    Findings findings;
    JudgeDates(codec, findings);
    if (codec.Manufacturer() == kMakerNikon) {
        JudgeNikonIso(codec, findings);
        JudgeNikonDataSize(codec, findings);
    }
    // A row needs a judgement; values compared without one add none.
    if (!DecidedStatus(findings)) return {};
    return findings;
}

} // namespace pellvane
