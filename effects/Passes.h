// Post-processing: the clear that follows every render-target bind, the
// full-screen quad, the four shader passes and the rotating glow chain.
//
// A pass draws into whatever the caller has bound (a target or the window)
// and never binds, clears or unbinds its destination; only the glow chain
// binds its own targets. Sources are read through their colour textures.
// Sizes are pixels; uniform locations are looked up by name at each use.
// Nothing is allocated or kept between calls.
#pragma once

#include <cstdint>

struct RenderTarget;

// Clears colour to (0, 0, 0, 0) and depth to 1, loads identity matrices
// (GL_PROJECTION left current) and resets blend, cull, depth, texturing on
// the active unit, colour and program to the base state.
void clearAndReset();

// One quad over the bound viewport, texture coordinate (0, 0) bottom left;
// depth off, cull off, the given blend mode. Colour, texturing and program
// are the caller's.
void drawFullscreenQuad(uint32_t blendMode);

void downsamplePass(const RenderTarget& source);
void blurPass(const RenderTarget& source, float dx, float dy, int32_t radius);
void outlinePass(const RenderTarget& source, uint32_t blendMode);
// Scene and the three glow images into the bound (window) framebuffer.
void combinePass(float glowBrightness);

// Fills halfTarget2, halfTarget3 and quarterTarget1 from sceneTarget. Runs
// with no target bound.
void glowChain(double row);

// One texel step of a source target along (dx, dy), as "u_pixel".
struct PixelStep {
    float x, y;
};
PixelStep pixelStep(int32_t sourceWidth, int32_t sourceHeight, float dx, float dy);

// Directions and radii of the glow chain for a row and a window size: the
// two rotating half-size blurs run along (s1, c1) and (s2, c2), a quarter
// turn apart, one full turn every 256 rows.
struct GlowGeometry {
    float s1, c1;
    float s2, c2;
    int32_t halfRadius;            // W / 80, both rotating blurs
    int32_t quarterRadiusVertical; // H / 160
    int32_t quarterRadiusWide;     // W / 40, horizontal
};
GlowGeometry glowGeometry(double row, int32_t width, int32_t height);
