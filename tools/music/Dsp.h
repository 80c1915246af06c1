// Dsp: the synthesiser's building blocks, all single-threaded and seeded, so the
// same calls give the same samples on every run.
//
// Frequencies are in Hz, times in seconds, samples at kSampleRate. Signals are
// float; every state lives in the small records below and is owned by whoever
// renders one voice or one bus. Stereo buffers are two planar channels.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/music/MusicTime.h"

constexpr float kPi = 3.14159265358979f;
constexpr float kSampleTime = 1.0f / kSampleRate;

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
    int64_t size() const { return int64_t(left.size()); }
};

inline Stereo makeStereo(int64_t frames) {
    return Stereo{std::vector<float>(size_t(frames), 0.0f),
                  std::vector<float>(size_t(frames), 0.0f)};
}

// xorshift64*: our own generator so that no library's distribution can change
// the noise between builds.
struct Rng {
    uint64_t state;
};

inline uint64_t nextBits(Rng& rng) {
    rng.state ^= rng.state >> 12;
    rng.state ^= rng.state << 25;
    rng.state ^= rng.state >> 27;
    return rng.state * 0x2545F4914F6CDD1DULL;
}

// Uniform in [-1, 1).
inline float noise(Rng& rng) {
    return float(nextBits(rng) >> 40) * (2.0f / 16777216.0f) - 1.0f;
}

inline float midiToHz(float note) {
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

inline float dbToGain(float db) {
    return std::pow(10.0f, db / 20.0f);
}

// Trapezoidal state-variable filter: stable under fast cutoff sweeps, which the
// bass and the risers depend on.
struct Svf {
    float ic1 = 0, ic2 = 0;
    float a1 = 0, a2 = 0, a3 = 0, k = 1;
};

struct SvfOut {
    float low, band, high;
};

inline void svfTune(Svf& f, float cutoff, float q) {
    const float limited = std::fmin(std::fmax(cutoff, 10.0f), kSampleRate * 0.45f);
    const float g = std::tan(kPi * limited * kSampleTime);
    f.k = 1.0f / q;
    f.a1 = 1.0f / (1.0f + g * (g + f.k));
    f.a2 = g * f.a1;
    f.a3 = g * f.a2;
}

inline SvfOut svfRun(Svf& f, float in) {
    const float v3 = in - f.ic2;
    const float v1 = f.a1 * f.ic1 + f.a2 * v3;
    const float v2 = f.ic2 + f.a2 * f.ic1 + f.a3 * v3;
    f.ic1 = 2.0f * v1 - f.ic1;
    f.ic2 = 2.0f * v2 - f.ic2;
    return SvfOut{v2, v1, in - f.k * v1 - v2};
}

// Band-limited sawtooth by polyBLEP; phase in [0, 1).
struct Saw {
    float phase = 0;
};

inline float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

inline float sawRun(Saw& osc, float hz) {
    const float dt = hz * kSampleTime;
    const float out = 2.0f * osc.phase - 1.0f - polyBlep(osc.phase, dt);
    osc.phase += dt;
    if (osc.phase >= 1.0f) osc.phase -= 1.0f;
    return out;
}

// Attack-release envelope of a held note: linear attack, exponential release
// after `hold` seconds.
inline float holdEnvelope(float t, float attack, float hold, float release) {
    if (t < attack) return t / attack;
    if (t < hold) return 1.0f;
    return std::exp(-(t - hold) / release);
}

// Freeverb-style room: parallel combs into series allpasses per channel, the
// right channel's delays offset for width.
struct Reverb {
    std::vector<float> combs[2][8];
    std::vector<float> allpasses[2][4];
    int combPos[2][8] = {};
    int allpassPos[2][4] = {};
    float combStore[2][8] = {};
    float feedback = 0.84f;
    float damping = 0.3f;
};

void reverbInit(Reverb& reverb, float size, float damping);
// Adds the wet signal of `send` to `out`, scaled by `wet`.
void reverbRun(Reverb& reverb, const Stereo& send, Stereo& out, float wet);

// Ping-pong echo: left delayed by `delay` samples, right by twice that.
void pingPong(const Stereo& in, Stereo& out, int64_t delay, float feedback, float wet);
