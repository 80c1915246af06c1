#include "RenderTarget.h"

#include "App.h"
#include "GL.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
const int32_t kMaxEffectWidth = 1024;
const int32_t kDefaultSamples = 4;
// Fewer samples than this is no anti-aliasing at all.
const int32_t kFewestSamples = 2;
const char* const kSampleRequests[] = {"0", "2", "4", "8"};

GLuint newRenderbuffer(int32_t samples, GLenum format, int32_t width, int32_t height) {
    GLuint name = 0;
    glGenRenderbuffers(1, &name);
    glBindRenderbuffer(GL_RENDERBUFFER, name);
    if (samples > 0)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
    else
        glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    return name;
}

void checkComplete() {
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        App::fail("Framebuffer not complete\n");
}
} // namespace

RenderTargetSizes renderTargetSizes(int32_t w, int32_t h) {
    const int32_t q = std::min(w, kMaxEffectWidth);
    return {w, h, q, q * 9 / 16, w / 2, h / 2, w / 4, h / 4};
}

bool chooseSampleCount(int32_t driverMaximum, const char* request, int32_t* samples) {
    int32_t wanted = kDefaultSamples;
    if (request) {
        const char* known = nullptr;
        for (const char* s : kSampleRequests)
            if (!strcmp(s, request)) known = s;
        if (!known) return false;
        wanted = int32_t(atoi(known));
    }
    const int32_t offered = std::min(wanted, driverMaximum);
    *samples = offered < kFewestSamples ? 0 : offered;
    return true;
}

int32_t sampleCountForThisDriver() {
    GLint driverMaximum = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &driverMaximum);
    const char* request = getenv("HALCYON_MSAA");
    int32_t samples = 0;
    if (!chooseSampleCount(driverMaximum, request, &samples))
        App::fail("HALCYON_MSAA must be 0, 2, 4 or 8, not \"%s\"\n", request);
    return samples;
}

RenderTarget::RenderTarget(int32_t width, int32_t height, uint32_t internalFormat, int filter,
                           int32_t samples)
    : framebuffer(0), colorTexture(0), depthBuffer(0), width(width), height(height),
      previous(nullptr), samples(samples), drawFramebuffer(0), sampleColorBuffer(0),
      sampleDepthBuffer(0) {
    glGenFramebuffers(1, &framebuffer);

    glGenTextures(1, &colorTexture);
    glBindTexture(GL_TEXTURE_2D, colorTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), width, height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    const GLint sampling = filter == kFilterLinear ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sampling);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sampling);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glBindTexture(GL_TEXTURE_2D, 0);

    depthBuffer = newRenderbuffer(0, GL_DEPTH_COMPONENT, width, height);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    checkComplete();
    drawFramebuffer = framebuffer;

    if (samples > 0) {
        sampleColorBuffer = newRenderbuffer(samples, internalFormat, width, height);
        sampleDepthBuffer = newRenderbuffer(samples, GL_DEPTH_COMPONENT24, width, height);
        glGenFramebuffers(1, &drawFramebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  sampleColorBuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                  sampleDepthBuffer);
        checkComplete();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void RenderTarget::bind() {
    App& app = App::instance();
    previous = app.currentTarget;
    app.currentTarget = this;
    glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer);
    glViewport(0, 0, width, height);
}

void RenderTarget::unbind() {
    if (samples > 0) {
        // Colour only: no later pass reads a target's depth.
        glBindFramebuffer(GL_READ_FRAMEBUFFER, drawFramebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    }
    App& app = App::instance();
    if (previous) {
        app.currentTarget = previous;
        glBindFramebuffer(GL_FRAMEBUFFER, previous->drawFramebuffer);
        glViewport(0, 0, previous->width, previous->height);
        return;
    }
    app.currentTarget = nullptr;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    App::setViewport(uint32_t(app.width), uint32_t(app.height));
}
