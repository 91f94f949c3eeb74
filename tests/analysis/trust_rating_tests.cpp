// The status scale, the class adjustment, the order of the rows and what each class says.

#include "FakeCodec.h"
#include "analysis/Status.h"
#include "analysis/TrustRating.h"
#include "base/Text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace pellvane {
namespace {

TEST(StatusScale, EachLevelHasItsWordKeyAndIcon) {
    struct Case {
        int16_t level;
        const char* word;
        const char* key;
        int32_t icon;
    };
    constexpr Case kCases[] = {
        {1, "Fail", "Window.Main.Results.Status.Fail", 0},
        {2, "Highly Suspected", "Window.Main.Results.Status.HighlySuspect", 1},
        {3, "Suspected", "Window.Main.Results.Status.Suspect", 2},
        {4, "Uncertain", "Window.Main.Results.Status.Uncertain", 2},
        {5, "Pass", "Window.Main.Results.Status.Pass", 3},
        // Outside the scale: no word, and the icon the caller had stays.
        {0, "", "", 7},
        {6, "", "", 7},
        {-1, "", "", 7},
    };
    for (const Case& c : kCases) {
        const StatusText text = StatusWord(c.level, 7);
        EXPECT_EQ(text.word, c.word) << c.level;
        EXPECT_EQ(text.key, c.key) << c.level;
        EXPECT_EQ(text.icon, c.icon) << c.level;
    }
}

TEST(StatusScale, DeviationsBecomeLevelsAtSinglePrecisionThresholds) {
    struct Case {
        float deviation;
        int16_t level;
    };
    const Case kCases[] = {
        {0.0f, 5},    {0.0099f, 5},
        {-3.0f, 5},   {std::numeric_limits<float>::quiet_NaN(), 5},
        {0.01f, 4},   {0.015f, 4},
        {0.0199f, 4}, {0.02f, 3},
        {1.0f, 3},    {std::numeric_limits<float>::infinity(), 3},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(StatusFromFraction(c.deviation), c.level) << c.deviation;
}

TEST(Translations, APluggedInProviderReplacesTheEnglishDefaults) {
    SetTextProvider([](std::string_view section, std::string_view key) -> std::optional<std::string> {
        if (section == "Window" && key == "Window.Main.Results.Status.Fail") return "Echec";
        return std::nullopt;
    });
    EXPECT_EQ(StatusWord(1).word, "Echec");
    EXPECT_EQ(StatusWord(5).word, "Pass"); // no entry: the default
    SetTextProvider(nullptr);
    EXPECT_EQ(StatusWord(1).word, "Fail");
}

// --- class adjustment ---

TEST(ClassAdjustment, FollowsRowCountMpfAndFujifilmFlashPix) {
    struct Case {
        const char* name;
        int16_t ratingClass;
        size_t rows;
        bool embeddedEqual;
        bool mpfExisted;
        bool mpfValid;
        int32_t maker;
        bool flashPix;
        int16_t expected;
    };
    constexpr Case kCases[] = {
        {"FiveWithFewRowsDrops", 5, 3, false, false, false, 0, false, 4},
        {"FiveWithEnoughRowsStays", 5, 4, false, false, false, 0, false, 5},
        {"FourWithFewRowsDrops", 4, 0, false, false, false, 0, false, 3},
        {"ThreeWithFewRowsStays", 3, 2, false, false, false, 0, false, 3},
        {"DroppedFourRisesAgainWithMpf", 4, 3, false, true, true, 0, false, 4},
        {"ThreeWithValidMpf", 3, 6, false, true, true, 0, false, 4},
        {"ThreeWithInvalidMpf", 3, 6, false, true, false, 0, false, 3},
        {"ValidityAloneIsNotPresence", 3, 6, false, false, true, 0, false, 3},
        {"ThreeWithMpfButEqualThumbnailSignature", 3, 6, true, true, true, 0, false, 3},
        {"ThreeFujifilmWithFlashPix", 3, 6, false, false, false, 4, true, 4},
        {"ThreeOtherMakerWithFlashPix", 3, 6, false, false, false, 1, true, 3},
        {"ThreeWithBothRises", 3, 6, false, true, true, 4, true, 5},
        {"TwoWithBothRises", 2, 6, false, true, true, 4, true, 4},
        {"OneNeverRises", 1, 6, false, true, true, 4, true, 1},
        {"FourNeverRises", 4, 6, false, true, true, 4, true, 4},
    };
    for (const Case& c : kCases) {
        test::cFakeCodec codec;
        codec.mpfExisted = c.mpfExisted;
        codec.mpfValid = c.mpfValid;
        codec.maker = c.maker;
        RunFlags flags;
        flags.embeddedSignatureEqual = c.embeddedEqual;
        flags.flashPixPresent = c.flashPix;
        EXPECT_EQ(AdjustRatingClass(c.ratingClass, c.rows, flags, codec), c.expected) << c.name;
    }
}

// --- order of the rows ---

TEST(RowOrder, WorstLevelFirstThenCaptionsInByteOrder) {
    std::vector<ResultRow> rows = {
        {"MakerNote Data", "", 5, "Pass", 3, {}},
        {"Histogram", "", 3, "Suspected", 2, {}},
        {"Compression Signature", "", 5, "Pass", 3, {}},
        {"EXIF Format", "", 1, "Fail", 0, {}},
        {"aspect", "", 3, "Suspected", 2, {}},
        {"\xC3\x89tat", "", 3, "Suspected", 2, {}},
        {"Zebra", "", 3, "Suspected", 2, {}},
    };
    SortRows(rows);
    std::vector<std::string> captions;
    for (const ResultRow& row : rows)
        captions.push_back(row.caption);
    // Capitals sort before small letters, and bytes above 127 after both.
    const std::vector<std::string> expected = {"EXIF Format",   "Histogram",   "Zebra",
                                               "aspect",        "\xC3\x89tat", "Compression Signature",
                                               "MakerNote Data"};
    EXPECT_EQ(captions, expected);
}

// --- what the classes say ---

TEST(ClassText, TitlesDescriptionsAndColours) {
    struct Case {
        int16_t ratingClass;
        const char* title;
        const char* descriptionStart;
        uint32_t colour;
    };
    constexpr Case kCases[] = {
        {1, "Class 1", "Compelling evidence", 0xB41010},
        {2, "Class 2", "Evidence suggests that this image has high", 0xB41010},
        {3, "Class 3", "Exsiting evidence", 0xE19D0F},
        {4, "Class 4", "Evidence suggests that this image is likely", 0x2F921D},
        {5, "Class 5", "This image passed", 0x2F921D},
        {0, "Class 0", "", 0x2F921D},
    };
    for (const Case& c : kCases) {
        const ClassText text = RatingClassText(c.ratingClass);
        EXPECT_EQ(text.title, c.title);
        EXPECT_TRUE(text.description.starts_with(c.descriptionStart)) << text.description;
        EXPECT_EQ(text.description.empty(), c.descriptionStart[0] == '\0');
        EXPECT_EQ(text.colour, c.colour) << c.ratingClass;
    }
}

TEST(ClassMessages, EachClassItsMessageIconsPanelsAndLink) {
    struct Case {
        const char* name;
        int16_t ratingClass;
        const char* software;
        bool tooSmall;
        bool histogramSuspect;
        bool signatureMatched;
        bool legacyData;
        int16_t pelvnVersion;
        const char* message;
        bool alert, warning, notice;
        bool panel1, panel2;
        LinkType link;
    };
    constexpr LinkType kReport = LinkType::Report;
    constexpr LinkType kSubmit = LinkType::Submit;
    const Case kCases[] = {
        {"SoftwareFound", 1, "ACDSee", true, false, false, false, 0,
         "This image has been processed by the following software: ACDSee", true, false, false, true, false,
         kReport},
        {"TooSmall", 1, "", true, false, false, false, 0, "This image is too small to be an original.", true,
         false, false, true, false, kReport},
        {"UnknownSoftware", 1, "", false, false, false, false, 0,
         "This image has been processed by unknown software.", true, false, false, true, false, kReport},
        {"ClassOneWithLegacyData", 1, "", false, false, false, true, 0,
         "This image has been processed by unknown software.", true, false, false, true, true, kReport},
        {"ContradictingHistogram", 2, "", false, true, true, false, 0,
         "Contradicting results were found. Please check if the image has been corrected for colors.", true,
         false, false, true, false, kReport},
        {"HistogramAloneIsMissingEvidence", 2, "", false, true, false, false, 0,
         "This image is a highly suspect because important evidence is either missing or unconvincing.", true,
         false, false, true, false, kReport},
        {"ClassTwoWithEditorVersion", 2, "", false, false, false, false, 3,
         "This image is a highly suspect because important evidence is either missing or unconvincing.", true,
         false, false, true, true, kReport},
        {"ClassThreeContradicting", 3, "", false, true, true, false, 0,
         "Contradicting results were found. Please check if the image has been corrected for colors.", false,
         true, false, true, false, kSubmit},
        {"ClassThreeQuestionable", 3, "", false, false, true, true, 5,
         "We are unable to give this image a higher rating due to questionable evidence.", false, true, false,
         true, false, kSubmit},
        {"ClassFour", 4, "", false, false, false, false, 0,
         "This image is very likely to be an original from NIKON D70", false, false, true, true, false,
         kSubmit},
        {"ClassFive", 5, "", false, false, false, true, 0,
         "This image is very likely to be an original from NIKON D70", false, false, true, false, false,
         kSubmit},
    };
    for (const Case& c : kCases) {
        test::cFakeCodec codec;
        codec.makerName = "Nikon";
        codec.SetTag(0x0110, 1, "NIKON D70");
        codec.pelvnVersion = c.pelvnVersion;
        RunFlags flags;
        flags.detectedSoftware = c.software;
        flags.imageTooSmall = c.tooSmall;
        flags.histogramSuspect = c.histogramSuspect;
        flags.signatureMatched = c.signatureMatched;
        flags.legacyDataFound = c.legacyData;
        const RatingMessages messages = ChooseMessages(c.ratingClass, flags, codec);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(messages.message, c.message);
        EXPECT_EQ(messages.alertIcon, c.alert);
        EXPECT_EQ(messages.warningIcon, c.warning);
        EXPECT_EQ(messages.noticeIcon, c.notice);
        EXPECT_TRUE(messages.panels[0]);
        EXPECT_EQ(messages.panels[1], c.panel1);
        EXPECT_EQ(messages.panels[2], c.panel2);
        EXPECT_EQ(messages.link, c.link);
        EXPECT_EQ(messages.linkCaption,
                  c.link == kReport ? "Report Mistakes or Ask an Expert" : "Submit for Further Analysis");
        EXPECT_EQ(messages.legacyAlert.empty(), !c.panel2);
        if (c.panel2) {
            EXPECT_TRUE(messages.legacyAlert.starts_with("Legacy data from an early version"));
            EXPECT_EQ(messages.legacyNotice, "editor to solve the problem: ");
        }
    }
}

TEST(ClassMessages, CameraNameAvoidsRepeatingTheMaker) {
    struct Case {
        const char* makerName;
        std::string make;
        std::string model;
        const char* camera;
    };
    const Case kCases[] = {
        {"Nikon", "NIKON CORPORATION", "NIKON D70", "NIKON D70"},
        // The maker is compared in capitals, as the model text is stored.
        {"Canon", "Canon", "Canon EOS 5D", "CANON Canon EOS 5D"},
        {"Casio", "CASIO", "QV-3000EX", "CASIO QV-3000EX"},
        // Text as shown: up to the first zero character, without surrounding spaces.
        {"Olympus", "OLYMPUS", std::string("  C40Z\0\0", 8), "OLYMPUS C40Z"},
        // Without a model the Make names the camera.
        {"Kodak", "EASTMAN KODAK COMPANY", "", "EASTMAN KODAK COMPANY"},
        {"", "", "Phone", "Phone"},
    };
    for (const Case& c : kCases) {
        test::cFakeCodec codec;
        codec.makerName = c.makerName;
        codec.SetTag(0x010F, 1, c.make);
        codec.SetTag(0x0110, 1, c.model);
        EXPECT_EQ(CameraName(codec), c.camera);
    }
}

} // namespace
} // namespace pellvane
