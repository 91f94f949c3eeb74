#include "analysis/TrustRating.h"

#include "base/Text.h"
#include "codec/TagStore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace pellvane {
namespace {

// Below this many rows too few tests applied to vouch for the best classes.
constexpr size_t kRowsForFullConfidence = 4;

constexpr uint32_t kRed = 0xB41010;
constexpr uint32_t kAmber = 0xE19D0F;
constexpr uint32_t kGreen = 0x2F921D;

struct ClassEntry {
    std::string_view description;
    uint32_t colour;
};

// Indexed by class - 1.
constexpr std::array<ClassEntry, 5> kClasses = {{
    {"Compelling evidence from the file suggests that this image has been processed", kRed},
    {"Evidence suggests that this image has high probability of being processed", kRed},
    {"Exsiting evidence is not sufficient to determine if the image has been processed", kAmber},
    {"Evidence suggests that this image is likely original from an unknown camera model", kGreen},
    {"This image passed all forensic tests, indicating high probability of being original", kGreen},
}};

std::string WindowText(std::string_view key, std::string_view english) {
    return GetText("Window", key, english);
}

// Text from a tag as it shows on screen: up to its first zero character, without the
// surrounding spaces.
std::string DisplayText(std::string text) {
    text.resize(std::min(text.find('\0'), text.size()));
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The alert of class 1: the software found, or why the file is not original.
std::string ProcessedAlert(const RunFlags& flags) {
    if (!flags.detectedSoftware.empty())
        return WindowText("Window.Message.Alert.SoftwareDetected",
                          "This image has been processed by the following software:") +
               " " + flags.detectedSoftware;
    if (flags.imageTooSmall)
        return WindowText("Window.Message.Alert.InvalidImageSize",
                          "This image is too small to be an original.");
    return WindowText("Window.Message.Alert.UnknownSoftwareDetected",
                      "This image has been processed by unknown software.");
}

// Classes 2 and 3 explain a histogram that contradicts matching quantization tables.
bool ContradictingEvidence(const RunFlags& flags) {
    return flags.histogramSuspect && flags.signatureMatched;
}

std::string ContradictionWarning() {
    return WindowText(
        "Window.Message.Warning.SuspectedHistogram",
        "Contradicting results were found. Please check if the image has been corrected for colors.");
}

void AddLegacyEditorAlert(RatingMessages& messages, const RunFlags& flags, const IExifCodec& codec) {
    if (!flags.legacyDataFound && codec.PelvnVersion() <= 0) return;
    messages.panels[2] = true;
    messages.legacyAlert = WindowText(
        "Window.Message.Alert.PelvnDetected",
        "Legacy data from an early version of Pellvane Metadata Editor was found, please upgrade your ");
    messages.legacyNotice =
        WindowText("Window.Message.Notice.UpgradeEditor", "editor to solve the problem:") + " ";
}

} // namespace

int16_t AdjustRatingClass(int16_t ratingClass, size_t rowCount, const RunFlags& flags,
                          const IExifCodec& codec) {
    if (rowCount < kRowsForFullConfidence && ratingClass > 3) --ratingClass;
    if (ratingClass == 2 || ratingClass == 3) {
        if (!flags.embeddedSignatureEqual && codec.MPFExisted() && codec.MPFValid()) ++ratingClass;
        if (codec.Manufacturer() == kMakerFujifilm && flags.flashPixPresent) ++ratingClass;
    }
    return ratingClass;
}

void SortRows(std::vector<ResultRow>& rows) {
    // std::string compares its characters as unsigned bytes, which is the binary order.
    std::stable_sort(rows.begin(), rows.end(), [](const ResultRow& a, const ResultRow& b) {
        if (a.level != b.level) return a.level < b.level;
        return a.caption < b.caption;
    });
}

ClassText RatingClassText(int16_t ratingClass) {
    const std::string number = std::to_string(ratingClass);
    ClassText text;
    text.title = WindowText("Window.Main.Results.TrustRating." + number, "Class " + number);
    text.colour = kGreen;
    if (ratingClass >= 1 && ratingClass <= 5) {
        const ClassEntry& entry = kClasses[static_cast<size_t>(ratingClass - 1)];
        text.description = WindowText("Window.Main.Results.RatingDescription." + number, entry.description);
        text.colour = entry.colour;
    }
    return text;
}

std::string CameraName(const IExifCodec& codec) {
    const std::string maker = Upper(codec.ManufacturerString());
    std::string model = DisplayText(codec.TagValueString(kTagModel, kIfd0));
    if (model.empty()) model = DisplayText(codec.TagValueString(kTagMake, kIfd0));
    if (model.find(maker) != std::string::npos) return model;
    return maker + " " + model;
}

RatingMessages ChooseMessages(int16_t ratingClass, const RunFlags& flags, const IExifCodec& codec) {
    RatingMessages messages;
    const bool processed = ratingClass <= 2;
    messages.link = processed ? LinkType::Report : LinkType::Submit;
    messages.linkCaption =
        processed ? WindowText("Window.Message.Notice.Report", "Report Mistakes or Ask an Expert")
                  : WindowText("Window.Message.Notice.Submit", "Submit for Further Analysis");
    if (processed) {
        if (ratingClass == 1)
            messages.message = ProcessedAlert(flags);
        else
            messages.message =
                ContradictingEvidence(flags)
                    ? ContradictionWarning()
                    : WindowText("Window.Message.Warning.EvidenceMissing",
                                 "This image is a highly suspect because important evidence is "
                                 "either missing or unconvincing.");
        messages.alertIcon = true;
        messages.panels[0] = messages.panels[1] = true;
        AddLegacyEditorAlert(messages, flags, codec);
    } else if (ratingClass == 3) {
        messages.message =
            ContradictingEvidence(flags)
                ? ContradictionWarning()
                : WindowText("Window.Message.Warning.EvidenceSuspected",
                             "We are unable to give this image a higher rating due to questionable "
                             "evidence.");
        messages.warningIcon = true;
        messages.panels[0] = messages.panels[1] = true;
    } else {
        messages.message = WindowText("Window.Message.Notice.OriginalFrom",
                                      "This image is very likely to be an original from") +
                           " " + CameraName(codec);
        messages.noticeIcon = true;
        messages.panels[0] = true;
        messages.panels[1] = ratingClass == 4;
    }
    return messages;
}

} // namespace pellvane
