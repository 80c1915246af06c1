// halcyon-frames: renders chosen rows of the show into PNG files without
// playing it, for show authors and tests.
//
//   halcyon-frames [--size WxH] [--offscreen] --out DIR ROW...
//
// Draws on a surface of WxH pixels (1280x720 by default; offscreen where
// there is no X display, see ToolShell.h) with the program's own start-up,
// then draws each ROW with the program's frame function after seeking the
// stopped soundtrack to the row's play position (so the equaliser sees the
// spectrum of that moment) and writes the picture as DIR/row-ROW.png, ROW
// exactly as written on the command line. DIR is created if missing and
// checked before anything is loaded. Rows are drawn in the order given; the
// equaliser's peak hold carries from one to the next as it does between
// frames of the show. Each file is written under a temporary name and
// renamed when whole. Exit status 0 when every file is written, 1 with a
// message at the first that is not, 2 for a bad command line.
#include "app/export/OutputFile.h"
#include "app/common/Shell.h"
#include "app/export/ToolOptions.h"
#include "app/export/ToolShell.h"

#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* const kTool = "halcyon-frames";
const int kChannels = 3;

FramesOptions options;
OutputFolder folder;

struct PngSink {
    int fd;
    bool ok;
};

void writeToFile(void* context, void* data, int size) {
    PngSink* sink = static_cast<PngSink*>(context);
    const char* next = static_cast<const char*>(data);
    while (sink->ok && size > 0) {
        const ssize_t written = write(sink->fd, next, size_t(size));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0)
            sink->ok = false;
        else {
            next += written;
            size -= int(written);
        }
    }
}

void writePicture(const std::string& name) {
    const App& app = App::instance();
    static std::vector<unsigned char> pixels;
    pixels.resize(size_t(app.width) * size_t(app.height) * kChannels);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, app.width, app.height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());

    const std::string shown = options.outDir + "/" + name;
    std::string error, temporary;
    const int fd = createTemporary(kTool, folder, ".png", &temporary, &error);
    if (fd < 0) App::fail("%s", error.c_str());
    // OpenGL's rows run bottom up, the file's top down.
    stbi_flip_vertically_on_write(1);
    PngSink sink{fd, true};
    const bool encoded = stbi_write_png_to_func(writeToFile, &sink, app.width, app.height,
                                                kChannels, pixels.data(), app.width * kChannels);
    const int writeError = sink.ok ? EIO : errno;
    close(fd);
    if (!encoded || !sink.ok) {
        discardTemporary();
        App::fail("%s: cannot write %s: %s\n", kTool, shown.c_str(), strerror(writeError));
    }
    if (!commitTemporary(kTool, folder, name, shown, &error)) App::fail("%s", error.c_str());
}

void renderRows() {
    for (const FrameRequest& request : options.rows) {
        drawStoppedAt(request.row);
        glFinish();
        writePicture("row-" + request.text + ".png");
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string usageError = parseFramesArguments(argc, argv, &options);
    int status = 0;
    if (commandLineEnds(options.help, usageError, kFramesUsage, &status)) return status;
    std::string error;
    if (!openOutputFolder(kTool, options.outDir, true, &folder, &error))
        App::fail("%s", error.c_str());
    // A folder that takes no files fails now, not after the show has loaded.
    std::string temporary;
    const int probe = createTemporary(kTool, folder, ".png", &temporary, &error);
    if (probe < 0) App::fail("%s", error.c_str());
    close(probe);
    discardTemporary();
    // Nothing is played: leave the sound card to others and say nothing of it.
    setenv("HALCYON_AUDIO", "silent", 1);
    runTool(argv[0], options.width, options.height, options.offscreen, renderRows);
}
