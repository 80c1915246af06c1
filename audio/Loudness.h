// Loudness: a summary of the music's samples for drawing its waveform, made
// once from the decoded PCM and read many times (the studio's timeline).
//
// The samples are interleaved 16-bit stereo frames; a bucket covers a fixed
// number of frames and holds the lowest and highest sample of either channel
// and the mean square of both (full scale 1.0, so a full-scale sine reads
// peaks of about +-1 and a mean square of 0.5). A summary keeps two levels:
// fine buckets (a few per row of the show, enough to zoom to a handful of
// rows) and coarse ones, each merging kLoudnessCoarseFactor fine buckets, for
// the whole show at once. Reading a span of frames merges the buckets it
// overlaps from the level whose buckets fit the span best. Pure functions;
// nothing here touches the device.
#pragma once

#include <cstdint>
#include <vector>

struct LoudnessBucket {
    float low;        // the lowest sample, -1..1
    float high;       // the highest sample
    float meanSquare; // of every sample of both channels
};

// The audio layer's frames a second, for turning times into frames.
const double kMusicFrameRate = 44100.0;
const uint32_t kLoudnessFineFrames = 256;
const uint32_t kLoudnessCoarseFactor = 16;

struct LoudnessSummary {
    uint64_t frames; // the music's length
    uint32_t fineFrames;
    std::vector<LoudnessBucket> fine;   // frames [i * fineFrames, (i + 1) * fineFrames)
    std::vector<LoudnessBucket> coarse; // kLoudnessCoarseFactor fine buckets each
};

// Buckets of `framesPerBucket` frames; the last one may be shorter. An empty
// input gives no buckets.
std::vector<LoudnessBucket> summariseSamples(const int16_t* stereo, uint64_t frames,
                                             uint32_t framesPerBucket);

// Buckets merged `factor` at a time (a shorter last group); a merged mean
// square weighs its buckets equally.
std::vector<LoudnessBucket> mergeBuckets(const std::vector<LoudnessBucket>& buckets,
                                         uint32_t factor);

LoudnessSummary summariseLoudness(const int16_t* stereo, uint64_t frames);

// The frames [first, last) merged; frames outside the music read as silence
// (all zero). A span within a single bucket reads that bucket.
LoudnessBucket loudnessOver(const LoudnessSummary& summary, double first, double last);
