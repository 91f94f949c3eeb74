// The software check over files built in code.

#include "analysis/FakeCodec.h"
#include "analysis/checks/CheckTests.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::CaseName;

struct SoftwareCase {
    const char* name;
    const char* software = "";
    bool icc = false;
    int32_t maker = 1;
    int16_t status = 0;
    const char* detected = "";
};

class SoftwareRules : public testing::TestWithParam<SoftwareCase> {};

TEST_P(SoftwareRules, DecideTheStatusAndNameTheProgram) {
    const SoftwareCase& c = GetParam();
    test::cFakeCodec codec;
    codec.maker = c.maker;
    codec.SetTag(kTagSoftware, 1, c.software);
    if (c.icc) codec.markers.insert({kMarkerAPP2, "ICC_PROFILE"});
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(SoftwareCheck(context)), std::optional<int16_t>(c.status));
    EXPECT_EQ(flags.detectedSoftware, c.detected);
}

constexpr SoftwareCase kSoftwareCases[] = {
    {.name = "CameraFirmware", .software = "Ver.1.00", .status = 5},
    {.name = "NoSoftwareTag", .status = 5},
    {.name = "Photoshop", .software = "Adobe Photoshop 7.0", .status = 1, .detected = "Adobe Photoshop 7.0"},
    {.name = "PhotoshopWithIcc",
     .software = "Adobe Photoshop 7.0",
     .icc = true,
     .status = 1,
     .detected = "Adobe Photoshop 7.0"},
    {.name = "Gimp", .software = "GIMP 2.10.30", .status = 1, .detected = "GIMP 2.10.30"},
    // An ICC profile alone only raises a doubt, and none for Apple devices, which write one.
    {.name = "IccProfile", .software = "Ver.1.00", .icc = true, .status = 3},
    {.name = "AppleIccProfile", .software = "12.1", .icc = true, .maker = 23, .status = 5},
};

INSTANTIATE_TEST_SUITE_P(Table, SoftwareRules, testing::ValuesIn(kSoftwareCases), CaseName<SoftwareCase>);

TEST(SoftwareData, TheProgramFoundReplacesTheNameFromTheTables) {
    test::cFakeCodec codec;
    codec.SetTag(kTagSoftware, 1, "GIMP 2.4.5");
    PictureDigest picture;
    RunFlags flags;
    flags.detectedSoftware = "Adobe (Unknown Product)";
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(SoftwareCheck(context)), std::optional<int16_t>(1));
    EXPECT_EQ(flags.detectedSoftware, "GIMP 2.4.5");
}

TEST(SoftwareData, NothingFoundKeepsTheNameFromTheTables) {
    test::cFakeCodec codec;
    PictureDigest picture;
    RunFlags flags;
    flags.detectedSoftware = "ACDSee";
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(SoftwareCheck(context)), std::optional<int16_t>(5));
    EXPECT_EQ(flags.detectedSoftware, "ACDSee");
}

// A program name that is no known editor passes, and the evidence still names it and where it
// was read, so an analyst can weigh it.
TEST(SoftwareData, NamesThatAreNoKnownEditorAreShownWithWhereTheyWereRead) {
    test::cFakeCodec codec;
    codec.SetTag(kTagSoftware, 1, std::string("Noise Ninja 2\0", 14));
    codec.SetTag(0x000B, 1, "  ");
    codec.xmp = "<x:xmpmeta><rdf:Description xmp:CreatorTool=\"Darkroom 3\"/></x:xmpmeta>";
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    const Findings findings = SoftwareCheck(context);
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(
        findings[0],
        NoteFinding("software.not-a-known-editor").With("where", "Software").With("name", "Noise Ninja 2"));
    EXPECT_EQ(findings[1], NoteFinding("software.not-a-known-editor")
                               .With("where", "XMP CreatorTool")
                               .With("name", "Darkroom 3"));
    EXPECT_EQ(findings[2].rule, "software.no-editor-named");
    EXPECT_EQ(DecidedStatus(findings), 5);
}

} // namespace
} // namespace pellvane
