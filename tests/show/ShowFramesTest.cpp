// Renders a frame every second of the show with the build's frame renderer
// and checks that none is almost black or almost white, except in the fade
// from black at the start and the fade to black before the music ends, that
// every section keeps true black in its pictures outside the strobe's
// flashes, that the drops' flashes do not veil them, and that the last
// picture answers the soundtrack's final hit. The per-section figures are
// printed, whether they pass or not.
#include "FrameCheck.h"

#include "sync/data.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
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
// The soundtrack's last bar is one hit on its downbeat, then its decay.
constexpr int kRowsPerBeat = 10;
constexpr int kFinalHitRow = kEndRow - 4 * kRowsPerBeat;
constexpr const char* kSize = "320x180";

// The soundtrack's arrangement, in rows.
struct Section {
    const char* name;
    int begin, end;
};
constexpr Section kSections[] = {
    {"intro", 0, 640},      {"build1", 640, 960},  {"drop1", 960, 1600},  {"breakdown", 1600, 2240},
    {"build2", 2240, 2560}, {"drop2", 2560, 3200}, {"outro", 3200, 3840},
};
// The strobe adds "strobo" x 0.5 of full white over the scene: from this
// value on it alone lifts black above the black line, so the still is a flash
// and is meant to hold no black.
constexpr double kFlashStrobe = showcheck::kBlackLuma / 127.5;
// Outside the flashes the median still of every section is at least this
// much true black, and at most this share of its stills has no black in its
// darkest twentieth (a picture under a grey veil).
constexpr double kLeastBlackShare = 0.15;
constexpr double kMostVeiledShare = 0.2;
// A drop's still is washed out above this mean; past a section's first beat
// (where a drop lands on its burst) at most this share of them may be.
constexpr double kWashedMean = 80.0;
constexpr double kMostWashedShare = 0.1;

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
        command +=
            " " + std::to_string(kFinalHitRow - kRowsPerBeat) + " " + std::to_string(kFinalHitRow);
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

TEST_F(ShowFrames, EverySectionKeepsItsBlacksOutsideTheFlashes) {
    ASSERT_TRUE(rendered) << "the frame renderer failed";
    SyncDevice* device = sync_new_device((std::string(HALCYON_SHOW_DATA) + "sync").c_str());
    ASSERT_TRUE(device);
    const Track* strobe = sync_open_track(device, "strobo");
    ASSERT_GT(strobe->keyCount, 0) << "no strobe track";
    std::string figures, faults;
    for (const Section& section : kSections) {
        std::vector<double> blackShares, percentiles;
        int flashes = 0, veiled = 0;
        double lumaSum = 0.0;
        for (int row : rowsEverySecond()) {
            if (row < section.begin || row >= section.end) continue;
            if (sync_get_val(strobe, row) >= kFlashStrobe) {
                ++flashes;
                continue;
            }
            FrameStats stats{};
            if (!measure(row, &stats)) continue;
            blackShares.push_back(stats.blackShare);
            percentiles.push_back(stats.lumaPercentile5);
            lumaSum += stats.meanLuma;
            if (stats.lumaPercentile5 >= showcheck::kBlackLuma) ++veiled;
        }
        const int stills = int(blackShares.size());
        const double blackShare = showcheck::median(blackShares);
        char line[200];
        snprintf(line, sizeof line,
                 "%-9s %2d stills + %d flashes: black %5.1f %%, 5th percentile %3.0f, mean luma "
                 "%5.1f, %d without black\n",
                 section.name, stills, flashes, 100.0 * blackShare, showcheck::median(percentiles),
                 stills ? lumaSum / stills : 0.0, veiled);
        figures += line;
        if (stills == 0 || blackShare < kLeastBlackShare || veiled > kMostVeiledShare * stills)
            faults += std::string(section.name) + " ";
    }
    sync_free_device(device);
    printf("median per section, luma BT.601:\n%s", figures.c_str());
    EXPECT_EQ(faults, "") << figures;
}

TEST_F(ShowFrames, DropFlashesPunchWithoutWashingTheDropsOut) {
    ASSERT_TRUE(rendered) << "the frame renderer failed";
    std::string figures;
    for (const Section& section : kSections) {
        if (std::string(section.name).rfind("drop", 0) != 0) continue;
        int stills = 0, washed = 0;
        for (int row : rowsEverySecond()) {
            if (row < section.begin + kRowsPerBeat || row >= section.end) continue;
            FrameStats stats{};
            if (!measure(row, &stats)) continue;
            ++stills;
            if (stats.meanLuminance > kWashedMean) ++washed;
        }
        figures += std::string(section.name) + ": " + std::to_string(washed) + " of " +
                   std::to_string(stills) + " stills washed out\n";
        EXPECT_GT(stills, 20) << section.name;
        EXPECT_LE(washed, kMostWashedShare * stills) << section.name;
    }
    printf("%s", figures.c_str());
}

TEST_F(ShowFrames, TheLastPictureAnswersTheFinalHit) {
    ASSERT_TRUE(rendered) << "the frame renderer failed";
    // Still lit a beat before the hit, which is the brightest picture of the
    // outro.
    FrameStats before{}, hit{};
    ASSERT_TRUE(measure(kFinalHitRow - kRowsPerBeat, &before));
    ASSERT_TRUE(measure(kFinalHitRow, &hit));
    EXPECT_FALSE(showcheck::almostBlack(before)) << "mean " << before.meanLuminance;
    const Section& outro = kSections[std::size(kSections) - 1];
    for (int row : rowsEverySecond()) {
        FrameStats stats{};
        if (row >= outro.begin && measure(row, &stats)) {
            EXPECT_GT(hit.meanLuminance, stats.meanLuminance) << "row " << row;
        }
    }
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

TEST(FrameCheck, CountsTrueBlackAndTheDarkestTwentieth) {
    struct Case {
        int darkPixels;  // of 100, the rest at luma 100
        uint8_t r, g, b; // the dark pixels
        double blackShare;
        int percentile5;
    } cases[] = {
        {5, 0, 0, 0, 0.05, 0},     // exactly a twentieth black sets the percentile
        {4, 0, 0, 0, 0.04, 100},   // one pixel fewer does not
        {50, 0, 0, 40, 0.50, 5},   // 40 in blue alone is black (luma 4.6)
        {50, 0, 40, 0, 0.0, 23},   // the same 40 in green is not
        {50, 16, 16, 16, 0.0, 16}, // the black line itself is not black
        {50, 15, 15, 15, 0.50, 15},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> rgb = frameOf(c.darkPixels, c.r, c.g, c.b);
        const std::vector<uint8_t> grey = frameOf(100 - c.darkPixels, 100, 100, 100);
        rgb.insert(rgb.end(), grey.begin(), grey.end());
        const FrameStats stats = showcheck::measureFrame(rgb.data(), 10, 10);
        EXPECT_NEAR(stats.blackShare, c.blackShare, 1e-9) << c.darkPixels << " dark";
        EXPECT_EQ(stats.lumaPercentile5, c.percentile5) << c.darkPixels << " dark";
    }
    EXPECT_DOUBLE_EQ(showcheck::median({3, 1, 2}), 2.0);
    EXPECT_DOUBLE_EQ(showcheck::median({4, 1, 3, 2}), 2.5);
    EXPECT_DOUBLE_EQ(showcheck::median({}), 0.0);
}

} // namespace
