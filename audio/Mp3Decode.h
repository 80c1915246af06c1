// Decodes an MP3 file to 16-bit stereo PCM at 44100 Hz with libmpg123, in the background.
//
// Opening scans every frame header, so the exact length is known before any sample is decoded,
// and refuses what cannot be played; a thread of the decoder's own then fills the samples in
// order, far faster than real time, keeping some seconds ahead of the frames last asked for and
// sleeping otherwise. Readers ask how far it has come, or wait for the frames they need (which
// also tells the decoder where they are). Gapless: with the encoder's delay and padding in the
// file's tag, the result holds exactly the frames that were encoded. Mono files are duplicated to
// both channels; other sample rates are refused rather than resampled, so byte positions keep their
// meaning.
//
// Data found broken only while decoding (a file cut short, garbage that ends the decoding) leaves
// silence from there to the scanned length, with one line on standard error. The file is opened
// once, by mp3Open; the decoding thread reads through that handle.
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

struct Mp3Stream; // owned by the caller from mp3Open to mp3Close

// On failure *stream is null and nothing is left running.
Mp3DecodeResult mp3Open(const char* path, Mp3Stream** stream);
// Stops the decoding (without waiting for the rest) and releases everything.
void mp3Close(Mp3Stream* stream);

// The exact length in frames; fixed from mp3Open on.
uint64_t mp3Frames(const Mp3Stream* stream);
// Interleaved stereo samples, two per frame, of mp3Frames frames. Only frames below
// mp3Decoded (or mp3WaitDecoded's result) hold their final values.
const int16_t* mp3Samples(const Mp3Stream* stream);
// How many frames from the start are ready now. Never blocks.
uint64_t mp3Decoded(const Mp3Stream* stream);
// Waits until at least the first `frames` frames (clamped to the length) are ready, and returns
// how many are; less only if the stream is being closed. Call it before reading samples, even
// when they are likely ready: it keeps the decoder ahead of the reader.
uint64_t mp3WaitDecoded(Mp3Stream* stream, uint64_t frames);
// Asks for the whole stream to be decoded in the background, without waiting: mp3Decoded reaches
// mp3Frames soon after (for a summary of the whole music, not for playing).
void mp3DecodeToEnd(Mp3Stream* stream);
