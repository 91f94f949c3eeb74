// The EXIF format, image size and software tests, each a decision table over the facts the
// fake codec gives.

#include "FakeCodec.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

constexpr int16_t kApp0 = static_cast<int16_t>(0xE0FF);
constexpr int16_t kApp2 = static_cast<int16_t>(0xE2FF);
constexpr uint32_t kSoftware = 0x0131;

template <typename Case> std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

// --- EXIF format ---

struct ExifFormatCase {
    const char* name;
    int32_t openResult = 0;
    bool jfif = false;
    bool signatureMatched = false;
    int32_t maker = 1;
    int16_t status = 0;
};

class ExifFormatRules : public testing::TestWithParam<ExifFormatCase> {};

TEST_P(ExifFormatRules, DecideTheStatus) {
    const ExifFormatCase& c = GetParam();
    test::cFakeCodec codec;
    codec.maker = c.maker;
    if (c.jfif) codec.markers.insert({kApp0, "JFIF"});
    cDIBSection picture;
    RunFlags flags;
    flags.signatureMatched = c.signatureMatched;
    CheckContext context{codec, picture, flags, c.openResult};
    EXPECT_EQ(DecidedStatus(ExifFormatCheck(context)), std::optional<int16_t>(c.status));
}

constexpr ExifFormatCase kExifFormatCases[] = {
    // Without EXIF nothing else counts.
    {.name = "NoExif", .openResult = 6, .status = 1},
    {.name = "NoExifWithJfifAndCameraTables", .openResult = 6, .jfif = true, .signatureMatched = true, .status = 1},
    {.name = "ExifAlone", .status = 5},
    {.name = "ExifAloneForeignTables", .maker = 0, .status = 5},
    // An added JFIF segment.
    {.name = "JfifWithCameraTables", .jfif = true, .signatureMatched = true, .status = 4},
    {.name = "JfifWithForeignTables", .jfif = true, .status = 2},
    {.name = "JfifHuawei", .jfif = true, .maker = 30, .status = 3},
    {.name = "JfifHuaweiWithCameraTables", .jfif = true, .signatureMatched = true, .maker = 30, .status = 4},
    {.name = "JfifUnknownMaker", .jfif = true, .maker = 0, .status = 2},
};

INSTANTIATE_TEST_SUITE_P(Table, ExifFormatRules, testing::ValuesIn(kExifFormatCases),
                         CaseName<ExifFormatCase>);

TEST(ExifFormat, OnlyAJfifApp0Counts) {
    test::cFakeCodec codec;
    codec.markers.insert({kApp0, "JFXX"});
    codec.markers.insert({kApp2, "JFIF"});
    cDIBSection picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(ExifFormatCheck(context)), std::optional<int16_t>(5));
}

// --- image size ---

struct ImageSizeCase {
    const char* name;
    int32_t width;
    int32_t height;
    std::optional<int16_t> status; // nothing: no row
    int32_t pictureWidth = 0;      // the decoded picture, when the codec knows no size
    int32_t pictureHeight = 0;
};

class ImageSizeRules : public testing::TestWithParam<ImageSizeCase> {};

TEST_P(ImageSizeRules, DecideTheStatusAndTheFlag) {
    const ImageSizeCase& c = GetParam();
    test::cFakeCodec codec;
    codec.width = c.width;
    codec.height = c.height;
    cDIBSection picture;
    if (c.pictureWidth > 0) {
        ASSERT_TRUE(picture.InitializeDIB(c.pictureWidth, c.pictureHeight));
    }
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(ImageSizeCheck(context)), c.status);
    EXPECT_EQ(flags.imageTooSmall, c.status.has_value());
}

const ImageSizeCase kImageSizeCases[] = {
    {"LargeCameraPicture", 4000, 3000, std::nullopt},
    {"SquareJustLargeEnough", 801, 801, std::nullopt},
    {"PortraitJustLargeEnough", 600, 801, std::nullopt},
    {"SquareAtTheLimit", 800, 800, 1},
    {"SmallSquare", 100, 100, 1},
    {"AtTheLimit", 800, 600, 2},
    {"PortraitAtTheLimit", 600, 800, 2},
    {"SmallestPlausible", 640, 480, 2},
    {"BelowPlausible", 639, 480, 1},
    {"Tiny", 160, 120, 1},
    // A JPEG whose frame header the codec could not read is measured on its decoded picture,
    // so a large picture is not called too small.
    {"NoHeaderLargePicture", 0, 0, std::nullopt, 1024, 768},
    {"NoHeaderSmallPicture", 0, 0, 2, 640, 480},
    {"HalfAHeader", 4000, 0, std::nullopt, 4000, 3000},
    {"NoSizeAtAll", 0, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, ImageSizeRules, testing::ValuesIn(kImageSizeCases), CaseName<ImageSizeCase>);

// --- software data ---

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
    codec.SetTag(kSoftware, 1, c.software);
    if (c.icc) codec.markers.insert({kApp2, "ICC_PROFILE"});
    cDIBSection picture;
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
    codec.SetTag(kSoftware, 1, "GIMP 2.4.5");
    cDIBSection picture;
    RunFlags flags;
    flags.detectedSoftware = "Adobe (Unknown Product)";
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(SoftwareCheck(context)), std::optional<int16_t>(1));
    EXPECT_EQ(flags.detectedSoftware, "GIMP 2.4.5");
}

TEST(SoftwareData, NothingFoundKeepsTheNameFromTheTables) {
    test::cFakeCodec codec;
    cDIBSection picture;
    RunFlags flags;
    flags.detectedSoftware = "ACDSee";
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(SoftwareCheck(context)), std::optional<int16_t>(5));
    EXPECT_EQ(flags.detectedSoftware, "ACDSee");
}

} // namespace
} // namespace pellvane
