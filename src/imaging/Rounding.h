#pragma once
// Every conversion from a fractional value to an integer in the imaging code rounds half to
// even ("banker's rounding"), so that histograms, fitting and fingerprints come out the same
// on every machine. These helpers do not depend on the floating-point rounding mode that the
// process happens to have set.

#include <cmath>
#include <cstdint>

namespace pellvane {

// Rounds a floating-point value to the nearest integer; an exact half goes to the even
// neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -0.5 -> 0).
inline double RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction != 0.5) return fraction < 0.5 ? lower : lower + 1.0;
    return std::floor(lower / 2.0) * 2.0 == lower ? lower : lower + 1.0;
}

inline int32_t RoundHalfEvenToInt(double value) {
    return static_cast<int32_t>(RoundHalfEven(value));
}

// The quotient numerator / denominator of two non-negative integers, rounded half to even,
// computed exactly without going through floating point. The denominator must not be 0.
inline uint64_t RoundedQuotient(uint64_t numerator, uint64_t denominator) {
    const uint64_t quotient = numerator / denominator;
    const uint64_t remainder = numerator % denominator;
    const uint64_t twice = remainder * 2;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0)) return quotient + 1;
    return quotient;
}

} // namespace pellvane
