#include "shell/Presentation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pellvane {
namespace {

int16_t RoundToInt16(double value) {
    // nearbyint rounds half to even in the default rounding mode.
    const double rounded = std::nearbyint(value);
    return static_cast<int16_t>(std::clamp(rounded, double(std::numeric_limits<int16_t>::min()),
                                           double(std::numeric_limits<int16_t>::max())));
}

std::string ZeroPadded(int value, size_t digits) {
    std::string text = std::to_string(value);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

} // namespace

ColumnWidths ResultColumnWidths(int32_t listWidth, int32_t scrollBarWidth) {
    const double usable = double(listWidth) - double(scrollBarWidth) - 4.0;
    return {RoundToInt16(usable * 0.68), RoundToInt16(usable * 0.32)};
}

uint32_t ClassColour(int16_t ratingClass) {
    switch (ratingClass) {
    case 1:
    case 2:
        return 0xB41010;
    case 3:
        return 0xE19D0F;
    default:
        return 0x2F921D;
    }
}

int RatingImageIndex(int16_t ratingClass) {
    return std::clamp(ratingClass - 1, 0, 4);
}

std::string TipsLinkPath(int16_t ratingClass) {
    return std::string("/report/?from=vldt&type=") + (ratingClass < 3 ? "report" : "submit");
}

std::string VersionLabel(int major, int minor) {
    std::string label = "v";
    label += std::to_string(major);
    label += '.';
    label += ZeroPadded(minor, 2);
    return label;
}

std::string PaddedRevision(int revision) {
    return ZeroPadded(revision, 4);
}

std::string AboutVersionLabel(std::string_view versionWord, int major, int minor, int revision) {
    return std::string(versionWord) + " " + std::to_string(major) + "." + ZeroPadded(minor, 2) + " Build " +
           PaddedRevision(revision);
}

} // namespace pellvane
