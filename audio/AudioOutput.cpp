#include "audio/AudioOutput.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace {

const uint32_t kSampleRate = 44100;
const uint32_t kChannels = 2;
const uint32_t kPeriodFrames = 1024;
const int64_t kNanosPerSecond = 1000000000;
// SDL's own fallback driver sleeps whole milliseconds and so runs fast; it is no clock.
const char* const kSdlDummyDriver = "dummy";
// A device asks for a period every 23 ms; this long without a pull, its thread hangs on a device
// that is gone. Long enough that a loaded machine's late callback is not taken for a loss.
const int64_t kStallNs = kNanosPerSecond / 2;

struct Output {
    AudioOutputKind kind = AUDIO_OUTPUT_NONE;
    AudioPullFn pull = nullptr;
    uint32_t latencyFrames = 0;
    SDL_AudioDeviceID device = 0;
    pthread_t silentThread;
    std::mutex silentLock;
    std::condition_variable silentWake;
    bool silentStop = false;
    bool manualNext = false;
    uint32_t manualLatency = 0;
    bool manualLost = false;
    std::atomic<int64_t> fakeClockNs{0};
    // Held around every pull of the device or the manual output, so that once detached is set no
    // pull of theirs is under way or will start.
    std::mutex pullGate;
    bool detached = false;
    std::atomic<int64_t> lastPullNs{0};
    // A device whose thread hangs cannot be closed (closing waits for that thread): it is left
    // open, silenced, until the process ends.
    bool deviceHangs = false;
};

Output out;

void sdlCallback(void*, Uint8* stream, int bytes) {
    std::lock_guard<std::mutex> gate(out.pullGate);
    if (out.detached) {
        memset(stream, 0, (size_t)bytes);
        return;
    }
    out.lastPullNs = audioClockNs();
    out.pull((int16_t*)stream, (uint32_t)bytes / (kChannels * sizeof(int16_t)));
}

// alsa-lib and the sound servers' clients print their own errors on standard error while SDL
// probes for a device; the one line that matters is ours, so fd 2 points at /dev/null meanwhile.
struct QuietStderr {
    int saved = -1;
    QuietStderr() {
        fflush(stderr);
        int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) return;
        saved = dup(STDERR_FILENO);
        if (saved >= 0) dup2(null, STDERR_FILENO);
        close(null);
    }
    ~QuietStderr() {
        if (saved < 0) return;
        fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
};

// False with the reason in why when no real device is available.
bool openDevice(char* why, size_t whySize) {
    SDL_AudioSpec want;
    memset(&want, 0, sizeof want);
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = kChannels;
    want.samples = kPeriodFrames;
    want.callback = sdlCallback;
    SDL_AudioSpec have;
    bool subsystemUp = false;
    // SDL would turn SIGINT and SIGTERM into quit events, which nothing here reads: the program
    // could then only be killed. Without its handlers they end the process as they always do.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    {
        QuietStderr quiet;
        subsystemUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (subsystemUp) out.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (!subsystemUp || out.device == 0) {
        snprintf(why, whySize, "%s", SDL_GetError());
        if (subsystemUp) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver && strcmp(driver, kSdlDummyDriver) == 0) {
        snprintf(why, whySize, "only SDL's %s driver", driver);
        SDL_CloseAudioDevice(out.device);
        out.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // Roughly one period playing and one queued ahead of the one being filled.
    out.latencyFrames = 2 * have.samples;
    // Set before the callback thread runs: it reads both through the clock and the estimate.
    out.kind = AUDIO_OUTPUT_DEVICE;
    out.lastPullNs = audioClockNs();
    SDL_PauseAudioDevice(out.device, 0);
    return true;
}

// Pulls one period at a time on a schedule computed from the start, so sleeping late never
// accumulates into drift; the frames of a pull are "heard" from the pull on.
void* silentLoop(void*) {
    static int16_t scratch[kPeriodFrames * kChannels];
    const int64_t start = audioClockNs();
    std::unique_lock<std::mutex> lock(out.silentLock);
    for (int64_t period = 1;; ++period) {
        lock.unlock();
        out.pull(scratch, kPeriodFrames);
        lock.lock();
        auto deadline = std::chrono::steady_clock::time_point(
            std::chrono::nanoseconds(silentPeriodDueNs(start, period)));
        if (out.silentWake.wait_until(lock, deadline, [] { return out.silentStop; }))
            return nullptr;
    }
}

bool startSilent() {
    out.kind = AUDIO_OUTPUT_SILENT;
    out.latencyFrames = 0;
    out.silentStop = false;
    if (pthread_create(&out.silentThread, nullptr, silentLoop, nullptr) == 0) return true;
    out.kind = AUDIO_OUTPUT_NONE;
    return false;
}

void closeDevice() {
    if (!out.deviceHangs) {
        SDL_CloseAudioDevice(out.device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    out.device = 0;
}

void stopSilent() {
    {
        std::lock_guard<std::mutex> lock(out.silentLock);
        out.silentStop = true;
    }
    out.silentWake.notify_all();
    pthread_join(out.silentThread, nullptr);
}

void closeAtExit() {
    audioOutputClose();
}

bool silentRequested() {
    const char* mode = getenv("HALCYON_AUDIO");
    return mode && strcmp(mode, "silent") == 0;
}

} // namespace

int64_t silentPeriodDueNs(int64_t startNs, int64_t period) {
    // Whole seconds apart from the rest: frames times nanoseconds a second would pass the 64-bit
    // range near period 9e6 (58 hours), and the deadline would fall into the past.
    const int64_t frames = period * kPeriodFrames;
    return startNs + frames / kSampleRate * kNanosPerSecond +
           frames % kSampleRate * kNanosPerSecond / kSampleRate;
}

bool audioOutputOpen(AudioPullFn pull) {
    // Registered after `out` was constructed, so it runs before `out` is destroyed; and again at
    // every open, so it also runs before any exit handler registered since an earlier open.
    atexit(closeAtExit);
    out.pull = pull;
    out.detached = false;
    out.manualLost = false;
    out.deviceHangs = false;
    if (out.manualNext) {
        out.manualNext = false;
        out.kind = AUDIO_OUTPUT_MANUAL;
        out.latencyFrames = out.manualLatency;
        out.lastPullNs = audioClockNs();
        return true;
    }
    if (silentRequested()) return startSilent();
    char why[256];
    if (openDevice(why, sizeof why)) return true;
    fprintf(stderr, "halcyon: no audio output device (%s); playing silently\n", why);
    return startSilent();
}

void audioOutputClose() {
    if (out.kind == AUDIO_OUTPUT_DEVICE)
        closeDevice();
    else if (out.kind == AUDIO_OUTPUT_SILENT)
        stopSilent();
    out.kind = AUDIO_OUTPUT_NONE;
    out.pull = nullptr;
}

bool audioOutputDetachIfLost() {
    if (out.kind != AUDIO_OUTPUT_DEVICE && out.kind != AUDIO_OUTPUT_MANUAL) return false;
    const bool hangs = audioClockNs() - out.lastPullNs.load() > kStallNs;
    const bool gone = out.kind == AUDIO_OUTPUT_DEVICE
                          ? SDL_GetAudioDeviceStatus(out.device) == SDL_AUDIO_STOPPED
                          : out.manualLost;
    if (!hangs && !gone) return false;
    std::lock_guard<std::mutex> gate(out.pullGate);
    out.detached = true;
    out.deviceHangs = hangs && !gone;
    return true;
}

bool audioOutputSwitchToSilent() {
    // A gone device's thread still runs (SDL keeps calling back), so closing it returns.
    if (out.kind == AUDIO_OUTPUT_DEVICE) closeDevice();
    fprintf(stderr, "halcyon: the audio output device was lost; playing silently\n");
    return startSilent();
}

AudioOutputKind audioOutputKind() {
    return out.kind;
}

uint32_t audioOutputLatencyFrames() {
    return out.latencyFrames;
}

int64_t audioClockNs() {
    if (out.kind == AUDIO_OUTPUT_MANUAL) return out.fakeClockNs.load();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void audioTestSelectManualOutput(uint32_t latencyFrames) {
    out.manualNext = true;
    out.manualLatency = latencyFrames;
}

AudioOutputKind audioTestOutputKind() {
    return out.kind;
}

void audioTestLoseOutput() {
    out.manualLost = true;
}

void audioTestAdvanceClock(int64_t nanoseconds) {
    out.fakeClockNs += nanoseconds;
}

bool audioTestPull(int16_t* stereo, uint32_t frames) {
    std::lock_guard<std::mutex> gate(out.pullGate);
    if (out.kind != AUDIO_OUTPUT_MANUAL || out.detached) return false;
    out.lastPullNs = audioClockNs();
    out.pull(stereo, frames);
    return true;
}
