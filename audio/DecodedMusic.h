// The open stream's decoded samples, for what is drawn from the music as a
// whole (the studio's waveform), so that nothing decodes the file twice.
#pragma once

#include "audio/bass.h"

#include <cstdint>

// Never blocks. Until the whole stream is decoded it returns false and asks
// the decoder to go on to the end in the background; then true with the
// interleaved 16-bit stereo samples (2 per frame) and the frame count. The
// samples stay valid and unchanged until the stream is freed.
bool streamDecodedSamples(DWORD handle, const int16_t** samples, uint64_t* frames);
