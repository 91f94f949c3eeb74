#pragma once
// Camera makers: the code found from the IFD0 Make text, and the display name of a code.

#include <cstdint>
#include <string>
#include <string_view>

namespace pellvane {

// The maker code whose key the upper-cased Make contains first in table order; 0 when none.
int32_t ManufacturerFromMake(std::string_view make);

// The display name of a maker code ("Canon", "Nikon", …); "" for a code without a name.
std::string ManufacturerName(int32_t code);

} // namespace pellvane
