// The audio calls the program makes: one MP3 stream played on the default output.
//
// Stream creation scans the whole file, so lengths and positions are exact to the sample (44100
// Hz MP3, mono or stereo, gapless when the file carries the encoder's delay and padding), and
// refuses what cannot be played; the samples are then decoded in the background, far ahead of
// real time. A seek, or the spectrum, at a position not yet decoded waits for it. Data found
// broken only later plays as silence from there, with one line on standard error. Positions are
// bytes of 16-bit stereo 44100 Hz PCM: 4 bytes per sample frame, 176400 bytes per second. The play
// position is the one the listener hears now, interpolated between output callbacks; it never runs
// backwards while playing and stops at the stream's length once the end has been heard.
//
// When no output device can be opened, output falls back to a silent one that advances in real
// time and says so in one line on standard error. HALCYON_AUDIO=silent forces the silent output.
// A device lost while playing is replaced the same way, from the position heard at that moment.
//
// One stream at a time. Every call comes from one thread (the caller's); playback runs on a
// thread of the output's own. Functions return TRUE/non-zero on success; after a failure
// BASS_ErrorGetCode tells why (the BASS_ERROR_* codes below, BASS_OK after a success).
//
// BASS_ChannelGetData(handle, buffer, BASS_DATA_FFT256 | BASS_DATA_FLOAT) fills 128 floats:
// magnitudes of the 256-point FFT of the mono mix (mean of both channels, full scale 1.0) of the
// 256 frames centred on the play position (frames outside the stream read as silence), with a
// periodic Hann window (0.5 - 0.5 cos(2 pi n / 256), whose values sum to 128), scaled by 2/128.
// A full-scale sine on the centre of bin k (k * 44100 / 256 Hz) reads 1.0 in bin k and below 0.01
// ten bins away; silence reads 0. It works on a stopped or paused stream at its set position.
#pragma once

#include <cstdint>

typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;
typedef DWORD HSTREAM;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define BASS_STREAM_PRESCAN 0x20000
#define BASS_POS_BYTE 0

#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

#define BASS_DATA_FFT256 0x80000000
#define BASS_DATA_FLOAT 0x40000000

// Error codes.
#define BASS_OK 0
#define BASS_ERROR_INIT 1     // BASS_Init has not succeeded
#define BASS_ERROR_ALREADY 2  // BASS_Init called twice
#define BASS_ERROR_ILLPARAM 3 // an argument this layer does not support
#define BASS_ERROR_DEVICE 4   // neither a device nor the silent output could be started
#define BASS_ERROR_HANDLE 5   // not the handle of the open stream
#define BASS_ERROR_FILEOPEN 6 // the file cannot be opened
#define BASS_ERROR_FORMAT 7   // not decodable as MP3, or not 44100 Hz
#define BASS_ERROR_MEM 8      // out of memory while decoding
#define BASS_ERROR_BUSY 9     // a stream is already open
#define BASS_ERROR_NOPLAY 10  // pausing a stream that is not playing

// device -1 (default output), freq 44100; flags, win and clsid are ignored.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
// mem FALSE, file a path, offset 0 and length 0 (the whole file); flags are ignored (every stream
// is scanned whole, then decoded in the background). Returns 0 on failure. The stream is created
// stopped at position 0.
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_Start();
// Plays from the current position, or from 0 when restart is TRUE.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
int BASS_ErrorGetCode();
DWORD BASS_ChannelIsActive(DWORD handle);
// mode BASS_POS_BYTE; (QWORD)-1 on failure.
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// The stream's length in bytes (the video export needs it; the program does not).
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
// Whole frames of the byte position, in seconds; negative on failure.
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
// Seconds rounded to the nearest frame, in bytes; negative seconds give 0; (QWORD)-1 on failure.
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);
// Clamped to the stream's length; a playing stream continues from there.
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
BOOL BASS_ChannelPause(DWORD handle);
// Only BASS_DATA_FFT256 (BASS_DATA_FLOAT implied); returns the bytes written (512) or
// (DWORD)-1 on failure.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
// Playback runs on its own thread; this only replaces a lost output (as activity and position do).
BOOL BASS_Update(DWORD length);
BOOL BASS_StreamFree(HSTREAM handle);
BOOL BASS_Free();
