#include "tracks/TrackSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace trackc;

namespace {

const char kMap[] = "# rows at 21.6 a second, 10 a beat, 40 a bar\n"
                    "bpm 129.6\n"
                    "section intro 0 640\n"
                    "section drop1 960 1600\n"
                    "drop 960\n"
                    "end 3840\n";

MusicMap testMap() {
    MusicMap map;
    Error error;
    EXPECT_TRUE(parseMusicMap(kMap, "map.txt", &map, &error)) << formatError(error);
    return map;
}

// The message of parsing one source, or "" when it parses.
std::string errorOf(const std::string& source) {
    std::vector<SourceTrack> tracks;
    Error error;
    if (parseTracks(source, "a.tracks", testMap(), &tracks, &error)) return "";
    return formatError(error);
}

std::vector<Key> keysOf(const std::string& source) {
    std::vector<SourceTrack> tracks;
    Error error;
    EXPECT_TRUE(parseTracks(source, "a.tracks", testMap(), &tracks, &error)) << formatError(error);
    return tracks.empty() ? std::vector<Key>() : tracks.back().keys;
}

std::vector<int32_t> rowsOf(const std::vector<Key>& keys) {
    std::vector<int32_t> rows;
    for (const Key& key : keys)
        rows.push_back(key.row);
    return rows;
}

int32_t rowOf(const std::string& position) {
    std::vector<Key> keys = keysOf("track strobo\n" + position + " 1\n");
    return keys.size() == 1 ? keys[0].row : INT32_MIN;
}

} // namespace

TEST(TrackSource, RejectsWithFileAndLine) {
    // Each term is past the largest double: infinite, and their difference NaN.
    const std::string huge(309, '9');
    const std::string nanKey = "track strobo\n" + huge + "-" + huge + " 1\n";
    const std::string nanRepeat =
        "track strobo\nrepeat every 10 from 0 to " + huge + "-" + huge + "\n0 1\nend\n";
    const std::string hugePeriod =
        "track strobo\nrepeat every " + huge + " from 0 to 40\n0 1\nend\n";
    const std::string hugeBar = "track strobo\n" + huge + ":0 1\n";
    const std::string hugePeriodMessage = "a.tracks:2: \"" + huge + "\" is outside the rows";
    const std::string hugeBarMessage = "a.tracks:2: \"" + huge + ":0\" is outside the rows";
    struct Case {
        const char* source;
        const char* message;
    } cases[] = {
        {"track strobo\n0 1\ntrack strobe\n", "a.tracks:3: unknown track name \"strobe\""},
        {"track strobo\n10 1\n# note\n5 2\n", "a.tracks:4: key at row 5 of \"strobo\" comes after "
                                              "a key at row 10"},
        {"track strobo\n0:1 1\n10 2\n", "a.tracks:3: two keys on row 10 of \"strobo\""},
        {"track strobo\n0 1 lineer\n", "a.tracks:2: unknown interpolation \"lineer\""},
        {"track strobo smoth\n", "a.tracks:1: unknown interpolation \"smoth\""},
        {"track strobo\n0 nan\n", "a.tracks:2: value \"nan\" is not a finite number"},
        {"track strobo\n0 -inf\n", "a.tracks:2: value \"-inf\" is not a finite number"},
        {"track strobo\n0 1e39\n", "a.tracks:2: value \"1e39\" is not a finite number"},
        {"track strobo\n0 1.5x\n", "a.tracks:2: \"1.5x\" is not a number"},
        {"0 1\n", "a.tracks:1: a key before any track line"},
        {"track strobo\ndrop2 1\n", "a.tracks:2: unknown section \"drop2\""},
        {"track strobo\n12:2.25 1\n", "a.tracks:2: \"12:2.25\" is row 502.5, not a whole row"},
        {"track strobo\n12:4 1\n", "a.tracks:2: beat 4 of \"12:4\" is not below 4"},
        {"track strobo\n3000000000 1\n", "a.tracks:2: \"3000000000\" is outside the rows"},
        {nanKey.c_str(), "a.tracks:2: \"999"},
        {nanRepeat.c_str(), "a.tracks:2: \"999"},
        {hugePeriod.c_str(), hugePeriodMessage.c_str()},
        {hugeBar.c_str(), hugeBarMessage.c_str()},
        {"track strobo\nend\n", "a.tracks:2: \"end\" without a repeat"},
        {"track strobo\nrepeat every 10 from 0 to 40\n0 1\n",
         "a.tracks:2: the repeat has no \"end\""},
        {"track strobo\nrepeat every 10 from 0 to 40\n0 1\ntrack eq:br\n",
         "a.tracks:4: the repeat at line 2 has no \"end\""},
        {"track strobo\nrepeat every 0:1 from 0 to 40\n10 1\nend\n",
         "a.tracks:3: offset 10 is not below the repeat's period 10"},
        {"track strobo\nrepeat every 10 from 0 to 40\n5 1\n5 2\nend\n",
         "a.tracks:4: offset 5 does not come after offset 5"},
        {"track strobo\nrepeat every 10 from 40 to 40\n0 1\nend\n",
         "a.tracks:2: a repeat must end after it starts"},
        {"track strobo\nrepeat every 1 from 0 to end\nend\n", "a.tracks:2: a repeat without keys"},
        {"track strobo\nrepeat every 1 from -2000000000 to 2000000000\n0 1\nend\n",
         "a.tracks:2: a repeat of more than"},
        // The repeat's first key lands on the row of the key before it.
        {"track strobo\n0 0\n20 1\nrepeat every 10 from 0:2 to 1:0\n# flash\n0 1\nend\n",
         "a.tracks:6: two keys on row 20"},
    };
    for (const Case& c : cases) {
        std::string message = errorOf(c.source);
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << c.source << "gave: " << message;
    }
}

TEST(TrackSource, TrackDefinedTwiceAcrossSources) {
    MusicMap map = testMap();
    std::vector<SourceTrack> tracks;
    Error error;
    ASSERT_TRUE(parseTracks("# first\ntrack eq:br\n0 1\n", "a.tracks", map, &tracks, &error));
    EXPECT_FALSE(parseTracks("track eq:mode\ntrack eq:br\n", "b.tracks", map, &tracks, &error));
    EXPECT_EQ(formatError(error), "b.tracks:2: track \"eq:br\" is already defined at a.tracks:2");
}

TEST(TrackSource, Positions) {
    EXPECT_EQ(rowOf("480"), 480);
    EXPECT_EQ(rowOf("-5"), -5);
    EXPECT_EQ(rowOf("0:0"), 0);
    EXPECT_EQ(rowOf("12:2"), 500);
    EXPECT_EQ(rowOf("12:2.5"), 505);
    EXPECT_EQ(rowOf("0:0.01+0:0.09"), 1); // inexact in binary, still a whole row
    EXPECT_EQ(rowOf("intro"), 0);
    EXPECT_EQ(rowOf("drop1"), 960);
    EXPECT_EQ(rowOf("drop1.end"), 1600);
    EXPECT_EQ(rowOf("end"), 3840);
    EXPECT_EQ(rowOf("drop1+2:0"), 1040);
    EXPECT_EQ(rowOf("drop1-4"), 956);
    EXPECT_EQ(rowOf("drop1.end-0:1+3"), 1593);
}

TEST(TrackSource, Interpolations) {
    std::vector<Key> keys = keysOf("track eq:br smooth\n0 1\n1 2 hold\n2 3 linear\n3 4 quad\n"
                                   "4 -0.5\n");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0].interpolation, INTERP_SMOOTHSTEP);
    EXPECT_EQ(keys[1].interpolation, INTERP_HOLD);
    EXPECT_EQ(keys[2].interpolation, INTERP_LINEAR);
    EXPECT_EQ(keys[3].interpolation, INTERP_QUADRATIC);
    EXPECT_EQ(keys[4].interpolation, INTERP_SMOOTHSTEP);
    EXPECT_EQ(keys[4].value, -0.5f);
    EXPECT_EQ(keysOf("track eq:br\n0 1\n")[0].interpolation, INTERP_HOLD);
}

TEST(TrackSource, RepeatExpansion) {
    // A flash on each beat of one bar: 4 instances of 2 keys.
    std::vector<Key> keys = keysOf("track strobo\n"
                                   "  0 0\n"
                                   "  repeat every 0:1 from drop1 to drop1+1:0\n"
                                   "    0 2 linear\n"
                                   "    3 0\n"
                                   "  end\n"
                                   "  drop1+1:0 0.5\n");
    EXPECT_EQ(rowsOf(keys),
              (std::vector<int32_t>{0, 960, 963, 970, 973, 980, 983, 990, 993, 1000}));
    EXPECT_EQ(keys[3].value, 2.0f);
    EXPECT_EQ(keys[3].interpolation, INTERP_LINEAR);
    EXPECT_EQ(keys[4].value, 0.0f);
    EXPECT_EQ(keys[4].interpolation, INTERP_HOLD);
    EXPECT_EQ(keys[9].value, 0.5f);

    // A period that does not divide the span: the last instance is cut at the end.
    const char* cut = "track strobo\nrepeat every 7 from 0 to 20\n0 1\n%d 2\nend\n";
    char source[128];
    std::snprintf(source, sizeof source, cut, 5);
    EXPECT_EQ(rowsOf(keysOf(source)), (std::vector<int32_t>{0, 5, 7, 12, 14, 19}));
    std::snprintf(source, sizeof source, cut, 6);
    EXPECT_EQ(rowsOf(keysOf(source)), (std::vector<int32_t>{0, 6, 7, 13, 14}));
}

TEST(TrackSource, MusicMap) {
    MusicMap map = testMap();
    ASSERT_EQ(map.sections.size(), 2u);
    EXPECT_EQ(map.sections[1].name, "drop1");
    EXPECT_EQ(map.sections[1].start, 960);
    EXPECT_EQ(map.sections[1].end, 1600);
    EXPECT_TRUE(map.hasEnd);
    EXPECT_EQ(map.endRow, 3840);

    Error error;
    EXPECT_FALSE(parseMusicMap("end 10\nsection a 5\n", "m", &map, &error));
    EXPECT_EQ(formatError(error), "m:2: expected: section NAME START END");
    EXPECT_FALSE(parseMusicMap("section a 0 5\nsection a 5 9\n", "m", &map, &error));
    EXPECT_EQ(formatError(error), "m:2: section \"a\" given twice");

    // Without an end row, `end` names nothing.
    ASSERT_TRUE(parseMusicMap("section a 0 5\n", "m", &map, &error));
    std::vector<SourceTrack> tracks;
    EXPECT_FALSE(parseTracks("track strobo\nend 1\n", "a", map, &tracks, &error));
    EXPECT_EQ(formatError(error), "a:2: the music map gives no end row");
}

TEST(TrackSource, AllNamesRequired) {
    std::vector<SourceTrack> tracks;
    for (const char* name : kTrackNames)
        tracks.push_back(SourceTrack{name, {}, "a", 1});
    Error error;
    EXPECT_TRUE(checkAllTracks(tracks, &error));
    tracks.erase(tracks.begin() + 10); // eq:br
    tracks.pop_back();                 // glow:origbr
    EXPECT_FALSE(checkAllTracks(tracks, &error));
    EXPECT_EQ(formatError(error), "2 tracks not defined: eq:br, glow:origbr");
}
