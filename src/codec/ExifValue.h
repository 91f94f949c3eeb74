#pragma once
// The decoded value of a directory entry. Unsigned TIFF numbers are kept in signed
// containers of their width; the text forms convert them back.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace pellvane {

using ByteArray = std::vector<uint8_t>;

using ExifValue = std::variant<std::monostate,       // empty: not read, or absent
                               ByteArray,            // BYTE, SBYTE, UNDEFINED
                               std::string,          // ASCII (UTF-8, every byte kept, zeros included)
                               std::vector<int16_t>, // SHORT, SSHORT
                               std::vector<int32_t>, // LONG, SLONG, IFD, RATIONAL pairs, SRATIONAL pairs
                               std::vector<float>,   // FLOAT
                               std::vector<double>>; // DOUBLE

inline bool IsEmptyValue(const ExifValue& v) {
    return std::holds_alternative<std::monostate>(v);
}

// Number of elements (for ASCII: bytes of the text).
size_t ValueElementCount(const ExifValue& v);

// Element i as a 64-bit integer. BYTE elements are unsigned; SHORT and LONG elements are
// read as stored (signed) unless `asUnsigned` is set. Absent elements give 0.
int64_t ValueElement(const ExifValue& v, size_t i, bool asUnsigned = false);

// Element i as a floating-point number (rationals are not combined here).
double ValueElementReal(const ExifValue& v, size_t i);

} // namespace pellvane
