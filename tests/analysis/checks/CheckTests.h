#pragma once
// What the checks' decision tables share: the names of their cases.

#include <gtest/gtest.h>
#include <string>

namespace pellvane::test {

// A table row's name as the name of its test.
template <typename Case> std::string CaseName(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

} // namespace pellvane::test
