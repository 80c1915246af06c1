#include "sync/track.h"
#include "sync/check.h"

#include <cmath>
#include <cstdint>

static const char kSyncSource[] = "sync/track.cpp";

// floor(row) as a 32-bit row. Rows beyond the 32-bit range (and NaN) are
// clamped so that the conversion is always defined; they read as the first or
// last key anyway.
static int32_t floorRow(double row) {
    double f = std::floor(row);
    if (!(f >= static_cast<double>(INT32_MIN))) return INT32_MIN;
    if (f > static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<int32_t>(f);
}

int sync_find_key(const Track* t, int row) {
    int lo = 0;
    int hi = t->keyCount;
    while (lo < hi) {
        int mi = lo + (hi - lo) / 2;
        SYNC_CHECK(mi != hi);
        if (t->keys[mi].row < row)
            lo = mi + 1;
        else if (t->keys[mi].row > row)
            hi = mi;
        else
            return mi;
    }
    SYNC_CHECK(lo == hi);
    return -lo - 1;
}

float sync_get_val(const Track* t, double row) {
    if (t->keyCount == 0) return 0.0f;

    int idx = sync_find_key(t, floorRow(row));
    if (idx < 0) idx = -idx - 2;
    if (idx < 0) return t->keys[0].value;
    // Keys sharing a row span no time: interpolating from the first of them
    // would divide by zero, so the last of them is where the value moves on.
    while (idx < t->keyCount - 1 && t->keys[idx + 1].row == t->keys[idx].row)
        ++idx;
    if (idx > t->keyCount - 2) return t->keys[t->keyCount - 1].value;

    const Key& k0 = t->keys[idx];
    const Key& k1 = t->keys[idx + 1];
    // The span is formed as an integer first; 64 bits keep it exact for any
    // pair of 32-bit rows.
    double span = static_cast<double>(static_cast<int64_t>(k1.row) - k0.row);
    double x = (row - k0.row) / span;
    float delta = k1.value - k0.value;
    double value;
    switch (k0.interpolation) {
    case INTERP_LINEAR:
        value = k0.value + delta * x;
        break;
    case INTERP_SMOOTHSTEP:
        value = k0.value + delta * x * x * (3 - 2 * x);
        break;
    case INTERP_QUADRATIC:
        value = k0.value + delta * x * x;
        break;
    default: // INTERP_HOLD, and kinds the data should not hold
        value = k0.value;
        break;
    }
    return static_cast<float>(value);
}
