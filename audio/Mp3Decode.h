// Decodes a whole MP3 file to 16-bit stereo PCM at 44100 Hz with libmpg123.
//
// Gapless: with the encoder's delay and padding in the file's tag, the result holds exactly the
// frames that were encoded. Mono files are duplicated to both channels; other sample rates are
// refused rather than resampled, so byte positions keep their meaning.
#pragma once

#include <cstdint>

enum Mp3DecodeResult : uint32_t {
    MP3_DECODE_OK = 0,
    MP3_DECODE_NO_FILE = 1,
    MP3_DECODE_BAD_DATA = 2,
    MP3_DECODE_BAD_RATE = 3,
    MP3_DECODE_NO_MEMORY = 4,
};

const uint32_t kMp3SampleRate = 44100;

// Interleaved stereo samples, two per frame, from malloc; release with freePcm.
struct Pcm {
    int16_t* samples;
    uint64_t frames;
};

// On failure pcm is left empty.
Mp3DecodeResult decodeMp3(const char* path, Pcm& pcm);
void freePcm(Pcm& pcm);
