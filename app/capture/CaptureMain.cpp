// halcyon-capture: renders the show, or a row range of it, into a video file
// with its soundtrack, deterministically and without playing it.
//
//   halcyon-capture [--size WxH] [--fps N] [--from ROW] [--to ROW] [--out FILE]
//                   [--offscreen] [--preset NAME] [--codec C] [--crf N | --bitrate R]
//                   [--passes 2] [--depth 10] [--segment K/N]
//   halcyon-capture --join DIR [--out FILE]
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
// The encoding comes from VideoSettings.h; a two-pass export runs ffmpeg three
// times (frames into a lossless intermediate, the analysis pass, the final
// pass). With --segment only the K-th share of the frames is drawn, into a
// segment file without sound and its description (Segments.h); --join checks
// a folder of them and joins them with the soundtrack, drawing nothing.
//
// The frame loop hides the readback: each frame is read into one of a ring of
// pixel buffers and taken out only when the next ones have been drawn, and a
// writer thread feeds the encoder while the next frames are drawn.
#include "Encoder.h"
#include "Segments.h"
#include "VideoSettings.h"
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
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const kTool = "halcyon-capture";
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

CaptureOptions options;
VideoSettings settings;
OutputFolder folder;
std::string outName;   // FILE's last name, in folder (a segment's video in segment mode)
std::string temporary; // ffmpeg's output name, in folder
std::string showHash;  // of the data folder, for a segment's description

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

// Runs one encoder step that reads files, not frames, to its end.
bool runStep(const std::vector<std::string>& args) {
    Encoder encoder;
    if (!startEncoder(args, folder.fd, &encoder))
        App::fail("%s: cannot start ffmpeg: %s\n", kTool, strerror(errno));
    setTemporaryWriter(encoder.pid);
    const bool done = finishEncoder(&encoder);
    setTemporaryWriter(0);
    reapEncoder(&encoder);
    return done;
}

// A segment's description, written under a temporary name beside its video
// once the video is in place: its presence marks the segment complete.
void writeDescription(const SegmentRecord& record) {
    std::string error, name;
    const int fd = createTemporary(kTool, folder, ".txt", &name, &error);
    if (fd < 0) App::fail("%s", error.c_str());
    const std::string text = formatSegmentRecord(record);
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size());
    close(fd);
    const std::string final = segmentName(options.segment, options.segments) + ".txt";
    if (!written) {
        discardTemporary();
        App::fail("%s: cannot write %s/%s\n", kTool, options.out.c_str(), final.c_str());
    }
    if (!commitTemporary(kTool, folder, final, options.out + "/" + final, &error))
        App::fail("%s", error.c_str());
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
    const long total = long(std::ceil((end - start) * options.fps - 1e-9));
    const double duration = double(total) / options.fps;
    // A segment draws only its share; its file holds no sound (the join adds it once).
    const bool segment = options.segment > 0;
    long first = 0, last = total;
    const int align = settings.fixedGop ? settings.gop : 1;
    if (segment) segmentFrames(options.segment, options.segments, total, align, &first, &last);
    if (last <= first)
        App::fail("%s: segment %d/%d has no frames: the export has only %ld\n", kTool,
                  options.segment, options.segments, total);
    const long frames = last - first;
    for (long n = 0; n < first; ++n)
        advanceStoppedAt((start + double(n) / options.fps) * kRowRate);

    EncodeStep step;
    step.width = app.width;
    step.height = app.height;
    step.fps = options.fps;
    step.start = start;
    step.duration = duration;
    if (!segment) step.soundtrack = std::string(kDataDir) + kSoundtrack;
    step.output = temporary;
    if (segment)
        step.format = "nut";
    else if (extensionOf(outName).empty())
        step.format = "mp4";
    const bool twoPass = settings.passes == 2;
    if (twoPass) {
        step.intermediate = temporaryName(kTool, ".mkv");
        step.passLog = temporaryName(kTool, "-pass");
        bool noted = addScratchFile(folder, step.intermediate);
        for (const char* suffix : {"-0.log", "-0.log.mbtree", "-0.log.temp", "-0.log.mbtree.temp"})
            noted = noted && addScratchFile(folder, step.passLog + suffix);
        if (!noted) App::fail("%s: cannot write in %s\n", kTool, options.out.c_str());
        step.kind = EncodeStep::INTERMEDIATE;
    }

    FrameWriter writer;
    if (!startEncoder(encoderArguments(settings, step), folder.fd, &writer.encoder))
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
        drawStoppedAt((start + double(first + n) / options.fps) * kRowRate);
        glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, readback[n % kReadbackRing]);
        glReadPixels(0, 0, app.width, app.height, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        if (n >= kReadbackRing - 1) takeOut(writer, readback, n - (kReadbackRing - 1));
        showProgress(n + 1, frames, started);
    }
    for (long n = std::max(0L, frames - (kReadbackRing - 1)); n < frames; ++n)
        takeOut(writer, readback, n);
    glBindBufferARB(GL_PIXEL_PACK_BUFFER_ARB, 0);
    if (!finishWriting(writer)) stoppedTakingFrames(writer);
    bool encoded = finishEncoder(&writer.encoder);
    // Forgotten before it is reaped: its process number may then go to another process.
    setTemporaryWriter(0);
    reapEncoder(&writer.encoder);
    if (encoded && twoPass) {
        step.kind = EncodeStep::ANALYSIS;
        encoded = runStep(encoderArguments(settings, step));
        step.kind = EncodeStep::FINAL;
        encoded = encoded && runStep(encoderArguments(settings, step));
        removeScratchFiles();
    }
    const double exportSeconds = monotonicSeconds() - started;
    fprintf(stderr, "\n");
    const std::string shown = segment ? options.out + "/" + outName : options.out;
    if (!encoded) {
        discardTemporary();
        App::fail("%s: ffmpeg failed; nothing written to %s\n", kTool, shown.c_str());
    }
    std::string error;
    if (!commitTemporary(kTool, folder, outName, shown, &error)) App::fail("%s", error.c_str());
    if (segment) {
        SegmentRecord record;
        record.segment = options.segment;
        record.segments = options.segments;
        record.first = first;
        record.end = last;
        record.total = total;
        record.align = align;
        record.start = start;
        record.duration = duration;
        record.show = showHash;
        record.codec = codecName(settings.codec);
        record.audio = describeAudio(settings);
        record.settings = describeVideo(settings, options);
        writeDescription(record);
    }
    fprintf(stderr, "%s: %ld frames (%.2f s) at %dx%d, %d fps in %.0f s: %s\n", kTool, frames,
            double(frames) / options.fps, app.width, app.height, options.fps, exportSeconds,
            shown.c_str());

    // The same first frames again, drawn only: what the export would reach
    // if reading back and encoding cost nothing. Not for a segment, one of
    // many in a run that is all about time.
    if (segment) return;
    const long drawn = std::min(frames, kRenderOnlyFrames);
    const double drawStarted = monotonicSeconds();
    for (long n = 0; n < drawn; ++n) {
        drawStoppedAt((start + double(first + n) / options.fps) * kRowRate);
        glFinish();
    }
    const double renderRate = drawn / (monotonicSeconds() - drawStarted);
    const double exportRate = frames / exportSeconds;
    fprintf(stderr,
            "%s: export %.2f frames/s, render only %.2f frames/s (%ld frames): ratio %.2f\n", kTool,
            exportRate, renderRate, drawn, exportRate / renderRate);
}

bool readWhole(int dir, const char* name, std::string* text) {
    const int fd = openat(dir, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        text->append(buffer, size_t(got));
    close(fd);
    return got == 0;
}

bool endsWith(const std::string& text, const char* end) {
    const size_t n = strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// The segment files of a folder, their descriptions read.
SegmentFolder readSegmentFolder(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (!dir) App::fail("%s: cannot open folder %s: %s\n", kTool, path.c_str(), strerror(errno));
    SegmentFolder segments;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, 8, "segment-") != 0) continue;
        if (endsWith(name, ".nut")) segments.videos.push_back(name);
        if (!endsWith(name, ".txt")) continue;
        std::string text;
        if (!readWhole(dirfd(dir), name.c_str(), &text))
            App::fail("%s: cannot read %s/%s: %s\n", kTool, path.c_str(), name.c_str(),
                      strerror(errno));
        segments.descriptions.push_back(name);
        segments.descriptionTexts.push_back(text);
    }
    closedir(dir);
    return segments;
}

// The concat demuxer's list; single quotes in a path are closed, escaped and
// reopened. Each segment's length is given, so the next starts exactly where
// it ends whatever its container says of its last frame.
std::string concatList(const std::string& dir, const std::vector<SegmentRecord>& segments) {
    std::string list = "ffconcat version 1.0\n";
    for (const SegmentRecord& r : segments) {
        std::string path = dir + "/" + segmentName(r.segment, r.segments) + ".nut", quoted;
        for (char c : path)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        char length[64];
        snprintf(length, sizeof length, "%.9f", double(r.end - r.first) * r.duration / r.total);
        // A protocol of its own: a bare path would be read relative to the list's "pipe:".
        list += "file 'file:" + quoted + "'\nduration " + length + "\n";
    }
    return list;
}

[[noreturn]] void join() {
    std::string show;
    if (!hashShow(kDataDir, &show))
        App::fail("%s: cannot read the show in %s: %s\n", kTool, kDataDir, strerror(errno));
    char* absolute = realpath(options.joinDir.c_str(), nullptr);
    if (!absolute)
        App::fail("%s: cannot open folder %s: %s\n", kTool, options.joinDir.c_str(),
                  strerror(errno));
    const std::string dir = absolute;
    free(absolute);
    std::vector<SegmentRecord> segments;
    const SegmentFolder found = readSegmentFolder(dir);
    const std::string refusal = found.videos.empty() && found.descriptions.empty()
                                    ? ""
                                    : checkSegments(found, show, &segments);
    if (!refusal.empty()) App::fail("%s: %s/%s\n", kTool, options.joinDir.c_str(), refusal.c_str());
    if (segments.empty()) App::fail("%s: no segments in %s\n", kTool, options.joinDir.c_str());
    const SegmentRecord& r = segments.front();
    VideoSettings joined;
    if (!readAudio(r.audio, &joined))
        App::fail("%s: %s/%s.txt: not a segment description\n", kTool, options.joinDir.c_str(),
                  segmentName(r.segment, r.segments).c_str());
    std::string error;
    if (!openOutputParent(kTool, options.out, &folder, &outName, &error))
        App::fail("%s", error.c_str());
    const std::string extension = extensionOf(outName);
    if (r.codec == "ffv1" && extension != "mkv")
        App::fail("%s: the segments are ffv1, which needs a Matroska file (.mkv), not %s\n", kTool,
                  options.out.c_str());
    const int probe = createTemporary(kTool, folder, "." + (extension.empty() ? "mp4" : extension),
                                      &temporary, &error);
    if (probe < 0) App::fail("%s", error.c_str());
    close(probe);

    EncodeStep step;
    step.kind = EncodeStep::JOIN;
    step.start = r.start;
    step.duration = r.duration;
    step.soundtrack = std::string(kDataDir) + kSoundtrack;
    step.output = temporary;
    if (extension.empty()) step.format = "mp4";
    joined.codec = r.codec == "ffv1" ? VideoCodec::FFV1 : VideoCodec::H264;
    Encoder encoder;
    if (!startEncoder(encoderArguments(joined, step), folder.fd, &encoder))
        App::fail("%s: cannot start ffmpeg: %s\n", kTool, strerror(errno));
    setTemporaryWriter(encoder.pid);
    const std::string list = concatList(dir, segments);
    writeToEncoder(encoder, list.data(), list.size()); // a failure shows in its status
    const bool encoded = finishEncoder(&encoder);
    setTemporaryWriter(0);
    reapEncoder(&encoder);
    if (!encoded) {
        discardTemporary();
        App::fail("%s: ffmpeg failed; nothing written to %s\n", kTool, options.out.c_str());
    }
    if (!commitTemporary(kTool, folder, outName, options.out, &error))
        App::fail("%s", error.c_str());
    fprintf(stderr, "%s: %zu segments joined, %ld frames (%.2f s): %s\n", kTool, segments.size(),
            r.total, r.duration, options.out.c_str());
    exit(0);
}

// A segment whose video and description, for this very export, are in place
// already is not drawn again: an interrupted export resumes where it stopped.
bool segmentComplete() {
    const std::string name = segmentName(options.segment, options.segments);
    std::string text;
    SegmentRecord record;
    struct stat video;
    if (!readWhole(folder.fd, (name + ".txt").c_str(), &text) ||
        !parseSegmentRecord(text, &record) ||
        fstatat(folder.fd, (name + ".nut").c_str(), &video, 0) != 0)
        return false;
    return record.show == showHash && record.settings == describeVideo(settings, options);
}

} // namespace

int main(int argc, char** argv) {
    const std::string usageError = parseCaptureArguments(argc, argv, &options);
    int status = 0;
    if (commandLineEnds(options.help, usageError, kCaptureUsage, &status)) return status;
    const std::string badCombination = resolveVideoSettings(&options, &settings);
    if (commandLineEnds(false, badCombination, kCaptureUsage, &status)) return status;
    if (!options.joinDir.empty()) join();
    std::string error;
    std::string extension;
    if (options.segment > 0) {
        // --out is the segments' folder.
        if (!hashShow(kDataDir, &showHash))
            App::fail("%s: cannot read the show in %s: %s\n", kTool, kDataDir, strerror(errno));
        if (!openOutputFolder(kTool, options.out, true, &folder, &error))
            App::fail("%s", error.c_str());
        const std::string name = segmentName(options.segment, options.segments);
        outName = name + ".nut";
        if (segmentComplete()) {
            fprintf(stderr, "%s: %s/%s is complete already\n", kTool, options.out.c_str(),
                    outName.c_str());
            return 0;
        }
        // An older description must not vouch for the video this run replaces.
        if (unlinkat(folder.fd, (name + ".txt").c_str(), 0) != 0 && errno != ENOENT)
            App::fail("%s: cannot write %s/%s.txt: %s\n", kTool, options.out.c_str(), name.c_str(),
                      strerror(errno));
        extension = "nut";
    } else {
        // The output's folder is made and proven writable before the show loads:
        // the temporary file made here is the one ffmpeg later writes.
        if (!openOutputParent(kTool, options.out, &folder, &outName, &error))
            App::fail("%s", error.c_str());
        extension = extensionOf(outName);
    }
    const int probe = createTemporary(kTool, folder, "." + (extension.empty() ? "mp4" : extension),
                                      &temporary, &error);
    if (probe < 0) App::fail("%s", error.c_str());
    close(probe);
    // Nothing is played: leave the sound card to others and say nothing of it.
    setenv("HALCYON_AUDIO", "silent", 1);
    runTool(argv[0], options.width, options.height, options.offscreen, capture);
}
