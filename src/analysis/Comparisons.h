#pragma once
// Small comparisons of pixel counts that several tests share.

#include <cstdint>
#include <cstdlib>

namespace pellvane {

constexpr int32_t Larger(int32_t a, int32_t b) {
    return a > b ? a : b;
}
constexpr int32_t Smaller(int32_t a, int32_t b) {
    return a < b ? a : b;
}

// Whether `value` is `a` or `b`; with `tolerant`, whether it lies less than 10 away from one
// of them (cameras round a recorded size to their own block size).
constexpr bool MatchesEither(int64_t value, int64_t a, int64_t b, bool tolerant) {
    if (!tolerant) return value == a || value == b;
    constexpr int64_t kTolerance = 10;
    auto near = [](int64_t x, int64_t y) { return (x > y ? x - y : y - x) < kTolerance; };
    return near(value, a) || near(value, b);
}

} // namespace pellvane
