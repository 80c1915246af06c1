// Master: the last stage from mix to file: loudness measurement, a look-ahead
// limiter, normalisation to a loudness target, and 16-bit WAV output.
//
// Loudness is the gated, K-weighted integrated measure in LUFS (400 ms blocks,
// 75 % overlap, absolute gate -70 LUFS, relative gate -10 LU). The limiter
// works on sample peaks in linear full-scale units; the ceiling leaves room
// for the lossy encoder's overshoot. All of it is plain sequential arithmetic,
// so the same mix masters to the same bytes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/music/Dsp.h"

constexpr float kTargetLufs = -14.0f;
constexpr float kCeilingDb = -2.5f;
// The high shelf that lays the top octaves back, so that the mix falls with
// frequency the way masters do instead of hissing.
constexpr double kAirShelfHz = 10000.0;
constexpr double kAirShelfDb = -8.0;

// Integrated loudness in LUFS; -70 or below for silence.
double integratedLoudness(const Stereo& audio);

// Per frame, the largest magnitude of either channel at the frame and at three
// points interpolated (windowed sinc) between it and the next one: an estimate
// of the peak the reconstructed waveform reaches.
std::vector<float> truePeaks(const Stereo& audio);

// Scales so that no frame's `peaks` value exceeds `ceiling`, with a gain curve
// that starts falling `lookahead` frames before a peak and recovers over
// `release` seconds.
void limitPeaks(Stereo& audio, const std::vector<float>& peaks, float ceiling, int lookahead,
                float release);

// Removes DC and sub-bass rumble, lays the air band back, fades the last
// `fadeFrames` to silence, brings the mix to kTargetLufs and limits its
// estimated true peak to kCeilingDb.
void master(Stereo& audio, int64_t fadeFrames);

// Octave bands the tonal-balance meter reports, centred on 125 Hz to 16 kHz;
// each spans its centre / sqrt(2) to its centre * sqrt(2).
constexpr int kOctaveBands = 8;
constexpr float kLowestBandHz = 125.0f;

// Mean power of frames [first, end) in each octave band, averaged over both
// channels, in dB full scale (a full-scale sine inside one band reads -3 dB).
// Measured from Hann-windowed spectra, so a band's edges are sharp to within
// a few hertz.
std::vector<double> octaveBandLevels(const Stereo& audio, int64_t first, int64_t end);

// Writes 16-bit stereo PCM at kSampleRate; false when writing failed.
bool writeWav(FILE* file, const Stereo& audio);
