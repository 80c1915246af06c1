#include "Timeline.h"

#include "sync/show.h"

#include <algorithm>
#include <cmath>

namespace {

// Beyond this the thinning stops (a tick every 2^20 bars is none at all).
const int kMostTickDoublings = 20;

// Moved (length kept) to lie within 0..endRow, or the whole music when
// longer than it.
TimelineSpan keepInside(double first, double length, double endRow) {
    if (length >= endRow) return TimelineSpan{0.0, std::max(endRow, kTimelineMinRows)};
    first = std::min(std::max(first, 0.0), endRow - length);
    return TimelineSpan{first, first + length};
}

} // namespace

double timelineX(const TimelineSpan& span, double left, double width, double row) {
    return left + (row - span.first) / (span.last - span.first) * width;
}

double timelineRowAt(const TimelineSpan& span, double left, double width, int x, double endRow) {
    const double row = span.first + (double(x) + 0.5 - left) / width * (span.last - span.first);
    return std::min(std::max(std::round(row), 0.0), std::floor(endRow));
}

TimelineSpan zoomTimeline(const TimelineSpan& span, double anchorRow, double factor,
                          double endRow) {
    const double length = span.last - span.first;
    const double fraction = (anchorRow - span.first) / length;
    const double zoomed = std::min(std::max(length * factor, kTimelineMinRows), endRow);
    return keepInside(anchorRow - fraction * zoomed, zoomed, endRow);
}

int barTickStep(double pixelsPerRow) {
    int step = 1;
    for (int i = 0;
         i < kMostTickDoublings && step * double(kRowsPerBar) * pixelsPerRow < kTimelineTickSpacing;
         ++i)
        step *= 2;
    return step;
}

TimelineSpan followPlayHead(const TimelineSpan& span, double row, double endRow) {
    const double length = span.last - span.first;
    if (row >= span.first && row < span.last) return span;
    const double pages = std::floor((row - span.first) / length);
    return keepInside(span.first + pages * length, length, endRow);
}
