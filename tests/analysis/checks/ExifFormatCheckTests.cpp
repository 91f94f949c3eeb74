// The EXIF format check as a decision table over the facts the fake codec gives.

#include "analysis/FakeCodec.h"
#include "analysis/checks/CheckTests.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::CaseName;

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
    if (c.jfif) codec.markers.insert({kMarkerAPP0, "JFIF"});
    PictureDigest picture;
    RunFlags flags;
    flags.signatureMatched = c.signatureMatched;
    CheckContext context{codec, picture, flags, c.openResult};
    EXPECT_EQ(DecidedStatus(ExifFormatCheck(context)), std::optional<int16_t>(c.status));
}

constexpr ExifFormatCase kExifFormatCases[] = {
    // Without EXIF nothing else counts.
    {.name = "NoExif", .openResult = 6, .status = 1},
    {.name = "NoExifWithJfifAndCameraTables",
     .openResult = 6,
     .jfif = true,
     .signatureMatched = true,
     .status = 1},
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
    codec.markers.insert({kMarkerAPP0, "JFXX"});
    codec.markers.insert({kMarkerAPP2, "JFIF"});
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(ExifFormatCheck(context)), std::optional<int16_t>(5));
}

} // namespace
} // namespace pellvane
