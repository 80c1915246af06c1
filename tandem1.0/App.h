// App: the program's one record, reached through App::instance().
//
// It holds the frame function, the music-and-sync object, the cached blend,
// depth and cull modes, the window size in pixels, the quit flag and the
// render target bound now. App::fail is the single path for fatal start-up
// errors (message on stderr, exit status 1). The render-state cache is the only
// code that switches blending, depth testing and culling, so its cached modes
// always describe the real OpenGL state and repeated requests cost nothing.
// letterbox() is the pure arithmetic behind setViewport.
#pragma once

#include <cstdint>

struct SoundSync;
struct RenderTarget;

enum BlendMode : uint32_t {
    BLEND_OFF = 0,
    BLEND_ADD = 1,
    BLEND_MULTIPLY_INVERSE = 2,
    BLEND_ALPHA = 3,
    BLEND_EXCLUSION = 4,
    BLEND_MULTIPLY = 5,
    BLEND_ADD_ALPHA = 6,
};

enum DepthMode : int32_t {
    DEPTH_OFF = 0,
    DEPTH_TEST = 1,
    DEPTH_TEST_WRITE = 2,
};

enum CullMode : int32_t {
    CULL_OFF = 0,
    CULL_BACK = 2,
};

// A viewport in window pixels, origin bottom left.
struct Viewport {
    int x, y, width, height;
};

// The largest 16:9 picture centred in a window of the given size.
Viewport letterbox(uint32_t width, uint32_t height);

struct App {
    void (*draw)(double row);
    SoundSync* soundSync;
    uint32_t blendMode;
    int32_t depthMode;
    int32_t cullMode;
    int32_t width;
    int32_t height;
    // Where the picture's area starts in the window, in pixels from its
    // bottom-left corner: 0 for the program, which fills its window; the
    // studio keeps the rest for its panels.
    int32_t originX;
    int32_t originY;
    bool quit;
    RenderTarget* currentTarget;

    static App& instance();

    // Formats into a fixed buffer (cut, never overrun), writes it to stderr
    // and exits with status 1. Once started, the audio output is stopped by
    // its exit hook before anything is torn down.
    [[noreturn]] static void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Modes outside the tables are only recorded: they issue no OpenGL call.
    static void setBlend(uint32_t mode);
    static void setDepth(int32_t mode);
    static void setCull(int32_t mode);

    // Stores the picture area's size and applies the letterboxed viewport,
    // moved to the area's origin.
    static void setViewport(uint32_t width, uint32_t height);

    // Releases the audio objects and the sync state, then exits with status 0.
    [[noreturn]] static void shutdown();
};
