#include "CurveView.h"

#include <algorithm>
#include <cmath>

namespace {

// A flat curve's range: this much each side of its value, or this share of
// the value where that is larger, so that 100 and 0 both read.
const float kFlatHalfRange = 0.5f;
const float kFlatShare = 0.1f;
const double kValueSteps = 100.0; // a drag's value step: a hundredth of the range, rounded down

} // namespace

CurveSpan curveSpan(int32_t cursorRow) {
    const int32_t bar = std::max(0, cursorRow / kRowsPerBar - 1);
    return CurveSpan{bar * kRowsPerBar, bar * kRowsPerBar + kCurveSpanRows};
}

void sampleCurve(const Track* track, CurveSpan span, float* values) {
    for (int32_t row = span.firstRow; row <= span.lastRow; ++row)
        values[row - span.firstRow] = sync_get_val(track, row);
}

ValueRange curveRange(const float* values, int count) {
    if (count <= 0) return ValueRange{-kFlatHalfRange, kFlatHalfRange};
    const auto extremes = std::minmax_element(values, values + count);
    const float low = *extremes.first, high = *extremes.second;
    const float flat = std::max(kFlatHalfRange, std::fabs(low + high) * 0.5f * kFlatShare);
    if (high - low < flat * kCurveMargin) {
        const float middle = (low + high) * 0.5f;
        return ValueRange{middle - flat, middle + flat};
    }
    const float margin = (high - low) * kCurveMargin;
    return ValueRange{low - margin, high + margin};
}

float rowToX(const CurveFrame& frame, double row) {
    return frame.x + float((row - frame.span.firstRow) /
                           (frame.span.lastRow - frame.span.firstRow) * frame.width);
}

double xToRow(const CurveFrame& frame, float x) {
    return frame.span.firstRow +
           double(x - frame.x) / frame.width * (frame.span.lastRow - frame.span.firstRow);
}

float valueToY(const CurveFrame& frame, float value) {
    return frame.y +
           (frame.range.high - value) / (frame.range.high - frame.range.low) * frame.height;
}

float yToValue(const CurveFrame& frame, float y) {
    return frame.range.high - (y - frame.y) / frame.height * (frame.range.high - frame.range.low);
}

int32_t snapRow(double row, bool singleRows) {
    const double step = singleRows ? 1.0 : double(kRowsPerBeat);
    return std::max(0, int32_t(std::lround(row / step) * int32_t(step)));
}

float snapValue(float value, ValueRange range) {
    // In doubles, so that 70 steps of 0.01 give the float nearest 0.7, which
    // the sources write as "0.7".
    const double step =
        std::pow(10.0, std::floor(std::log10(double(range.high - range.low) / kValueSteps)));
    return float(std::round(double(value) / step) * step);
}

int keyNear(const CurveFrame& frame, const Track* track, float x, float y, float radius) {
    int nearest = -1;
    float best = radius * radius;
    for (int i = 0; i < track->keyCount; ++i) {
        const Key& key = track->keys[i];
        if (key.row < frame.span.firstRow || key.row > frame.span.lastRow) continue;
        const float dx = rowToX(frame, key.row) - x, dy = valueToY(frame, key.value) - y;
        if (dx * dx + dy * dy <= best) {
            best = dx * dx + dy * dy;
            nearest = i;
        }
    }
    return nearest;
}

DragTarget dragTarget(const CurveFrame& frame, const CurveDrag& drag, float x, float y,
                      bool singleRows) {
    DragTarget target{drag.fromRow, drag.fromValue};
    if (std::fabs(x - drag.pressX) >= kDragSlack)
        target.row =
            snapRow(xToRow(frame, rowToX(frame, drag.fromRow) + (x - drag.pressX)), singleRows);
    if (std::fabs(y - drag.pressY) >= kDragSlack)
        target.value = snapValue(
            yToValue(frame, valueToY(frame, drag.fromValue) + (y - drag.pressY)), frame.range);
    return target;
}

std::vector<trackc::KeyEdit> curveDragEdits(const std::string& track, int32_t fromRow,
                                            float fromValue, DragTarget target) {
    std::vector<trackc::KeyEdit> edits;
    if (target.row != fromRow)
        edits.push_back(trackc::moveKey(track, fromRow, target.row - fromRow));
    if (target.value != fromValue) edits.push_back(trackc::setKey(track, target.row, target.value));
    return edits;
}
