// RenderTarget: an off-screen framebuffer, a colour texture plus a depth
// renderbuffer of the same size in pixels.
//
// Targets bind as a stack: bind remembers the target current before it,
// unbind returns to that one, or to the window and its letterboxed viewport.
// Callers pair bind and unbind of the same target, properly nested. Targets
// are created once at set-up, never resized, and live until exit.
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

    RenderTarget(int32_t width, int32_t height, uint32_t internalFormat, int filter);

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
