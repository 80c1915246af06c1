#include "audio/Mp3Decode.h"

#include <mpg123.h>

#include <cstdio>
#include <cstdlib>

namespace {

const uint64_t kChunkFrames = 16 * 1024;
const uint32_t kBytesPerFrame = 4;

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

Mp3DecodeResult checkFormat(mpg123_handle* mh) {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) return MP3_DECODE_BAD_DATA;
    if (rate != (long)kMp3SampleRate) return MP3_DECODE_BAD_RATE;
    if (channels != MPG123_STEREO || encoding != MPG123_ENC_SIGNED_16) return MP3_DECODE_BAD_DATA;
    return MP3_DECODE_OK;
}

bool growTo(Pcm& pcm, uint64_t& capacity, uint64_t frames) {
    if (frames <= capacity) return true;
    void* grown = realloc(pcm.samples, frames * kBytesPerFrame);
    if (!grown) return false;
    pcm.samples = (int16_t*)grown;
    capacity = frames;
    return true;
}

Mp3DecodeResult decodeOpened(mpg123_handle* mh, Pcm& pcm) {
    // The scan reads every frame header, which makes the length exact before decoding.
    if (mpg123_scan(mh) != MPG123_OK) return MP3_DECODE_BAD_DATA;
    Mp3DecodeResult format = checkFormat(mh);
    if (format != MP3_DECODE_OK) return format;

    off_t expected = mpg123_length(mh);
    uint64_t capacity = 0;
    // One chunk beyond the expected length, so that the read that reports the end has room.
    if (!growTo(pcm, capacity, (expected > 0 ? (uint64_t)expected : 0) + kChunkFrames))
        return MP3_DECODE_NO_MEMORY;
    for (;;) {
        if (capacity - pcm.frames < kChunkFrames && !growTo(pcm, capacity, capacity * 2))
            return MP3_DECODE_NO_MEMORY;
        size_t done = 0;
        int status = mpg123_read(mh, (unsigned char*)(pcm.samples + pcm.frames * 2),
                                 (capacity - pcm.frames) * kBytesPerFrame, &done);
        pcm.frames += done / kBytesPerFrame;
        if (status == MPG123_DONE) break;
        if (status == MPG123_NEW_FORMAT) {
            format = checkFormat(mh);
            if (format != MP3_DECODE_OK) return format;
            continue;
        }
        if (status != MPG123_OK) return MP3_DECODE_BAD_DATA;
    }
    if (pcm.frames == 0) return MP3_DECODE_BAD_DATA;
    return MP3_DECODE_OK;
}

} // namespace

void freePcm(Pcm& pcm) {
    free(pcm.samples);
    pcm.samples = nullptr;
    pcm.frames = 0;
}

Mp3DecodeResult decodeMp3(const char* path, Pcm& pcm) {
    pcm = Pcm{nullptr, 0};
    // mpg123_open does not tell a missing file from an unreadable one; fopen does.
    FILE* probe = fopen(path, "rb");
    if (!probe) return MP3_DECODE_NO_FILE;
    fclose(probe);

    mpg123_init(); // a no-op on current versions, required on old ones
    int error = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &error);
    if (!mh) return MP3_DECODE_NO_MEMORY;
    const long flags = MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET;
    Mp3DecodeResult result = MP3_DECODE_BAD_DATA;
    if (mpg123_param(mh, MPG123_ADD_FLAGS, flags, 0.0) == MPG123_OK && allowNativeRates(mh)) {
        if (mpg123_open(mh, path) != MPG123_OK) {
            result = MP3_DECODE_NO_FILE;
        } else {
            result = decodeOpened(mh, pcm);
            mpg123_close(mh);
        }
    }
    mpg123_delete(mh);
    if (result != MP3_DECODE_OK) {
        freePcm(pcm);
        return result;
    }
    // Give back the slack of the last chunk; keeping it is harmless if the system refuses.
    if (void* fitted = realloc(pcm.samples, pcm.frames * kBytesPerFrame))
        pcm.samples = (int16_t*)fitted;
    return MP3_DECODE_OK;
}
