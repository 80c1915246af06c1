// The frame's arithmetic that needs no window: track floors, video frame and
// clip selection, glow radii and directions, blur steps.
#include "effects/Passes.h"
#include "effects/TrackFloor.h"
#include "effects/Video.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// The effects' own tests cover rounding and saturation; the frame relies on
// the range's edges staying exact.
TEST(TrackFloor, EdgesOfTheRangeStayExact) {
    EXPECT_EQ(trackFloor(2147483520.0f), 2147483520);
    EXPECT_EQ(trackFloor(2147483648.0f), INT32_MAX);
    EXPECT_EQ(trackFloor(-2147483648.0f), INT32_MIN);
    EXPECT_EQ(trackFloor(-0.0f), 0);
}

TEST(VideoFrames, LayersAdvanceAndWrap) {
    uint32_t f = 0;
    const uint32_t expected[][3] = {{25, 26, 27}, {99, 0, 1}};
    const float positions[] = {0.25f, 0.99f};
    for (int p = 0; p < 2; ++p)
        for (int layer = 0; layer < 3; ++layer) {
            ASSERT_TRUE(videoFrameNumber(100, layer, positions[p], &f));
            EXPECT_EQ(f, expected[p][layer]) << "pos " << positions[p] << " layer " << layer;
        }
    ASSERT_TRUE(videoFrameNumber(100, 0, 1.0f, &f));
    EXPECT_EQ(f, 0u);
    ASSERT_TRUE(videoFrameNumber(100, 0, 2.5f, &f));
    EXPECT_EQ(f, 50u);
}

TEST(VideoFrames, PositionsBeforeTheStartWrapThroughTheLow32Bits) {
    uint32_t f = 0;
    // -1.5 truncates to -1, whose low 32 bits are 4294967295; mod 100 is 95.
    ASSERT_TRUE(videoFrameNumber(100, 0, -0.015f, &f));
    EXPECT_EQ(f, 95u);
    ASSERT_TRUE(videoFrameNumber(4, 0, -0.25f, &f));
    EXPECT_EQ(f, 3u);
}

TEST(VideoFrames, NoFrameWithoutFramesOrCountablePosition) {
    uint32_t f = 7;
    EXPECT_FALSE(videoFrameNumber(0, 0, 0.5f, &f));
    EXPECT_FALSE(videoFrameNumber(10, 0, std::nanf(""), &f));
    EXPECT_FALSE(videoFrameNumber(10, 0, std::numeric_limits<float>::infinity(), &f));
    EXPECT_FALSE(videoFrameNumber(10, 0, 1e30f, &f));
    EXPECT_FALSE(videoFrameNumber(10, 0, -1e30f, &f));
    EXPECT_EQ(f, 7u);
    // Large but countable positions still give a frame inside the clip.
    ASSERT_TRUE(videoFrameNumber(10, 3, 1e12f, &f));
    EXPECT_LT(f, 10u);
}

TEST(VideoClips, RemainderKeepsTheDividendsSign) {
    EXPECT_EQ(videoClipIndex(0), 0);
    EXPECT_EQ(videoClipIndex(15), 15);
    EXPECT_EQ(videoClipIndex(16), 0);
    EXPECT_EQ(videoClipIndex(17), 1);
    EXPECT_LT(videoClipIndex(-1), 0);
    EXPECT_LT(videoClipIndex(-17), 0);
    EXPECT_EQ(videoClipIndex(-16), 0);
}

TEST(GlowGeometry, RadiiFollowTheWindow) {
    struct Case {
        int32_t w, h, half, vertical, wide;
    };
    const Case cases[] = {
        {1280, 720, 16, 4, 32}, {1920, 1080, 24, 6, 48}, {1366, 768, 17, 4, 34}, {79, 44, 0, 0, 1}};
    for (const Case& c : cases) {
        const GlowGeometry g = glowGeometry(0.0, c.w, c.h);
        EXPECT_EQ(g.halfRadius, c.half) << c.w << "x" << c.h;
        EXPECT_EQ(g.quarterRadiusVertical, c.vertical) << c.w << "x" << c.h;
        EXPECT_EQ(g.quarterRadiusWide, c.wide) << c.w << "x" << c.h;
    }
}

TEST(GlowGeometry, DirectionsTurnOnceEvery256Rows) {
    GlowGeometry g = glowGeometry(0.0, 1280, 720);
    EXPECT_FLOAT_EQ(g.s1, 0.0f);
    EXPECT_FLOAT_EQ(g.c1, 1.0f);
    EXPECT_FLOAT_EQ(g.s2, 1.0f);
    // The cosine of pi/2 rounded to float.
    EXPECT_FLOAT_EQ(g.c2, -4.371139e-8f);

    g = glowGeometry(64.0, 1280, 720);
    EXPECT_FLOAT_EQ(g.s1, 1.0f);
    EXPECT_NEAR(g.c1, 0.0f, 1e-6f);
    EXPECT_NEAR(g.s2, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(g.c2, -1.0f);

    g = glowGeometry(32.0, 1280, 720);
    EXPECT_NEAR(g.s1, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(g.c1, std::sqrt(0.5f), 1e-6f);
    // Always a quarter turn apart.
    for (double row : {0.0, 17.25, 100.0, 255.9, -40.0}) {
        g = glowGeometry(row, 640, 360);
        EXPECT_NEAR(g.s1 * g.s2 + g.c1 * g.c2, 0.0f, 1e-5f) << row;
    }
    g = glowGeometry(256.0, 640, 360);
    EXPECT_NEAR(g.s1, 0.0f, 1e-5f);
    EXPECT_NEAR(g.c1, 1.0f, 1e-5f);
}

TEST(PixelStep, OneTexelAlongTheDirection) {
    // The quarter-size targets of a 1920x1080 window are 480x270.
    PixelStep p = pixelStep(480, 270, 0.0f, 1.0f);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_FLOAT_EQ(p.y, 1.0f / 270.0f);
    p = pixelStep(480, 270, 1.0f, 0.0f);
    EXPECT_FLOAT_EQ(p.x, 1.0f / 480.0f);
    EXPECT_EQ(p.y, 0.0f);
    p = pixelStep(640, 360, 0.5f, -0.25f);
    EXPECT_FLOAT_EQ(p.x, 0.5f / 640.0f);
    EXPECT_FLOAT_EQ(p.y, -0.25f / 360.0f);
}
