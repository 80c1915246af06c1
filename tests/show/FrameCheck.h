// FrameCheck: how light a rendered frame is, and whether that makes it
// almost black or almost white, the two ways a show's picture fails worst
// (nothing drawn, or everything washed out); and how much true black it
// keeps, which is what gives a picture its contrast. 8-bit RGB, rows in any
// order.
#pragma once

#include <cstdint>
#include <vector>

namespace showcheck {

// Luminance weights of the sRGB primaries, applied to the stored values.
constexpr double kRedWeight = 0.2126;
constexpr double kGreenWeight = 0.7152;
constexpr double kBlueWeight = 0.0722;

// A frame darker than this on average shows next to nothing.
constexpr double kBlackMean = 4.0;
// Lighter than this on average, or with this share of its pixels at full
// white, the picture has washed out.
constexpr double kWhiteMean = 235.0;
constexpr double kWhiteShare = 0.9;
// A pixel counts as full white when every channel reaches this.
constexpr uint8_t kWhiteLevel = 250;
// Video black: a pixel whose luma (BT.601 weights, as video players and
// encoders reckon it) is below this shows as true black.
constexpr int kBlackLuma = 16;

struct FrameStats {
    double meanLuminance; // 0 to 255
    double whiteShare;    // 0 to 1
    double blackShare;    // pixels of luma below kBlackLuma, 0 to 1
    int lumaPercentile5;  // the darkest twentieth of the pixels is at most this
    double meanLuma;      // BT.601, 0 to 255
};

FrameStats measureFrame(const uint8_t* rgb, int width, int height);

bool almostBlack(const FrameStats& stats);
bool almostWhite(const FrameStats& stats);

// The median of the values (the mean of the middle two for an even count);
// 0 for none.
double median(std::vector<double> values);

} // namespace showcheck
