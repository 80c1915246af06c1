// Renders a frame every second of the show with the build's frame renderer
// and checks that none is almost black or almost white, except in the fade
// from black at the start and the fade to black before the music ends.
#include "FrameCheck.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using showcheck::FrameStats;

constexpr double kRowsPerSecond = 21.6;
constexpr int kEndRow = 3840; // the music stops here
// The marked fades: the show opens on black and is lit by the end of its
// second second; it has faded out by 3800, and from 3770 on it is too dark
// to judge. Every frame between them must show a picture.
constexpr int kIntroFadeEndRow = 44;
constexpr int kOutroFadeStartRow = 3770;
constexpr const char* kSize = "320x180";

int rowAtSecond(int second) {
    return int(std::lround(second * kRowsPerSecond));
}

std::vector<int> rowsEverySecond() {
    std::vector<int> rows;
    for (int second = 0; rowAtSecond(second) < kEndRow; ++second)
        rows.push_back(rowAtSecond(second));
    return rows;
}

class ShowFrames : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/halcyon-show-XXXXXX";
        if (!mkdtemp(pattern)) return;
        directory = pattern;
        std::string command = std::string(HALCYON_XVFB_RUN) + " -a -s \"-screen 0 " + kSize +
                              "x24\" " + HALCYON_SHOW_FRAMES + " --size " + kSize + " --out " +
                              directory;
        for (int row : rowsEverySecond())
            command += " " + std::to_string(row);
        rendered = std::system(command.c_str()) == 0;
    }

    static void TearDownTestSuite() {
        if (!directory.empty()) std::system(("rm -rf " + directory).c_str());
    }

    // Fails the test when the frame is missing.
    static bool measure(int row, FrameStats* stats) {
        const std::string path = directory + "/row-" + std::to_string(row) + ".png";
        int width = 0, height = 0, channels = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 3);
        if (!pixels) {
            ADD_FAILURE() << "no frame " << path;
            return false;
        }
        *stats = showcheck::measureFrame(pixels, width, height);
        stbi_image_free(pixels);
        return true;
    }

    static std::string directory;
    static bool rendered;
};

std::string ShowFrames::directory;
bool ShowFrames::rendered = false;

TEST_F(ShowFrames, NoFrameOutsideTheFadesIsAlmostBlackOrAlmostWhite) {
    ASSERT_TRUE(rendered) << "the frame renderer failed";
    std::string faults;
    int judged = 0;
    for (int row : rowsEverySecond()) {
        if (row < kIntroFadeEndRow || row >= kOutroFadeStartRow) continue;
        FrameStats stats{};
        if (!measure(row, &stats)) continue;
        ++judged;
        const char* fault = showcheck::almostBlack(stats)   ? "almost black"
                            : showcheck::almostWhite(stats) ? "almost white"
                                                            : nullptr;
        if (fault) {
            char line[160];
            snprintf(line, sizeof line, "row %d (%.1f s): %s, mean %.1f, %.0f%% white\n", row,
                     row / kRowsPerSecond, fault, stats.meanLuminance, 100.0 * stats.whiteShare);
            faults += line;
        }
    }
    EXPECT_GT(judged, 170);
    EXPECT_EQ(faults, "");
}

TEST_F(ShowFrames, OpensOnBlackAndFadesOutBeforeTheMusicEnds) {
    ASSERT_TRUE(rendered) << "the frame renderer failed";
    const std::vector<int> rows = rowsEverySecond();
    FrameStats first{}, last{};
    ASSERT_TRUE(measure(rows.front(), &first));
    ASSERT_TRUE(measure(rows.back(), &last));
    EXPECT_TRUE(showcheck::almostBlack(first)) << "mean " << first.meanLuminance;
    EXPECT_TRUE(showcheck::almostBlack(last))
        << "row " << rows.back() << " mean " << last.meanLuminance;
}

// The checker itself, on frames whose answer is known.
std::vector<uint8_t> frameOf(int pixels, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < pixels; ++i)
        rgb.insert(rgb.end(), {r, g, b});
    return rgb;
}

TEST(FrameCheck, TellsBlackAndWhiteFromAPicture) {
    const int kPixels = 100;
    const FrameStats black = showcheck::measureFrame(frameOf(kPixels, 0, 0, 0).data(), 10, 10);
    EXPECT_TRUE(showcheck::almostBlack(black));
    EXPECT_FALSE(showcheck::almostWhite(black));

    const FrameStats white =
        showcheck::measureFrame(frameOf(kPixels, 255, 255, 255).data(), 10, 10);
    EXPECT_TRUE(showcheck::almostWhite(white));
    EXPECT_DOUBLE_EQ(white.whiteShare, 1.0);

    // A light grey wash with no pixel at full white is caught by its mean.
    const FrameStats wash = showcheck::measureFrame(frameOf(kPixels, 240, 240, 240).data(), 10, 10);
    EXPECT_DOUBLE_EQ(wash.whiteShare, 0.0);
    EXPECT_TRUE(showcheck::almostWhite(wash));

    const FrameStats grey = showcheck::measureFrame(frameOf(kPixels, 90, 90, 90).data(), 10, 10);
    EXPECT_NEAR(grey.meanLuminance, 90.0, 1e-9);
    EXPECT_FALSE(showcheck::almostBlack(grey));
    EXPECT_FALSE(showcheck::almostWhite(grey));
}

TEST(FrameCheck, WeighsTheChannelsAndCountsWhitePixels) {
    // Dark blue weighs little: 40 in blue alone is below the black line,
    // the same 40 in green is well above it.
    EXPECT_TRUE(showcheck::almostBlack(showcheck::measureFrame(frameOf(4, 0, 0, 40).data(), 2, 2)));
    EXPECT_FALSE(
        showcheck::almostBlack(showcheck::measureFrame(frameOf(4, 0, 40, 0).data(), 2, 2)));

    // 92 white pixels and 8 black: mean about 235 at most, caught by the share.
    std::vector<uint8_t> mostlyWhite = frameOf(92, 255, 255, 255);
    const std::vector<uint8_t> dark = frameOf(8, 0, 0, 0);
    mostlyWhite.insert(mostlyWhite.end(), dark.begin(), dark.end());
    const FrameStats stats = showcheck::measureFrame(mostlyWhite.data(), 10, 10);
    EXPECT_NEAR(stats.whiteShare, 0.92, 1e-9);
    EXPECT_TRUE(showcheck::almostWhite(stats));

    // A small bright symbol on black is a picture, not a black frame.
    std::vector<uint8_t> symbol = frameOf(95, 0, 0, 0);
    const std::vector<uint8_t> bright = frameOf(5, 250, 250, 250);
    symbol.insert(symbol.end(), bright.begin(), bright.end());
    EXPECT_FALSE(showcheck::almostBlack(showcheck::measureFrame(symbol.data(), 10, 10)));

    // A pixel just short of full white in one channel does not count.
    EXPECT_DOUBLE_EQ(showcheck::measureFrame(frameOf(4, 255, 249, 255).data(), 2, 2).whiteShare,
                     0.0);
}

} // namespace
