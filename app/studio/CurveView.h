// CurveView: what the studio's curve view shows and how a drag in it becomes
// key edits, apart from the drawing (StudioPanels draws it with ImGui).
//
// The view shows the selected tracks over kCurveBars bars: the bar before the
// cursor's and the three after it begin, so the cursor stays in the second bar
// and what comes is in view. A curve is the sync code's own value
// (sync_get_val) at every whole row of the span, the value the show computes
// at that row, not a redrawing of the keys. Rows run left to right, values
// bottom to top, in pixels from the window's top-left corner.
//
// A key dragged moves by whole beats (single rows with Shift) and takes values
// rounded to a step readable at the view's scale; a drag becomes one batch of
// edits (the move, then the new value at the new row), so one undo takes it
// back. Pure functions; the caller owns every buffer.
#pragma once

#include "sync/show.h"
#include "sync/track.h"
#include "tracks/TrackEdit.h"

#include <cstdint>
#include <string>
#include <vector>

const int32_t kCurveBars = 4;
const int32_t kCurveSpanRows = kCurveBars * kRowsPerBar;
// Samples a curve takes: every row of the span, both ends included.
const int32_t kCurveSamples = kCurveSpanRows + 1;
// The most tracks drawn at once (a wider block shows its first ones).
const int kMostCurves = 12;

struct CurveSpan {
    int32_t firstRow;
    int32_t lastRow; // included
};

// The bar before the cursor's and the three after it (from row 0 at the
// show's start).
CurveSpan curveSpan(int32_t cursorRow);

// values[i]: the track at row span.firstRow + i, for every row of the span.
void sampleCurve(const Track* track, CurveSpan span, float* values);

struct ValueRange {
    float low, high;
};

// The values' range with a margin each side (kCurveMargin of it); a flat run
// gets a range around its value so that it still reads as a line mid-height.
const float kCurveMargin = 0.1f;
ValueRange curveRange(const float* values, int count);

// The view's plot area in window pixels, its span and range.
struct CurveFrame {
    float x, y, width, height;
    CurveSpan span;
    ValueRange range;
};

float rowToX(const CurveFrame& frame, double row);
double xToRow(const CurveFrame& frame, float x);
float valueToY(const CurveFrame& frame, float value);
float yToValue(const CurveFrame& frame, float y);

// The nearest beat's row (single rows: the nearest row), never before 0.
int32_t snapRow(double row, bool singleRows);

// The value rounded to the power of ten at or below a hundredth of the range
// (0.01 for a range of 2), so that a dragged key writes a short number.
float snapValue(float value, ValueRange range);

// The index of the track's key within the span nearest to (x, y) and at
// most `radius` pixels from it, or -1.
int keyNear(const CurveFrame& frame, const Track* track, float x, float y, float radius);

// A key taken by the pointer at (pressX, pressY).
struct CurveDrag {
    int32_t fromRow;
    float fromValue;
    float pressX, pressY;
};

struct DragTarget {
    int32_t row;
    float value;
};

// Where the dragged key goes with the pointer at (x, y): it follows the
// pointer's movement from the press, its row snapped and its value rounded;
// a movement of less than kDragSlack pixels in one direction keeps the key's
// row (or value) as it was, so that a vertical drag does not shift its row.
const float kDragSlack = 4.0f;
DragTarget dragTarget(const CurveFrame& frame, const CurveDrag& drag, float x, float y,
                      bool singleRows);

// The edits of a drag of the track's key from (fromRow, fromValue) to the
// target: none when it stays; a move, then the new value at the new row.
std::vector<trackc::KeyEdit> curveDragEdits(const std::string& track, int32_t fromRow,
                                            float fromValue, DragTarget target);
