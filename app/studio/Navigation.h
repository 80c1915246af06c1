// Navigation: the grid's cursor moves and the slow playback clock, apart from
// the window so that they can be tested alone.
//
// Rows as everywhere in the show (10 a beat, 40 a bar, 21.6 a second). A row
// step goes to the next whole row; beat and bar steps land on the beat or
// bar lines of the grid (from row 963 a beat forward is 970, back 960), so
// that a cursor off the grid comes back onto it. Every target lies within the
// music (0 to its end). Slow playback advances the row by the wall clock
// scaled by the speed; the stream itself is not played (see StudioMain).
#pragma once

#include "tracks/TrackSource.h"

#include <cstdint>

enum GridStep {
    STEP_ROW_BACK,
    STEP_ROW_FORWARD,
    STEP_BEAT_BACK,
    STEP_BEAT_FORWARD,
    STEP_BAR_BACK,
    STEP_BAR_FORWARD,
};

double gridStepTarget(double row, GridStep step, double endRow);

// The speeds `s` cycles through, full speed first.
const int kSpeedCount = 3;
extern const double kSpeeds[kSpeedCount];

// The row after `elapsedNs` of playback at `speed` from `row`.
double slowRowAfter(double row, int64_t elapsedNs, double speed);

// A value typed at a cell: a decimal number, optionally signed, with nothing
// else around it. False for anything else (the cell is left alone).
bool parseKeyValue(const char* text, float* value);
