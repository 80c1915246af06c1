#include "audio/Mp3Decode.h"

#include <mpg123.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

// About a third of a second: small enough that a waiting reader is served soon, large enough
// that publishing the progress costs nothing.
const uint64_t kChunkFrames = 16 * 1024;
const uint32_t kBytesPerFrame = 4;
// Reads that return nothing yet claim success, in a row, before the data counts as broken:
// it must not spin forever.
const int kMaxEmptyReads = 64;
// The decoder keeps this far ahead of what was last asked for, and sleeps otherwise: the whole
// file at once would take a core from the start-up it is meant to stay out of the way of. It
// wakes when less than half of it is left, so it runs in bursts, not once per output period.
const uint64_t kReadAheadFrames = 10 * kMp3SampleRate;
// The decoder reads each frame's header and body separately; through a buffer that is a few
// hundred reads of the file instead of two per frame (the scan alone visits every frame).
const size_t kReadBufferBytes = 64 * 1024;

} // namespace

struct Mp3Stream {
    mpg123_handle* mh = nullptr;
    std::string path;
    int16_t* samples = nullptr;
    uint64_t frames = 0;
    std::atomic<uint64_t> decoded{0}; // frames [0, decoded) are final
    std::atomic<bool> stop{false};
    std::mutex lock; // guards finished, wanted and stop's signal; pairs with both conditions
    std::condition_variable progress; // the decoder to the readers
    std::condition_variable wake;     // the readers to the decoder
    bool finished = false;
    uint64_t wanted = 0; // decode up to here, then sleep
    bool threadRunning = false;
    int emptyReads = 0;
    pthread_t thread;
};

namespace {

// Every rate is allowed as output so that the decoder reports the file's own rate instead of
// resampling to ours; the caller refuses anything but 44100 Hz.
bool allowNativeRates(mpg123_handle* mh) {
    if (mpg123_format_none(mh) != MPG123_OK) return false;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        if (mpg123_format(mh, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK)
            return false;
    return true;
}

// libmpg123 before API 46 (Debian 11's, where the release is built) has no
// name of its own for the reader's result type, which was ssize_t there.
#if MPG123_API_VERSION < 46
typedef ssize_t mpg123_ssize_t;
#endif

mpg123_ssize_t readFile(void* file, void* buffer, size_t bytes) {
    const size_t got = fread(buffer, 1, bytes, static_cast<FILE*>(file));
    return got == 0 && ferror(static_cast<FILE*>(file)) ? -1 : mpg123_ssize_t(got);
}

off_t seekFile(void* file, off_t offset, int whence) {
    if (fseeko(static_cast<FILE*>(file), offset, whence) != 0) return -1;
    return ftello(static_cast<FILE*>(file));
}

void closeFile(void* file) {
    fclose(static_cast<FILE*>(file));
}

Mp3DecodeResult checkFormat(mpg123_handle* mh) {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) return MP3_DECODE_BAD_DATA;
    if (rate != long(kMp3SampleRate)) return MP3_DECODE_BAD_RATE;
    if (channels != MPG123_STEREO || encoding != MPG123_ENC_SIGNED_16) return MP3_DECODE_BAD_DATA;
    return MP3_DECODE_OK;
}

void publish(Mp3Stream* s, uint64_t decoded, bool finished) {
    {
        std::lock_guard<std::mutex> guard(s->lock);
        s->decoded.store(decoded, std::memory_order_release);
        s->finished = finished;
    }
    s->progress.notify_all();
}

// Decodes one chunk at s->decoded. False when the decoding cannot go on: the end of the data,
// a format change, or an error.
bool decodeChunk(Mp3Stream* s) {
    const uint64_t at = s->decoded.load(std::memory_order_relaxed);
    const uint64_t want = std::min(kChunkFrames, s->frames - at);
    size_t bytes = 0;
    const int status =
        mpg123_read(s->mh, (unsigned char*)(s->samples + at * 2), want * kBytesPerFrame, &bytes);
    const uint64_t done = at + bytes / kBytesPerFrame;
    publish(s, done, false);
    s->emptyReads = bytes == 0 ? s->emptyReads + 1 : 0;
    if (s->emptyReads > kMaxEmptyReads) return false;
    if (status == MPG123_OK) return true;
    if (status == MPG123_NEW_FORMAT) return checkFormat(s->mh) == MP3_DECODE_OK;
    return false;
}

// The rest of the stream, on the decoder's thread (or the caller's, if no thread could start).
// Sleeps until a reader wants frames beyond `at`; false when the stream is being closed.
bool awaitDemand(Mp3Stream* s, uint64_t at) {
    std::unique_lock<std::mutex> guard(s->lock);
    s->wake.wait(guard, [&] { return s->stop.load() || s->wanted > at; });
    return !s->stop.load();
}

// Raises the decoding target to `frames` plus the read-ahead; wakes the decoder only when it has
// used up half of its lead, so that a caller per output period costs a comparison.
void demand(Mp3Stream* s, uint64_t frames) {
    const uint64_t target = std::min(frames + kReadAheadFrames, s->frames);
    {
        std::lock_guard<std::mutex> guard(s->lock);
        if (target <= s->wanted + kReadAheadFrames / 2 && frames <= s->wanted) return;
        s->wanted = std::max(s->wanted, target);
    }
    s->wake.notify_one();
}

void* decodeRest(void* stream) {
    Mp3Stream* s = static_cast<Mp3Stream*>(stream);
    uint64_t at = s->decoded.load(std::memory_order_relaxed);
    while (at < s->frames && awaitDemand(s, at) && decodeChunk(s))
        at = s->decoded.load(std::memory_order_relaxed);
    at = s->decoded.load(std::memory_order_relaxed);
    if (at < s->frames && !s->stop.load(std::memory_order_relaxed)) {
        fprintf(stderr, "halcyon: %s: MP3 data broken at %.3f s; silence from there\n",
                s->path.c_str(), double(at) / kMp3SampleRate);
        memset(s->samples + at * 2, 0, size_t(s->frames - at) * kBytesPerFrame);
        at = s->frames;
    }
    // Nothing more is read: the file need not stay open for the rest of the run.
    mpg123_close(s->mh);
    publish(s, at, true);
    return nullptr;
}

void release(Mp3Stream* s) {
    if (s->mh) {
        mpg123_close(s->mh);
        mpg123_delete(s->mh);
    }
    free(s->samples);
    delete s;
}

// The scan reads every frame header, which makes the length exact before decoding; the first
// chunk is decoded here so that data broken from the start is refused at once.
Mp3DecodeResult openScanned(Mp3Stream* s) {
    if (mpg123_scan(s->mh) != MPG123_OK) return MP3_DECODE_BAD_DATA;
    // The scan stops quietly where the frames stop; it leaves why in the handle. Only the end of
    // the file is a proper end: data it could not resynchronise on is broken, and refused as a
    // whole decode would have refused it, rather than played as a shorter stream.
    const int scanEnd = mpg123_errcode(s->mh);
    if (scanEnd != MPG123_OK && scanEnd != MPG123_DONE && scanEnd != MPG123_ERR_READER)
        return MP3_DECODE_BAD_DATA;
    const Mp3DecodeResult format = checkFormat(s->mh);
    if (format != MP3_DECODE_OK) return format;
    const off_t length = mpg123_length(s->mh);
    if (length <= 0) return MP3_DECODE_BAD_DATA;
    s->frames = uint64_t(length);
    s->samples = static_cast<int16_t*>(malloc(s->frames * kBytesPerFrame));
    if (!s->samples) return MP3_DECODE_NO_MEMORY;
    if (!decodeChunk(s) && s->decoded.load() < s->frames) return MP3_DECODE_BAD_DATA;
    if (s->decoded.load() == 0) return MP3_DECODE_BAD_DATA;
    return MP3_DECODE_OK;
}

} // namespace

Mp3DecodeResult mp3Open(const char* path, Mp3Stream** stream) {
    *stream = nullptr;
    // Opened here, not by the decoder: fopen tells a missing file from an unreadable one, and
    // its buffer serves the decoder's many small reads.
    FILE* file = fopen(path, "rb");
    if (!file) return MP3_DECODE_NO_FILE;
    setvbuf(file, nullptr, _IOFBF, kReadBufferBytes);

    mpg123_init(); // a no-op on current versions, required on old ones
    int error = MPG123_OK;
    Mp3Stream* s = new Mp3Stream();
    s->path = path;
    s->mh = mpg123_new(nullptr, &error);
    if (!s->mh) {
        fclose(file);
        release(s);
        return MP3_DECODE_NO_MEMORY;
    }
    const long flags = MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET;
    Mp3DecodeResult result = MP3_DECODE_BAD_DATA;
    if (mpg123_param(s->mh, MPG123_ADD_FLAGS, flags, 0.0) == MPG123_OK && allowNativeRates(s->mh) &&
        mpg123_replace_reader_handle(s->mh, readFile, seekFile, closeFile) == MPG123_OK) {
        // From here on the handle owns the file and closes it.
        result = mpg123_open_handle(s->mh, file) != MPG123_OK ? MP3_DECODE_NO_FILE : openScanned(s);
    } else {
        fclose(file);
    }
    if (result != MP3_DECODE_OK) {
        release(s);
        return result;
    }
    // Nothing more until someone reads: the start-up that follows creation has the cores.
    s->wanted = s->decoded.load();
    s->threadRunning = pthread_create(&s->thread, nullptr, decodeRest, s) == 0;
    if (!s->threadRunning) {
        s->wanted = s->frames; // no thread to wait for: all of it now
        decodeRest(s);
    }
    *stream = s;
    return MP3_DECODE_OK;
}

void mp3Close(Mp3Stream* s) {
    if (!s) return;
    {
        std::lock_guard<std::mutex> guard(s->lock);
        s->stop.store(true);
    }
    s->wake.notify_one();
    if (s->threadRunning) pthread_join(s->thread, nullptr);
    release(s);
}

uint64_t mp3Frames(const Mp3Stream* s) {
    return s->frames;
}

const int16_t* mp3Samples(const Mp3Stream* s) {
    return s->samples;
}

uint64_t mp3Decoded(const Mp3Stream* s) {
    return s->decoded.load(std::memory_order_acquire);
}

uint64_t mp3WaitDecoded(Mp3Stream* s, uint64_t frames) {
    frames = std::min(frames, s->frames);
    demand(s, frames);
    uint64_t ready = s->decoded.load(std::memory_order_acquire);
    if (ready >= frames) return ready;
    std::unique_lock<std::mutex> guard(s->lock);
    s->progress.wait(
        guard, [&] { return s->decoded.load(std::memory_order_acquire) >= frames || s->finished; });
    return s->decoded.load(std::memory_order_acquire);
}

void mp3DecodeToEnd(Mp3Stream* s) {
    demand(s, s->frames);
}
