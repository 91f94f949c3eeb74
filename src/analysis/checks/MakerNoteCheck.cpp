// MakerNote data: cameras of most makers write a private MakerNote block into the EXIF
// directory, and editing software often drops or rewrites it. The check asks whether it is
// there, whether the codec judged it to be the camera's own, and applies a few maker- and
// model-specific rules about cameras that legitimately write none. The codec's half — where
// the MakerNote is, which layout it has, and the rules that decide `MakerNoteIsOriginal` —
// lives in codec/extensions/MakerNote.cpp, MakerNoteChecks.cpp and MakerNotePreviews.cpp and
// in the directory walk; the finding that decided it is shown with this row.

#include "analysis/LeadingNumber.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "codec/TagStore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace pellvane {
namespace {

// Makers whose cameras are known to write a MakerNote.
constexpr std::array<int32_t, 17> kMakersWithRules = {
    kMakerCanon,   kMakerNikon,  kMakerSony,  kMakerFujifilm, kMakerOlympus, kMakerPanasonic,
    kMakerPentax,  kMakerCasio,  kMakerLeica, kMakerRicoh,    kMakerSamsung, kMakerSigma,
    kMakerMinolta, kMakerFoveon, kMakerApple, kMakerDji,      kMakerHuawei};

// iOS 7 and later drop the MakerNote only when the picture is edited.
constexpr double kFirstAppleSoftwareWithMakerNote = 7.0;

// Samsung phones of these series write their MakerNote.
constexpr std::array<std::string_view, 3> kSamsungPhoneModels = {"SM-N", "SM-G", "SM-A"};
// Model prefixes, compared in capitals, of Olympus and Nikon cameras that write a MakerNote;
// the makers' other models may legitimately have none.
constexpr std::array<std::string_view, 6> kOlympusModelsWithMakerNote = {"E-", "PE", "TG", "SH", "SP", "XZ"};
constexpr std::array<std::string_view, 4> kNikonModelsWithMakerNote = {"NIKON D", "NIKON 1", "COOLPIX",
                                                                       "KEYMISS"};

// Canon cameras write their serial entry with at least this many characters; a shorter one
// is what early versions of the maker's metadata editor left behind.
constexpr size_t kCanonSerialMinimumLength = 6;

bool IsListedMaker(int32_t maker) {
    return std::find(kMakersWithRules.begin(), kMakersWithRules.end(), maker) != kMakersWithRules.end();
}

std::string UpperPrefix(std::string_view text, size_t length) {
    std::string prefix(text.substr(0, length));
    for (char& c : prefix)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return prefix;
}

template <size_t N> bool IsOneOf(std::string_view text, const std::array<std::string_view, N>& list) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

Finding Decided(std::string rule, bool fails, int16_t otherwise = kStatusPass) {
    return StatusFinding(std::move(rule), fails ? kStatusFail : otherwise);
}

Finding UnlistedMakerFinding(const CheckContext& context) {
    const bool present = context.codec.IsTagExisted(kTagMakerNote, kIfdExif, true);
    const int16_t status = present                             ? kStatusUncertain
                           : context.openResult == kOpenNoExif ? kStatusFail
                                                               : kStatusSuspected;
    return StatusFinding("makernote.maker-without-rules", status)
        .With("maker", context.codec.Manufacturer())
        .With("makerNotePresent", present)
        .With("exifPresent", context.openResult != kOpenNoExif);
}

Findings SamsungMissingFindings(const CheckContext& context) {
    const IExifCodec& codec = context.codec;
    const std::string model = codec.TagValueString(kTagModel, kIfd0);
    const bool phone = IsOneOf(std::string_view(model).substr(0, 4), kSamsungPhoneModels);
    int16_t status = kStatusFail;
    if (phone) status = context.flags.signatureMatched ? kStatusSuspected : kStatusHighlySuspected;
    Findings findings{StatusFinding("makernote.samsung-missing", status)
                          .With("model", model)
                          .With("phoneWithMakerNote", phone)
                          .With("signatureMatched", context.flags.signatureMatched)};
    // The phone's own APP4 segment and trailer stand in for the MakerNote.
    if (codec.MakerNoteIsOriginal())
        findings.push_back(StatusFinding("makernote.samsung-own-segments", static_cast<int16_t>(status + 1)));
    return findings;
}

// A listed maker's file without a MakerNote: fails unless the camera may write none.
Findings MissingMakerNoteFindings(const CheckContext& context, int32_t maker) {
    const IExifCodec& codec = context.codec;
    switch (maker) {
    case kMakerApple: {
        const double version = LeadingNumber(codec.TagValueString(kTagSoftware, kIfd0));
        return {Decided("makernote.apple-missing", version >= kFirstAppleSoftwareWithMakerNote)
                    .With("softwareVersion", version)
                    .With("firstVersionWithMakerNote", kFirstAppleSoftwareWithMakerNote)};
    }
    case kMakerSony: {
        // Sony Ericsson phones write no MakerNote.
        const std::string make = codec.TagValueString(kTagMake, kIfd0);
        return {
            Decided("makernote.sony-missing", make.find("Ericsson") == std::string::npos).With("make", make)};
    }
    case kMakerSamsung:
        return SamsungMissingFindings(context);
    case kMakerOlympus:
    case kMakerNikon: {
        const std::string model = codec.TagValueString(kTagModel, kIfd0);
        const bool writesOne = maker == kMakerOlympus
                                   ? IsOneOf(UpperPrefix(model, 2), kOlympusModelsWithMakerNote)
                                   : IsOneOf(UpperPrefix(model, 7), kNikonModelsWithMakerNote);
        return {Decided("makernote.model-missing", writesOne)
                    .With("model", model)
                    .With("modelWritesOne", writesOne)};
    }
    default:
        return {StatusFinding("makernote.missing", kStatusFail).With("maker", maker)};
    }
}

// A listed maker's file with a MakerNote: passes when the codec could read it, judged it the
// camera's own, and found entries in it.
Findings PresentMakerNoteFindings(const CheckContext& context) {
    const IExifCodec& codec = context.codec;
    if (!codec.ProcessMakerNote()) return {StatusFinding("makernote.not-read", kStatusHighlySuspected)};
    if (!codec.MakerNoteIsOriginal()) {
        Findings findings;
        if (std::optional<Finding> cleared = CodecDecision(codec, kFactMakerNoteIsOriginal))
            findings.push_back(std::move(*cleared));
        const bool own = context.flags.signatureMatched;
        findings.push_back(StatusFinding("makernote.not-original", own ? kStatusHighlySuspected : kStatusFail)
                               .With("signatureMatched", own));
        return findings;
    }
    const int32_t entries = codec.IFDEntryCount(kIfdMakerNote);
    if (entries == 0) return {StatusFinding("makernote.no-entries", kStatusSuspected)};
    return {StatusFinding("makernote.original", kStatusPass).With("entries", entries)};
}

// Canon: a short serial entry is what early versions of the maker's editor left behind. It
// is taken as proof of that editor only when the Make names the EOS line; otherwise it only
// keeps the file from passing.
void ApplyCanonSerialRule(CheckContext& context, Findings& findings) {
    const IExifCodec& codec = context.codec;
    if (!codec.IsTagExisted(kTagCanonSerial, kIfdMakerNote)) return;
    const size_t length = codec.TagValueString(kTagCanonSerial, kIfdMakerNote).size();
    if (length >= kCanonSerialMinimumLength) return;
    const bool eos = codec.TagValueString(kTagMake, kIfd0).find("EOS") != std::string::npos;
    if (eos) context.flags.legacyDataFound = true;
    const int16_t ceiling = eos ? kStatusHighlySuspected : kStatusUncertain;
    findings.push_back(
        StatusFinding("makernote.canon-short-serial", std::min(*DecidedStatus(findings), ceiling))
            .With("serialLength", static_cast<int64_t>(length))
            .With("minimumLength", static_cast<int64_t>(kCanonSerialMinimumLength))
            .With("eos", eos));
}

} // namespace

Findings MakerNoteCheck(CheckContext& context) {
    const int32_t maker = context.codec.Manufacturer();
    if (!IsListedMaker(maker)) return {UnlistedMakerFinding(context)};

    Findings findings = context.codec.IsTagExisted(kTagMakerNote, kIfdExif, true)
                            ? PresentMakerNoteFindings(context)
                            : MissingMakerNoteFindings(context, maker);
    if (maker == kMakerCanon) ApplyCanonSerialRule(context, findings);
    return findings;
}

} // namespace pellvane
