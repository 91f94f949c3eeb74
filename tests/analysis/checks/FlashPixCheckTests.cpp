// The FlashPix check as a decision table over the facts the fake codec gives.

#include "analysis/FakeCodec.h"
#include "analysis/checks/CheckTests.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::CaseName;

struct FlashPixCase {
    const char* name;
    int32_t maker = kMakerFujifilm;
    const char* model = "FinePix S5500";
    const char* taken = "2012:06:01 10:20:30";
    bool flashPix = false;
    bool signatureMatched = false;
    std::optional<int16_t> status;
};

class FlashPixRules : public testing::TestWithParam<FlashPixCase> {};

TEST_P(FlashPixRules, DecideTheStatus) {
    const FlashPixCase& c = GetParam();
    test::cFakeCodec codec;
    codec.maker = c.maker;
    codec.SetTag(kTagModel, 1, c.model);
    codec.SetTag(kTagDateTimeOriginal, 2, c.taken);
    PictureDigest picture;
    RunFlags flags;
    flags.flashPixPresent = c.flashPix;
    flags.signatureMatched = c.signatureMatched;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(FlashPixCheck(context)), c.status);
}

const FlashPixCase kFlashPixCases[] = {
    // Only Fujifilm files get a row.
    {.name = "OtherMaker", .maker = 1, .status = std::nullopt},
    {.name = "OtherMakerWithFlashPix", .maker = 2, .flashPix = true, .status = std::nullopt},
    // With the segment every Fujifilm passes.
    {.name = "Present", .flashPix = true, .status = 5},
    {.name = "PresentXSeries", .model = "X-T2", .flashPix = true, .status = 5},
    // X-series cameras always write it.
    {.name = "XSeriesMissing", .model = "X-T2", .status = 1},
    {.name = "XSeriesMissingCameraTables", .model = "X-T2", .signatureMatched = true, .status = 1},
    {.name = "XSeriesLowerCase", .model = "x100", .status = 1},
    {.name = "XSeriesOldDate",
     .model = "X100",
     .taken = "2009:01:01 00:00:00",
     .signatureMatched = true,
     .status = 1},
    // Older cameras did not always write it.
    {.name = "OldCameraTables", .taken = "2009:05:12 10:20:30", .signatureMatched = true, .status = 4},
    {.name = "OldForeignTables", .taken = "2009:05:12 10:20:30", .status = 2},
    {.name = "LastOldDay", .taken = "2009:12:31 23:59:59", .signatureMatched = true, .status = 4},
    {.name = "FirstRecentDay", .taken = "2010:01:01 00:00:00", .signatureMatched = true, .status = 3},
    {.name = "RecentCameraTables", .signatureMatched = true, .status = 3},
    {.name = "RecentForeignTables", .status = 2},
    {.name = "DateWithoutTime", .taken = "2008:02:29", .signatureMatched = true, .status = 4},
    // A date that is none does not make a camera old.
    {.name = "UnsetDate", .taken = "0000:00:00 00:00:00", .signatureMatched = true, .status = 3},
    {.name = "NoDate", .taken = "", .signatureMatched = true, .status = 3},
    {.name = "ImpossibleDay", .taken = "2009:02:30 10:00:00", .signatureMatched = true, .status = 3},
    {.name = "NotLeapYear", .taken = "2009:02:29 10:00:00", .signatureMatched = true, .status = 3},
    {.name = "Garbage", .taken = "yesterday", .signatureMatched = true, .status = 3},
    {.name = "TrailingJunk", .taken = "2009:05:12x", .signatureMatched = true, .status = 3},
    {.name = "NoModel", .model = "", .taken = "2009:05:12 10:20:30", .signatureMatched = true, .status = 4},
};

INSTANTIATE_TEST_SUITE_P(Table, FlashPixRules, testing::ValuesIn(kFlashPixCases), CaseName<FlashPixCase>);

} // namespace
} // namespace pellvane
