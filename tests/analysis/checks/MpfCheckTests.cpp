// The MPF check as a decision table over the facts the fake codec gives.

#include "analysis/FakeCodec.h"
#include "analysis/checks/CheckTests.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

using test::CaseName;

struct MpfCase {
    const char* name;
    bool existed;
    bool valid;
    std::optional<int16_t> status;
};

class MpfRules : public testing::TestWithParam<MpfCase> {};

TEST_P(MpfRules, DecideTheStatus) {
    const MpfCase& c = GetParam();
    test::cFakeCodec codec;
    codec.mpfExisted = c.existed;
    codec.mpfValid = c.valid;
    PictureDigest picture;
    RunFlags flags;
    CheckContext context{codec, picture, flags, 0};
    EXPECT_EQ(DecidedStatus(MpfCheck(context)), c.status);
}

const MpfCase kMpfCases[] = {
    {"Absent", false, false, std::nullopt},
    {"Valid", true, true, 5},
    {"Invalid", true, false, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, MpfRules, testing::ValuesIn(kMpfCases), CaseName<MpfCase>);

} // namespace
} // namespace pellvane
