// The stream and its play position; decoding lives in Mp3Decode (in the background: every read of
// samples first makes sure they are decoded), the device in AudioOutput.
//
// The output thread pulls frames from readFrame on; every pull is remembered with its clock
// time. The heard position is estimated from the last few pulls (frame at pull time, minus the
// output's latency, plus the time since), taking the lowest estimate: a pull that comes early,
// or the second of a pair, claims more than was heard and is ignored. It is then held from
// falling back and limited to a little over real-time speed, so corrections are glides rather
// than steps. Pause and seek restart the estimate from the position they leave.
//
// The calls a frame makes (activity, position, update) first check whether the output was lost;
// the silent output then takes over from the position heard at that moment.
#include "audio/bass.h"
#include "audio/DecodedMusic.h"

#include "audio/AudioOutput.h"
#include "audio/Mp3Decode.h"
#include "audio/bass_test.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

const uint32_t kSampleRate = kMp3SampleRate;
const uint32_t kBytesPerFrame = 4;
const double kNanosPerSecond = 1e9;
const uint32_t kPullHistory = 4;
// How much faster than real time the position may move while it catches up with a correction.
const double kMaxCatchUp = 1.25;
const uint32_t kFftSize = 256;
const uint32_t kFftBins = kFftSize / 2;
const float kFftScale = 2.0f / 128.0f; // 2 / (sum of the periodic Hann window)
const float kSampleScale = 1.0f / 32768.0f;
const DWORD kFirstHandle = 0x10000;
const DWORD kDataFlagsKnown = BASS_DATA_FFT256 | BASS_DATA_FLOAT;
// A seek waits until this much beyond its target is decoded, so that playing on from there
// never waits in the output.
const uint64_t kSeekLeadFrames = kSampleRate;

struct Pull {
    int64_t timeNs;
    uint64_t frame;
    uint32_t frames;
};

struct Stream {
    HSTREAM handle;  // 0: no stream
    Mp3Stream* mp3;  // decodes in the background; frames below mp3Decoded are final
    uint64_t frames; // the exact length, known from creation on
    const int16_t* samples;
    DWORD state;
    uint64_t readFrame; // next frame handed to the output; beyond the end it hands out silence
    double heard;       // frames, fractional so that frequent queries still advance
    int64_t heardTimeNs;
    Pull pulls[kPullHistory];
    uint32_t pullCount;
    uint32_t pullNext;
};

struct Audio {
    std::mutex lock; // between the output's pulls and the caller's thread
    bool initialised = false;
    DWORD nextHandle = kFirstHandle;
    Stream stream = {};
};

Audio audio;
thread_local int lastError = BASS_OK;

template <typename T> T fail(int code, T result) {
    lastError = code;
    return result;
}

template <typename T> T succeed(T result) {
    lastError = BASS_OK;
    return result;
}

bool validHandle(DWORD handle) {
    if (!audio.initialised) return fail(BASS_ERROR_INIT, false);
    if (handle == 0 || handle != audio.stream.handle) return fail(BASS_ERROR_HANDLE, false);
    return true;
}

// Called with the lock held from here on.

void restartEstimate(Stream& s, uint64_t frame) {
    s.heard = double(frame);
    s.heardTimeNs = audioClockNs();
    s.readFrame = frame;
    s.pullCount = 0;
    s.pullNext = 0;
}

double framesIn(int64_t nanoseconds) {
    return nanoseconds > 0 ? nanoseconds * (kSampleRate / kNanosPerSecond) : 0.0;
}

// Brings heard up to now and notices the end of the stream.
void updateHeard(Stream& s) {
    if (s.state != BASS_ACTIVE_PLAYING) return;
    const int64_t now = audioClockNs();
    if (s.pullCount > 0) {
        const double latency = audioOutputLatencyFrames();
        double lowest = HUGE_VAL;
        for (uint32_t i = 0; i < s.pullCount; ++i) {
            const Pull& p = s.pulls[i];
            lowest = std::min(lowest, p.frame - latency + framesIn(now - p.timeNs));
        }
        const Pull& latest = s.pulls[(s.pullNext + kPullHistory - 1) % kPullHistory];
        double estimate = std::min(lowest, latest.frame + latest.frames - latency);
        estimate = std::min(estimate, s.heard + kMaxCatchUp * framesIn(now - s.heardTimeNs));
        estimate = std::min(estimate, double(s.frames));
        s.heard = std::max(s.heard, estimate);
    }
    s.heardTimeNs = now;
    if (s.heard >= s.frames && s.readFrame >= s.frames) {
        s.heard = double(s.frames);
        s.state = BASS_ACTIVE_STOPPED;
    }
}

uint64_t heardFrame(Stream& s) {
    updateHeard(s);
    return uint64_t(s.heard);
}

void pullFrames(int16_t* stereo, uint32_t frames) {
    std::lock_guard<std::mutex> guard(audio.lock);
    Stream& s = audio.stream;
    uint32_t copied = 0;
    if (s.handle != 0 && s.state == BASS_ACTIVE_PLAYING) {
        if (s.readFrame < s.frames) {
            copied = uint32_t(std::min<uint64_t>(frames, s.frames - s.readFrame));
            // The decoder runs far ahead of real time, so this waits only right after a seek
            // that nobody waited for; it gives up only while the stream is being freed.
            const uint64_t ready = mp3WaitDecoded(s.mp3, s.readFrame + copied);
            copied = uint32_t(std::min<uint64_t>(copied, ready - std::min(ready, s.readFrame)));
        }
        memcpy(stereo, s.samples + s.readFrame * 2, size_t(copied) * kBytesPerFrame);
        s.pulls[s.pullNext] = Pull{audioClockNs(), s.readFrame, frames};
        s.pullNext = (s.pullNext + 1) % kPullHistory;
        s.pullCount = std::min(s.pullCount + 1, kPullHistory);
        s.readFrame += frames;
    }
    memset(stereo + copied * 2, 0, size_t(frames - copied) * kBytesPerFrame);
}

// Called without the lock: detaching waits for a pull in progress, which may be waiting for it.
// True when it replaced the output, with the frame heard at that moment: the silent output may
// already have pulled since, and a caller reporting the position reports this one.
bool replaceLostOutput(uint64_t* heardAtLoss) {
    if (!audioOutputDetachIfLost()) return false;
    std::lock_guard<std::mutex> guard(audio.lock);
    Stream& s = audio.stream;
    // Estimated on the lost output's clock and latency, then carried over to the silent one's.
    const uint64_t heard = s.handle != 0 ? heardFrame(s) : 0;
    audioOutputSwitchToSilent();
    if (s.handle != 0) restartEstimate(s, heard);
    *heardAtLoss = heard;
    return true;
}

void replaceLostOutput() {
    uint64_t heard;
    replaceLostOutput(&heard);
}

struct Spectrum {
    kiss_fftr_cfg config;
    float window[kFftSize];
};

// Built on first use and kept for the process: no allocation on later calls.
const Spectrum& spectrum() {
    static const Spectrum built = [] {
        Spectrum s;
        s.config = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
        for (uint32_t n = 0; n < kFftSize; ++n)
            s.window[n] = float(0.5 - 0.5 * std::cos(2.0 * M_PI * n / kFftSize));
        return s;
    }();
    return built;
}

} // namespace

void audioSpectrum256(const int16_t* stereo, float* magnitudes128) {
    const Spectrum& fft = spectrum();
    kiss_fft_scalar input[kFftSize];
    kiss_fft_cpx output[kFftBins + 1];
    for (uint32_t n = 0; n < kFftSize; ++n) {
        float mono = 0.5f * (float(stereo[2 * n]) + float(stereo[2 * n + 1])) * kSampleScale;
        input[n] = mono * fft.window[n];
    }
    kiss_fftr(fft.config, input, output);
    for (uint32_t k = 0; k < kFftBins; ++k)
        magnitudes128[k] = std::hypot(output[k].r, output[k].i) * kFftScale;
}

BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*) {
    if (audio.initialised) return fail(BASS_ERROR_ALREADY, FALSE);
    if (device != -1 || freq != kSampleRate) return fail(BASS_ERROR_ILLPARAM, FALSE);
    if (!spectrum().config) return fail(BASS_ERROR_MEM, FALSE);
    if (!audioOutputOpen(pullFrames)) return fail(BASS_ERROR_DEVICE, FALSE);
    audio.initialised = true;
    return succeed(TRUE);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD) {
    if (!audio.initialised) return fail(BASS_ERROR_INIT, 0);
    if (mem || !file || offset != 0 || length != 0) return fail(BASS_ERROR_ILLPARAM, 0);
    if (audio.stream.handle != 0) return fail(BASS_ERROR_BUSY, 0);
    Mp3Stream* mp3 = nullptr;
    switch (mp3Open((const char*)file, &mp3)) {
    case MP3_DECODE_OK:
        break;
    case MP3_DECODE_NO_FILE:
        return fail(BASS_ERROR_FILEOPEN, 0);
    case MP3_DECODE_NO_MEMORY:
        return fail(BASS_ERROR_MEM, 0);
    default:
        return fail(BASS_ERROR_FORMAT, 0);
    }
    std::lock_guard<std::mutex> guard(audio.lock);
    Stream& s = audio.stream;
    s.handle = audio.nextHandle++;
    if (audio.nextHandle == 0) audio.nextHandle = kFirstHandle;
    s.mp3 = mp3;
    s.frames = mp3Frames(mp3);
    s.samples = mp3Samples(mp3);
    s.state = BASS_ACTIVE_STOPPED;
    restartEstimate(s, 0);
    return succeed(s.handle);
}

BOOL BASS_Start() {
    if (!audio.initialised) return fail(BASS_ERROR_INIT, FALSE);
    return succeed(TRUE); // the output runs from BASS_Init on
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    if (!validHandle(handle)) return FALSE;
    std::lock_guard<std::mutex> guard(audio.lock);
    Stream& s = audio.stream;
    uint64_t from = restart ? 0 : heardFrame(s);
    if (s.state == BASS_ACTIVE_PLAYING && !restart) return succeed(TRUE);
    s.state = BASS_ACTIVE_PLAYING;
    restartEstimate(s, from);
    return succeed(TRUE);
}

int BASS_ErrorGetCode() {
    return lastError;
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    if (!validHandle(handle)) return BASS_ACTIVE_STOPPED;
    replaceLostOutput();
    std::lock_guard<std::mutex> guard(audio.lock);
    updateHeard(audio.stream);
    return succeed(audio.stream.state);
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    if (!validHandle(handle)) return QWORD(-1);
    if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_ILLPARAM, QWORD(-1));
    uint64_t heardAtLoss;
    if (replaceLostOutput(&heardAtLoss)) return succeed(heardAtLoss * kBytesPerFrame);
    std::lock_guard<std::mutex> guard(audio.lock);
    return succeed(heardFrame(audio.stream) * kBytesPerFrame);
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    if (!validHandle(handle)) return QWORD(-1);
    if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_ILLPARAM, QWORD(-1));
    std::lock_guard<std::mutex> guard(audio.lock);
    return succeed(audio.stream.frames * kBytesPerFrame);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    if (!validHandle(handle)) return -1.0;
    return succeed(double(pos / kBytesPerFrame) / kSampleRate);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
    if (!validHandle(handle)) return QWORD(-1);
    if (!(pos > 0.0)) return succeed(QWORD(0)); // negative or NaN
    const double frames = std::floor(pos * kSampleRate + 0.5);
    if (frames >= double(UINT64_MAX / kBytesPerFrame)) return fail(BASS_ERROR_ILLPARAM, QWORD(-1));
    return succeed(QWORD(frames) * kBytesPerFrame);
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode) {
    if (!validHandle(handle)) return FALSE;
    if (mode != BASS_POS_BYTE) return fail(BASS_ERROR_ILLPARAM, FALSE);
    Stream& s = audio.stream;
    const uint64_t frame = std::min<QWORD>(pos / kBytesPerFrame, s.frames);
    // A seek ahead of the decoder waits here, on the caller's thread, not in the output.
    mp3WaitDecoded(s.mp3, frame + kSeekLeadFrames);
    std::lock_guard<std::mutex> guard(audio.lock);
    restartEstimate(s, frame);
    return succeed(TRUE);
}

BOOL BASS_ChannelPause(DWORD handle) {
    if (!validHandle(handle)) return FALSE;
    std::lock_guard<std::mutex> guard(audio.lock);
    Stream& s = audio.stream;
    const uint64_t at = heardFrame(s);
    if (s.state == BASS_ACTIVE_PAUSED) return succeed(TRUE);
    if (s.state != BASS_ACTIVE_PLAYING) return fail(BASS_ERROR_NOPLAY, FALSE);
    s.state = BASS_ACTIVE_PAUSED;
    // Frames already handed out but not yet heard are handed out again on play.
    restartEstimate(s, at);
    return succeed(TRUE);
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    if (!validHandle(handle)) return DWORD(-1);
    if (!buffer || !(length & BASS_DATA_FFT256) || (length & ~kDataFlagsKnown))
        return fail(BASS_ERROR_ILLPARAM, DWORD(-1));
    Stream& s = audio.stream;
    uint64_t at;
    {
        std::lock_guard<std::mutex> guard(audio.lock);
        at = heardFrame(s);
    }
    // Decoded samples never change while the stream exists, and only this thread frees them.
    int16_t frames[kFftSize * 2];
    const int64_t first = int64_t(at) - kFftSize / 2;
    const uint64_t ready = mp3WaitDecoded(s.mp3, uint64_t(std::max<int64_t>(first + kFftSize, 0)));
    for (uint32_t n = 0; n < kFftSize; ++n) {
        const int64_t frame = first + n;
        const bool inside = frame >= 0 && uint64_t(frame) < ready;
        frames[2 * n] = inside ? s.samples[2 * frame] : 0;
        frames[2 * n + 1] = inside ? s.samples[2 * frame + 1] : 0;
    }
    audioSpectrum256(frames, static_cast<float*>(buffer));
    return succeed(DWORD(kFftBins * sizeof(float)));
}

BOOL BASS_Update(DWORD) {
    if (!audio.initialised) return fail(BASS_ERROR_INIT, FALSE);
    replaceLostOutput();
    return succeed(TRUE);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    if (!validHandle(handle)) return FALSE;
    Mp3Stream* released;
    {
        std::lock_guard<std::mutex> guard(audio.lock);
        released = audio.stream.mp3;
        audio.stream = Stream{};
    }
    mp3Close(released);
    return succeed(TRUE);
}

BOOL BASS_Free() {
    if (!audio.initialised) return fail(BASS_ERROR_INIT, FALSE);
    audioOutputClose();
    if (audio.stream.handle != 0) BASS_StreamFree(audio.stream.handle);
    audio.initialised = false;
    return succeed(TRUE);
}

bool streamDecodedSamples(DWORD handle, const int16_t** samples, uint64_t* frames) {
    if (!validHandle(handle)) return false;
    Stream& s = audio.stream;
    mp3DecodeToEnd(s.mp3);
    if (mp3Decoded(s.mp3) < s.frames) return false;
    *samples = s.samples;
    *frames = s.frames;
    return true;
}
