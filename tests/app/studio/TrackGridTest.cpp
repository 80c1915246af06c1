#include "app/studio/LiveShow.h"
#include "app/studio/TrackGrid.h"

#include "sync/data.h"
#include "tracks/TrackCompile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A device holding tracks "a", "b" and "c" with the given keys.
struct Tracks {
    SyncDevice* device = sync_new_device("nowhere");
    std::vector<GridColumn> columns;

    Tracks(const std::vector<std::vector<Key>>& keys) {
        const char* names[] = {"a", "b", "c"};
        for (size_t i = 0; i < keys.size(); ++i) {
            Track* track = sync_create_track(device, names[i]);
            sync_set_keys(track, keys[i].data(), int32_t(keys[i].size()));
            columns.push_back(GridColumn{names[i], "file", track, i == 0});
        }
    }
    ~Tracks() { sync_free_device(device); }
};

} // namespace

TEST(TrackGrid, ColumnsAreTheShowsTracksGroupedBySource) {
    trackc::MusicMap map;
    trackc::Error error;
    ASSERT_TRUE(trackc::readMusicMap(std::string(SHOW_TRACKS_DIR) + "music-map.txt", &map, &error));
    std::vector<trackc::SourceTrack> tracks;
    ASSERT_TRUE(compileTrackFolder(SHOW_TRACKS_DIR, map, &tracks, &error))
        << trackc::formatError(error);
    SyncDevice* device = sync_new_device("nowhere");
    installTracks(device, tracks);
    const std::vector<GridColumn> columns = gridColumns(tracks, device);
    ASSERT_EQ(columns.size(), 45u);
    std::vector<std::string> groups;
    for (size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].name, tracks[i].name);
        EXPECT_STREQ(columns[i].track->name, tracks[i].name.c_str());
        EXPECT_EQ(columns[i].opensGroup, i == 0 || columns[i - 1].group != columns[i].group);
        if (columns[i].opensGroup) groups.push_back(columns[i].group);
    }
    // Each source is one group, in the compiler's order (files by name).
    EXPECT_EQ(groups.front(), "camera");
    EXPECT_TRUE(std::is_sorted(groups.begin(), groups.end()));
    EXPECT_EQ(std::unique(groups.begin(), groups.end()), groups.end());
    const auto strobe = std::find_if(columns.begin(), columns.end(),
                                     [](const GridColumn& c) { return c.name == "strobo"; });
    ASSERT_NE(strobe, columns.end());
    EXPECT_EQ(strobe->group, "strobe");
    sync_free_device(device);
}

TEST(TrackGrid, CellsAreKeysOrTheSyncCodesValue) {
    Tracks t({{{10, 2.0f, INTERP_LINEAR}, {20, 4.0f, INTERP_HOLD}}});
    const Track* track = t.columns[0].track;
    struct Case {
        int row;
        bool isKey;
        float value;
    } cases[] = {{0, false, 2.0f},  {10, true, 2.0f}, {15, false, 3.0f},
                 {19, false, 3.8f}, {20, true, 4.0f}, {99, false, 4.0f}};
    for (const Case& c : cases) {
        const GridCell cell = gridCell(track, c.row);
        EXPECT_EQ(cell.isKey, c.isKey) << c.row;
        EXPECT_FLOAT_EQ(cell.value, c.value) << c.row;
    }
    EXPECT_EQ(gridCell(track, 10).interpolation, INTERP_LINEAR);
    const std::vector<char> marks = {interpolationMark(INTERP_HOLD),
                                     interpolationMark(INTERP_LINEAR),
                                     interpolationMark(INTERP_SMOOTHSTEP),
                                     interpolationMark(INTERP_QUADRATIC), interpolationMark(7)};
    EXPECT_EQ(std::string(marks.begin(), marks.end()), "-/~^-");
}

TEST(TrackGrid, RowsAndSections) {
    struct Case {
        int row;
        RowLine line;
    } cases[] = {{0, LINE_BAR},   {40, LINE_BAR},   {960, LINE_BAR},
                 {10, LINE_BEAT}, {970, LINE_BEAT}, {-10, LINE_BEAT},
                 {1, LINE_NONE},  {965, LINE_NONE}, {-40, LINE_BAR}};
    for (const Case& c : cases)
        EXPECT_EQ(rowLine(c.row), c.line) << c.row;
    trackc::MusicMap map;
    trackc::Error error;
    ASSERT_TRUE(trackc::parseMusicMap("section intro 0 640\nsection drop1 960 1600\n", "map", &map,
                                      &error));
    ASSERT_NE(sectionStartingAt(map, 960), nullptr);
    EXPECT_EQ(sectionStartingAt(map, 960)->name, "drop1");
    EXPECT_EQ(sectionStartingAt(map, 961), nullptr);
    EXPECT_EQ(sectionStartingAt(map, 640), nullptr); // an end is no start
    // The cursor sits a third of the way down.
    EXPECT_EQ(firstShownRow(960, 24), 952);
    EXPECT_EQ(firstShownRow(0, 24), -8);
}

TEST(TrackGrid, ColumnsScrollOnlyAsFarAsTheCursorNeeds) {
    struct Case {
        int previousFirst, cursor, shown, count, first;
    } cases[] = {
        {0, 0, 10, 45, 0},    {0, 9, 10, 45, 0},    // in view: nothing moves
        {0, 10, 10, 45, 1},   {0, 44, 10, 45, 35},  // right past the edge: the cursor last
        {20, 25, 10, 45, 20}, {20, 19, 10, 45, 19}, // left past the edge: the cursor first
        {40, 44, 10, 45, 35}, {30, 11, 10, 12, 2},  // no room left unused at the right
        {5, 3, 50, 45, 0},    {0, 7, 0, 45, 7},     // all fit; none fits
    };
    for (const Case& c : cases)
        EXPECT_EQ(firstShownColumn(c.previousFirst, c.cursor, c.shown, c.count), c.first)
            << c.previousFirst << " " << c.cursor << " " << c.shown << " " << c.count;
}

TEST(TrackGrid, ValuesFitTheirColumn) {
    struct Case {
        float value;
        int chars;
        const char* text;
    } cases[] = {
        {6.0f, 4, "6"},         {4.5f, 4, "4.5"},     {0.125f, 5, "0.125"}, {0.126f, 4, "0.13"},
        {-12.345f, 5, "-12.3"}, {-12.345f, 3, "-12"}, {1234.6f, 4, "1235"}, {12345.0f, 4, "####"},
        {-0.0001f, 4, "0"},     {-0.0f, 4, "0"},      {100.0f, 3, "100"},   {12.5f, 1, "#"},
        {9.9996f, 4, "10"},     {-9.9996f, 5, "-10"}, {0.999f, 3, "1"},     {99999.0f, 5, "99999"},
    };
    for (const Case& c : cases) {
        char text[16];
        formatCellValue(c.value, c.chars, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.value << " in " << c.chars;
    }
}

TEST(TrackGrid, HeadersTellTracksApart) {
    struct Case {
        const char* name;
        int chars;
        const char* text;
    } cases[] = {
        {"Camera:dist", 4, "dist"},
        {"Camera:offset.x", 4, "of.x"},
        {"Camera:offset.x", 8, "offset.x"},
        {"symbol:rot_y", 4, "ro_y"},
        {"strobo", 4, "stro"},
        {"laser1:numlasers", 4, "numl"},
        {"Camera:tgt.z", 2, "tg"},
        {"a:_x", 1, "_"},
    };
    for (const Case& c : cases) {
        char text[16];
        abbreviateTrackName(c.name, c.chars, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.name << " in " << c.chars;
    }
}

TEST(TrackGrid, LayoutKeepsThePictureAt16To9) {
    struct Case {
        int width, height;
        bool pictureOnly;
        StudioLayout expected;
    } cases[] = {
        {1600,
         900,
         false,
         {{0, 0, 960, 540},
          {960, 0, 640, 540},
          {0, 540, 960, 264},
          {960, 540, 640, 264},
          {0, 804, 1600, 96}}},
        {1280,
         720,
         false,
         {{0, 0, 768, 432},
          {768, 0, 512, 432},
          {0, 432, 768, 192},
          {768, 432, 512, 192},
          {0, 624, 1280, 96}}},
        // Wide and low: the height limits the picture, and what is left
        // below it the timeline.
        {3000,
         600,
         false,
         {{0, 0, 640, 360},
          {640, 0, 2360, 360},
          {0, 360, 1800, 144},
          {1800, 360, 1200, 144},
          {0, 504, 3000, 96}}},
        // Small: the timeline takes half of what is left below the picture.
        {800,
         400,
         false,
         {{0, 0, 426, 240},
          {426, 0, 374, 240},
          {0, 240, 480, 80},
          {480, 240, 320, 80},
          {0, 320, 800, 80}}},
        {1600,
         900,
         true,
         {{0, 0, 1600, 900},
          {1600, 0, 0, 0},
          {0, 900, 1600, 0},
          {1600, 900, 0, 0},
          {0, 900, 1600, 0}}},
    };
    for (const Case& c : cases) {
        const StudioLayout l = studioLayout(c.width, c.height, c.pictureOnly);
        const PixelRect* got[] = {&l.picture, &l.side, &l.grid, &l.curves, &l.timeline};
        const PixelRect* want[] = {&c.expected.picture, &c.expected.side, &c.expected.grid,
                                   &c.expected.curves, &c.expected.timeline};
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(got[i]->x == want[i]->x && got[i]->y == want[i]->y &&
                        got[i]->width == want[i]->width && got[i]->height == want[i]->height)
                << c.width << "x" << c.height << " rect " << i << ": " << got[i]->x << ","
                << got[i]->y << " " << got[i]->width << "x" << got[i]->height;
    }
}

TEST(TrackGrid, InterpolationsCycle) {
    EXPECT_EQ(nextInterpolation(INTERP_HOLD), INTERP_LINEAR);
    EXPECT_EQ(nextInterpolation(INTERP_LINEAR), INTERP_SMOOTHSTEP);
    EXPECT_EQ(nextInterpolation(INTERP_SMOOTHSTEP), INTERP_QUADRATIC);
    EXPECT_EQ(nextInterpolation(INTERP_QUADRATIC), INTERP_HOLD);
    EXPECT_EQ(nextInterpolation(9), INTERP_HOLD);
}
