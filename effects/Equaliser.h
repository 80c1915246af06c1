// Equaliser: the soundtrack's live spectrum as a ring of 100 bars (mode 0,
// screen space) or a scrolling tube of 128 rings (mode 1, through the camera),
// each drawn filled and again as smooth additive wireframe.
//
// Every array is static and rewritten in place; the only state kept between
// frames is the peak-held spectrum. The geometry builders are separate from
// the drawing so they can be checked and timed without a window. Magnitudes
// are the audio layer's (a full-scale sine on a bin reads 1.0); positions of
// the ring are normalised device coordinates, of the tube world units.
#pragma once

#include <cstdint>

namespace Equaliser {

const int kBinCount = 128;
const int kRingBarCount = 100;
const int kRingVertexCount = 4 * kRingBarCount;
const int kTunnelRingCount = 128;
const int kTunnelQuadCount = 128;
const int kTunnelVertexCount = 4 * kTunnelRingCount * kTunnelQuadCount;

extern float spectrum[kBinCount];
extern float smoothedSpectrum[kBinCount];
extern float ringVertices[3 * kRingVertexCount];
extern float ringFillColours[4 * kRingVertexCount];
extern float ringLineColours[4 * kRingVertexCount];
extern int32_t ringIndices[kRingVertexCount];
extern float tunnelVertices[3 * kTunnelVertexCount];
extern float tunnelColours[4 * kTunnelVertexCount];

// Weights each bin by its number and folds it into the peak hold (decay 0.9
// a call).
void holdPeaks();

// Fills the ring arrays from smoothedSpectrum; aspect is window width over
// height.
void buildRing(double row, float brightness, float aspect);

// Fills the tunnel arrays from smoothedSpectrum.
void buildTunnel(double row, float brightness);

// Half-width, in quads either side of the bottom one, of the lit band of a
// ring whose bin reads level.
int32_t bandHalfWidth(float level);

// One frame of the effect into the bound framebuffer.
void draw(double row);

// What one frame of the effect leaves for the next, without drawing: the
// stream's spectrum folded into the peak hold where the effect is on at this
// row (false where it is off, and nothing changes). A frame depends on the
// frames drawn before it through the peak hold alone, so an export that
// begins in the middle replays its earlier frames through this.
bool advance(double row);

} // namespace Equaliser
