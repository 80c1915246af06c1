// The composed frame as pictures: the layers the frame draws itself (strobe,
// circles, equaliser and symbol composition), the video layer, the glow, and
// the state each layer leaves for the next. Rendered small through
// halcyon-frames; compared with tolerances, never byte for byte.
#include "RenderSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const int kWidth = 640;
const int kHeight = 360;
// Colour differences a software rasteriser and 8-bit targets may add.
const int kTolerance = 3;

// A triangle with its lower-left corner at (x, y) in device coordinates.
ClipTriangle triangleAt(uint8_t intensity, float x, float y, float size) {
    return {intensity,   clipByte(x), clipByte(y),       clipByte(x + size),
            clipByte(y), clipByte(x), clipByte(y + size)};
}

// Somewhere well inside triangleAt(…, x, y, size).
Rgb insideTriangle(const Picture& p, float x, float y, float size) {
    return p.atNdc(x + size * 0.25f, y + size * 0.25f);
}

void expectColour(Rgb actual, Rgb expected, const char* what) {
    EXPECT_NEAR(actual.r, expected.r, kTolerance) << what;
    EXPECT_NEAR(actual.g, expected.g, kTolerance) << what;
    EXPECT_NEAR(actual.b, expected.b, kTolerance) << what;
}

bool isDark(Rgb c) {
    return c.r <= kTolerance && c.g <= kTolerance && c.b <= kTolerance;
}

// Four frames, frame f a triangle in column f of four across the picture,
// each with its own intensity.
const float kColumnSize = 0.3f;
const float kColumnY = -0.4f;
const uint8_t kColumnIntensity[4] = {255, 200, 150, 100};
float columnX(int f) {
    return -0.9f + 0.5f * f;
}

ClipFrames fourColumns() {
    ClipFrames frames;
    for (int f = 0; f < 4; ++f)
        frames.push_back({triangleAt(kColumnIntensity[f], columnX(f), kColumnY, kColumnSize)});
    return frames;
}

Rgb tinted(uint8_t intensity, float r, float g, float b) {
    const float level = intensity / 255.0f * 255.0f;
    return {int(std::lround(level * r)), int(std::lround(level * g)), int(std::lround(level * b))};
}

// Which of the four columns show a triangle.
std::vector<bool> litColumns(const Picture& p) {
    std::vector<bool> lit;
    for (int f = 0; f < 4; ++f)
        lit.push_back(!isDark(insideTriangle(p, columnX(f), kColumnY, kColumnSize)));
    return lit;
}

// Distance in pixels from the picture's centre, along (dx, dy), to the
// inner edge of the first ring around the lit centre disc.
int ringDistance(const Picture& p, int dx, int dy) {
    const Viewport v = letterbox(uint32_t(p.width), uint32_t(p.height));
    const int cx = v.x + v.width / 2, cy = p.height - 1 - (v.y + v.height / 2);
    const int lit = p.at(cx, cy).r / 2;
    if (lit < 20) return -1;
    bool left = false;
    for (int d = 1; d < v.height / 2; ++d) {
        const int r = p.at(cx + d * dx, cy + d * dy).r;
        if (!left && r < lit) left = true;
        if (left && r >= lit) return d;
    }
    return -1;
}

} // namespace

TEST_F(FrameRender, StrobeAddsGreyOverTheWholeScene) {
    track("video:numframes", 1);
    track("video:r", 1);
    track("video:g", 0.5f);
    track("video:b", 0.25f);
    clip(1, fourColumns());
    keys("strobo", {{0, 0, 0}, {10, 0.5f, 0}, {20, 2, 0}});
    const auto p = render(kWidth, kHeight, {"5", "15", "25"});

    // 0 adds nothing: black stays black, the triangle keeps its colour.
    EXPECT_TRUE(isDark(p[0].atNdc(0.5f, 0.6f)));
    expectColour(insideTriangle(p[0], columnX(0), kColumnY, kColumnSize),
                 tinted(255, 1, 0.5f, 0.25f), "triangle under a zero strobe");
    // 0.5 adds a quarter grey everywhere, over and beside the video.
    expectColour(p[1].atNdc(0.5f, 0.6f), {64, 64, 64}, "background under strobe 0.5");
    expectColour(p[1].atNdc(-0.95f, 0.95f), {64, 64, 64}, "corner under strobe 0.5");
    expectColour(insideTriangle(p[1], columnX(0), kColumnY, kColumnSize), {255, 191, 128},
                 "triangle under strobe 0.5");
    // 2 turns the whole scene white.
    for (float x : {-0.99f, -0.5f, 0.0f, 0.7f, 0.99f})
        for (float y : {-0.99f, 0.0f, 0.99f})
            expectColour(p[2].atNdc(x, y), {255, 255, 255}, "strobe 2");
}

TEST_F(FrameRender, CirclesNeedAPositiveColourSum) {
    keys("circles:r", {{0, 1, 0}, {10, 0.5f, 0}});
    keys("circles:b", {{0, -1, 0}, {10, 0, 0}});
    track("circles:blend", 1);
    // Row 10 is a whole beat: the centre disc is lit at full pulse.
    const auto p = render(kWidth, kHeight, {"5", "10"});
    // (1, 0, -1) sums to 0: no layer at all, not even a red one.
    EXPECT_LE(p[0].maxChannel(0), kTolerance);
    EXPECT_LE(p[0].maxChannel(2), kTolerance);
    // (0.5, 0, 0): red rings, the centre disc lit.
    EXPECT_GT(p[1].maxChannel(0), 100);
    EXPECT_LE(p[1].maxChannel(1), kTolerance);
    EXPECT_NEAR(p[1].atNdc(0, 0).r, 128, kTolerance + 2);
}

TEST_F(FrameRender, CirclesStayRoundAndMoveWithTime) {
    track("circles:r", 1);
    track("circles:g", 1);
    track("circles:b", 1);
    track("circles:blend", 1);
    // One beat is 10 rows: the picture moves within a beat and repeats after.
    const auto wide = render(kWidth, kHeight, {"0", "2", "10"});
    // A 4:3 window shows the same 16:9 picture, letterboxed.
    const auto narrow = render(480, 360, {"0"});

    for (const Picture* p : {&wide[0], &narrow[0]}) {
        const int h = ringDistance(*p, 1, 0), v = ringDistance(*p, 0, 1);
        ASSERT_GT(h, 0);
        EXPECT_NEAR(h, v, 2) << "ring " << h << " px across, " << v << " px up, in a " << p->width
                             << "x" << p->height << " window";
    }
    EXPECT_GT(wide[0].maxDifference(wide[1]), 100);
    EXPECT_LE(wide[0].maxDifference(wide[2]), kTolerance);
    // The same picture at either window shape, scaled.
    EXPECT_NEAR(ringDistance(narrow[0], 1, 0) * 640.0 / 480.0, ringDistance(wide[0], 1, 0), 3);
}

TEST_F(FrameRender, VideoShowsTheFrameAtThePlayPosition) {
    track("video:numframes", 1);
    track("video:r", 1);
    track("video:g", 0.5f);
    track("video:b", 0.25f);
    clip(1, fourColumns());
    // pos 0, 0.5, 1 (wraps to 0) and -0.25 (wraps to the last frame).
    keys("video:pos", {{0, 0, 0}, {10, 0.5f, 0}, {20, 1, 0}, {30, -0.25f, 0}});
    const auto p = render(kWidth, kHeight, {"5", "15", "25", "35"});
    const int expected[] = {0, 2, 0, 3};
    for (int i = 0; i < 4; ++i) {
        const std::vector<bool> lit = litColumns(p[i]);
        for (int f = 0; f < 4; ++f)
            EXPECT_EQ(lit[f], f == expected[i]) << "row " << i << " frame " << f;
        const int f = expected[i];
        expectColour(insideTriangle(p[i], columnX(f), kColumnY, kColumnSize),
                     tinted(kColumnIntensity[f], 1, 0.5f, 0.25f), "tinted fill");
        // Outside the triangle (beside its slanted edge) nothing is drawn.
        EXPECT_TRUE(
            isDark(p[i].atNdc(columnX(f) + kColumnSize * 0.8f, kColumnY + kColumnSize * 0.8f)));
    }
}

TEST_F(FrameRender, VideoLayersAreConsecutiveFramesAddedTogether) {
    track("video:r", 1);
    track("video:g", 1);
    track("video:b", 1);
    keys("video:numframes", {{0, 3.5f, 0}, {10, 2, 0}, {20, 0.99f, 0}});
    keys("video:pos", {{0, 0.75f, 0}, {10, 0, 0}});
    ClipFrames frames = fourColumns();
    // Frame 1 also covers frame 0's spot, so the two layers add up there.
    frames[1].push_back(triangleAt(50, columnX(0), kColumnY, kColumnSize));
    clip(1, frames);
    const auto p = render(kWidth, kHeight, {"5", "15", "25"});

    // Three layers from 0.75: frames 3, 0 and 1.
    EXPECT_EQ(litColumns(p[0]), (std::vector<bool>{true, true, false, true}));
    // Two layers from 0: frames 0 and 1, overlapping in column 0.
    EXPECT_EQ(litColumns(p[1]), (std::vector<bool>{true, true, false, false}));
    expectColour(insideTriangle(p[1], columnX(0), kColumnY, kColumnSize), {255, 255, 255},
                 "255 + 50 saturates");
    expectColour(insideTriangle(p[1], columnX(1), kColumnY, kColumnSize), {200, 200, 200},
                 "frame 1");
    // Below one layer nothing is drawn.
    EXPECT_EQ(litColumns(p[2]), (std::vector<bool>{false, false, false, false}));
}

TEST_F(FrameRender, VideoNumSelectsTheClipAndNegativeSkips) {
    track("video:numframes", 1);
    track("video:r", 1);
    track("video:g", 1);
    track("video:b", 1);
    clip(2, {{triangleAt(255, 0.2f, 0.2f, 0.4f)}});
    keys("video:num", {{0, 17.5f, 0}, {10, -1, 0}, {20, -16, 0}});
    const auto p = render(kWidth, kHeight, {"5", "15", "25"});
    // 17.5 floors to 17: clip slot 1, the file rave2.dat.
    expectColour(insideTriangle(p[0], 0.2f, 0.2f, 0.4f), {255, 255, 255}, "clip 2");
    // -1 has no slot: the layer is skipped, nothing is drawn.
    EXPECT_LE(p[1].maxChannel(0), kTolerance);
    // -16 leaves remainder 0: clip 1 again, not clip 2.
    EXPECT_TRUE(isDark(insideTriangle(p[2], 0.2f, 0.2f, 0.4f)));
    EXPECT_GT(p[2].maxChannel(0), 100);
}

TEST_F(FrameRender, BrokenClipsDrawWhatLiesInsideTheirFiles) {
    track("video:r", 1);
    track("video:g", 1);
    track("video:b", 1);
    keys("video:num", {{0, 0, 0}, {10, 1, 0}, {20, 2, 0}});
    track("video:numframes", 3);
    // Clip 1: frame 0 good, frame 1 points past the file's end, frame 2 has
    // no records at all.
    std::vector<unsigned char> bytes =
        clipBytes({{triangleAt(255, columnX(0), kColumnY, kColumnSize)}, {}, {}});
    const uint32_t farOffset = 1000, oneRecord = 1;
    memcpy(&bytes[16], &farOffset, 4);
    memcpy(&bytes[20], &oneRecord, 4);
    clipFile(1, bytes);
    // Clip 2: a header without frames. Clip 3: cut inside its frame table.
    clipFile(2, clipBytes({}));
    std::vector<unsigned char> cut = clipBytes(fourColumns());
    cut.resize(20);
    clipFile(3, cut);
    const auto p = render(kWidth, kHeight, {"5", "15", "25"});
    EXPECT_EQ(litColumns(p[0]), (std::vector<bool>{true, false, false, false}));
    EXPECT_LE(p[1].maxChannel(0), kTolerance);
    EXPECT_LE(p[2].maxChannel(0), kTolerance);
}

TEST_F(FrameRender, VideoLeavesStatesThatLaterLayersCanUse) {
    // Video outlines switch to line drawing; the circles and strobe quads
    // after them must still be filled.
    track("video:numframes", 1);
    track("video:r", 1);
    clip(1, fourColumns());
    track("circles:g", 0.5f);
    track("circles:blend", 1);
    track("strobo", 0.25f);
    const auto p = render(kWidth, kHeight, {"0"});
    expectColour(p[0].atNdc(0, 0), {32, 128 + 32, 32}, "centre disc of the circles plus strobe");
    expectColour(p[0].atNdc(0, 0.2f), {32, 32, 32}, "strobe alone between two rings");
    EXPECT_GE(insideTriangle(p[0], columnX(0), kColumnY, kColumnSize).r, 255 - kTolerance);
}

TEST_F(FrameRender, AFrameDependsOnItsRowOnly) {
    track("video:numframes", 2);
    track("video:r", 0.7f);
    track("video:g", 0.3f);
    track("video:b", 1);
    keys("video:pos", {{0, 0, 1}, {100, 1, 1}});
    track("circles:r", 0.2f);
    track("circles:b", 0.3f);
    track("circles:blend", 3);
    track("strobo", 0.1f);
    track("glow:glowbr", 0.8f);
    // The same row first, then after other frames have run.
    const auto p = render(kWidth, kHeight, {"40", "70", "10", "40.0"});
    EXPECT_LE(p[0].maxDifference(p[3]), kTolerance);
    EXPECT_GT(p[0].maxDifference(p[1]), 20);
}

TEST_F(FrameRender, GlowReachFollowsTheWindowSize) {
    track("video:numframes", 1);
    track("video:r", 1);
    track("video:g", 1);
    track("video:b", 1);
    clip(1, {{triangleAt(255, -0.02f, -0.03f, 0.06f)}});
    track("glow:glowbr", 4);
    const auto small = render(320, 180, {"0"});
    const auto large = render(640, 360, {"0"});
    // How far right of the dot the glow still shows, as a share of the width.
    auto reach = [](const Picture& p) {
        const Viewport v = letterbox(uint32_t(p.width), uint32_t(p.height));
        const int y = p.height - 1 - (v.y + v.height / 2);
        int last = 0;
        for (int x = p.width / 2; x < p.width; ++x)
            if (p.at(x, y).r > 12) last = x;
        return double(last - p.width / 2) / p.width;
    };
    const double s = reach(small[0]), l = reach(large[0]);
    EXPECT_GT(s, 0.03);
    EXPECT_NEAR(s, l, 0.25 * l) << "glow reach: " << s << " of 320, " << l << " of 640 pixels";
}

TEST_F(FrameRender, GlowStreaksTurnWithTheRow) {
    track("video:numframes", 1);
    track("video:r", 1);
    track("video:g", 1);
    track("video:b", 1);
    clip(1, {{triangleAt(255, -0.01f, -0.015f, 0.03f)}});
    track("glow:glowbr", 4);
    // Row 0: streaks up and across; row 32: along the diagonals.
    const auto p = render(kWidth, kHeight, {"0", "32"});
    const Viewport v = letterbox(kWidth, kHeight);
    const int cx = v.width / 2, cy = kHeight - 1 - v.height / 2;
    auto upward = [&](const Picture& q) { return q.at(cx, cy - 12).r + q.at(cx, cy + 12).r; };
    auto diagonal = [&](const Picture& q) {
        return q.at(cx + 9, cy - 9).r + q.at(cx - 9, cy + 9).r;
    };
    EXPECT_GT(upward(p[0]), 2 * upward(p[1]) + 4);
    EXPECT_GT(diagonal(p[1]), 2 * diagonal(p[0]) + 4);
}

TEST_F(FrameRender, SymbolIsComposedOnlyForPositiveNumbers) {
    track("symbol:blend", 1);
    keys("symbol:num", {{0, -0.5f, 0}, {10, 0, 0}, {20, 2, 0}, {30, 35, 0}});
    const auto p = render(kWidth, kHeight, {"5", "15", "25", "35"});
    // Below 0 no symbol; 0 renders the symbol but does not show it.
    EXPECT_TRUE(isDark(p[0].atNdc(0, 0)));
    EXPECT_TRUE(isDark(p[1].atNdc(0, 0)));
    EXPECT_FALSE(isDark(p[2].atNdc(0, 0)));
    EXPECT_FALSE(isDark(p[3].atNdc(0, 0)));
}

TEST_F(FrameRender, EqualiserIsComposedOnlyForPositiveBrightness) {
    track("eq:mode", 1);
    track("eq:blend", 1);
    // Looking down the tube from just in front of its brightest ring.
    track("Camera:dist", 55);
    keys("eq:br", {{0, 0, 0}, {10, 1, 0}});
    const auto p = render(kWidth, kHeight, {"5", "15"});
    EXPECT_LE(p[0].maxChannel(2), kTolerance);
    EXPECT_GT(p[1].maxChannel(2), 10);
}

TEST_F(FrameRender, StrobeIsFlatAfterEveryEffect) {
    // The lasers leave the flare texture switched on and the symbol its
    // program; the strobe after them must still add one flat grey.
    track("symbol:num", 2);
    track("symbol:blend", 1);
    track("eq:br", 1);
    track("eq:mode", 1);
    track("eq:blend", 1);
    track("laser1:numlasers", 1);
    track("laser1:col_r", 0.05f);
    track("laser1:pos_z", 100);
    track("laser1:diam", 40);
    track("video:numframes", 1);
    track("video:g", 0.3f);
    track("circles:b", 0.2f);
    track("circles:blend", 1);
    keys("strobo", {{0, 0, 0}, {10, 0.5f, 0}});
    const auto p = render(kWidth, kHeight, {"5", "15"});
    int checked = 0;
    for (int y = 5; y < kHeight - 5; y += 17)
        for (int x = 3; x < kWidth; x += 23) {
            const Rgb before = p[0].at(x, y), after = p[1].at(x, y);
            if (std::max({before.r, before.g, before.b}) > 180) continue;
            EXPECT_NEAR(after.r - before.r, 64, kTolerance) << x << "," << y;
            EXPECT_NEAR(after.g - before.g, 64, kTolerance) << x << "," << y;
            EXPECT_NEAR(after.b - before.b, 64, kTolerance) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 200);
}
