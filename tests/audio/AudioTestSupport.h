// Shared set-up of the audio tests: the manual output with a fake clock, and the generated tones.
#pragma once

#include "audio/bass.h"
#include "audio/bass_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

const uint32_t kRate = 44100;
const uint32_t kBytesPerFrame = 4;
const uint64_t kSineFrames = 66150;    // sine_bin10.mp3: 1.5 s
const uint64_t kSilenceFrames = 88200; // silence_mono.mp3: 2 s
const double kSineHz = 1722.65625;
const double kSineAmp = 0.5;

inline std::string tone(const char* name) {
    return std::string(AUDIO_TONES_DIR) + name;
}

// A little over the given number of frames, so that the layer's whole-frame position reads
// exactly that many frames later.
inline void advanceFrames(double frames) {
    audioTestAdvanceClock((int64_t)std::ceil(frames * 1e9 / kRate));
}

struct ManualAudio : testing::Test {
    uint32_t latency = 0;
    HSTREAM stream = 0;
    std::vector<int16_t> scratch;

    void SetUp() override {
        audioTestSelectManualOutput(latency);
        ASSERT_TRUE(BASS_Init(-1, kRate, 0, nullptr, nullptr));
        ASSERT_EQ(audioTestOutputKind(), AUDIO_OUTPUT_MANUAL);
    }
    void TearDown() override { BASS_Free(); }

    HSTREAM open(const char* name) {
        stream = BASS_StreamCreateFile(FALSE, tone(name).c_str(), 0, 0, BASS_STREAM_PRESCAN);
        EXPECT_NE(stream, 0u) << name << " error " << BASS_ErrorGetCode();
        return stream;
    }
    uint64_t frame() { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) / kBytesPerFrame; }
    const int16_t* pull(uint32_t frames) {
        scratch.assign(frames * 2, 1);
        EXPECT_TRUE(audioTestPull(scratch.data(), frames));
        return scratch.data();
    }
};

struct LatentManualAudio : ManualAudio {
    LatentManualAudio() { latency = 2048; }
};
