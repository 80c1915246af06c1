// Dsp: the synthesiser's building blocks, all single-threaded and seeded, so the
// same calls give the same samples on every run.
//
// Frequencies are in Hz, times in seconds, samples at kSampleRate. Signals are
// float; every state lives in the small records below and is owned by whoever
// renders one voice or one bus. Stereo buffers are two planar channels.
#pragma once

#include <cmath>
#include <complex>
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

// Band-limited edges: a jump in a naive waveform is smoothed by the integral
// of a cubic B-spline four samples wide, applied as a correction to the two
// samples either side of it. Against the two-sample polynomial correction it
// folds 10 dB less back from above Nyquist (-37 dB against the fundamental
// for a saw at 1.76 kHz, the song's highest oscillator, instead of -27 dB;
// under 12 kHz -68 dB instead of -45 dB), where the folded harmonics had been
// piling up as fizz, and it rolls the last octave off gently. Valid below a
// quarter of the sample rate.
//
// `tau` is the distance from the jump in samples, in (-2, 2); the result is
// what a unit step up must have added to reach the smoothed step.
inline float blepResidual(float tau) {
    const float t = -std::fabs(tau);
    float rise; // the smoothed step before the jump, at -|tau|
    if (t < -1.0f) {
        const float a = 2.0f + t;
        rise = a * a * a * a / 24.0f;
    } else {
        rise = 1.0f / 24.0f + (4.0f * t - 2.0f * t * t * t - 0.75f * t * t * t * t + 2.75f) / 6.0f;
    }
    return tau < 0.0f ? rise : -rise;
}

// The correction for a waveform whose phase in [0, 1) advances `dt` a sample
// and that jumps by `height` where the phase passes `edge`.
inline float edgeCorrection(float phase, float dt, float edge, float height) {
    float since = phase - edge;
    if (since < 0.0f) since += 1.0f;
    if (since < 2.0f * dt) return height * blepResidual(since / dt);
    if (since > 1.0f - 2.0f * dt) return height * blepResidual((since - 1.0f) / dt);
    return 0.0f;
}

// Band-limited sawtooth; phase in [0, 1).
struct Saw {
    float phase = 0;
};

inline float sawRun(Saw& osc, float hz) {
    const float dt = hz * kSampleTime;
    const float out = 2.0f * osc.phase - 1.0f + edgeCorrection(osc.phase, dt, 0.0f, -2.0f);
    osc.phase += dt;
    if (osc.phase >= 1.0f) osc.phase -= 1.0f;
    return out;
}

// Band-limited square, +1 for the first half of each period; phase in [0, 1).
struct Square {
    float phase = 0;
};

inline float squareRun(Square& osc, float hz) {
    const float dt = hz * kSampleTime;
    const float naive = osc.phase < 0.5f ? 1.0f : -1.0f;
    const float out = naive + edgeCorrection(osc.phase, dt, 0.0f, 2.0f) +
                      edgeCorrection(osc.phase, dt, 0.5f, -2.0f);
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

// In-place forward FFT (no scaling); the size must be a power of two. For the
// meters, not for the synthesis.
void fft(std::vector<std::complex<double>>& x);
