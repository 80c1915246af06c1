#include "audio/DecodedMusic.h"
#include "audio/Loudness.h"

#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

struct TonePlacement {
    const char* what;
    uint64_t totalFrames;
    uint64_t toneStart;
    uint64_t toneFrames;
    double amplitude; // full scale 1
    bool leftChannel; // the tone on the left channel (else the right only)
    bool rightChannel;
};

std::vector<int16_t> toneInSilence(const TonePlacement& p) {
    std::vector<int16_t> samples(size_t(p.totalFrames * 2), 0);
    for (uint64_t f = p.toneStart; f < p.toneStart + p.toneFrames; ++f) {
        const double value =
            p.amplitude * 32767.0 * std::sin(2.0 * M_PI * kSineHz * double(f) / kRate);
        const int16_t sample = int16_t(std::lround(value));
        if (p.leftChannel) samples[size_t(2 * f)] = sample;
        if (p.rightChannel) samples[size_t(2 * f + 1)] = sample;
    }
    return samples;
}

} // namespace

// Every bucket wholly inside the tone peaks at the tone's level, every bucket
// wholly outside is silent, on both levels and through loudnessOver.
TEST(Loudness, ToneInSilenceHasItsPeaksWhereTheToneIs) {
    const TonePlacement placements[] = {
        {"at the start", 200000, 0, 44100, 0.5, true, true},
        {"in the middle, quiet", 300000, 100000, 30000, 0.1, true, true},
        {"at the end, loud", 250000, 150000, 100000, 0.9, true, true},
        {"off the bucket grid, right only", 200000, 70001, 20003, 0.5, false, true},
        {"short burst, left only", 200000, 123457, 2000, 0.7, true, false},
    };
    for (const TonePlacement& p : placements) {
        SCOPED_TRACE(p.what);
        const std::vector<int16_t> samples = toneInSilence(p);
        const LoudnessSummary summary = summariseLoudness(samples.data(), p.totalFrames);
        ASSERT_EQ(summary.frames, p.totalFrames);
        ASSERT_EQ(summary.fine.size(),
                  size_t((p.totalFrames + kLoudnessFineFrames - 1) / kLoudnessFineFrames));
        const uint64_t toneEnd = p.toneStart + p.toneFrames;
        const struct {
            const std::vector<LoudnessBucket>* level;
            uint64_t frames;
        } levels[] = {{&summary.fine, kLoudnessFineFrames},
                      {&summary.coarse, kLoudnessFineFrames * kLoudnessCoarseFactor}};
        for (const auto& level : levels) {
            for (size_t i = 0; i < level.level->size(); ++i) {
                const LoudnessBucket& b = (*level.level)[i];
                const uint64_t start = i * level.frames, end = start + level.frames;
                if (end <= p.toneStart || start >= toneEnd) {
                    EXPECT_EQ(b.high, 0.0f) << "bucket " << i << " of " << level.frames;
                    EXPECT_EQ(b.low, 0.0f) << "bucket " << i << " of " << level.frames;
                    EXPECT_EQ(b.meanSquare, 0.0f) << "bucket " << i << " of " << level.frames;
                } else if (start >= p.toneStart && end <= toneEnd) {
                    EXPECT_NEAR(b.high, p.amplitude, 0.02 * p.amplitude) << "bucket " << i;
                    EXPECT_NEAR(b.low, -p.amplitude, 0.02 * p.amplitude) << "bucket " << i;
                    // A sine's mean square is half its peak squared; one
                    // channel silent halves it again.
                    const double channels = (p.leftChannel ? 1 : 0) + (p.rightChannel ? 1 : 0);
                    EXPECT_NEAR(b.meanSquare, p.amplitude * p.amplitude / 2 * channels / 2,
                                0.05 * p.amplitude * p.amplitude)
                        << "bucket " << i;
                }
            }
        }
        // Spans as the timeline asks for them: the tone's own, silence
        // before and after it, the whole music (the coarse level).
        EXPECT_NEAR(loudnessOver(summary, double(p.toneStart), double(toneEnd)).high, p.amplitude,
                    0.02 * p.amplitude);
        EXPECT_NEAR(loudnessOver(summary, 0.0, double(p.totalFrames)).high, p.amplitude,
                    0.02 * p.amplitude);
        const uint64_t guard = kLoudnessFineFrames * kLoudnessCoarseFactor;
        if (p.toneStart > guard) {
            EXPECT_EQ(loudnessOver(summary, 0.0, double(p.toneStart - guard)).high, 0.0f);
        }
        if (toneEnd + guard < p.totalFrames) {
            EXPECT_EQ(loudnessOver(summary, double(toneEnd + guard), double(p.totalFrames)).high,
                      0.0f);
        }
        // Outside the music: silence, not a neighbour's bucket.
        EXPECT_EQ(loudnessOver(summary, double(p.totalFrames), double(p.totalFrames) + 1e6).high,
                  0.0f);
    }
}

// The playing stream's own samples, once decoded in the background, summarise
// as the generated tone they hold: 0.5 peaks from start to end.
TEST_F(ManualAudio, DecodedMusicIsTheStreamsSamples) {
    stream = BASS_StreamCreateFile(FALSE, tone("sine_bin10.mp3").c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    const int16_t* samples = nullptr;
    uint64_t frames = 0;
    for (int i = 0; i < 500 && !streamDecodedSamples(stream, &samples, &frames); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(samples, nullptr) << "never decoded to the end";
    ASSERT_EQ(frames, kSineFrames);
    const LoudnessSummary summary = summariseLoudness(samples, frames);
    // The encoder's filters ring in the first and last milliseconds.
    for (size_t i = 4; i + 4 < summary.fine.size(); ++i)
        EXPECT_NEAR(summary.fine[i].high, kSineAmp, 0.05) << "bucket " << i;
    EXPECT_FALSE(streamDecodedSamples(stream + 1, &samples, &frames));
    BASS_StreamFree(stream);
}
