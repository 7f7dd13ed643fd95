// SPDX-License-Identifier: MIT
// Checked numeric conversions for stored values: every 16- and 32-bit conversion of a
// floating-point value goes through here, rounding half to even and raising Overflow (6)
// instead of wrapping.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include <stolvane/core/types.h>

namespace stolvane {

// Round to the nearest integer, halves to the even neighbour (banker's rounding).
inline double RoundHalfEven(double v) {
    double r = std::nearbyint(v);  // default FE_TONEAREST rounds halves to even
    return r;
}

template <class Int>
Int CheckedRound(double v) {
    if (std::isnan(v)) throw HostError::Overflow();
    double r = RoundHalfEven(v);
    if (r < static_cast<double>(std::numeric_limits<Int>::min()) ||
        r > static_cast<double>(std::numeric_limits<Int>::max()))
        throw HostError::Overflow();
    return static_cast<Int>(r);
}

inline int16_t ToInt16(double v) { return CheckedRound<int16_t>(v); }
inline int32_t ToInt32(double v) { return CheckedRound<int32_t>(v); }

}  // namespace stolvane
