#include "audio/Loudness.h"

#include <algorithm>
#include <cmath>

namespace {

const float kSampleScale = 1.0f / 32768.0f;

LoudnessBucket silence() {
    return LoudnessBucket{0.0f, 0.0f, 0.0f};
}

// Buckets [first, last) of one level merged; the range lies within it.
LoudnessBucket mergeRange(const std::vector<LoudnessBucket>& buckets, size_t first, size_t last) {
    LoudnessBucket merged{1.0f, -1.0f, 0.0f};
    for (size_t i = first; i < last; ++i) {
        merged.low = std::min(merged.low, buckets[i].low);
        merged.high = std::max(merged.high, buckets[i].high);
        merged.meanSquare += buckets[i].meanSquare;
    }
    if (last <= first) return silence();
    merged.meanSquare /= float(last - first);
    return merged;
}

} // namespace

std::vector<LoudnessBucket> summariseSamples(const int16_t* stereo, uint64_t frames,
                                             uint32_t framesPerBucket) {
    std::vector<LoudnessBucket> buckets;
    if (framesPerBucket == 0) return buckets;
    buckets.reserve(size_t((frames + framesPerBucket - 1) / framesPerBucket));
    for (uint64_t start = 0; start < frames; start += framesPerBucket) {
        const uint64_t end = std::min<uint64_t>(start + framesPerBucket, frames);
        int low = INT16_MAX, high = INT16_MIN;
        double squares = 0.0;
        for (uint64_t s = start * 2; s < end * 2; ++s) {
            const int sample = stereo[s];
            low = std::min(low, sample);
            high = std::max(high, sample);
            squares += double(sample) * sample;
        }
        const double scale = double(kSampleScale) * kSampleScale;
        buckets.push_back(LoudnessBucket{float(low) * kSampleScale, float(high) * kSampleScale,
                                         float(squares * scale / double(2 * (end - start)))});
    }
    return buckets;
}

std::vector<LoudnessBucket> mergeBuckets(const std::vector<LoudnessBucket>& buckets,
                                         uint32_t factor) {
    std::vector<LoudnessBucket> merged;
    if (factor == 0) return merged;
    for (size_t start = 0; start < buckets.size(); start += factor)
        merged.push_back(mergeRange(buckets, start, std::min(buckets.size(), start + factor)));
    return merged;
}

LoudnessSummary summariseLoudness(const int16_t* stereo, uint64_t frames) {
    LoudnessSummary summary{frames, kLoudnessFineFrames, {}, {}};
    summary.fine = summariseSamples(stereo, frames, kLoudnessFineFrames);
    summary.coarse = mergeBuckets(summary.fine, kLoudnessCoarseFactor);
    return summary;
}

LoudnessBucket loudnessOver(const LoudnessSummary& summary, double first, double last) {
    first = std::max(first, 0.0);
    last = std::min(last, double(summary.frames));
    if (!(last > first) || summary.fineFrames == 0) return silence();
    // The coarse level once a span covers several of its buckets: at most a
    // few dozen buckets are merged whatever the span.
    const double coarseFrames = double(summary.fineFrames) * kLoudnessCoarseFactor;
    const bool coarse = last - first >= 4.0 * coarseFrames && !summary.coarse.empty();
    const std::vector<LoudnessBucket>& level = coarse ? summary.coarse : summary.fine;
    const double bucketFrames = coarse ? coarseFrames : double(summary.fineFrames);
    const size_t begin = std::min(level.size(), size_t(std::floor(first / bucketFrames)));
    const size_t end = std::min(level.size(), size_t(std::ceil(last / bucketFrames)));
    return mergeRange(level, begin, std::max(end, begin + (begin < level.size() ? 1 : 0)));
}
