// The MPF check as a decision table over the facts the fake codec gives.

#include "analysis/FakeCodec.h"
#include "analysis/checks/Checks.h"

#include <gtest/gtest.h>

namespace pellvane {
namespace {

constexpr int16_t kApp10 = static_cast<int16_t>(0xEAFF);
constexpr uint32_t kModel = 0x0110;
constexpr uint32_t kSoftware = 0x0131;
constexpr uint32_t kDateTimeOriginal = 0x9003;
constexpr int32_t kFujifilm = 4;
constexpr int32_t kApple = 23;

template <typename Case> std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

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
    cDIBSection picture;
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
