// frame_bench: the cost of the frame on this machine's OpenGL.
//
//   frame_bench [--size WxH] [--frames N]
//
// Writes a data directory whose tracks switch every effect and mode on in
// turn (ShowData's coverage blocks), starts the program's own set-up in a
// window of WxH (1280x720 by default) and prints, per coverage row, the
// median time of a whole frame (draw, swap, finish); the median time of the
// glow chain; the half-size blur against a one-tap-per-texel blur of the same
// reach; and the main thread's CPU time inside the equaliser (ring, tunnel)
// and the lasers, which is where their geometry is built and submitted.
// Run it under a virtual X server as large as the window.
#include "ShowData.h"
#include "app/common/Shell.h"
#include "audio/bass.h"
#include "effects/Passes.h"
#include "effects/Equaliser.h"
#include "effects/Lasers.h"
#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/SoundSync.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

extern const char* const kDataDir;

namespace {

const int kWarmUpFrames = 3;
const int kBlursPerSample = 8;
const char* const kOneTapBlurFile = "blur-one-tap.glsl";

// The show's blur kernel, one fetch for every texel of the reach.
const char* const kOneTapBlur = R"(#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;
uniform int u_radius;
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    float inverseRadius = 1.0 / float(max(u_radius, 1));
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int i = -u_radius; i <= u_radius; ++i) {
        float q = float(i) * inverseRadius;
        float w = max(1.0 - q * q, 0.0);
        w = w * w + 1e-6;
        sum += w * texture2D(u_source, uv + u_pixel * float(i));
        total += w;
    }
    gl_FragColor = sum / total;
}
)";

struct Settings {
    int width = 1280;
    int height = 720;
    int frames = 15;
};
Settings settings;

double seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// Median milliseconds of `run` over the configured number of frames.
template <typename Run> double timeMs(clockid_t clock, Run run) {
    for (int i = 0; i < kWarmUpFrames; ++i)
        run();
    std::vector<double> samples;
    for (int i = 0; i < settings.frames; ++i) {
        const double start = seconds(clock);
        run();
        samples.push_back((seconds(clock) - start) * 1e3);
    }
    return median(samples);
}

void seek(double row) {
    const DWORD stream = App::instance().soundSync->timer->stream;
    BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, row / kRowRate),
                            BASS_POS_BYTE);
}

double blurMs(ShaderProgram* program, double row, int32_t radius) {
    ShaderProgram* show = assets.blurShader;
    assets.blurShader = program;
    const App& app = App::instance();
    const GlowGeometry g = glowGeometry(row, app.width, app.height);
    // Several passes between two waits for the renderer, so that the wait
    // itself does not count as blurring.
    const double ms = timeMs(CLOCK_MONOTONIC, [&] {
        for (int i = 0; i < kBlursPerSample; ++i) {
            assets.halfTarget2->bind();
            clearAndReset();
            blurPass(*assets.halfTarget1, g.s1, g.c1, radius);
            assets.halfTarget2->unbind();
        }
        glFinish();
    });
    assets.blurShader = show;
    return ms / kBlursPerSample;
}

// Median milliseconds of one layer drawn into a freshly cleared sceneTarget.
template <typename Layer> double sceneLayerMs(Layer layer) {
    const double ms = timeMs(CLOCK_MONOTONIC, [&] {
        for (int i = 0; i < kBlursPerSample; ++i) {
            assets.sceneTarget->bind();
            clearAndReset();
            layer();
            assets.sceneTarget->unbind();
        }
        glFinish();
    });
    return ms / kBlursPerSample;
}

void runBenchmark() {
    App& app = App::instance();
    printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    printf("window %dx%d, median of %d frames after %d warm-up frames\n\n", app.width, app.height,
           settings.frames, kWarmUpFrames);

    printf("%-8s %10s  %s\n", "row", "frame ms", "effects");
    for (int i = 0; i < kCoverageRowCount; ++i) {
        const double row = kCoverageRows[i].row;
        seek(row);
        const double ms = timeMs(CLOCK_MONOTONIC, [&] {
            app.draw(row);
            glutSwapBuffers();
            glFinish();
        });
        printf("%-8.1f %10.2f  %s\n", row, ms, kCoverageRows[i].what);
    }

    const double allOn = kCoverageRows[kCoverageRowCount - 1].row;
    app.draw(allOn);
    glFinish();
    const double glowMs = timeMs(CLOCK_MONOTONIC, [&] {
        glowChain(allOn);
        glFinish();
    });
    printf("\nglow chain                 %8.2f ms\n", glowMs);

    ShaderProgram* oneTap = new ShaderProgram(kOneTapBlurFile);
    const int32_t radius = glowGeometry(allOn, app.width, app.height).halfRadius;
    const double paired = blurMs(assets.blurShader, allOn, radius);
    const double perTexel = blurMs(oneTap, allOn, radius);
    const double copy = blurMs(assets.blurShader, allOn, 0);
    printf("half-size blur, radius %d: %8.2f ms (one tap per texel: %.2f ms, ratio %.2f)\n", radius,
           paired, perTexel, paired / perTexel);
    printf("  the same pass with radius 0 (one fetch): %.2f ms; less that, ratio %.2f\n", copy,
           (paired - copy) / (perTexel - copy));

    printf("\nfull-size layers over the scene (bind, clear, layer, unbind):\n");
    const double clearOnly = sceneLayerMs([] {});
    printf("  %-24s %8.2f ms\n", "clear only", clearOnly);
    printf("  %-24s %8.2f ms\n", "outline pass",
           sceneLayerMs([] { outlinePass(*assets.symbolTarget, BLEND_ADD); }));
    printf("  %-24s %8.2f ms\n", "strobe quad", sceneLayerMs([] {
               glColor3f(0.1f, 0.1f, 0.1f);
               drawFullscreenQuad(BLEND_ADD);
           }));
    const double combineMs = timeMs(CLOCK_MONOTONIC, [] {
        for (int i = 0; i < kBlursPerSample; ++i) {
            clearAndReset();
            combinePass(0.5f);
        }
        glFinish();
    });
    printf("  %-24s %8.2f ms\n", "window clear and combine", combineMs / kBlursPerSample);
    printf("\nmain-thread CPU ms inside the call (geometry built and submitted):\n");
    const struct {
        double row;
        const char* what;
    } equalisers[] = {{kCoverageRows[0].row, "equaliser, ring"},
                      {kCoverageRows[1].row, "equaliser, tunnel"}};
    for (const auto& e : equalisers) {
        seek(e.row);
        const double ms = timeMs(CLOCK_THREAD_CPUTIME_ID, [&] {
            assets.eqTarget->bind();
            clearAndReset();
            Equaliser::draw(e.row);
            assets.eqTarget->unbind();
            glFinish();
        });
        printf("  %-24s %8.2f\n", e.what, ms);
    }
    const double laserMs = timeMs(CLOCK_THREAD_CPUTIME_ID, [&] {
        assets.sceneTarget->bind();
        clearAndReset();
        drawLasers(allOn);
        assets.sceneTarget->unbind();
        glFinish();
    });
    printf("  %-24s %8.2f\n", "lasers, solid fans", laserMs);
    fflush(stdout);
    App::shutdown();
}

void parseArguments(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--size") == 0 &&
            sscanf(argv[i + 1], "%dx%d", &settings.width, &settings.height) == 2)
            continue;
        if (strcmp(argv[i], "--frames") == 0 && sscanf(argv[i + 1], "%d", &settings.frames) == 1 &&
            settings.frames > 0)
            continue;
        App::fail("usage: frame_bench [--size WxH] [--frames N]\n");
    }
    if (settings.width <= 0 || settings.height <= 0) App::fail("frame_bench: bad size\n");
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = kDataDir;
    const std::vector<unsigned char> oneTap(kOneTapBlur, kOneTapBlur + strlen(kOneTapBlur));
    if (!writeShowData(dir, FRAME_BENCH_SHADER_DIR, FRAME_BENCH_SOUNDTRACK) ||
        !writeCoverageTracks(dir) || !writeBytes(dir + kOneTapBlurFile, oneTap))
        App::fail("frame_bench: cannot write the data directory %s\n", kDataDir);

    initWindowSystem(&argc, argv);
    parseArguments(argc, argv);
    openWindow(settings.width, settings.height);
    setUpShow(runBenchmark);
    glutMainLoop();
    return 0;
}
