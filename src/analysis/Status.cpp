#include "analysis/Status.h"

#include "base/Text.h"

#include <array>
#include <string_view>

namespace pellvane {
namespace {

struct StatusEntry {
    std::string_view word;
    std::string_view key;
    int32_t icon;
};

// Indexed by level - 1. Suspected and Uncertain share the amber icon.
constexpr std::array<StatusEntry, 5> kStatusScale = {{
    {"Fail", "Window.Main.Results.Status.Fail", 0},
    {"Highly Suspected", "Window.Main.Results.Status.HighlySuspect", 1},
    {"Suspected", "Window.Main.Results.Status.Suspect", 2},
    {"Uncertain", "Window.Main.Results.Status.Uncertain", 2},
    {"Pass", "Window.Main.Results.Status.Pass", 3},
}};

} // namespace

StatusText StatusWord(int16_t level, int32_t currentIcon) {
    if (level < kStatusFail || level > kStatusPass) return {"", "", currentIcon};
    const StatusEntry& entry = kStatusScale[static_cast<size_t>(level - 1)];
    return {GetText("Window", entry.key, entry.word), std::string(entry.key), entry.icon};
}

int16_t StatusFromFraction(float deviation) {
    // Written so that a value that is not a number fails both comparisons and passes.
    if (!(deviation >= 0.01f)) return kStatusPass;
    if (deviation < 0.02f) return kStatusUncertain;
    return kStatusSuspected;
}

} // namespace pellvane
