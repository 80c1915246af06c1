#include "Equaliser.h"

#include "TrackFloor.h"
#include "tandem1.0/Pi.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Equaliser {

float spectrum[kBinCount];
float smoothedSpectrum[kBinCount];
float ringVertices[3 * kRingVertexCount];
float ringFillColours[4 * kRingVertexCount];
float ringLineColours[4 * kRingVertexCount];
int32_t ringIndices[kRingVertexCount];
float tunnelVertices[3 * kTunnelVertexCount];
float tunnelColours[4 * kTunnelVertexCount];

namespace {

const float kPeakDecay = 0.9f;
const float kRingOuter = 1.15f;
const float kRingRest = 1.25f;
const float kRingMaxLevel = 1.1f;
const double kRowsPerRingRadian = 128.0;

const float kTunnelRadius = 3.0f;
const float kTunnelLength = 100.0f;
const float kTunnelSlices = 256.0f; // depth slices the tube's length is cut into
const float kTunnelCentreDepth = 50.0f;
const int kTunnelFirstBin = 4;
const int kTunnelBinSpan = 90;
const int kTunnelBottomQuad = 65;
const float kRingsPerRow = 2.0f;

float clamp01(float v) {
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

void put3(float* at, float x, float y, float z) {
    at[0] = x;
    at[1] = y;
    at[2] = z;
}

void put4(float* at, float r, float g, float b, float a) {
    at[0] = r;
    at[1] = g;
    at[2] = b;
    at[3] = a;
}

// The tube's centre line: a triangle wave of the depth, wobbled by a slow sine.
float fold(float x) {
    return x < 1.0f ? x : 2.0f - x;
}
float wave(float v) {
    return 16.0f * fold(fmodf(0.5f * v, 2.0f));
}
float wave1(double u) {
    return wave(float(0.04892 * u - sinf(float(0.0052837 * u))));
}
float wave2(double u) {
    return wave(float(0.03584 * u - sinf(float(0.0073917 * u))));
}

// Every ring of the tube uses the same 129 angles; they are worked out once.
struct RingAngles {
    float sine[kTunnelQuadCount + 1];
    float cosine[kTunnelQuadCount + 1];
    RingAngles() {
        sine[0] = 0.0f;
        cosine[0] = 1.0f;
        sine[1] = 0.049067676f;
        cosine[1] = 0.99879545f;
        for (int c = 2; c <= kTunnelQuadCount; ++c)
            sincosf(float(2.0 * kPi * c / kTunnelQuadCount), &sine[c], &cosine[c]);
    }
};

const RingAngles& ringAngles() {
    static const RingAngles angles;
    return angles;
}

} // namespace

void holdPeaks() {
    for (int i = 0; i < kBinCount; ++i) {
        spectrum[i] = float(i) * spectrum[i];
        smoothedSpectrum[i] = std::max(spectrum[i], kPeakDecay * smoothedSpectrum[i]);
    }
}

int32_t bandHalfWidth(float level) {
    // Past a half-width of 64 the whole ring is lit and below 0 none of it,
    // so clamping first changes no picture and keeps the conversion defined.
    const float scaled = 128.0f * level;
    if (!(scaled > -1.0f)) return scaled != scaled ? 0 : -1;
    return int32_t(std::min(scaled, 128.0f));
}

void buildRing(double row, float br, float aspect) {
    const float p = float(row / kRowsPerRingRadian);
    float sinA, cosA;
    sincosf(p, &sinA, &cosA);
    for (int k = 1; k <= kRingBarCount; ++k) {
        const float a = float(p + 2.0 * kPi * (k - 1) / kRingBarCount);
        const float b = float(p + 2.0 * kPi * k / kRingBarCount);
        float sinB, cosB;
        sincosf(b, &sinB, &cosB);

        const float level = smoothedSpectrum[k - 1];
        const float l = level > 0.0f ? std::min(level, kRingMaxLevel) : 0.0f;
        const float r = kRingRest - l;
        const float red = 0.25f * l * sinA * br + 0.45f * br;
        const float green = float(0.25f * l * br * sin(double(a) + kPi) + 0.45f * br);

        const int v = 4 * (k - 1);
        put3(&ringVertices[3 * v], kRingOuter * sinA, kRingOuter * cosA * aspect, 0.0f);
        put3(&ringVertices[3 * (v + 1)], kRingOuter * sinB, kRingOuter * cosB * aspect, 0.0f);
        put3(&ringVertices[3 * (v + 2)], r * sinB, r * cosB * aspect, 0.0f);
        put3(&ringVertices[3 * (v + 3)], r * sinA, r * cosA * aspect, 0.0f);
        for (int j = 0; j < 4; ++j) {
            put4(&ringFillColours[4 * (v + j)], clamp01(0.5f * red), clamp01(0.5f * green),
                 clamp01(0.75f * br), 1.0f);
            put4(&ringLineColours[4 * (v + j)], clamp01(red), clamp01(green), clamp01(1.5f * br),
                 1.0f);
            ringIndices[v + j] = v + j;
        }
        sinA = sinB;
        cosA = cosB;
    }
}

void buildTunnel(double row, float br) {
    const RingAngles& angles = ringAngles();
    const float t = float(kRingsPerRow * row);
    const int32_t firstRing = trackFloor(t);
    const float phase = fmodf(t, 1.0f);
    const float u2 = t - kTunnelCentreDepth;
    const float centreX = wave1(u2), centreY = wave2(u2);

    for (int o = 0; o < kTunnelRingCount; ++o) {
        // A floor remainder: the truncating one reads before the array for
        // rows below 0, and adding o first could overflow.
        const int32_t bin =
            kTunnelFirstBin + floorMod(floorMod(firstRing, kTunnelBinSpan) + o, kTunnelBinSpan);
        const int32_t n = bandHalfWidth(smoothedSpectrum[bin]);
        const float shade = (1.0f - powf(float(o) / kTunnelSlices, 0.5f)) * br;

        const float z0 = kTunnelLength * phase / kTunnelSlices -
                         (float(o) / kTunnelSlices - 0.5f) * kTunnelLength;
        const float z1 = kTunnelLength * phase / kTunnelSlices -
                         (float(o + 1) / kTunnelSlices - 0.5f) * kTunnelLength;
        const double u0 = double(t) - double(z0);
        const float u1 = t - z1;
        const float x0 = wave1(u0) - centreX, y0 = wave2(u0) - centreY;
        const float x1 = wave1(u1) - centreX, y1 = wave2(u1) - centreY;

        float* vertex = &tunnelVertices[3 * 4 * kTunnelQuadCount * o];
        float* colour = &tunnelColours[4 * 4 * kTunnelQuadCount * o];
        for (int c = 1; c <= kTunnelQuadCount; ++c) {
            const float sp = kTunnelRadius * angles.sine[c - 1];
            const float cp = kTunnelRadius * angles.cosine[c - 1];
            const float s = kTunnelRadius * angles.sine[c];
            const float cc = kTunnelRadius * angles.cosine[c];
            put3(vertex, x0 + sp, y0 + cp, z0);
            put3(vertex + 3, x0 + s, y0 + cc, z0);
            put3(vertex + 6, x1 + s, y1 + cc, z1);
            put3(vertex + 9, x1 + sp, y1 + cp, z1);
            vertex += 12;

            const bool dim = n < std::abs(c - kTunnelBottomQuad);
            const float r = dim ? 0.025f * shade : 0.1f * shade;
            const float g = dim ? 0.025f * shade : 0.04f * shade;
            const float b = dim ? 0.05f * shade : 0.1f * shade;
            for (int j = 0; j < 4; ++j, colour += 4)
                put4(colour, r, g, b, 1.0f);
        }
    }
}

} // namespace Equaliser
