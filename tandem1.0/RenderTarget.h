// RenderTarget: an off-screen framebuffer, a colour texture plus a depth
// renderbuffer of the same size in pixels.
//
// Targets bind as a stack: bind remembers the target current before it,
// unbind returns to that one, or to the window and its letterboxed viewport.
// Callers pair bind and unbind of the same target, properly nested. Targets
// are created once at set-up, never resized, and live until exit.
//
// A multisampled target (samples > 0) draws into a second framebuffer of
// multisampled colour and depth renderbuffers; its own unbind resolves the
// samples into colorTexture, so passes that sample the texture afterwards see
// anti-aliased edges. A target nested inside it (bind A, bind B, unbind B)
// returns to A's multisampled framebuffer without resolving.
#pragma once

#include <cstdint>

// Filter argument of the constructor; any other value means nearest.
const int kFilterLinear = 1;
const int kFilterNearest = 0;

struct RenderTarget {
    uint32_t framebuffer;
    uint32_t colorTexture;
    uint32_t depthBuffer;
    int32_t width;
    int32_t height;
    RenderTarget* previous;
    // Samples per pixel of the drawing; 0 draws straight into colorTexture.
    int32_t samples;
    // Where bind sends drawing: framebuffer itself when samples is 0.
    uint32_t drawFramebuffer;
    uint32_t sampleColorBuffer;
    uint32_t sampleDepthBuffer;

    RenderTarget(int32_t width, int32_t height, uint32_t internalFormat, int filter,
                 int32_t samples = 0);

    void bind();
    void unbind();
};

// Sizes of the post-processing targets for a window of W x H pixels.
struct RenderTargetSizes {
    int32_t sceneWidth, sceneHeight;   // the whole window
    int32_t effectWidth, effectHeight; // 16:9, at most 1024 wide
    int32_t halfWidth, halfHeight;
    int32_t quarterWidth, quarterHeight;
};

RenderTargetSizes renderTargetSizes(int32_t windowWidth, int32_t windowHeight);

// Samples per pixel of the scene, symbol and equaliser targets: 4 where the
// driver offers that many (driverMaximum, GL_MAX_SAMPLES), none where it
// does not. A request (the text of HALCYON_MSAA, null when unset) of 0, 2, 4
// or 8 overrides the default, capped at the driver's maximum, so slow
// renderers can switch anti-aliasing off. Returns false, leaving *samples
// alone, when the request is any other text.
bool chooseSampleCount(int32_t driverMaximum, const char* request, int32_t* samples);

// chooseSampleCount for this context and environment; a bad HALCYON_MSAA is
// fatal. Queries the driver, so it belongs to start-up.
int32_t sampleCountForThisDriver();
