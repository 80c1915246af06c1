#include "app/studio/Timeline.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Timeline, RowsAndPixelsMapBothWays) {
    const struct {
        TimelineSpan span;
        double left, width, endRow;
        int x;
        double row; // at the pixel's centre, whole and within the music
    } cases[] = {
        {{0, 3840}, 0, 1600, 3840, 0, 1},       // 1.2 rows into the first pixel
        {{0, 3840}, 0, 1600, 3840, 1066, 2560}, // drop 2 at full view
        {{0, 3840}, 0, 1600, 3840, 1599, 3839},
        {{0, 3840}, 0, 1600, 3840, -20, 0},         // dragged off the left end
        {{0, 3840}, 0, 1600, 3840, 1700, 3840},     // and off the right
        {{0, 3840}, 0, 1600, 3830.5, 1700, 3830},   // a music ending between rows
        {{2500, 2600}, 100, 1000, 3840, 700, 2560}, // zoomed, the band offset
        {{2500, 2600}, 100, 1000, 3840, 104, 2500},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(timelineRowAt(c.span, c.left, c.width, c.x, c.endRow), c.row) << c.x;
    }
    EXPECT_DOUBLE_EQ(timelineX({0, 3840}, 0, 1600, 2560), 1600.0 * 2 / 3);
    EXPECT_DOUBLE_EQ(timelineX({2500, 2600}, 100, 1000, 2550), 600.0);
    // A click on the pixel a row is drawn in reads back within one pixel's
    // rows of it, at any size: what the end-to-end click relies on.
    for (const double width : {320.0, 640.0, 1600.0}) {
        const TimelineSpan span{0, 3840};
        for (int row = 0; row <= 3840; row += 37) {
            const int x = int(std::floor(timelineX(span, 0, width, row)));
            EXPECT_LE(std::fabs(timelineRowAt(span, 0, width, x, 3840) - row), 3840 / width)
                << row << " at width " << width;
        }
    }
}

TEST(Timeline, WheelZoomsAroundThePointer) {
    const struct {
        const char* what;
        TimelineSpan span;
        double anchor, factor, endRow;
        TimelineSpan expected;
        bool anchorStays;
    } cases[] = {
        {"in at the middle", {0, 3840}, 1920, 0.5, 3840, {960, 2880}, true},
        {"in off centre", {0, 3840}, 960, 0.5, 3840, {480, 2400}, true},
        {"in at the left edge", {1000, 2000}, 1000, 0.8, 3840, {1000, 1800}, true},
        {"out again", {960, 2880}, 1920, 2.0, 3840, {0, 3840}, true},
        {"out past the start is moved in", {100, 500}, 150, 4.0, 3840, {0, 1600}, false},
        {"out past the end is moved in", {3500, 3800}, 3700, 2.0, 3840, {3240, 3840}, false},
        {"out beyond the music: all of it", {0, 3000}, 10, 2.0, 3840, {0, 3840}, false},
        {"in no further than the narrowest", {100, 110}, 105, 0.1, 3840, {101, 109}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TimelineSpan zoomed = zoomTimeline(c.span, c.anchor, c.factor, c.endRow);
        EXPECT_DOUBLE_EQ(zoomed.first, c.expected.first);
        EXPECT_DOUBLE_EQ(zoomed.last, c.expected.last);
        if (c.anchorStays) {
            EXPECT_NEAR(timelineX(zoomed, 0, 1000, c.anchor), timelineX(c.span, 0, 1000, c.anchor),
                        1e-9);
        }
    }
}

TEST(Timeline, BarTicksThinAsTheyCrowd) {
    const struct {
        double pixelsPerRow;
        int bars;
    } cases[] = {
        {1.0, 1},           // 40 px a bar
        {1600.0 / 3840, 1}, // the whole show at 1600: 16.7 px
        {320.0 / 3840, 2},  // at 320: 3.3 px, every other bar 6.7
        {0.1, 2},           // 4 px
        {0.04, 4},          // 1.6 px: 3.2 at 2 bars, 6.4 at 4
        {0.01, 16},
    };
    for (const auto& c : cases) {
        const int step = barTickStep(c.pixelsPerRow);
        EXPECT_EQ(step, c.bars) << c.pixelsPerRow;
        EXPECT_GE(step * 40 * c.pixelsPerRow, kTimelineTickSpacing);
    }
}

TEST(Timeline, PlayHeadTurnsPages) {
    const struct {
        TimelineSpan span;
        double row;
        TimelineSpan expected;
    } cases[] = {
        {{1000, 1400}, 1200, {1000, 1400}}, // inside: kept
        {{1000, 1400}, 1400, {1400, 1800}}, // the right edge: the next page
        {{1000, 1400}, 2300, {2200, 2600}}, // a seek far ahead: the page that holds it
        {{1000, 1400}, 0, {0, 400}},        // wrapped to the start
        {{3000, 3400}, 3700, {3400, 3800}}, // the next page
        {{3000, 3400}, 3830, {3440, 3840}}, // the last page ends with the music
        {{0, 3840}, 3840, {0, 3840}},       // the whole music never moves
    };
    for (const auto& c : cases) {
        const TimelineSpan page = followPlayHead(c.span, c.row, 3840);
        EXPECT_DOUBLE_EQ(page.first, c.expected.first) << c.row;
        EXPECT_DOUBLE_EQ(page.last, c.expected.last) << c.row;
    }
}
