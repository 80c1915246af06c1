// The effects' arithmetic without a window: selector rounding, the peak-held
// spectrum, the ring and the tube, the laser frames, fans, flares, patterns,
// and the row contract between the laser fans and their depth maps.
#include "effects/Equaliser.h"
#include "effects/Lasers.h"
#include "effects/TrackFloor.h"

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using namespace Equaliser;

void resetSpectrum() {
    memset(spectrum, 0, sizeof spectrum);
    memset(smoothedSpectrum, 0, sizeof smoothedSpectrum);
}

// Colour of quad c (1 to 128) of tube ring o.
const float* tunnelColour(int o, int c) {
    return &tunnelColours[4 * (512 * o + 4 * (c - 1))];
}

// Lit quads are as red as blue, the others half as red.
bool quadLit(int o, int c) {
    return tunnelColour(o, c)[0] > tunnelColour(o, c)[2] * 0.75f;
}

int litQuads(int o) {
    int lit = 0;
    for (int c = 1; c <= kTunnelQuadCount; ++c)
        lit += quadLit(o, c);
    return lit;
}

} // namespace

TEST(TrackFloor, RoundsDownAndClampsWhatCannotConvert) {
    EXPECT_EQ(trackFloor(3.7f), 3);
    EXPECT_EQ(trackFloor(-0.5f), -1);
    EXPECT_EQ(trackFloor(0.9f), 0);
    EXPECT_EQ(trackFloor(1e30f), INT32_MAX);
    EXPECT_EQ(trackFloor(-1e30f), INT32_MIN);
    EXPECT_EQ(trackFloor(std::numeric_limits<float>::infinity()), INT32_MAX);
    EXPECT_EQ(trackFloor(std::numeric_limits<float>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(floorMod(-1, 90), 89);
    EXPECT_EQ(floorMod(INT32_MIN, 35), 12); // -2^31 = -61356676 * 35 + 12
    EXPECT_EQ(floorMod(70, 35), 0);
}

TEST(EqualiserSpectrum, WeightsByBinAndHoldsPeaksWithDecay) {
    resetSpectrum();
    for (float& s : spectrum)
        s = 0.5f;
    holdPeaks();
    EXPECT_EQ(smoothedSpectrum[0], 0.0f);
    EXPECT_FLOAT_EQ(smoothedSpectrum[10], 5.0f);
    for (int frame = 0; frame < 3; ++frame) {
        memset(spectrum, 0, sizeof spectrum);
        holdPeaks();
    }
    EXPECT_NEAR(smoothedSpectrum[10], 5.0f * 0.9f * 0.9f * 0.9f, 1e-5f);
    // A louder frame replaces the held value at once.
    spectrum[10] = 1.0f;
    holdPeaks();
    EXPECT_FLOAT_EQ(smoothedSpectrum[10], 10.0f);
}

TEST(EqualiserRing, BarsReachInwardWithTheirBinAndFollowTheAspect) {
    resetSpectrum();
    smoothedSpectrum[1] = 5.0f; // pinned at 1.1
    smoothedSpectrum[2] = 0.5f;
    smoothedSpectrum[3] = -2.0f; // counts as silence
    const float aspect = 16.0f / 9.0f;
    buildRing(0.0, 1.0f, aspect);

    // Radius of vertex v, undoing the aspect on y.
    auto radius = [&](int v) {
        return std::hypot(ringVertices[3 * v], ringVertices[3 * v + 1] / aspect);
    };
    // Bar 1 shows bin 0, always silent: a thin band. Its first edge points up.
    EXPECT_NEAR(ringVertices[0], 0.0f, 1e-6f);
    EXPECT_NEAR(ringVertices[1], 1.15f * aspect, 1e-5f);
    EXPECT_GT(ringVertices[3], 0.0f); // clockwise: the next edge lies to the right
    EXPECT_NEAR(radius(2), 1.25f, 1e-5f);
    EXPECT_NEAR(radius(4 + 2), 0.15f, 1e-5f);
    EXPECT_NEAR(radius(8 + 2), 0.75f, 1e-5f);
    EXPECT_NEAR(radius(12 + 2), 1.25f, 1e-5f);
    for (int bar = 0; bar < kRingBarCount; ++bar) {
        EXPECT_NEAR(radius(4 * bar), 1.15f, 1e-5f);
        EXPECT_EQ(ringIndices[4 * bar + 3], 4 * bar + 3);
    }
    // Line colours are the fill colours doubled, clamped; blue from br alone.
    EXPECT_FLOAT_EQ(ringFillColours[2], 0.75f);
    EXPECT_FLOAT_EQ(ringLineColours[2], 1.0f);
    EXPECT_FLOAT_EQ(ringFillColours[0], 0.225f);

    // One radian every 128 rows.
    buildRing(128.0, 1.0f, 1.0f);
    EXPECT_NEAR(ringVertices[0], 1.15f * std::sin(1.0f), 1e-5f);
    EXPECT_NEAR(ringVertices[1], 1.15f * std::cos(1.0f), 1e-5f);
}

TEST(EqualiserTunnel, BandsFollowTheBinOfEachRing) {
    resetSpectrum();
    smoothedSpectrum[10] = 0.5f;       // whole ring
    smoothedSpectrum[11] = 3.0f / 128; // 7 quads
    smoothedSpectrum[12] = 0.5f / 128; // only the bottom quad
    buildTunnel(0.0, 1.0f);            // ring o shows bin 4 + o
    EXPECT_EQ(litQuads(6), 128);
    EXPECT_EQ(litQuads(7), 7);
    EXPECT_TRUE(quadLit(7, 62) && quadLit(7, 68) && !quadLit(7, 61) && !quadLit(7, 69));
    EXPECT_EQ(litQuads(8), 1);
    EXPECT_TRUE(quadLit(8, 65));
    // The front ring is brightest; the bright colour is (0.1, 0.04, 0.1) * br.
    EXPECT_FLOAT_EQ(tunnelColour(6, 1)[0], 0.1f * (1.0f - std::sqrt(6.0f / 256)));

    // Two rings pass per row: one row later each bin sits two rings nearer.
    buildTunnel(1.0, 1.0f);
    EXPECT_EQ(litQuads(4), 128);
    EXPECT_EQ(litQuads(6), 1);

    // Before the music's start the bins still come from 4 to 93.
    buildTunnel(-0.5, 1.0f); // first ring -1: ring o shows bin 4 + (o - 1) mod 90
    EXPECT_EQ(litQuads(7), 128);
    EXPECT_EQ(litQuads(0), 1); // bin 93
    buildTunnel(-1e12, 1.0f);  // clamps, reads inside the spectrum
    buildTunnel(std::numeric_limits<double>::quiet_NaN(), 1.0f);
}

TEST(EqualiserTunnel, TubeOfRadiusThreeCentredAtDepthFifty) {
    resetSpectrum();
    buildTunnel(0.0, 1.0f);
    // Ring 0's front edge at z = 50, on the axis there; quad 1 starts at the top.
    EXPECT_FLOAT_EQ(tunnelVertices[2], 50.0f);
    EXPECT_NEAR(tunnelVertices[0], 0.0f, 1e-5f);
    EXPECT_NEAR(tunnelVertices[1], 3.0f, 1e-5f);
    // Every vertex of a ring edge lies 3 from that edge's centre.
    for (int o : {0, 60, 127}) {
        const float* ring = &tunnelVertices[3 * 512 * o];
        float cx = 0, cy = 0;
        for (int c = 0; c < 128; ++c)
            cx += ring[12 * c] / 128, cy += ring[12 * c + 1] / 128;
        for (int c = 0; c < 128; ++c)
            EXPECT_NEAR(std::hypot(ring[12 * c] - cx, ring[12 * c + 1] - cy), 3.0f, 1e-3f);
    }
    // The last ring's back edge reaches z = 0.
    EXPECT_NEAR(tunnelVertices[3 * (kTunnelVertexCount - 1) + 2], 0.0f, 1e-5f);
    EXPECT_EQ(bandHalfWidth(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(bandHalfWidth(1e30f), 128);
    EXPECT_LT(bandHalfWidth(-1e30f), 0);
}

TEST(LaserFrame, OriginsAimAndAxis) {
    for (int i = 0; i < kLaserCount; ++i) {
        const Laser l = laserFrame(i, 0, 0, 100, 20, 0, 0, 0);
        EXPECT_FLOAT_EQ(l.origin[0], -48.0f + 32.0f * i);
        EXPECT_FLOAT_EQ(l.origin[2], 100.0f);
        EXPECT_FLOAT_EQ(l.aim[2], -100.0f);
        EXPECT_FLOAT_EQ(l.axis[2], -1.0f);
        EXPECT_FLOAT_EQ(l.axisLength, 200.0f);
    }
    const Laser l = laserFrame(3, 1, 2, 3, 4, 5, 6, 7);
    EXPECT_FLOAT_EQ(l.aim[0], 1 + 48 + 5);
    EXPECT_FLOAT_EQ(l.aim[1], 2 + 6);
    EXPECT_FLOAT_EQ(laserFieldOfView(laserFrame(0, 0, 0, 50, 100, 0, 0, 0)), 45.0f);
    EXPECT_FLOAT_EQ(laserRoll(l), -7.0f * 57.295776f);
}

TEST(LaserFan, FarEdgeRunsAcrossTheAimPointAndTurns) {
    static LaserFan fan;
    const Laser upright = laserFrame(0, 0, 0, 100, 20, 0, 0, 0);
    buildLaserFan(upright, 20, &fan);
    EXPECT_NEAR(fan.ends[0][1], -10.0f, 1e-5f);
    EXPECT_NEAR(fan.ends[256][1], 10.0f, 1e-5f);
    EXPECT_NEAR(fan.ends[128][1], 0.0f, 1e-5f);
    EXPECT_NEAR(fan.ends[0][0], -48.0f, 1e-5f);
    EXPECT_FLOAT_EQ(fan.lengths[0], std::sqrt(200.0f * 200.0f + 100.0f));

    // A quarter turn lays the fan flat, beam 0 toward +x.
    buildLaserFan(laserFrame(0, 0, 0, 100, 20, 0, 0, 1.5707964f), 20, &fan);
    EXPECT_NEAR(fan.ends[0][0], -38.0f, 1e-4f);
    EXPECT_NEAR(fan.ends[256][0], -58.0f, 1e-4f);
    EXPECT_NEAR(fan.ends[0][1], 0.0f, 1e-4f);

    // No width: every beam ends on the aim point and the depth view is
    // closed. No length: the axis is undefined and the fan with it, the
    // flare reads as facing away; nothing faults on the way.
    buildLaserFan(laserFrame(1, 0, 0, 100, 0, 3, 0, 0.5f), 0, &fan);
    for (int k : {0, 100, 256}) {
        EXPECT_FLOAT_EQ(fan.ends[k][0], -16.0f + 3.0f);
        EXPECT_FLOAT_EQ(fan.ends[k][2], -100.0f);
    }
    EXPECT_EQ(laserFieldOfView(laserFrame(1, 0, 0, 100, 0, 3, 0, 0.5f)), 0.0f);
    const Laser still = laserFrame(0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(std::isnan(still.axis[0]));
    EXPECT_TRUE(std::isnan(laserFieldOfView(still)));
    buildLaserFan(still, 0, &fan);
    EXPECT_TRUE(std::isnan(fan.ends[0][0]));
    const float eye[3] = {0, 0, -1};
    EXPECT_FLOAT_EQ(laserFlare(still.axis, still.origin, eye), 0.25f);
}

TEST(LaserFlare, BrightOnlyWhenTheAxisPointsAtTheReference) {
    const float axis[3] = {0, 0, -1};
    const float origin1[3] = {-16, 0, 100};
    const float previousOrigin[3] = {-48, 0, 100};
    EXPECT_FLOAT_EQ(laserFlare(axis, origin1, previousOrigin), 0.25f);
    const float origin0[3] = {-48, 0, 100};
    const float defaultEye[3] = {0, 0, -1};
    EXPECT_NEAR(laserFlare(axis, origin0, defaultEye), 0.25f, 1e-6f);
    const float ahead[3] = {-48, 0, -5};
    EXPECT_FLOAT_EQ(laserFlare(axis, origin0, ahead), 0.75f);
    const float slightlyOff[3] = {-47, 0, 50}; // c = 0.9998: 0.25 + 0.5 * 0.9998^512
    EXPECT_NEAR(laserFlare(axis, origin0, slightlyOff),
                0.25f + 0.5f * std::pow(50 / std::sqrt(2501.0f), 512.0f), 1e-4f);
    EXPECT_FLOAT_EQ(laserFlare(axis, origin0, origin0), 0.25f); // no direction: no NaN
}

TEST(LaserPattern, BeamsOfEachPattern) {
    auto drawn = [](int32_t p) {
        int count = 0;
        for (int k = 0; k < kBeamCount; ++k)
            count += laserBeamDrawn(p, k);
        return count;
    };
    EXPECT_EQ(drawn(1), 256);
    EXPECT_EQ(drawn(2), 128);
    EXPECT_TRUE(!laserBeamDrawn(2, 1) && laserBeamDrawn(2, 2) && laserBeamDrawn(2, 3));
    EXPECT_EQ(drawn(16), 128);
    EXPECT_TRUE(!laserBeamDrawn(16, 15) && laserBeamDrawn(16, 16) && !laserBeamDrawn(16, 32));
    EXPECT_EQ(drawn(128), 128);
    EXPECT_TRUE(laserBeamDrawn(128, 128) && !laserBeamDrawn(128, 127));
    EXPECT_EQ(drawn(255), 1);
    EXPECT_TRUE(laserBeamDrawn(255, 255));
    EXPECT_EQ(drawn(256), 0);
    EXPECT_EQ(drawn(INT32_MAX), 0);
}

// The view each depth pass draws (the fixed-function perspective, then the
// roll, then the look-at) with the depth program's rescale of clip y: the
// middle of beam k must land in texel row k of the 256-row map, for any turn
// and any width of fan.
TEST(LaserDepthRows, EveryBeamLandsOnItsOwnRow) {
    static LaserFan fan;
    const float turns[] = {0.0f, 0.4f, 1.5707964f, 2.5f, 3.1415927f, -1.0f, 6.0f};
    const float diams[] = {2.0f, 60.0f, 400.0f};
    for (float diam : diams)
        for (float turn : turns) {
            const Laser l = laserFrame(2, 5, 3, 80, diam, 7, -4, turn);
            buildLaserFan(l, diam, &fan);
            const glm::dmat4 projection =
                glm::perspective(glm::radians(double(laserFieldOfView(l))), 1.0 / 256, 0.1,
                                 1000.0) *
                glm::rotate(glm::dmat4(1.0), glm::radians(double(laserRoll(l))),
                            glm::dvec3(0, 0, 1));
            const glm::dmat4 view =
                glm::lookAt(glm::dvec3(l.origin[0], l.origin[1], l.origin[2]),
                            glm::dvec3(l.aim[0], l.aim[1], l.aim[2]), glm::dvec3(0, 1, 0));
            const double f2 =
                projection[0][1] * projection[0][1] + projection[1][1] * projection[1][1];
            for (int k = 0; k < kBeamCount; k += 5) {
                glm::dvec4 mid(0, 0, 0, 1);
                for (int j = 0; j < 3; ++j)
                    mid[j] = (fan.ends[k][j] + fan.ends[k + 1][j]) / 2;
                glm::dvec4 clip = projection * view * mid;
                clip.y *= (f2 - 1) / f2;
                const double rowCoord = (clip.y / clip.w + 1) / 2 * 256;
                ASSERT_EQ(int(std::floor(rowCoord)), k) << "diam " << diam << " turn " << turn;
                EXPECT_NEAR(clip.x / clip.w, 0.0, 1e-3); // on the map's one column
            }
        }
}
