// Compression signature: a JPEG encoder leaves its fingerprint in the quantization tables it
// writes. The codec reduces them to a CRC-32 text, which is compared here with the tables of
// known editing software and with those of the cameras of seven makers.

#include "analysis/Status.h"
#include "analysis/checks/Checks.h"
#include "base/Text.h"
#include "codec/TagStore.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pellvane {
namespace {

using Signatures = std::span<const std::string_view>;

// --- editing software ---

constexpr std::array<std::string_view, 15> kAdobeSignatures = {
    "819CFB03", "88B65E74", "5426D8EB", "5FC6645E", "F9556720", "C19A2A8B", "C1B7E412", "B9AC1C4B",
    "8F4B17D7", "CA059DC8", "9B9AC3DB", "367217A5", "184DE538", "669E24B5", "E42B20E0"};
constexpr std::array<std::string_view, 3> kAcdseeSignatures = {"42AB25FF", "26DE63B1", "99861966"};

// Samsung phones write these Adobe tables themselves.
constexpr std::string_view kSamsungAdobeSignature = "819CFB03";

// --- cameras ---

constexpr std::array<std::string_view, 6> kCanonOwn = {"FF7B19E4", "97733549", "2581136E",
                                                       "3F90E2A4", "DD72630E", "95FCE30C"};
constexpr std::array<std::string_view, 13> kNikonOwn = {
    "918800D4", "3F5666B9", "270E2AB1", "A3979FE4", "DD72630E", "09C5AC27", "A5DB2CFD",
    "07E65000", "5A0F8F73", "D50E050B", "A00C8CE9", "18FEDEE0", "181626AF"};
constexpr std::array<std::string_view, 3> kSamsungPhoneModels = {"SM-N", "SM-G", "SM-A"};
constexpr std::array<std::string_view, 1> kSamsungPhoneOwn = {"A3979FE4"};
constexpr std::array<std::string_view, 1> kSamsungCameraModels = {"EK-G"};
constexpr std::array<std::string_view, 2> kSamsungCameraOwn = {"3F5666B9", "D50E050B"};
constexpr std::array<std::string_view, 3> kHuaweiOwn = {"5C514C76", "9110367B", "7B3766BC"};
constexpr std::array<std::string_view, 3> kAppleOwn = {"9803679C", "9889B894", "350EF43B"};
constexpr std::array<std::string_view, 5> kSonyInterchangeableModels = {"SLT-", "NEX-", "ILCE", "DSLR",
                                                                        "ILCA"};
constexpr std::array<std::string_view, 3> kSonyInterchangeableOwn = {"C4A51F54", "EC280E41", "350EF43B"};
constexpr std::array<std::string_view, 1> kSonyInterchangeableDoubtful = {"FE0CA4AC"};
constexpr std::array<std::string_view, 7> kSonyOtherOwn = {"C4A51F54", "EC280E41", "350EF43B", "E28603EB",
                                                           "765F5F0A", "88ED351F", "B9CE67ED"};
constexpr std::array<std::string_view, 1> kFujifilmXModels = {"X"};
constexpr std::array<std::string_view, 3> kFujifilmXOwn = {"33EA7C32", "E9A089BC", "7102F6FA"};
constexpr std::array<std::string_view, 1> kFujifilmFinePixModels = {"FinePix"};
constexpr std::array<std::string_view, 5> kFujifilmFinePixOwn = {"B67C5122", "984922A5", "B1E3133F",
                                                                 "D5AF7DFF", "7102F6FA"};
constexpr std::array<std::string_view, 1> kFujifilmFinePixDoubtful = {"DD72630E"};

enum class Condition {
    AnyModel,
    ModelStartsWith,    // the Model text begins with one of the texts (case as stored)
    ModelContains,      // the Model text contains one of the texts
    HasRestartInterval, // the file has a DRI segment
};

// One line of a maker's decision list. The first line whose maker, condition and signature
// all hold decides the status; an empty signature list takes any signature.
struct CameraRule {
    int32_t maker;
    Condition condition;
    Signatures texts; // model texts for the model conditions
    Signatures signatures;
    int16_t status;
    bool needsFlashPix = false; // the line holds only for a file with FlashPix data
};

constexpr Signatures kAny{};

constexpr std::array<CameraRule, 27> kCameraRules = {{
    {kMakerCanon, Condition::AnyModel, kAny, kCanonOwn, kStatusPass},
    {kMakerCanon, Condition::AnyModel, kAny, kAny, kStatusHighlySuspected},

    {kMakerNikon, Condition::AnyModel, kAny, kNikonOwn, kStatusPass},
    {kMakerNikon, Condition::AnyModel, kAny, kAny, kStatusSuspected},

    // A phone's tables found in a file of another Samsung model are doubtful, not foreign.
    {kMakerSamsung, Condition::ModelStartsWith, kSamsungPhoneModels, kSamsungPhoneOwn, kStatusPass},
    {kMakerSamsung, Condition::AnyModel, kAny, kSamsungPhoneOwn, kStatusUncertain},
    {kMakerSamsung, Condition::ModelStartsWith, kSamsungCameraModels, kSamsungCameraOwn, kStatusPass},
    {kMakerSamsung, Condition::AnyModel, kAny, kSamsungCameraOwn, kStatusUncertain},
    {kMakerSamsung, Condition::AnyModel, kAny, kAny, kStatusSuspected},

    {kMakerHuawei, Condition::AnyModel, kAny, kHuaweiOwn, kStatusPass},
    {kMakerHuawei, Condition::AnyModel, kAny, kAny, kStatusSuspected},

    // Apple's own encoder always writes a restart interval.
    {kMakerApple, Condition::HasRestartInterval, kAny, kAppleOwn, kStatusPass},
    {kMakerApple, Condition::HasRestartInterval, kAny, kAny, kStatusSuspected},
    {kMakerApple, Condition::AnyModel, kAny, kAny, kStatusHighlySuspected},

    {kMakerSony, Condition::ModelStartsWith, kSonyInterchangeableModels, kSonyInterchangeableOwn,
     kStatusPass},
    {kMakerSony, Condition::ModelStartsWith, kSonyInterchangeableModels, kSonyInterchangeableDoubtful,
     kStatusSuspected},
    {kMakerSony, Condition::ModelStartsWith, kSonyInterchangeableModels, kAny, kStatusHighlySuspected},
    {kMakerSony, Condition::AnyModel, kAny, kSonyOtherOwn, kStatusPass},
    {kMakerSony, Condition::AnyModel, kAny, kAny, kStatusSuspected},

    // Fujifilm cameras that write FlashPix data are judged more mildly when their tables
    // are unknown.
    {kMakerFujifilm, Condition::ModelStartsWith, kFujifilmXModels, kFujifilmXOwn, kStatusPass},
    {kMakerFujifilm, Condition::ModelStartsWith, kFujifilmXModels, kAny, kStatusUncertain, true},
    {kMakerFujifilm, Condition::ModelStartsWith, kFujifilmXModels, kAny, kStatusHighlySuspected},
    {kMakerFujifilm, Condition::ModelContains, kFujifilmFinePixModels, kFujifilmFinePixOwn, kStatusPass},
    {kMakerFujifilm, Condition::ModelContains, kFujifilmFinePixModels, kFujifilmFinePixDoubtful,
     kStatusUncertain},
    {kMakerFujifilm, Condition::ModelContains, kFujifilmFinePixModels, kAny, kStatusSuspected},
    {kMakerFujifilm, Condition::AnyModel, kAny, kAny, kStatusUncertain, true},
    {kMakerFujifilm, Condition::AnyModel, kAny, kAny, kStatusSuspected},
}};

bool Contains(Signatures list, std::string_view text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

struct CameraFacts {
    int32_t maker;
    std::string_view model;
    std::string_view signature;
    bool hasRestartInterval;
    bool hasFlashPix;
};

bool ConditionHolds(const CameraRule& rule, const CameraFacts& facts) {
    switch (rule.condition) {
    case Condition::AnyModel:
        return true;
    case Condition::ModelStartsWith:
        return std::any_of(rule.texts.begin(), rule.texts.end(),
                           [&](std::string_view prefix) { return facts.model.starts_with(prefix); });
    case Condition::ModelContains:
        return std::any_of(rule.texts.begin(), rule.texts.end(), [&](std::string_view part) {
            return facts.model.find(part) != std::string_view::npos;
        });
    case Condition::HasRestartInterval:
        return facts.hasRestartInterval;
    }
    return false;
}

bool RuleApplies(const CameraRule& rule, const CameraFacts& facts) {
    if (rule.maker != facts.maker || (rule.needsFlashPix && !facts.hasFlashPix)) return false;
    if (!ConditionHolds(rule, facts)) return false;
    return rule.signatures.empty() || Contains(rule.signatures, facts.signature);
}

// The camera check: the first line of the maker's list that holds, or nothing for a maker
// without tables.
const CameraRule* CameraRuleFor(const CameraFacts& facts) {
    for (const CameraRule& rule : kCameraRules)
        if (RuleApplies(rule, facts)) return &rule;
    return nullptr;
}

// The camera's line as a finding: whether the signature is listed for this camera, or the
// line took any signature because none of the maker's lists holds it.
Finding CameraFinding(const CameraFacts& facts, const std::string& makerName) {
    const CameraRule* rule = CameraRuleFor(facts);
    if (rule == nullptr) return NoteFinding("signature.maker-without-tables").With("maker", makerName);
    const bool listed = !rule->signatures.empty();
    return StatusFinding(listed ? "signature.listed-for-camera" : "signature.not-listed-for-camera",
                         rule->status)
        .With("maker", makerName)
        .With("model", std::string(facts.model))
        .With("signature", std::string(facts.signature))
        .With("restartInterval", facts.hasRestartInterval)
        .With("flashPix", facts.hasFlashPix);
}

// The editors' tables: a finding that decides the row alone, or nothing.
std::optional<Finding> EditorFinding(std::string_view signature, RunFlags& flags) {
    if (Contains(kAdobeSignatures, signature)) {
        flags.detectedSoftware =
            GetText("Software", "Software.Adobe.UnknownProduct", "Adobe (Unknown Product)");
        return StatusFinding("signature.editor-tables", kStatusFail).With("editor", "Adobe");
    }
    if (Contains(kAcdseeSignatures, signature)) {
        flags.detectedSoftware = "ACDSee";
        return StatusFinding("signature.editor-tables", kStatusFail).With("editor", "ACDSee");
    }
    return std::nullopt;
}

} // namespace

Findings CompressionSignatureCheck(CheckContext& context) {
    IExifCodec& codec = context.codec;
    RunFlags& flags = context.flags;
    flags.flashPixPresent = codec.IsMarkerExisted(kMarkerAPP2, "FPXR");

    const std::string signature = codec.ComprSignature();
    if (signature.empty()) return {};

    const int32_t maker = codec.Manufacturer();
    Findings findings;
    if (maker == kMakerSamsung && signature == kSamsungAdobeSignature) {
        findings.push_back(StatusFinding("signature.samsung-writes-adobe-tables", kStatusSuspected));
    } else if (std::optional<Finding> editor = EditorFinding(signature, flags)) {
        editor->With("signature", signature);
        return {std::move(*editor)};
    } else {
        findings.push_back(StatusFinding("signature.no-editor-tables", kStatusUncertain));
    }
    findings.back().With("signature", signature);

    const std::string model = codec.TagValueString(kTagModel, kIfd0);
    const CameraFacts facts{maker, model, signature, codec.FindMarker(kMarkerDRI, "") >= 0,
                            flags.flashPixPresent};
    findings.push_back(CameraFinding(facts, codec.ManufacturerString()));
    flags.signatureMatched = DecidedStatus(findings) == kStatusPass;
    return findings;
}

} // namespace pellvane
