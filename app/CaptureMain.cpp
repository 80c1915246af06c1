// halcyon-capture: renders the show, or a row range of it, into an MP4 file
// with its soundtrack, deterministically and without playing it.
//
//   halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]
//
// Defaults: 1920x1080, 60 frames a second, the whole soundtrack, halcyon.mp4.
// Frame n shows the row of time from + n/fps exactly (the soundtrack seeked
// there, so the equaliser sees that moment's spectrum). Frames are piped to
// ffmpeg one at a time, never held together; the soundtrack's same time span
// is muxed in, so picture and sound stay in sync over the whole file. A
// progress bar goes to stderr. Needs an X display (Xvfb will do).
#include "Shell.h"

#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/DataFile.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"

#include <GL/freeglut.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <time.h>

namespace {

const int kDefaultWidth = 1920;
const int kDefaultHeight = 1080;
const int kDefaultFps = 60;
const int kMaxFps = 240;
const int kChannels = 3;
const int kProgressWidth = 40;
const char* const kSoundtrack = "Meridian_Demo_Edit.mp3";
const char* const kUsage =
    "usage: halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]\n";

struct Options {
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    int fps = kDefaultFps;
    double fromRow = 0.0;
    double toRow = -1.0; // the end of the soundtrack
    std::string out = "halcyon.mp4";
};

Options options;

bool parseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

void parseArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        double number = 0.0;
        if (!value) App::fail("halcyon-capture: %s needs a value\n%s", arg, kUsage);
        ++i;
        if (strcmp(arg, "--size") == 0) {
            if (!parseWindowSize(value, &options.width, &options.height))
                App::fail("halcyon-capture: bad size %s\n%s", value, kUsage);
        } else if (strcmp(arg, "--fps") == 0) {
            if (!parseNumber(value, &number) || number < 1 || number > kMaxFps ||
                number != std::floor(number))
                App::fail("halcyon-capture: bad frame rate %s\n%s", value, kUsage);
            options.fps = int(number);
        } else if (strcmp(arg, "--from") == 0) {
            if (!parseNumber(value, &options.fromRow) || options.fromRow < 0)
                App::fail("halcyon-capture: bad row %s\n%s", value, kUsage);
        } else if (strcmp(arg, "--to") == 0) {
            if (!parseNumber(value, &options.toRow) || options.toRow < 0)
                App::fail("halcyon-capture: bad row %s\n%s", value, kUsage);
        } else if (strcmp(arg, "--out") == 0) {
            options.out = value;
        } else {
            App::fail("halcyon-capture: unknown option %s\n%s", arg, kUsage);
        }
    }
}

// Arguments are quoted for the shell that popen starts.
std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

double monotonicSeconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

void showProgress(long done, long total, double started) {
    const double elapsed = monotonicSeconds() - started;
    const double rate = elapsed > 0 ? done / elapsed : 0.0;
    const long eta = rate > 0 ? long((total - done) / rate) : 0;
    const int filled = int(kProgressWidth * done / (total > 0 ? total : 1));
    fprintf(stderr, "\r[%.*s%*s] %3ld%% frame %ld/%ld  %.1f fps  eta %ld:%02ld ", filled,
            "########################################", kProgressWidth - filled, "",
            total > 0 ? 100 * done / total : 100, done, total, rate, eta / 60, eta % 60);
}

void capture() {
    App& app = App::instance();
    const DWORD stream = app.soundSync->timer->stream;
    const double length =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE));
    const double start = options.fromRow / kRowRate;
    const double end = options.toRow < 0 ? length : std::fmin(options.toRow / kRowRate, length);
    if (end <= start)
        App::fail("halcyon-capture: nothing to capture between rows %g and %g\n", options.fromRow,
                  options.toRow);
    const long frames = long(std::ceil((end - start) * options.fps - 1e-9));
    const double duration = double(frames) / options.fps;

    const std::string soundtrack = std::string(kDataDir) + kSoundtrack;
    char command[4096];
    snprintf(command, sizeof command,
             "ffmpeg -loglevel error -y -f rawvideo -pix_fmt rgb24 -s %dx%d -framerate %d -i - "
             "-ss %.6f -t %.6f -i %s -map 0:v:0 -map 1:a:0 -vf vflip -c:v libx264 -preset veryfast "
             "-crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k -movflags +faststart %s",
             app.width, app.height, options.fps, start, duration, quoted(soundtrack).c_str(),
             quoted(options.out).c_str());
    FILE* encoder = popen(command, "w");
    if (!encoder) App::fail("halcyon-capture: cannot start ffmpeg\n");

    std::vector<unsigned char> pixels(size_t(app.width) * size_t(app.height) * kChannels);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const double started = monotonicSeconds();
    for (long n = 0; n < frames; ++n) {
        drawStoppedAt((start + double(n) / options.fps) * kRowRate);
        glReadPixels(0, 0, app.width, app.height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        if (fwrite(pixels.data(), 1, pixels.size(), encoder) != pixels.size()) {
            pclose(encoder);
            App::fail("\nhalcyon-capture: ffmpeg stopped taking frames\n");
        }
        showProgress(n + 1, frames, started);
    }
    const int status = pclose(encoder);
    fprintf(stderr, "\n");
    if (status != 0) App::fail("halcyon-capture: ffmpeg failed writing %s\n", options.out.c_str());
    fprintf(stderr, "halcyon-capture: %ld frames (%.2f s) at %dx%d, %d fps in %.0f s: %s\n", frames,
            duration, app.width, app.height, options.fps, monotonicSeconds() - started,
            options.out.c_str());
    App::shutdown();
}

} // namespace

int main(int argc, char** argv) {
    // Nothing is played: leave the sound card to others and say nothing of it.
    setenv("HALCYON_AUDIO", "silent", 1);
    initWindowSystem(&argc, argv);
    parseArguments(argc, argv);
    openWindow(options.width, options.height);
    setUpShow(capture);
    glutMainLoop();
    return 0;
}
