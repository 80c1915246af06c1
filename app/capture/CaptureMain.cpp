// halcyon-capture: renders the show, or a row range of it, into a video file
// with its soundtrack, deterministically and without playing it.
//
//   halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]
//                   [--offscreen]
//
// Defaults: 1920x1080, 60 frames a second, the whole soundtrack, halcyon.mp4.
// Frame n shows the row of time from + n/fps exactly (the soundtrack seeked
// there, so the equaliser sees that moment's spectrum). Frames are piped to
// ffmpeg in order, never more than a few held at once; the soundtrack's same
// time span is muxed in, so picture and sound stay in sync over the whole
// file. A progress bar goes to stderr, and at the end the export's frame rate
// beside the rate of drawing alone. Draws offscreen where there is no X display
// (see ToolShell.h). ffmpeg writes a temporary file beside FILE, renamed to
// FILE only when the encoder has finished it; FILE's folder is created if
// missing and checked before anything is loaded. Exit status 0 when FILE is
// written, 1 with a message otherwise, 2 for a bad command line.
//
// The frame loop hides the readback: each frame is read into one of a ring of
// pixel buffers and taken out only when the next ones have been drawn, and a
// writer thread feeds the encoder while the next frames are drawn.
#include "Encoder.h"
#include "app/export/OutputFile.h"
#include "app/common/Shell.h"
#include "app/export/ToolOptions.h"
#include "app/export/ToolShell.h"

#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/DataFile.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kTool = "halcyon-capture";
const int kChannels = 3;
const int kProgressWidth = 40;
// An extension longer than this is no container ffmpeg knows.
const size_t kMaxExtension = 8;
// Frame n is taken out of its pixel buffer this many frames later, so the
// copy behind a readback overlaps the drawing of the frames after it.
const int kReadbackRing = 3;
// Frames taken out and waiting for the encoder's pipe.
const int kWriterSlots = 3;
// A pipe that holds a good part of a frame lets ffmpeg read while we draw.
const int kPipeBytes = 1 << 20;
// Frames drawn again at the end, without readback, for the render-only rate.
const long kRenderOnlyFrames = 30;

CaptureOptions options;
OutputFolder folder;
std::string outName;   // FILE's last name, in folder
std::string temporary; // ffmpeg's output name, in folder

// ffmpeg picks the container by the name's extension; the temporary name
// keeps it, and a name without a usable one gets MP4.
std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size() ||
        name.size() - dot - 1 > kMaxExtension)
        return "";
    for (size_t i = dot + 1; i < name.size(); ++i)
        if (!isalnum(static_cast<unsigned char>(name[i]))) return "";
    return name.substr(dot + 1);
}

std::string number(const char* format, double value) {
    char text[64];
    snprintf(text, sizeof text, format, value);
    return text;
}

// The encoder's command line: raw RGB frames on stdin, bottom row first; the
// soundtrack's span from `start` for `duration` seconds; H.264 and AAC.
std::vector<std::string> encoderArguments(int width, int height, double start, double duration) {
    // clang-format off
    std::vector<std::string> args = {
        "ffmpeg", "-nostdin", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24",
        "-s", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(options.fps), "-i", "pipe:0",
        "-ss", number("%.6f", start), "-t", number("%.6f", duration),
        // "file:" keeps a colon in a path from reading as a protocol.
        "-i", std::string("file:") + kDataDir + kSoundtrack,
        "-map", "0:v:0", "-map", "1:a:0", "-vf", "vflip",
        "-c:v", "libx264", "-preset", "veryfast", "-threads", "0", "-crf", "18",
        "-pix_fmt", "yuv420p",
        "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart",
    };
    // clang-format on
    if (extensionOf(outName).empty()) {
        args.push_back("-f");
        args.push_back("mp4");
    }
    args.push_back("file:" + temporary);
    return args;
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
    Encoder encoder;
    size_t frameBytes = 0;
    std::vector<unsigned char> slots[kWriterSlots];
    std::mutex lock;
    std::condition_variable changed;
    long queued = 0, written = 0;
    bool done = false, failed = false;
    pthread_t thread;
    bool joined = false; // finishWriting runs twice when the encoder fails at the end
};

void* writeFrames(void* data) {
    FrameWriter& w = *static_cast<FrameWriter*>(data);
    std::unique_lock<std::mutex> guard(w.lock);
    for (;;) {
        w.changed.wait(guard, [&] { return w.written < w.queued || w.done; });
        if (w.written == w.queued) return nullptr;
        const std::vector<unsigned char>& slot = w.slots[w.written % kWriterSlots];
        guard.unlock();
        const bool ok = writeToEncoder(w.encoder, slot.data(), slot.size());
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
    if (!w.joined) {
        const int joined = pthread_join(w.thread, nullptr);
        if (joined != 0)
            App::fail("\n%s: cannot join the writer thread: %s\n", kTool, strerror(joined));
        w.joined = true;
    }
    return !w.failed;
}

// On a path that fails: the encoder is ended (its output is not wanted, and one
// that stopped reading but lives on would hold the writer forever), the writer
// thread joined, the encoder reaped and the temporary file removed.
void abandonExport(FrameWriter& w) {
    killEncoder(w.encoder);
    finishWriting(w);
    finishEncoder(&w.encoder);
    setTemporaryWriter(0);
    reapEncoder(&w.encoder);
    discardTemporary();
}

[[noreturn]] void stoppedTakingFrames(FrameWriter& w) {
    abandonExport(w);
    App::fail("\n%s: ffmpeg stopped taking frames; nothing written to %s\n", kTool,
              options.out.c_str());
}

// Maps frame n's pixel buffer and copies it into the writer's next slot.
void takeOut(FrameWriter& w, const GLuint* readback, long n) {
    glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, readback[n % kReadbackRing]);
    const void* mapped = glMapBufferARB(GL_PIXEL_PACK_BUFFER_ARB, GL_READ_ONLY_ARB);
    if (!mapped) {
        abandonExport(w);
        App::fail("\n%s: cannot read frame %ld back\n", kTool, n);
    }
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
        App::fail("%s: nothing to capture: the soundtrack ends at row %g\n", kTool,
                  length * kRowRate);
    const long frames = long(std::ceil((end - start) * options.fps - 1e-9));
    const double duration = double(frames) / options.fps;

    FrameWriter writer;
    if (!startEncoder(encoderArguments(app.width, app.height, start, duration), folder.fd,
                      &writer.encoder))
        App::fail("%s: cannot start ffmpeg: %s\n", kTool, strerror(errno));
    setTemporaryWriter(writer.encoder.pid);
    fcntl(writer.encoder.input, F_SETPIPE_SZ, kPipeBytes); // a hint: the default pipe works too

    writer.frameBytes = size_t(app.width) * size_t(app.height) * kChannels;
    for (std::vector<unsigned char>& slot : writer.slots)
        slot.resize(writer.frameBytes);
    if (pthread_create(&writer.thread, nullptr, writeFrames, &writer) != 0)
        App::fail("%s: cannot start the writer thread\n", kTool);

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
    const double exportSeconds = monotonicSeconds() - started;
    const bool encoded = finishEncoder(&writer.encoder);
    // Forgotten before it is reaped: its process number may then go to another process.
    setTemporaryWriter(0);
    reapEncoder(&writer.encoder);
    fprintf(stderr, "\n");
    if (!encoded) {
        discardTemporary();
        App::fail("%s: ffmpeg failed; nothing written to %s\n", kTool, options.out.c_str());
    }
    std::string error;
    if (!commitTemporary(kTool, folder, outName, options.out, &error))
        App::fail("%s", error.c_str());
    fprintf(stderr, "%s: %ld frames (%.2f s) at %dx%d, %d fps in %.0f s: %s\n", kTool, frames,
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
            "%s: export %.2f frames/s, render only %.2f frames/s (%ld frames): ratio %.2f\n", kTool,
            exportRate, renderRate, drawn, exportRate / renderRate);
}

} // namespace

int main(int argc, char** argv) {
    const std::string usageError = parseCaptureArguments(argc, argv, &options);
    int status = 0;
    if (commandLineEnds(options.help, usageError, kCaptureUsage, &status)) return status;
    // The output's folder is made and proven writable before the show loads:
    // the temporary file made here is the one ffmpeg later writes.
    std::string error;
    if (!openOutputParent(kTool, options.out, &folder, &outName, &error))
        App::fail("%s", error.c_str());
    const std::string extension = extensionOf(outName);
    const int probe = createTemporary(kTool, folder, "." + (extension.empty() ? "mp4" : extension),
                                      &temporary, &error);
    if (probe < 0) App::fail("%s", error.c_str());
    close(probe);
    // Nothing is played: leave the sound card to others and say nothing of it.
    setenv("HALCYON_AUDIO", "silent", 1);
    runTool(argv[0], options.width, options.height, options.offscreen, capture);
}
