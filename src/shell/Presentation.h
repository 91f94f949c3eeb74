#pragma once
// The small rules that map a run's outcome and the program's identity onto the window:
// column widths, class colours and pictures, link addresses and version texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace pellvane {

struct ColumnWidths {
    int16_t description = 0;
    int16_t result = 0;
    bool operator==(const ColumnWidths&) const = default;
};

// The two visible columns of the results list share its width less the vertical scroll bar
// and the borders (4 pixels), 68 to 32, each rounded half to even.
ColumnWidths ResultColumnWidths(int32_t listWidth, int32_t scrollBarWidth);

// The colour bar's colour as 0xRRGGBB: red for classes 1 and 2, orange for 3, and green for
// 4, 5 and anything else.
uint32_t ClassColour(int16_t ratingClass);

// The image of the "RATING" strip that shows a class (class - 1), kept inside the strip.
int RatingImageIndex(int16_t ratingClass);

// Paths and queries on the maker's web site. The tips link asks for a report of a mistake
// below class 3 and for a submission from class 3 on.
std::string TipsLinkPath(int16_t ratingClass);
inline constexpr std::string_view kUpgradeLinkPath = "/upgrade/?from=vldt";
inline constexpr std::string_view kUpdateCheckPath = "/validator/?from=vldt";

// "v" + major + "." + minor padded to two digits: 1 and 5 give "v1.05".
std::string VersionLabel(int major, int minor);
// The revision padded on the left with "0" to four digits: 7 gives "0007".
std::string PaddedRevision(int revision);
// "Version 1.05 Build 0007", with the translated word for "Version".
std::string AboutVersionLabel(std::string_view versionWord, int major, int minor, int revision);

} // namespace pellvane
