// Aspect ratio: camera sensors have a few proportions (3:2, 4:3, 16:9, and square on Apple
// phones); a crop rarely keeps one of them.

#include "analysis/Comparisons.h"
#include "analysis/Status.h"
#include "analysis/checks/Checks.h"

#include <cmath>

namespace pellvane {
namespace {

// The sensor ratios as the rule has always written them, not the exact fractions 4/3 and 16/9.
constexpr double kRatio3To2 = 1.5;
constexpr double kRatio4To3 = 1.33333;
constexpr double kRatio16To9 = 1.77778;
constexpr double kRatioSquare = 1.0;

// The deviation of the ratio from a sensor's, held in single precision as it is judged.
Finding RatioFinding(float ratio, double sensorRatio) {
    const auto deviation = static_cast<float>(std::fabs(static_cast<double>(ratio) - sensorRatio));
    return StatusFinding("aspect-ratio.against-sensor", StatusFromFraction(deviation))
        .With("ratio", static_cast<double>(ratio))
        .With("sensorRatio", sensorRatio)
        .With("deviation", static_cast<double>(deviation));
}

} // namespace

Findings AspectRatioCheck(CheckContext& context) {
    const int32_t width = context.codec.ImageWidth();
    const int32_t height = context.codec.ImageHeight();
    if (Smaller(width, height) <= 0) return {}; // no proportions to judge
    const auto ratio =
        static_cast<float>(static_cast<double>(Larger(width, height)) / Smaller(width, height));

    // The sensor ratios in turn, until one is near enough.
    Findings findings{RatioFinding(ratio, kRatio3To2)};
    auto tryNext = [&](double sensorRatio) {
        if (*findings.back().status < kStatusUncertain) findings.push_back(RatioFinding(ratio, sensorRatio));
    };
    tryNext(kRatio4To3);
    tryNext(kRatio16To9);
    if (context.codec.Manufacturer() == kMakerApple) tryNext(kRatioSquare);
    return findings;
}

} // namespace pellvane
