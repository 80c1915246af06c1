#include "FrameCheck.h"

#include <algorithm>
#include <cmath>

namespace showcheck {

namespace {
constexpr int kLevels = 256;
constexpr double kPercentile = 0.05;

int luma601(uint8_t r, uint8_t g, uint8_t b) {
    return int(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
}
} // namespace

FrameStats measureFrame(const uint8_t* rgb, int width, int height) {
    const long pixels = long(width) * long(height);
    if (pixels <= 0) return FrameStats{0.0, 0.0, 0.0, 0, 0.0};
    double sum = 0.0, lumaSum = 0.0;
    long white = 0;
    long histogram[kLevels] = {};
    for (long i = 0; i < pixels; ++i) {
        const uint8_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        sum += kRedWeight * r + kGreenWeight * g + kBlueWeight * b;
        if (r >= kWhiteLevel && g >= kWhiteLevel && b >= kWhiteLevel) ++white;
        const int luma = luma601(r, g, b);
        ++histogram[luma];
        lumaSum += luma;
    }
    long black = 0;
    for (int level = 0; level < kBlackLuma; ++level)
        black += histogram[level];
    // The lowest level at or below which at least 5 % of the pixels lie.
    const double wanted = kPercentile * double(pixels);
    int percentile = 0;
    for (long seen = histogram[0]; double(seen) < wanted; seen += histogram[++percentile]) {
    }
    return FrameStats{sum / double(pixels), double(white) / double(pixels),
                      double(black) / double(pixels), percentile, lumaSum / double(pixels)};
}

bool almostBlack(const FrameStats& stats) {
    return stats.meanLuminance < kBlackMean;
}

bool almostWhite(const FrameStats& stats) {
    return stats.meanLuminance > kWhiteMean || stats.whiteShare > kWhiteShare;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

} // namespace showcheck
