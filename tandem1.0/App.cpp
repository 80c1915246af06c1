#include "App.h"

#include "GL.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

App& App::instance() {
    static App app{};
    return app;
}

void App::fail(const char* format, ...) {
    static const size_t kMessageCapacity = 8000;
    static char message[kMessageCapacity];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    fprintf(stderr, "%s", message);
    exit(1);
}

void App::setBlend(uint32_t mode) {
    App& app = instance();
    if (mode == app.blendMode) return;
    switch (mode) {
    case BLEND_OFF:
        glDisable(GL_BLEND);
        break;
    case BLEND_ADD:
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
        break;
    case BLEND_MULTIPLY_INVERSE:
        glEnable(GL_BLEND);
        glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
        break;
    case BLEND_ALPHA:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    case BLEND_EXCLUSION:
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR);
        break;
    case BLEND_MULTIPLY:
        glEnable(GL_BLEND);
        glBlendFunc(GL_ZERO, GL_SRC_COLOR);
        break;
    case BLEND_ADD_ALPHA:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    default:
        // Tracks may select values outside the table (a floored -1 arrives
        // as 4294967295); the state in force stays, only the number is kept.
        break;
    }
    app.blendMode = mode;
}

void App::setDepth(int32_t mode) {
    App& app = instance();
    if (mode == app.depthMode) return;
    switch (mode) {
    case DEPTH_OFF:
        // The mask is left alone on purpose: depth clears obey it.
        glDisable(GL_DEPTH_TEST);
        break;
    case DEPTH_TEST:
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_FALSE);
        break;
    case DEPTH_TEST_WRITE:
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_TRUE);
        break;
    default:
        break;
    }
    app.depthMode = mode;
}

void App::setCull(int32_t mode) {
    App& app = instance();
    if (mode == app.cullMode) return;
    switch (mode) {
    case CULL_OFF:
        glDisable(GL_CULL_FACE);
        break;
    case CULL_BACK:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    default:
        break;
    }
    app.cullMode = mode;
}

Viewport letterbox(uint32_t width, uint32_t height) {
    // A minimised window has no shape to keep; its ratio would be infinite or
    // undefined, and converting that to an integer is undefined behaviour.
    if (width == 0 || height == 0) return {0, 0, int(width), int(height)};

    // Slightly above 16/9 as a float, so an exact 16:9 window takes the
    // bars-top-and-bottom branch and loses one row: that is the picture the
    // show was composed for.
    const float kWide = 1.7777778f;
    const long double w = width, h = height;
    const long double aspect = w / h;
    const long double f = aspect / kWide;
    if (aspect > kWide) {
        const long double viewWidth = w / f;
        return {int((w - viewWidth) * 0.5L), 0, int(viewWidth), int(h)};
    }
    return {0, int(h * (1.0L - f) * 0.5L), int(w), int(h * f)};
}

void App::setViewport(uint32_t width, uint32_t height) {
    App& app = instance();
    app.width = int32_t(width);
    app.height = int32_t(height);
    const Viewport v = letterbox(width, height);
    glViewport(app.originX + v.x, app.originY + v.y, v.width, v.height);
}
