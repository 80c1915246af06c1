#include "app/studio/Navigation.h"

#include <gtest/gtest.h>

TEST(Navigation, StepsLandOnTheGridWithinTheMusic) {
    const double end = 3840.0;
    struct Case {
        double row;
        GridStep step;
        double expected;
    } cases[] = {
        {960, STEP_ROW_FORWARD, 961},   {960, STEP_ROW_BACK, 959},
        {963.4, STEP_ROW_FORWARD, 964}, {963.4, STEP_ROW_BACK, 963},
        {963, STEP_BEAT_FORWARD, 970},  {963, STEP_BEAT_BACK, 960},
        {960, STEP_BEAT_FORWARD, 970},  {960, STEP_BEAT_BACK, 950},
        {975, STEP_BAR_FORWARD, 1000},  {975, STEP_BAR_BACK, 960},
        {960, STEP_BAR_BACK, 920},      {0, STEP_ROW_BACK, 0},
        {3, STEP_BAR_BACK, 0},          {3839.5, STEP_ROW_FORWARD, 3840},
        {3835, STEP_BAR_FORWARD, 3840}, {3840, STEP_BEAT_FORWARD, 3840},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gridStepTarget(c.row, c.step, end), c.expected)
            << "from " << c.row << ", step " << c.step;
}

TEST(Navigation, SlowPlaybackAdvancesByTheScaledClock) {
    const int64_t second = 1000000000;
    EXPECT_DOUBLE_EQ(slowRowAfter(100.0, second, kSpeeds[0]), 121.6);
    EXPECT_DOUBLE_EQ(slowRowAfter(100.0, second, 0.5), 110.8);
    EXPECT_DOUBLE_EQ(slowRowAfter(100.0, 2 * second, 0.25), 110.8);
    EXPECT_EQ(kSpeeds[1], 0.5);
    EXPECT_EQ(kSpeeds[2], 0.25);
}

TEST(Navigation, TypedValues) {
    struct Case {
        const char* text;
        bool accepted;
        float value;
    } cases[] = {
        {"1.5", true, 1.5f}, {"-2", true, -2.0f}, {"0", true, 0.0f},   {".25", true, 0.25f},
        {"", false, 0},      {"-", false, 0},     {"1.2.3", false, 0}, {"0x10", false, 0},
        {"inf", false, 0},   {"nan", false, 0},   {"1e3", false, 0},   {"2 ", false, 0},
        {"1e999", false, 0},
    };
    for (const Case& c : cases) {
        float value = -99.0f;
        EXPECT_EQ(parseKeyValue(c.text, &value), c.accepted) << c.text;
        EXPECT_EQ(value, c.accepted ? c.value : -99.0f) << c.text;
    }
}
