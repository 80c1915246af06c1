#include "RenderTarget.h"

#include "App.h"
#include "GL.h"

#include <algorithm>

namespace {
const int32_t kMaxEffectWidth = 1024;
} // namespace

RenderTargetSizes renderTargetSizes(int32_t w, int32_t h) {
    const int32_t q = std::min(w, kMaxEffectWidth);
    return {w, h, q, q * 9 / 16, w / 2, h / 2, w / 4, h / 4};
}

RenderTarget::RenderTarget(int32_t width, int32_t height, uint32_t internalFormat, int filter)
    : framebuffer(0), colorTexture(0), depthBuffer(0), width(width), height(height),
      previous(nullptr) {
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

    glGenRenderbuffers(1, &depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        App::fail("Framebuffer not complete\n");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void RenderTarget::bind() {
    App& app = App::instance();
    previous = app.currentTarget;
    app.currentTarget = this;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, width, height);
}

void RenderTarget::unbind() {
    App& app = App::instance();
    if (previous) {
        app.currentTarget = previous;
        glBindFramebuffer(GL_FRAMEBUFFER, previous->framebuffer);
        glViewport(0, 0, previous->width, previous->height);
        return;
    }
    app.currentTarget = nullptr;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    App::setViewport(uint32_t(app.width), uint32_t(app.height));
}
