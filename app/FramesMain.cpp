// halcyon-frames: renders chosen rows of the show into PNG files without
// playing it, for show authors and tests.
//
//   halcyon-frames [--size WxH] --out DIR ROW...
//
// Opens a window of WxH pixels (1280x720 by default) on the program's own
// start-up, then draws each ROW with the program's frame function after
// seeking the stopped soundtrack to the row's play position (so the
// equaliser sees the spectrum of that moment) and writes the window as
// DIR/row-ROW.png, ROW exactly as written on the command line. Rows are drawn
// in the order given; the equaliser's peak hold carries from one to the next
// as it does between frames of the show. Needs an X display. Exit status 0
// when every file is written, 1 with a message otherwise.
#include "Shell.h"

#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"

#include <GL/freeglut.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const int kDefaultWidth = 1280;
const int kDefaultHeight = 720;
const int kChannels = 3;
const char* const kUsage = "usage: halcyon-frames [--size WxH] --out DIR ROW...\n";

struct FrameRequest {
    const char* text; // as written on the command line
    double row;
};

struct Options {
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    std::string outDir;
    std::vector<FrameRequest> rows;
};

Options options;

// A row must be a whole finite number: the text becomes part of a file name.
bool parseRow(const char* text, double* row) {
    char* end = nullptr;
    *row = strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*row);
}

void parseArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--size") == 0 && i + 1 < argc) {
            if (!parseWindowSize(argv[++i], &options.width, &options.height))
                App::fail("halcyon-frames: bad size %s\n%s", argv[i], kUsage);
        } else if (strcmp(arg, "--out") == 0 && i + 1 < argc) {
            options.outDir = argv[++i];
        } else {
            FrameRequest request{arg, 0.0};
            if (!parseRow(arg, &request.row))
                App::fail("halcyon-frames: bad row %s\n%s", arg, kUsage);
            options.rows.push_back(request);
        }
    }
    if (options.outDir.empty() || options.rows.empty()) App::fail("%s", kUsage);
}

void writeWindow(const std::string& path) {
    const App& app = App::instance();
    std::vector<unsigned char> pixels(size_t(app.width) * size_t(app.height) * kChannels);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, app.width, app.height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // OpenGL's rows run bottom up, the file's top down.
    stbi_flip_vertically_on_write(1);
    if (!stbi_write_png(path.c_str(), app.width, app.height, kChannels, pixels.data(),
                        app.width * kChannels))
        App::fail("halcyon-frames: cannot write %s\n", path.c_str());
}

void renderRows() {
    for (const FrameRequest& request : options.rows) {
        drawStoppedAt(request.row);
        glFinish();
        writeWindow(options.outDir + "/row-" + request.text + ".png");
    }
    App::shutdown();
}

} // namespace

int main(int argc, char** argv) {
    // Nothing is played: leave the sound card to others and say nothing of it.
    setenv("HALCYON_AUDIO", "silent", 1);
    initWindowSystem(&argc, argv);
    parseArguments(argc, argv);
    openWindow(options.width, options.height);
    setUpShow(renderRows);
    glutMainLoop();
    return 0;
}
