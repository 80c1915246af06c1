// halcyon-capture: renders the show, or a row range of it, into an MP4 file
// with its soundtrack, deterministically and without playing it.
//
//   halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]
//
// Defaults: 1920x1080, 60 frames a second, the whole soundtrack, halcyon.mp4.
// Frame n shows the row of time from + n/fps exactly (the soundtrack seeked
// there, so the equaliser sees that moment's spectrum). Frames are piped to
// ffmpeg in order, never more than a few held at once; the soundtrack's same
// time span is muxed in, so picture and sound stay in sync over the whole
// file. A progress bar goes to stderr, and at the end the export's frame rate
// beside the rate of drawing alone. Needs an X display (Xvfb will do).
//
// The frame loop hides the readback: each frame is read into one of a ring of
// pixel buffers and taken out only when the next ones have been drawn, and a
// writer thread feeds the encoder while the next frames are drawn.
#include "Shell.h"

#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/DataFile.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"

#include <GL/freeglut.h>
#include <fcntl.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
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
// Frame n is taken out of its pixel buffer this many frames later, so the
// copy behind a readback overlaps the drawing of the frames after it.
const int kReadbackRing = 3;
// Frames taken out and waiting for the encoder's pipe.
const int kWriterSlots = 3;
// A pipe that holds a good part of a frame lets ffmpeg read while we draw.
const int kPipeBytes = 1 << 20;
// Frames drawn again at the end, without readback, for the render-only rate.
const long kRenderOnlyFrames = 30;
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

// Writes frames to the encoder from a thread of its own, in order. The main
// thread fills slot `queued % kWriterSlots` and hands it over; the writer
// gives it back once written.
struct FrameWriter {
    FILE* encoder = nullptr;
    size_t frameBytes = 0;
    std::vector<unsigned char> slots[kWriterSlots];
    std::mutex lock;
    std::condition_variable changed;
    long queued = 0, written = 0;
    bool done = false, failed = false;
    pthread_t thread;
};

void* writeFrames(void* data) {
    FrameWriter& w = *static_cast<FrameWriter*>(data);
    std::unique_lock<std::mutex> guard(w.lock);
    for (;;) {
        w.changed.wait(guard, [&] { return w.written < w.queued || w.done; });
        if (w.written == w.queued) return nullptr;
        const std::vector<unsigned char>& slot = w.slots[w.written % kWriterSlots];
        guard.unlock();
        const bool ok = fwrite(slot.data(), 1, slot.size(), w.encoder) == slot.size();
        guard.lock();
        if (!ok)
            w.failed = true;
        else
            w.written++;
        w.changed.notify_all();
        if (!ok) return nullptr;
    }
}

// The next free slot, or null once the encoder stopped taking frames.
unsigned char* freeSlot(FrameWriter& w) {
    std::unique_lock<std::mutex> guard(w.lock);
    w.changed.wait(guard, [&] { return w.queued - w.written < kWriterSlots || w.failed; });
    return w.failed ? nullptr : w.slots[w.queued % kWriterSlots].data();
}

void handOver(FrameWriter& w) {
    {
        std::lock_guard<std::mutex> guard(w.lock);
        w.queued++;
    }
    w.changed.notify_all();
}

// Waits for every frame handed over; false if the encoder stopped taking them.
bool finishWriting(FrameWriter& w) {
    {
        std::lock_guard<std::mutex> guard(w.lock);
        w.done = true;
    }
    w.changed.notify_all();
    pthread_join(w.thread, nullptr);
    return !w.failed;
}

void stoppedTakingFrames(FrameWriter& w) {
    finishWriting(w);
    pclose(w.encoder);
    App::fail("\nhalcyon-capture: ffmpeg stopped taking frames\n");
}

// Maps frame n's pixel buffer and copies it into the writer's next slot.
void takeOut(FrameWriter& w, const GLuint* readback, long n) {
    glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, readback[n % kReadbackRing]);
    const void* mapped = glMapBufferARB(GL_PIXEL_PACK_BUFFER_ARB, GL_READ_ONLY_ARB);
    if (!mapped) App::fail("\nhalcyon-capture: cannot read frame %ld back\n", n);
    unsigned char* slot = freeSlot(w);
    if (slot) memcpy(slot, mapped, w.frameBytes);
    glUnmapBufferARB(GL_PIXEL_PACK_BUFFER_ARB);
    if (!slot) stoppedTakingFrames(w);
    handOver(w);
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
             "-threads 0 -crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k -movflags +faststart %s",
             app.width, app.height, options.fps, start, duration, quoted(soundtrack).c_str(),
             quoted(options.out).c_str());
    FILE* encoder = popen(command, "w");
    if (!encoder) App::fail("halcyon-capture: cannot start ffmpeg\n");

    fcntl(fileno(encoder), F_SETPIPE_SZ, kPipeBytes); // a hint: the default pipe works too

    FrameWriter writer;
    writer.encoder = encoder;
    writer.frameBytes = size_t(app.width) * size_t(app.height) * kChannels;
    for (std::vector<unsigned char>& slot : writer.slots)
        slot.resize(writer.frameBytes);
    if (pthread_create(&writer.thread, nullptr, writeFrames, &writer) != 0)
        App::fail("halcyon-capture: cannot start the writer thread\n");

    GLuint readback[kReadbackRing];
    glGenBuffersARB(kReadbackRing, readback);
    for (GLuint buffer : readback) {
        glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, buffer);
        glBufferDataARB(GL_PIXEL_PACK_BUFFER_ARB, GLsizeiptrARB(writer.frameBytes), nullptr,
                        GL_STREAM_READ_ARB);
    }
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const double started = monotonicSeconds();
    for (long n = 0; n < frames; ++n) {
        drawStoppedAt((start + double(n) / options.fps) * kRowRate);
        glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, readback[n % kReadbackRing]);
        glReadPixels(0, 0, app.width, app.height, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        if (n >= kReadbackRing - 1) takeOut(writer, readback, n - (kReadbackRing - 1));
        showProgress(n + 1, frames, started);
    }
    for (long n = std::max(0L, frames - (kReadbackRing - 1)); n < frames; ++n)
        takeOut(writer, readback, n);
    glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, 0);
    if (!finishWriting(writer)) stoppedTakingFrames(writer);
    const int status = pclose(encoder);
    const double exportSeconds = monotonicSeconds() - started;
    fprintf(stderr, "\n");
    if (status != 0) App::fail("halcyon-capture: ffmpeg failed writing %s\n", options.out.c_str());
    fprintf(stderr, "halcyon-capture: %ld frames (%.2f s) at %dx%d, %d fps in %.0f s: %s\n", frames,
            duration, app.width, app.height, options.fps, exportSeconds, options.out.c_str());

    // The same first frames again, drawn only: what the export would reach
    // if reading back and encoding cost nothing.
    const long drawn = std::min(frames, kRenderOnlyFrames);
    const double drawStarted = monotonicSeconds();
    for (long n = 0; n < drawn; ++n) {
        drawStoppedAt((start + double(n) / options.fps) * kRowRate);
        glFinish();
    }
    const double renderRate = drawn / (monotonicSeconds() - drawStarted);
    const double exportRate = frames / exportSeconds;
    fprintf(stderr,
            "halcyon-capture: export %.2f frames/s, render only %.2f frames/s (%ld frames): "
            "ratio %.2f\n",
            exportRate, renderRate, drawn, exportRate / renderRate);
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
