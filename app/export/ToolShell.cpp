#include "ToolShell.h"

#include "app/common/Shell.h"
#include "effects/Frame.h"
#include "tandem1.0/App.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <GL/freeglut.h>

#include <cstdlib>

namespace {

void (*toolWork)() = nullptr;
const EGLint kSurfaceSamples = 4;

void workThenEnd() {
    toolWork();
    App::shutdown();
}

// The surface GLUT's window gets on the software renderer: 8-bit RGB without
// alpha, 4 samples a pixel, a depth buffer. The frame draws into render
// targets of its own, but its last pass writes this surface, and a plain
// surface rounds that pass differently from a multisampled one (about 30
// bytes of a 320x180 picture 1 apart). Where a driver has no such surface,
// the nearest: fewer samples, then alpha.
EGLConfig chooseConfig(EGLDisplay display, EGLint samples) {
    // clang-format off
    const EGLint attributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
        EGL_DEPTH_SIZE, 24,
        EGL_SAMPLE_BUFFERS, samples > 0 ? 1 : 0, EGL_SAMPLES, samples,
        EGL_NONE,
    };
    // clang-format on
    static const EGLint kMaxConfigs = 256;
    EGLConfig configs[kMaxConfigs];
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, configs, kMaxConfigs, &count)) return nullptr;
    // EGL sorts deeper colour first: 10 or 16 bits a channel would round
    // differently from the window.
    EGLConfig withAlpha = nullptr;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0, alpha = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &alpha);
        if (red != 8 || green != 8 || blue != 8) continue;
        if (alpha == 0) return configs[i];
        if (!withAlpha) withAlpha = configs[i];
    }
    return withAlpha;
}

void openOffscreen(int width, int height) {
    // The surfaceless platform needs neither an X server nor a GPU: Mesa
    // falls back to its software renderer where no render node is usable.
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) App::fail("No EGL platform displays: cannot render offscreen\n");
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor))
        App::fail("Cannot open an EGL display for offscreen rendering: 0x%x\n", eglGetError());
    if (!eglBindAPI(EGL_OPENGL_API))
        App::fail("EGL offers no desktop OpenGL: 0x%x\n", eglGetError());

    EGLConfig config = chooseConfig(display, kSurfaceSamples);
    if (!config) config = chooseConfig(display, 0);
    if (!config) App::fail("No EGL configuration for offscreen OpenGL: 0x%x\n", eglGetError());

    // No version asked: EGL then makes a compatibility-profile context, the
    // one with immediate mode and fixed-function matrices.
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        App::fail("Cannot create an offscreen OpenGL context: 0x%x\n", eglGetError());
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE)
        App::fail("Cannot create a %dx%d offscreen surface: 0x%x\n", width, height, eglGetError());
    if (!eglMakeCurrent(display, surface, surface, context))
        App::fail("Cannot use the offscreen OpenGL context: 0x%x\n", eglGetError());
}

} // namespace

void runTool(const char* programName, int width, int height, bool offscreen, void (*work)()) {
    toolWork = work;
    const char* display = getenv("DISPLAY");
    if (offscreen || !display || !*display) {
        App::instance().draw = composeFrame;
        openOffscreen(width, height);
        loadShow(width, height);
        // What the window's first reshape event does before its first frame.
        onReshape(width, height);
        workThenEnd();
    }
    // The tools read their own options; GLUT sees none, only the name.
    int glutArgc = 1;
    char* glutArgv[] = {const_cast<char*>(programName), nullptr};
    initWindowSystem(&glutArgc, glutArgv);
    openWindow(width, height);
    setUpShow(workThenEnd);
    glutMainLoop();
    App::shutdown();
}
