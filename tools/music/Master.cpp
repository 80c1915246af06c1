#include "tools/music/Master.h"

#include <algorithm>
#include <complex>
#include <deque>

namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;
};

double biquadRun(Biquad& f, double x) {
    const double y = f.b0 * x + f.z1;
    f.z1 = f.b1 * x - f.a1 * y + f.z2;
    f.z2 = f.b2 * x - f.a2 * y;
    return y;
}

// The two K-weighting stages (a high shelf for the head, a high-pass for the
// low end), designed for kSampleRate from their analogue prototypes.
Biquad kShelf() {
    const double gainDb = 3.999843853973347, f0 = 1681.974450955533, q = 0.7071752369554196;
    const double k = std::tan(M_PI * f0 / kSampleRate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return Biquad{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                  (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                  (1.0 - k / q + k * k) / a0};
}

Biquad kHighPass() {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(M_PI * f0 / kSampleRate);
    const double a0 = 1.0 + k / q + k * k;
    return Biquad{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

// A second-order high shelf (the audio-EQ cookbook's, slope 1): unity below
// `corner`, `gainDb` well above it.
Biquad highShelf(double corner, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = 2.0 * M_PI * corner / kSampleRate;
    const double c = std::cos(w), alpha = std::sin(w) / std::sqrt(2.0);
    const double root = 2.0 * std::sqrt(a) * alpha;
    const double a0 = (a + 1.0) - (a - 1.0) * c + root;
    return Biquad{a * ((a + 1.0) + (a - 1.0) * c + root) / a0,
                  -2.0 * a * ((a - 1.0) + (a + 1.0) * c) / a0,
                  a * ((a + 1.0) + (a - 1.0) * c - root) / a0,
                  2.0 * ((a - 1.0) - (a + 1.0) * c) / a0, ((a + 1.0) - (a - 1.0) * c - root) / a0};
}

constexpr double kAbsoluteGate = -70.0;
constexpr double kRelativeGate = -10.0;
constexpr double kLoudnessOffset = -0.691;

double blockLoudness(double power) {
    return kLoudnessOffset + 10.0 * std::log10(power);
}

} // namespace

double integratedLoudness(const Stereo& audio) {
    const int64_t frames = audio.size();
    constexpr int64_t kStep = kSampleRate / 10;
    constexpr int64_t kBlock = 4 * kStep;
    // Power of each 100 ms step, summed over both channels.
    std::vector<double> steps(size_t(frames / kStep), 0.0);
    for (int channel = 0; channel < 2; ++channel) {
        const std::vector<float>& x = channel == 0 ? audio.left : audio.right;
        Biquad shelf = kShelf(), highPass = kHighPass();
        for (int64_t n = 0; n < int64_t(steps.size()) * kStep; ++n) {
            const double y = biquadRun(highPass, biquadRun(shelf, x[size_t(n)]));
            steps[size_t(n / kStep)] += y * y;
        }
    }
    std::vector<double> blocks;
    for (size_t i = 3; i < steps.size(); ++i)
        blocks.push_back((steps[i - 3] + steps[i - 2] + steps[i - 1] + steps[i]) / double(kBlock));

    double sum = 0.0;
    int count = 0;
    for (double power : blocks)
        if (power > 0.0 && blockLoudness(power) > kAbsoluteGate) sum += power, ++count;
    if (count == 0) return kAbsoluteGate;
    const double gate = blockLoudness(sum / count) + kRelativeGate;
    sum = 0.0;
    count = 0;
    for (double power : blocks)
        if (power > 0.0 && blockLoudness(power) > kAbsoluteGate && blockLoudness(power) > gate)
            sum += power, ++count;
    return blockLoudness(sum / count);
}

std::vector<float> truePeaks(const Stereo& audio) {
    // Windowed-sinc taps for the three points between two samples.
    constexpr int kHalf = 8;
    constexpr int kPhases = 4;
    float taps[kPhases][2 * kHalf];
    for (int phase = 1; phase < kPhases; ++phase) {
        const double offset = double(phase) / kPhases;
        for (int k = 0; k < 2 * kHalf; ++k) {
            const double x = double(k - kHalf + 1) - offset;
            const double window = 0.5 + 0.5 * std::cos(M_PI * x / (kHalf + 1));
            taps[phase][k] = float(std::sin(M_PI * x) / (M_PI * x) * window);
        }
    }
    const int64_t frames = audio.size();
    std::vector<float> peaks(static_cast<size_t>(frames));
    for (int64_t n = 0; n < frames; ++n) {
        float peak = std::max(std::fabs(audio.left[size_t(n)]), std::fabs(audio.right[size_t(n)]));
        if (n >= kHalf - 1 && n + kHalf < frames) {
            for (int phase = 1; phase < kPhases; ++phase) {
                float l = 0.0f, r = 0.0f;
                for (int k = 0; k < 2 * kHalf; ++k) {
                    const size_t i = size_t(n - kHalf + 1 + k);
                    l += audio.left[i] * taps[phase][k];
                    r += audio.right[i] * taps[phase][k];
                }
                peak = std::max(peak, std::max(std::fabs(l), std::fabs(r)));
            }
        }
        peaks[size_t(n)] = peak;
    }
    return peaks;
}

void limitPeaks(Stereo& audio, const std::vector<float>& peaks, float ceiling, int lookahead,
                float release) {
    const int64_t frames = audio.size();
    // The gain each frame needs on its own.
    std::vector<float> need(static_cast<size_t>(frames));
    for (int64_t n = 0; n < frames; ++n) {
        const float peak = peaks[size_t(n)];
        need[size_t(n)] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    // Smallest need over the next `lookahead` frames (monotonic queue), then a
    // release that never rises above it.
    std::vector<float> held(static_cast<size_t>(frames));
    std::deque<int64_t> window;
    const float recover = 1.0f - std::exp(-1.0f / (release * kSampleRate));
    float level = 1.0f;
    for (int64_t n = frames - 1 + lookahead; n >= 0; --n) {
        if (n < frames) {
            while (!window.empty() && need[size_t(window.back())] >= need[size_t(n)])
                window.pop_back();
            window.push_back(n);
        }
        while (!window.empty() && window.front() > n + lookahead)
            window.pop_front();
        if (n < frames) held[size_t(n)] = window.empty() ? 1.0f : need[size_t(window.front())];
    }
    for (int64_t n = 0; n < frames; ++n) {
        level = std::min(held[size_t(n)], level + (1.0f - level) * recover);
        held[size_t(n)] = level;
    }
    // A moving average over the look-ahead smooths the attack; every frame in
    // a peak's window is already at or below the peak's need, so the average
    // is too.
    double sum = 0.0;
    for (int64_t n = 0; n < frames; ++n) {
        sum += held[size_t(n)];
        if (n > lookahead) sum -= held[size_t(n - lookahead - 1)];
        const int64_t span = std::min<int64_t>(n, lookahead) + 1;
        const float gain = std::min(float(sum / double(span)), need[size_t(n)]);
        audio.left[size_t(n)] *= gain;
        audio.right[size_t(n)] *= gain;
    }
}

void master(Stereo& audio, int64_t fadeFrames) {
    const int64_t frames = audio.size();
    Svf highPass[2];
    for (Svf& f : highPass)
        svfTune(f, 22.0f, 0.7f);
    Biquad air[2] = {highShelf(kAirShelfHz, kAirShelfDb), highShelf(kAirShelfHz, kAirShelfDb)};
    for (int64_t n = 0; n < frames; ++n) {
        audio.left[size_t(n)] =
            float(biquadRun(air[0], svfRun(highPass[0], audio.left[size_t(n)]).high));
        audio.right[size_t(n)] =
            float(biquadRun(air[1], svfRun(highPass[1], audio.right[size_t(n)]).high));
    }
    for (int64_t n = std::max<int64_t>(0, frames - fadeFrames); n < frames; ++n) {
        const float gain = float(frames - 1 - n) / float(fadeFrames);
        audio.left[size_t(n)] *= gain;
        audio.right[size_t(n)] *= gain;
    }

    // The limiter takes some loudness away, so the gain is refined a few times
    // against the limited result.
    constexpr int kPasses = 4;
    constexpr int kLookahead = kSampleRate / 500;
    constexpr float kRelease = 0.08f;
    const float ceiling = dbToGain(kCeilingDb);
    double gainDb = kTargetLufs - integratedLoudness(audio);
    const std::vector<float> peaks = truePeaks(audio);
    std::vector<float> scaledPeaks(peaks.size());
    Stereo trial;
    for (int pass = 0; pass < kPasses; ++pass) {
        trial = audio;
        const float gain = dbToGain(float(gainDb));
        for (int64_t n = 0; n < frames; ++n) {
            trial.left[size_t(n)] *= gain;
            trial.right[size_t(n)] *= gain;
            scaledPeaks[size_t(n)] = peaks[size_t(n)] * gain;
        }
        limitPeaks(trial, scaledPeaks, ceiling, kLookahead, kRelease);
        gainDb += kTargetLufs - integratedLoudness(trial);
    }
    audio = std::move(trial);
}

std::vector<double> octaveBandLevels(const Stereo& audio, int64_t first, int64_t end) {
    // 8192 points resolve 5.4 Hz: a tone 20 Hz inside the 125 Hz band's edge
    // stays in it. Half-overlapping Hann windows weigh every frame about equally.
    constexpr int kSize = 8192;
    constexpr int kHop = kSize / 2;
    std::vector<double> window(kSize);
    double windowPower = 0.0;
    for (int i = 0; i < kSize; ++i) {
        window[size_t(i)] = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / kSize);
        windowPower += window[size_t(i)] * window[size_t(i)];
    }
    std::vector<int> bandOfBin(kSize / 2 + 1, -1);
    for (int bin = 1; bin <= kSize / 2; ++bin) {
        const double octaves = std::log2(double(bin) * kSampleRate / kSize / kLowestBandHz);
        const int band = int(std::floor(octaves + 0.5));
        if (band >= 0 && band < kOctaveBands) bandOfBin[size_t(bin)] = band;
    }
    std::vector<double> power(kOctaveBands, 0.0);
    std::vector<std::complex<double>> spectrum(kSize);
    int64_t spectra = 0;
    for (int64_t start = std::max<int64_t>(0, first); start + kSize <= std::min(end, audio.size());
         start += kHop) {
        for (int channel = 0; channel < 2; ++channel) {
            const std::vector<float>& x = channel == 0 ? audio.left : audio.right;
            for (int i = 0; i < kSize; ++i)
                spectrum[size_t(i)] = x[size_t(start + i)] * window[size_t(i)];
            fft(spectrum);
            // One-sided power, scaled by Parseval so that it is a mean square.
            for (int bin = 1; bin <= kSize / 2; ++bin)
                if (bandOfBin[size_t(bin)] >= 0)
                    power[size_t(bandOfBin[size_t(bin)])] +=
                        2.0 * std::norm(spectrum[size_t(bin)]) / (kSize * windowPower);
        }
        spectra += 2;
    }
    std::vector<double> levels(kOctaveBands);
    for (int band = 0; band < kOctaveBands; ++band)
        levels[size_t(band)] =
            10.0 * std::log10(std::max(power[size_t(band)] / double(std::max<int64_t>(spectra, 1)),
                                       1e-20));
    return levels;
}

bool writeWav(FILE* file, const Stereo& audio) {
    const uint32_t frames = uint32_t(audio.size());
    const uint32_t dataBytes = frames * 4;
    auto u32 = [&](uint32_t v) {
        const unsigned char b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16),
                                    uint8_t(v >> 24)};
        fwrite(b, 1, 4, file);
    };
    auto u16 = [&](uint16_t v) {
        const unsigned char b[2] = {uint8_t(v), uint8_t(v >> 8)};
        fwrite(b, 1, 2, file);
    };
    fwrite("RIFF", 1, 4, file);
    u32(36 + dataBytes);
    fwrite("WAVEfmt ", 1, 8, file);
    u32(16);
    u16(1); // PCM
    u16(2);
    u32(kSampleRate);
    u32(kSampleRate * 4);
    u16(4);
    u16(16);
    fwrite("data", 1, 4, file);
    u32(dataBytes);
    std::vector<unsigned char> pcm(static_cast<size_t>(dataBytes));
    for (uint32_t n = 0; n < frames; ++n) {
        const float values[2] = {audio.left[n], audio.right[n]};
        for (int c = 0; c < 2; ++c) {
            const float clamped = std::min(1.0f, std::max(-1.0f, values[c]));
            const int16_t s = int16_t(std::lrint(clamped * 32767.0f));
            pcm[size_t(n) * 4 + size_t(c) * 2] = uint8_t(uint16_t(s));
            pcm[size_t(n) * 4 + size_t(c) * 2 + 1] = uint8_t(uint16_t(s) >> 8);
        }
    }
    fwrite(pcm.data(), 1, pcm.size(), file);
    return fflush(file) == 0 && !ferror(file);
}
