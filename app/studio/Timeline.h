// Timeline: the arithmetic of the studio's timeline strip, apart from its
// drawing so that it can be tested alone. The strip shows a span of rows
// (the whole music, or a zoomed part of it) across a band of pixels; a row
// maps to x linearly, and a pixel reads as the row under its centre. The
// wheel zooms around the pointer: the row under it stays under it, the span
// never leaves the music (0 to its end) nor shrinks below kTimelineMinRows.
// Bar ticks are thinned to every 2nd, 4th, ... bar so that they stay at
// least a few pixels apart. Pure functions of plain values.
#pragma once

struct TimelineSpan {
    double first; // the row at the band's left edge
    double last;  // at its right edge; always after first
};

// The narrowest span, in rows: a few beats across the whole strip.
const double kTimelineMinRows = 8.0;
// A wheel notch shows this share of the span (in) or its inverse (out).
const double kTimelineZoomStep = 0.8;
// Bar ticks are at least this many pixels apart.
const double kTimelineTickSpacing = 6.0;

// The x (pixels, fractional) of a row, for a band from `left` `width` wide.
double timelineX(const TimelineSpan& span, double left, double width, double row);

// The row at the centre of pixel column x, rounded to a whole row and kept
// within the music: what a click or a drag there moves to.
double timelineRowAt(const TimelineSpan& span, double left, double width, int x, double endRow);

// The span after zooming by `factor` (< 1 in, > 1 out) around `anchorRow`,
// which keeps its place in the band; clamped as above.
TimelineSpan zoomTimeline(const TimelineSpan& span, double anchorRow, double factor, double endRow);

// Bars from one tick to the next: the smallest power of two that keeps the
// ticks kTimelineTickSpacing apart at this many pixels a row.
int barTickStep(double pixelsPerRow);

// Playing past either edge of a zoomed span turns a page: the span moves by
// its own length (within the music) until it holds the row again.
TimelineSpan followPlayHead(const TimelineSpan& span, double row, double endRow);
