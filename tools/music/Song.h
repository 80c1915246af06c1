// Song: the soundtrack's score and instruments, rendered to an unmastered
// stereo mix at kSampleRate.
//
// Every note is placed at the sample of its tick on the grid (MusicTime), so
// the beats stay exactly on the show's rows for the whole song. Noise comes from
// one fixed-seed generator per instrument, so a render is the same every run.
// A range of bars renders only the notes that start inside it, which is what
// the tests use; the whole song also carries the decay tail after its last bar.
#pragma once

#include "tools/music/Dsp.h"

// The instruments, as bits of a mask, so that one can be rendered alone to
// measure what it adds to the mix.
enum Voice : unsigned {
    VOICE_KICK = 1u << 0,
    VOICE_CLAP = 1u << 1,
    VOICE_SNARE = 1u << 2,
    VOICE_HAT = 1u << 3,
    VOICE_CRASH = 1u << 4,
    VOICE_RISER = 1u << 5,
    VOICE_BASS = 1u << 6,
    VOICE_SUB = 1u << 7,
    VOICE_PAD = 1u << 8,
    VOICE_ARP = 1u << 9,
    VOICE_LEAD = 1u << 10,
};
constexpr unsigned kAllVoices = (1u << 11) - 1;

// The voice of a lower-case name ("kick", "hat"...), or 0 for none.
unsigned voiceByName(const char* name);

// Frames a render of bars [firstBar, endBar) holds.
int64_t songFrames(int firstBar, int endBar);

// The mix of bars [firstBar, endBar) with the voices in `voices`, before
// loudness and limiting. The kicks duck the other voices whether they sound or
// not, so a voice alone is shaped as in the mix (its noise draws differ).
Stereo renderSong(int firstBar, int endBar, unsigned voices = kAllVoices);
