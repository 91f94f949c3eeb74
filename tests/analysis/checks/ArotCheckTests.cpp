// The AROT check as a decision table over the facts the fake codec gives.

#include "analysis/FakeCodec.h"
#include "analysis/checks/CheckTests.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::CaseName;

struct ArotCase {
    const char* name;
    int32_t maker = kMakerApple;
    bool segment = false;
    int32_t values = 0; // number of AROT values
    int32_t height = 3024;
    const char* software = "";
    std::optional<int16_t> status;
};

class ArotRules : public testing::TestWithParam<ArotCase> {};

TEST_P(ArotRules, DecideTheStatus) {
    const ArotCase& c = GetParam();
    test::cFakeCodec codec;
    codec.maker = c.maker;
    codec.height = c.height;
    codec.width = 4032;
    if (c.segment) codec.markers.insert({kMarkerAPP10, "AROT"});
    codec.arot.assign(static_cast<size_t>(c.values), 7);
    codec.SetTag(kTagSoftware, 1, c.software);
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(ArotCheck(context)), c.status);
}

const ArotCase kArotCases[] = {
    {.name = "OtherMaker", .maker = 1, .status = std::nullopt},
    {.name = "OtherMakerWithSegment", .maker = 1, .segment = true, .values = 10, .status = std::nullopt},
    // One value per 16 rows: 3024 rows need an upper bound of 188.
    {.name = "MatchesTheHeight", .segment = true, .values = 189, .status = 5},
    {.name = "OneValueShort", .segment = true, .values = 188, .status = 1},
    {.name = "OneValueOver", .segment = true, .values = 190, .status = 1},
    {.name = "CroppedPicture", .segment = true, .values = 189, .height = 2000, .status = 1},
    {.name = "HeightNotAMultiple", .segment = true, .values = 125, .height = 2010, .status = 5},
    {.name = "EmptySegment", .segment = true, .values = 0, .status = 1},
    // The segment is judged by itself, whatever the Software text.
    {.name = "MatchesWithOldSoftware", .segment = true, .values = 189, .software = "11.2", .status = 5},
    // Without it the iOS version decides how strong the doubt is.
    {.name = "MissingIos11", .software = "11.4.1", .status = 3},
    {.name = "MissingIos12", .software = "12.1", .status = 2},
    {.name = "MissingIos16", .software = "16.0", .status = 2},
    {.name = "MissingNoSoftware", .status = 2},
    {.name = "MissingEditorSoftware", .software = "Photos 3.0", .status = 2},
    {.name = "MissingIos9", .software = "9.3", .status = 3},
};

INSTANTIATE_TEST_SUITE_P(Table, ArotRules, testing::ValuesIn(kArotCases), CaseName<ArotCase>);

} // namespace
} // namespace pellvane
