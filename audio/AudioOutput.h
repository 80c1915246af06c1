// The output side of the audio layer: the default device through SDL2, a silent output paced by
// the monotonic clock, or the tests' manual output, and the clock that stamps every pull.
//
// The output calls the pull function from its own thread (the tests' manual output: from the
// test's) whenever it wants frames: 44100 Hz, 16-bit, interleaved stereo.
#pragma once

#include "audio/bass_test.h"

#include <cstdint>

typedef void (*AudioPullFn)(int16_t* stereo, uint32_t frames);

// Opens the output that HALCYON_AUDIO and the tests' selection ask for, falling back from the
// device to the silent output with one line on standard error. False if nothing could start.
bool audioOutputOpen(AudioPullFn pull);
// Stops the output; the pull function is not called any more when this returns.
void audioOutputClose();

AudioOutputKind audioOutputKind();
// How many frames after a pull its first frame is heard.
uint32_t audioOutputLatencyFrames();

// Monotonic nanoseconds (the fake clock on the manual output).
int64_t audioClockNs();
