// Track values that select something (a model, a count, a mode) become whole
// numbers by rounding toward negative infinity. Tracks come from files and the
// arithmetic of the show, so NaN, infinities and values beyond the 32-bit range
// reach this point; converting those directly is undefined behaviour. They
// clamp to the range instead, and NaN reads as the lowest value (the one the
// x86 conversion would produce), which every gate of the show reads as off.
#pragma once

#include <cmath>
#include <cstdint>

inline int32_t trackFloor(float value) {
    const double f = std::floor(double(value));
    if (!(f >= double(INT32_MIN))) return INT32_MIN; // also NaN
    if (f > double(INT32_MAX)) return INT32_MAX;
    return int32_t(f);
}

// Remainder with the sign of the divisor: always in [0, divisor).
inline int32_t floorMod(int32_t value, int32_t divisor) {
    const int32_t r = value % divisor;
    return r < 0 ? r + divisor : r;
}
