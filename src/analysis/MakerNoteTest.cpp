// MakerNote data: cameras of most makers write a private MakerNote block into the EXIF
// directory, and editing software often drops or rewrites it. The test asks whether it is
// there, whether the codec judged it to be the camera's own, and applies a few maker- and
// model-specific rules about cameras that legitimately write none.

#include "analysis/ForensicTests.h"
#include "analysis/LeadingNumber.h"
#include "analysis/Status.h"
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

int16_t UnlistedMakerStatus(const TestContext& context) {
    if (context.codec.IsTagExisted(kTagMakerNote, kIfdExif, true)) return kStatusUncertain;
    return context.openResult == kOpenNoExif ? kStatusFail : kStatusSuspected;
}

// A listed maker's file without a MakerNote: fails unless the camera may write none.
int16_t MissingMakerNoteStatus(const TestContext& context, int32_t maker) {
    const IExifCodec& codec = context.codec;
    switch (maker) {
    case kMakerApple:
        return LeadingNumber(codec.TagValueString(kTagSoftware, kIfd0)) >= kFirstAppleSoftwareWithMakerNote
                   ? kStatusFail
                   : kStatusPass;
    case kMakerSony:
        // Sony Ericsson phones write no MakerNote.
        return codec.TagValueString(kTagMake, kIfd0).find("Ericsson") != std::string::npos ? kStatusPass
                                                                                           : kStatusFail;
    case kMakerSamsung: {
        const std::string model = codec.TagValueString(kTagModel, kIfd0);
        int16_t status = kStatusFail;
        if (IsOneOf(std::string_view(model).substr(0, 4), kSamsungPhoneModels))
            status = context.flags.signatureMatched ? kStatusSuspected : kStatusHighlySuspected;
        if (codec.MakerNoteIsOriginal()) ++status;
        return status;
    }
    case kMakerOlympus:
        return IsOneOf(UpperPrefix(codec.TagValueString(kTagModel, kIfd0), 2), kOlympusModelsWithMakerNote)
                   ? kStatusFail
                   : kStatusPass;
    case kMakerNikon:
        return IsOneOf(UpperPrefix(codec.TagValueString(kTagModel, kIfd0), 7), kNikonModelsWithMakerNote)
                   ? kStatusFail
                   : kStatusPass;
    default:
        return kStatusFail;
    }
}

// A listed maker's file with a MakerNote: passes when the codec could read it, judged it the
// camera's own, and found entries in it.
int16_t PresentMakerNoteStatus(const TestContext& context) {
    const IExifCodec& codec = context.codec;
    if (!codec.ProcessMakerNote()) return kStatusHighlySuspected;
    if (!codec.MakerNoteIsOriginal())
        return context.flags.signatureMatched ? kStatusHighlySuspected : kStatusFail;
    if (codec.IFDEntryCount(kIfdMakerNote) == 0) return kStatusSuspected;
    return kStatusPass;
}

// Canon: a short serial entry is what early versions of the maker's editor left behind. It
// is taken as proof of that editor only when the Make names the EOS line; otherwise it only
// keeps the file from passing.
int16_t ApplyCanonSerialRule(TestContext& context, int16_t status) {
    const IExifCodec& codec = context.codec;
    if (!codec.IsTagExisted(kTagCanonSerial, kIfdMakerNote)) return status;
    if (codec.TagValueString(kTagCanonSerial, kIfdMakerNote).size() >= kCanonSerialMinimumLength)
        return status;
    if (codec.TagValueString(kTagMake, kIfd0).find("EOS") != std::string::npos) {
        context.flags.legacyDataFound = true;
        return std::min(status, kStatusHighlySuspected);
    }
    return std::min(status, kStatusUncertain);
}

} // namespace

std::optional<int16_t> MakerNoteTest(TestContext& context) {
    const int32_t maker = context.codec.Manufacturer();
    if (!IsListedMaker(maker)) return UnlistedMakerStatus(context);

    int16_t status = context.codec.IsTagExisted(kTagMakerNote, kIfdExif, true)
                         ? PresentMakerNoteStatus(context)
                         : MissingMakerNoteStatus(context, maker);
    if (maker == kMakerCanon) status = ApplyCanonSerialRule(context, status);
    return status;
}

} // namespace pellvane
