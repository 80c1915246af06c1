// The spectrum's documented scaling, and the spectrum of a stream at its position.
#include "tests/audio/AudioTestSupport.h"

#include <algorithm>

namespace {

const uint32_t kBins = 128;
const uint32_t kSineBin = 10; // kSineHz sits on its centre

void sineOnBin(int16_t* stereo, uint32_t bin, double left, double right) {
    for (uint32_t n = 0; n < 256; ++n) {
        double phase = std::sin(2.0 * M_PI * bin * n / 256.0);
        stereo[2 * n] = (int16_t)std::lround(left * 32767.0 * phase);
        stereo[2 * n + 1] = (int16_t)std::lround(right * 32767.0 * phase);
    }
}

TEST(AudioSpectrum, FullScaleSineReadsOneInItsBinAndSilenceReadsZero) {
    int16_t stereo[512];
    float bins[kBins];
    sineOnBin(stereo, 20, 1.0, 1.0);
    audioSpectrum256(stereo, bins);
    EXPECT_NEAR(bins[20], 1.0f, 0.001f);
    EXPECT_LT(bins[10], 0.01f);
    EXPECT_LT(bins[30], 0.01f);
    EXPECT_NEAR(bins[19], 0.5f, 0.001f) << "the Hann window's neighbour";

    // The mono mix is the mean of the channels.
    sineOnBin(stereo, 50, 1.0, 0.0);
    audioSpectrum256(stereo, bins);
    EXPECT_NEAR(bins[50], 0.5f, 0.001f);
    EXPECT_EQ(std::max_element(bins, bins + kBins) - bins, 50);

    std::fill(stereo, stereo + 512, 0);
    audioSpectrum256(stereo, bins);
    EXPECT_EQ(std::count(bins, bins + kBins, 0.0f), (long)kBins);
}

TEST_F(ManualAudio, SpectrumOfAStoppedStreamIsTakenAtItsSetPosition) {
    open("sine_bin10.mp3");
    float bins[kBins];
    const DWORD flags = BASS_DATA_FFT256 | BASS_DATA_FLOAT;
    for (uint64_t at : {uint64_t(20000), uint64_t(0)}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(BASS_ChannelSetPosition(stream, at * kBytesPerFrame, BASS_POS_BYTE));
        std::fill(bins, bins + kBins, -1.0f);
        EXPECT_EQ(BASS_ChannelGetData(stream, bins, flags), kBins * sizeof(float));
        EXPECT_EQ(std::max_element(bins, bins + kBins) - bins, (long)kSineBin);
    }
    // At the start the first half of the window lies before the stream and reads as silence;
    // the sudden onset spreads into other bins, so only the peak is checked there.
    EXPECT_NEAR(bins[kSineBin], kSineAmp / 2, 0.03);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, 20000 * kBytesPerFrame, BASS_POS_BYTE));
    BASS_ChannelGetData(stream, bins, flags);
    EXPECT_NEAR(bins[kSineBin], kSineAmp, 0.02);
    EXPECT_LT(bins[kSineBin + 10], 0.01f);
    EXPECT_LT(bins[kSineBin + 30], 0.01f);
    EXPECT_LT(bins[0], 0.01f);

    // Only the spectrum is offered.
    EXPECT_EQ(BASS_ChannelGetData(stream, bins, 1024), (DWORD)-1);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_ChannelGetData(stream, nullptr, flags), (DWORD)-1);
}

// At the stream's length the window's second half lies beyond the last decoded frame and reads
// as silence: exactly the spectrum of what the output hands out there.
TEST_F(ManualAudio, SpectrumAtTheStreamsEndReadsNothingBeyondIt) {
    open("sine_bin10.mp3");
    const uint32_t half = 128;
    ASSERT_TRUE(
        BASS_ChannelSetPosition(stream, (kSineFrames - half) * kBytesPerFrame, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    float expected[kBins];
    audioSpectrum256(pull(2 * half), expected);
    ASSERT_TRUE(BASS_ChannelSetPosition(stream, kSineFrames * kBytesPerFrame, BASS_POS_BYTE));
    float bins[kBins];
    ASSERT_EQ(BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256 | BASS_DATA_FLOAT),
              kBins * sizeof(float));
    for (uint32_t k = 0; k < kBins; ++k)
        ASSERT_EQ(bins[k], expected[k]) << k;
    EXPECT_GT(bins[kSineBin], 0.1f) << "the last decoded frames are in it";
}

TEST_F(ManualAudio, SpectrumFollowsThePlayPositionAndReadsZeroOnSilence) {
    open("silence_mono.mp3");
    float bins[kBins];
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    pull(4096);
    advanceFrames(3000);
    EXPECT_EQ(BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256), kBins * sizeof(float));
    EXPECT_EQ(std::count(bins, bins + kBins, 0.0f), (long)kBins);
    BASS_StreamFree(stream);

    // The sine starts at frame 0: at the start half the window is before it.
    open("sine_bin10.mp3");
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    pull(4096);
    BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256 | BASS_DATA_FLOAT);
    const float atStart = bins[kSineBin];
    advanceFrames(1000);
    BASS_ChannelGetData(stream, bins, BASS_DATA_FFT256 | BASS_DATA_FLOAT);
    EXPECT_NEAR(atStart, kSineAmp / 2, 0.03);
    EXPECT_NEAR(bins[kSineBin], kSineAmp, 0.02);
}

} // namespace
