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

// Frames a render of bars [firstBar, endBar) holds.
int64_t songFrames(int firstBar, int endBar);

// The mix of bars [firstBar, endBar), before loudness and limiting.
Stereo renderSong(int firstBar, int endBar);
