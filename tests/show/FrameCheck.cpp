#include "FrameCheck.h"

namespace showcheck {

FrameStats measureFrame(const uint8_t* rgb, int width, int height) {
    const long pixels = long(width) * long(height);
    if (pixels <= 0) return FrameStats{0.0, 0.0};
    double sum = 0.0;
    long white = 0;
    for (long i = 0; i < pixels; ++i) {
        const uint8_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        sum += kRedWeight * r + kGreenWeight * g + kBlueWeight * b;
        if (r >= kWhiteLevel && g >= kWhiteLevel && b >= kWhiteLevel) ++white;
    }
    return FrameStats{sum / double(pixels), double(white) / double(pixels)};
}

bool almostBlack(const FrameStats& stats) {
    return stats.meanLuminance < kBlackMean;
}

bool almostWhite(const FrameStats& stats) {
    return stats.meanLuminance > kWhiteMean || stats.whiteShare > kWhiteShare;
}

} // namespace showcheck
