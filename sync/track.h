// Sync tracks: key frames and their interpolation.
//
// A track is an array of keys sorted by ascending row; its value at a
// fractional row comes from the key at or before the row and the one after it,
// moved by the first key's interpolation kind. Before the first key the track
// reads as the first key's value, from the last key on as the last key's value,
// and a track without keys reads 0 everywhere. Pure functions: no I/O, no
// allocation. Tracks are created and filled by sync/data.h.
#pragma once

#include <cstdint>

enum {
    INTERP_HOLD = 0,
    INTERP_LINEAR,
    INTERP_SMOOTHSTEP,
    INTERP_QUADRATIC,
};

struct Key {
    int32_t row;
    float value;
    // One of the INTERP_ kinds; any other number holds the key's value.
    int32_t interpolation;
};

struct Track {
    char* name; // own copy
    Key* keys;  // keyCount keys, sorted by row; null when there are none
    int32_t keyCount;
};

// The value at a fractional (possibly negative) row. The row is floored to
// find the keys, and its fraction is kept for the interpolation.
float sync_get_val(const Track* t, double row);

// Binary search for a key at exactly `row`: its index, or -(insertion point)-1
// when there is none (the insertion point is the index of the first key after
// the row). Among keys sharing a row it returns whichever it meets first.
int sync_find_key(const Track* t, int row);
