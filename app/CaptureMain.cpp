// halcyon-capture: renders the show, or a row range of it, into a video file
// with its soundtrack, deterministically and without playing it.
//
//   halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]
//                   [--offscreen]
//
// Defaults: 1920x1080, 60 frames a second, the whole soundtrack, halcyon.mp4.
// Frame n shows the row of time from + n/fps exactly (the soundtrack seeked
// there, so the equaliser sees that moment's spectrum). Frames are piped to
// ffmpeg one at a time, never held together; the soundtrack's same time span
// is muxed in, so picture and sound stay in sync over the whole file. A
// progress bar goes to stderr. Draws offscreen where there is no X display
// (see ToolShell.h). ffmpeg writes a temporary file beside FILE, renamed to
// FILE only when the encoder has finished it; FILE's folder is created if
// missing and checked before anything is loaded. Exit status 0 when FILE is
// written, 1 with a message otherwise, 2 for a bad command line.
#include "Encoder.h"
#include "OutputFile.h"
#include "Shell.h"
#include "ToolOptions.h"
#include "ToolShell.h"

#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/DataFile.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kTool = "halcyon-capture";
const int kChannels = 3;
const int kProgressWidth = 40;
const char* const kSoundtrack = "Meridian_Demo_Edit.mp3";
// An extension longer than this is no container ffmpeg knows.
const size_t kMaxExtension = 8;

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
        "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p",
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

    Encoder encoder;
    if (!startEncoder(encoderArguments(app.width, app.height, start, duration), folder.fd,
                      &encoder))
        App::fail("%s: cannot start ffmpeg: %s\n", kTool, strerror(errno));
    setTemporaryWriter(encoder.pid);

    std::vector<unsigned char> pixels(size_t(app.width) * size_t(app.height) * kChannels);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const double started = monotonicSeconds();
    for (long n = 0; n < frames; ++n) {
        drawStoppedAt((start + double(n) / options.fps) * kRowRate);
        glReadPixels(0, 0, app.width, app.height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        if (!writeToEncoder(encoder, pixels.data(), pixels.size())) {
            finishEncoder(&encoder);
            setTemporaryWriter(0);
            discardTemporary();
            App::fail("\n%s: ffmpeg stopped taking frames; nothing written to %s\n", kTool,
                      options.out.c_str());
        }
        showProgress(n + 1, frames, started);
    }
    const bool encoded = finishEncoder(&encoder);
    // Reaped: its process number may go to another process now.
    setTemporaryWriter(0);
    fprintf(stderr, "\n");
    if (!encoded) {
        discardTemporary();
        App::fail("%s: ffmpeg failed; nothing written to %s\n", kTool, options.out.c_str());
    }
    std::string error;
    if (!commitTemporary(kTool, folder, outName, options.out, &error))
        App::fail("%s", error.c_str());
    fprintf(stderr, "%s: %ld frames (%.2f s) at %dx%d, %d fps in %.0f s: %s\n", kTool, frames,
            duration, app.width, app.height, options.fps, monotonicSeconds() - started,
            options.out.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const std::string usageError = parseCaptureArguments(argc, argv, &options);
    if (options.help) {
        fputs(kCaptureUsage, stdout);
        return 0;
    }
    if (!usageError.empty()) {
        fputs(usageError.c_str(), stderr);
        return kUsageStatus;
    }
    // The output's folder is made and proven writable before the show loads:
    // the temporary file made here is the one ffmpeg later writes.
    std::string error;
    if (!openOutputParent(kTool, options.out, &folder, &outName, &error))
        App::fail("%s", error.c_str());
    const std::string extension = extensionOf(outName);
    temporary = temporaryName(kTool, "." + (extension.empty() ? "mp4" : extension));
    const int probe = createTemporary(kTool, folder, temporary, &error);
    if (probe < 0) App::fail("%s", error.c_str());
    close(probe);
    // Nothing is played: leave the sound card to others and say nothing of it.
    setenv("HALCYON_AUDIO", "silent", 1);
    runTool(argv[0], options.width, options.height, options.offscreen, capture);
}
