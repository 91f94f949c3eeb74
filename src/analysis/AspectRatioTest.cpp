// Aspect ratio: camera sensors have a few proportions (3:2, 4:3, 16:9, and square on Apple
// phones); a crop rarely keeps one of them.

#include "analysis/Comparisons.h"
#include "analysis/ForensicTests.h"
#include "analysis/Status.h"

#include <cmath>

namespace pellvane {
namespace {

// The sensor ratios as the rule has always written them, not the exact fractions 4/3 and 16/9.
constexpr double kRatio3To2 = 1.5;
constexpr double kRatio4To3 = 1.33333;
constexpr double kRatio16To9 = 1.77778;
constexpr double kRatioSquare = 1.0;

// The deviation of the ratio from a sensor's, held in single precision as it is judged.
int16_t StatusNear(float ratio, double sensorRatio) {
    return StatusFromFraction(static_cast<float>(std::fabs(static_cast<double>(ratio) - sensorRatio)));
}

} // namespace

std::optional<int16_t> AspectRatioTest(TestContext& context) {
    const int32_t width = context.codec.ImageWidth();
    const int32_t height = context.codec.ImageHeight();
    if (Smaller(width, height) <= 0) return std::nullopt; // no proportions to judge
    const auto ratio =
        static_cast<float>(static_cast<double>(Larger(width, height)) / Smaller(width, height));

    int16_t status = StatusNear(ratio, kRatio3To2);
    if (status < kStatusUncertain) status = StatusNear(ratio, kRatio4To3);
    if (status < kStatusUncertain) status = StatusNear(ratio, kRatio16To9);
    if (status < kStatusUncertain && context.codec.Manufacturer() == kMakerApple)
        status = StatusNear(ratio, kRatioSquare);
    return status;
}

} // namespace pellvane
