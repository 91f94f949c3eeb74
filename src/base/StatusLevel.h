#pragma once
// The status scale every check, every result row, the trust rating and the similarity of
// embedded images share: 1 "Fail" to 5 "Pass".

#include <cstdint>

namespace pellvane {

inline constexpr int16_t kStatusFail = 1;
inline constexpr int16_t kStatusHighlySuspected = 2;
inline constexpr int16_t kStatusSuspected = 3;
inline constexpr int16_t kStatusUncertain = 4;
inline constexpr int16_t kStatusPass = 5;

} // namespace pellvane
