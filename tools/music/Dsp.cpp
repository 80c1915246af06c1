#include "tools/music/Dsp.h"

// Freeverb's tunings at 44.1 kHz; the stereo spread keeps the two channels'
// echoes from lining up.
static const int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
static const int kAllpassLengths[4] = {556, 441, 341, 225};
static const int kStereoSpread = 23;
static const float kAllpassFeedback = 0.5f;
static const float kReverbInputGain = 0.015f;

void reverbInit(Reverb& reverb, float size, float damping) {
    for (int channel = 0; channel < 2; ++channel) {
        const int spread = channel * kStereoSpread;
        for (int i = 0; i < 8; ++i) {
            reverb.combs[channel][i].assign(size_t(kCombLengths[i] + spread), 0.0f);
            reverb.combPos[channel][i] = 0;
            reverb.combStore[channel][i] = 0.0f;
        }
        for (int i = 0; i < 4; ++i) {
            reverb.allpasses[channel][i].assign(size_t(kAllpassLengths[i] + spread), 0.0f);
            reverb.allpassPos[channel][i] = 0;
        }
    }
    reverb.feedback = size;
    reverb.damping = damping;
}

void reverbRun(Reverb& reverb, const Stereo& send, Stereo& out, float wet) {
    const int64_t frames = send.size();
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<float>& dest = channel == 0 ? out.left : out.right;
        for (int64_t n = 0; n < frames; ++n) {
            // Both channels hear the mono sum so the tail is centred.
            const float x = (send.left[size_t(n)] + send.right[size_t(n)]) * kReverbInputGain;
            float acc = 0.0f;
            for (int i = 0; i < 8; ++i) {
                std::vector<float>& line = reverb.combs[channel][i];
                int& pos = reverb.combPos[channel][i];
                float& store = reverb.combStore[channel][i];
                const float delayed = line[size_t(pos)];
                store = delayed * (1.0f - reverb.damping) + store * reverb.damping;
                line[size_t(pos)] = x + store * reverb.feedback;
                if (++pos == int(line.size())) pos = 0;
                acc += delayed;
            }
            for (int i = 0; i < 4; ++i) {
                std::vector<float>& line = reverb.allpasses[channel][i];
                int& pos = reverb.allpassPos[channel][i];
                const float delayed = line[size_t(pos)];
                line[size_t(pos)] = acc + delayed * kAllpassFeedback;
                acc = delayed - acc;
                if (++pos == int(line.size())) pos = 0;
            }
            dest[size_t(n)] += acc * wet;
        }
    }
}

void pingPong(const Stereo& in, Stereo& out, int64_t delay, float feedback, float wet) {
    const int64_t frames = in.size();
    std::vector<float> left(size_t(delay), 0.0f), right(size_t(delay), 0.0f);
    int64_t pos = 0;
    for (int64_t n = 0; n < frames; ++n) {
        const float mono = 0.5f * (in.left[size_t(n)] + in.right[size_t(n)]);
        const float fromLeft = left[size_t(pos)];
        const float fromRight = right[size_t(pos)];
        // Left feeds right and right feeds left, so echoes alternate sides.
        left[size_t(pos)] = mono + fromRight * feedback;
        right[size_t(pos)] = fromLeft;
        out.left[size_t(n)] += fromLeft * wet;
        out.right[size_t(n)] += fromRight * wet;
        if (++pos == delay) pos = 0;
    }
}

void fft(std::vector<std::complex<double>>& x) {
    const size_t size = x.size();
    for (size_t i = 1, j = 0; i < size; ++i) {
        size_t bit = size >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j) std::swap(x[i], x[j]);
    }
    for (size_t length = 2; length <= size; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * M_PI / double(length));
        for (size_t start = 0; start < size; start += length) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const std::complex<double> even = x[start + k];
                const std::complex<double> odd = x[start + k + length / 2] * w;
                x[start + k] = even + odd;
                x[start + k + length / 2] = even - odd;
            }
        }
    }
}
