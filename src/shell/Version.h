#pragma once
// The program's name and version, as the build sets them.

#include <string_view>

#ifndef PELLVANE_VERSION_MAJOR
#define PELLVANE_VERSION_MAJOR 0
#endif
#ifndef PELLVANE_VERSION_MINOR
#define PELLVANE_VERSION_MINOR 0
#endif
#ifndef PELLVANE_VERSION_REVISION
#define PELLVANE_VERSION_REVISION 0
#endif

namespace pellvane {

inline constexpr std::string_view kProductTitle = "Pellvane Photo Validator";
inline constexpr std::string_view kAboutTitle = "About Pellvane Photo Validator";
inline constexpr int kVersionMajor = PELLVANE_VERSION_MAJOR;
inline constexpr int kVersionMinor = PELLVANE_VERSION_MINOR;
inline constexpr int kVersionRevision = PELLVANE_VERSION_REVISION;

} // namespace pellvane
