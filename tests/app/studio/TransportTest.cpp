#include "app/studio/Transport.h"
#include "tandem1.0/SoundSync.h"

#include <gtest/gtest.h>

namespace {

trackc::MusicMap showMap() {
    trackc::MusicMap map;
    trackc::Error error;
    EXPECT_TRUE(trackc::parseMusicMap("section intro 0 640\nsection drop1 960 1600\n"
                                      "section outro 3200 3840\nend 3840\n",
                                      "map", &map, &error));
    return map;
}

Transport at(double row, bool playing) {
    return Transport{row, playing, Loop{0.0, 3840.0, false}, 3840.0};
}

} // namespace

TEST(Transport, SeekTargets) {
    const trackc::MusicMap map = showMap();
    struct Case {
        double row;
        bool playing;
        SeekMove move;
        double expected;
    } cases[] = {
        {960, false, SEEK_BEAT_FORWARD, 970},
        {960, false, SEEK_BEAT_BACK, 950},
        {960.5, true, SEEK_BEAT_FORWARD, 970.5},
        {960, false, SEEK_BAR_FORWARD, 1000},
        {960, false, SEEK_BAR_BACK, 920},
        {5, false, SEEK_BEAT_BACK, 0},             // not before the music
        {3820, false, SEEK_BAR_FORWARD, 3840},     // nor after it
        {700, false, SEEK_SECTION_FORWARD, 960},   // between sections
        {960, false, SEEK_SECTION_FORWARD, 3200},  // from a start: the next one
        {3300, false, SEEK_SECTION_FORWARD, 3300}, // none after: stays
        {965, false, SEEK_SECTION_BACK, 960},      // paused: the section's own start
        {960, false, SEEK_SECTION_BACK, 0},        // from a start: the one before
        {965, true, SEEK_SECTION_BACK, 0},         // playing, just past a start
        {975, true, SEEK_SECTION_BACK, 960},       // playing, a beat past it
        {1234, true, SEEK_HOME, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(seekTarget(at(c.row, c.playing), c.move, map), c.expected)
            << "from " << c.row << " move " << c.move;
}

TEST(Transport, LoopEndsAndWrap) {
    Transport t = at(960, false);
    setLoopStart(&t);
    t.row = 1000;
    setLoopEnd(&t);
    EXPECT_DOUBLE_EQ(t.loop.start, 960);
    EXPECT_DOUBLE_EQ(t.loop.end, 1000);
    EXPECT_FALSE(loopInForce(t.loop)) << "setting the ends does not switch it on";
    struct Step {
        bool enabled;
        double row;
        bool streamPlaying;
        PlayStep expected;
    } steps[] = {
        {true, 999.9, true, PLAY_ON}, {true, 1000, true, PLAY_WRAP},
        {false, 1000, true, PLAY_ON}, {false, 3840, false, PLAY_STOP},
        {true, 100, true, PLAY_ON}, // before the loop: plays into it
    };
    for (const Step& step : steps) {
        t.loop.enabled = step.enabled;
        EXPECT_EQ(playStep(t, step.row, step.streamPlaying), step.expected)
            << "loop " << step.enabled << " row " << step.row;
    }
    t.loop = Loop{1200, 3840, true};
    EXPECT_EQ(playStep(t, 3839.99, false), PLAY_WRAP) << "the music ran out inside the loop";

    // An end set on the wrong side of the other resets the other.
    t.row = 1200;
    setLoopStart(&t);
    EXPECT_DOUBLE_EQ(t.loop.start, 1200);
    EXPECT_DOUBLE_EQ(t.loop.end, 3840);
    t.row = 800;
    setLoopEnd(&t);
    EXPECT_DOUBLE_EQ(t.loop.start, 0);
    EXPECT_DOUBLE_EQ(t.loop.end, 800);
    t.row = 0;
    setLoopEnd(&t);
    EXPECT_FALSE(loopInForce(t.loop)) << "an empty loop is not in force";
    // An end set on the other one's row resets the other too: no empty loop is left.
    t.loop = Loop{960, 1000, true};
    t.row = 1000;
    setLoopStart(&t);
    EXPECT_DOUBLE_EQ(t.loop.start, 1000);
    EXPECT_DOUBLE_EQ(t.loop.end, 3840);
    t.loop = Loop{960, 1000, true};
    t.row = 960;
    setLoopEnd(&t);
    EXPECT_DOUBLE_EQ(t.loop.start, 0);
    EXPECT_DOUBLE_EQ(t.loop.end, 960);
}

TEST(Transport, OverlayPositions) {
    const trackc::MusicMap map = showMap();
    struct Case {
        double row;
        const char* barBeat;
        const char* section;
    } cases[] = {
        {0, "0:0.00", "intro"}, {965, "24:0.50", "drop1"}, {999.9995, "25:0.00", "drop1"},
        {700, "17:2.00", ""},   {3840, "96:0.00", ""},
    };
    for (const Case& c : cases) {
        char text[32];
        formatBarBeat(c.row, text, sizeof text);
        EXPECT_STREQ(text, c.barBeat) << c.row;
        EXPECT_STREQ(sectionAt(map, c.row), c.section) << c.row;
    }
}

TEST(Transport, SpaceAfterTheMusicEndedPlaysFromTheStart) {
    const double kSampleRate = 44100.0;
    // Soundtrack lengths in frames, among them ones whose last row, rounded
    // as the timer rounds it, reads below the music's length.
    for (const double frames : {7840000.0, 7840001.0, 7840003.0, 7840007.0, 7840010.0}) {
        const double endRow = frames / kSampleRate * kRowRate;
        const double lastRow = float(float(frames / kSampleRate) * kRowRate);
        struct Case {
            Loop loop;
            double expected;
        } cases[] = {
            {Loop{0.0, endRow, false}, 0.0},
            {Loop{960.0, 1000.0, false}, 0.0},  // a loop switched off
            {Loop{960.0, endRow, true}, 960.0}, // switched on: from its start
        };
        for (const Case& c : cases) {
            Transport t{lastRow, true, Loop{0.0, endRow, false}, endRow};
            ASSERT_EQ(playStep(t, lastRow, false), PLAY_STOP);
            stopAtEnd(&t);
            EXPECT_FALSE(t.playing);
            t.loop = c.loop;
            EXPECT_DOUBLE_EQ(playStartRow(t), c.expected) << frames << " frames";
        }
    }
    // Paused anywhere before the end, Space plays on from there.
    Transport t = at(3839.5, false);
    EXPECT_DOUBLE_EQ(playStartRow(t), 3839.5);
}
