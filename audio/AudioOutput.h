// The output side of the audio layer: the default device through SDL2, a silent output paced by
// the monotonic clock, or the tests' manual output, and the clock that stamps every pull.
//
// The output calls the pull function from its own thread (the tests' manual output: from the
// test's) whenever it wants frames: 44100 Hz, 16-bit, interleaved stereo.
//
// A device can go away while playing (a headset unplugged, the sound server restarted): SDL then
// reports it stopped, or its thread hangs and asks for nothing. Either way the output counts as
// lost, and the caller replaces it with the silent output so that the music clock goes on.
//
// Once opened, the output is also stopped at process exit (before static objects are destroyed),
// so no exit path, a fatal error included, leaves its thread pulling frames during the teardown.
// SIGINT and SIGTERM keep their default action with either output (SDL is told not to catch
// them): they end the process, its output thread with it, as a signal's death (status 130, 143).
#pragma once

#include "audio/bass_test.h"

#include <cstdint>

typedef void (*AudioPullFn)(int16_t* stereo, uint32_t frames);

// Opens the output that HALCYON_AUDIO and the tests' selection ask for, falling back from the
// device to the silent output with one line on standard error. False if nothing could start.
bool audioOutputOpen(AudioPullFn pull);
// Stops the output; the pull function is not called any more when this returns.
void audioOutputClose();

// True when the device (or the tests' manual output) is lost; it then calls the pull function
// no more, but its clock and latency still hold. Caller's thread.
bool audioOutputDetachIfLost();
// Replaces a detached output by the silent one, with one line on standard error. The silent
// output's first pull comes from its own thread and takes whatever lock pull takes, so the caller
// may hold that lock to set the position from which it continues. False if it cannot start.
bool audioOutputSwitchToSilent();

AudioOutputKind audioOutputKind();
// How many frames after a pull its first frame is heard.
uint32_t audioOutputLatencyFrames();

// When the silent output pulls period `period` (counted from 1 after the first pull at startNs):
// whole periods of 1024 frames at 44100 Hz after it, exact to the nanosecond, for any count a
// process could reach.
int64_t silentPeriodDueNs(int64_t startNs, int64_t period);

// Monotonic nanoseconds (the fake clock on the manual output).
int64_t audioClockNs();
