#pragma once
// The status scale every test, every result row and the trust rating share: 1 "Fail" to
// 5 "Pass", each level with its word, translation key and list icon.

#include "base/StatusLevel.h"

#include <cstdint>
#include <string>

namespace pellvane {

struct StatusText {
    std::string word; // translated; "" for a level outside 1..5
    std::string key;  // the translation key of the word; "" outside 1..5
    int32_t icon = 0; // index of the status icon in the list's image set
};

// The word, key and icon of a level. A level outside 1..5 gives an empty word and key and
// leaves the icon at `currentIcon`, so a caller that already shows an icon keeps it.
StatusText StatusWord(int16_t level, int32_t currentIcon = 0);

// Turns a measured deviation into a level: below 0.01 (or not a number) 5, below 0.02 4,
// otherwise 3.
int16_t StatusFromFraction(float deviation);

} // namespace pellvane
