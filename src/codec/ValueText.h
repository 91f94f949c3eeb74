#pragma once
// Text forms of directory values and of rationals.

#include "codec/ExifValue.h"

#include <cstdint>
#include <string>

namespace pellvane {

// "0" for a zero denominator; a quotient of magnitude below 1 with up to eight decimals
// (at least one); otherwise the shortest single-precision decimal form.
std::string RationalText(int32_t numerator, int32_t denominator);

// A floating-point value with up to twelve decimals and no trailing zeros ("3", "0.5").
std::string RealText(double value);

// The generic value text of a value of TIFF format 1..13; "" for an empty value or
// another format. Bytes (formats 1 and 7) show as at most 24 hexadecimal pairs, each
// followed by a space, then "..." when there are more.
std::string GenericValueText(const ExifValue& value, int32_t format);

// The text form of a tag-store entry: the generic text plus the special cases for
// ExposureTime, SubjectDistance and the version fields.
std::string EntryValueText(const ExifValue& value, int32_t format, uint32_t tagNoID, int32_t ifd);

} // namespace pellvane
