// Test hooks of the audio layer: a manual output driven by the test with a fake clock, so that
// playback tests are deterministic and never sleep, and the spectrum as a pure function.
//
// The manual output replaces the device: nothing plays by itself; audioTestPull hands out frames
// exactly as a device callback would, stamped with the fake clock. The fake clock is in
// nanoseconds and only moves through audioTestAdvanceClock.
#pragma once

#include <cstdint>

enum AudioOutputKind : uint32_t {
    AUDIO_OUTPUT_NONE = 0, // not initialised
    AUDIO_OUTPUT_DEVICE = 1,
    AUDIO_OUTPUT_SILENT = 2,
    AUDIO_OUTPUT_MANUAL = 3,
};

// Makes the next BASS_Init open the manual output (once; later inits choose as usual). The
// frames of one pull are taken to be heard latencyFrames after the pull.
void audioTestSelectManualOutput(uint32_t latencyFrames);

// The output BASS_Init opened.
AudioOutputKind audioTestOutputKind();

// Makes the manual output report itself gone, as a device does when it is unplugged.
void audioTestLoseOutput();

// Moves the fake clock forward.
void audioTestAdvanceClock(int64_t nanoseconds);

// Fills frames stereo frames (2 * frames samples) as the device callback would: the playing
// stream's next frames, silence past its end or when nothing plays. Manual output only (and not
// once it is lost); returns false otherwise.
bool audioTestPull(int16_t* stereo, uint32_t frames);

// The spectrum BASS_ChannelGetData returns, of 256 interleaved stereo frames.
void audioSpectrum256(const int16_t* stereo, float* magnitudes128);
