#include "app/studio/CurveView.h"
#include "app/studio/LiveShow.h"

#include "sync/data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

const trackc::MusicMap kMap{{{"intro", 0, 160}, {"drop1", 160, 480}}, true, 480};

// Every interpolation, and a repeat, as the sources write them.
const char* const kSource = "track glow:glowbr linear\n"
                            "    0        1\n"
                            "    1:0      3     smooth\n"
                            "    2:0      -1    quad\n"
                            "    3:0      2     hold\n"
                            "    drop1    0.5\n"
                            "track strobo\n"
                            "    0        0\n"
                            "    repeat every 1:0 from drop1 to drop1+4:0\n"
                            "        0    1     linear\n"
                            "        2    0\n"
                            "    end\n";

// The source compiled and installed into a device, as the studio does.
struct Compiled {
    SyncDevice* device = sync_new_device("nowhere");
    std::vector<trackc::SourceTrack> tracks;

    explicit Compiled(const std::string& text) {
        trackc::Error error;
        EXPECT_TRUE(trackc::parseTracks(text, "test.tracks", kMap, &tracks, &error))
            << trackc::formatError(error);
        installTracks(device, tracks);
    }
    ~Compiled() { sync_free_device(device); }
    const Track* track(const char* name) const {
        return device->tracks[sync_find_track(device, name)];
    }
};

const CurveFrame kFrame{100.0f, 50.0f, 400.0f, 200.0f, {40, 200}, {-2.0f, 3.0f}};

} // namespace

TEST(CurveView, SpanIsFourBarsFromTheBarBeforeTheCursors) {
    struct Case {
        int32_t cursor, first;
    } cases[] = {{0, 0}, {39, 0}, {45, 0}, {85, 40}, {960, 920}, {999, 920}, {1000, 960}};
    for (const Case& c : cases) {
        const CurveSpan span = curveSpan(c.cursor);
        EXPECT_EQ(span.firstRow, c.first) << c.cursor;
        EXPECT_EQ(span.lastRow - span.firstRow + 1, kCurveSamples) << c.cursor;
        EXPECT_LE(span.firstRow, c.cursor);
        EXPECT_GT(span.lastRow, c.cursor);
    }
}

TEST(CurveView, SamplesAreTheSyncCodesValueAtEveryRow) {
    const Compiled compiled(kSource);
    for (const char* name : {"glow:glowbr", "strobo"}) {
        const Track* track = compiled.track(name);
        for (int32_t cursor : {0, 100, 200, 470}) {
            const CurveSpan span = curveSpan(cursor);
            std::vector<float> values(kCurveSamples, NAN);
            sampleCurve(track, span, values.data());
            for (int32_t i = 0; i < kCurveSamples; ++i)
                ASSERT_EQ(values[size_t(i)], sync_get_val(track, span.firstRow + i))
                    << name << " row " << span.firstRow + i;
        }
    }
    // The samples pass through the keys the source wrote, and between them
    // follow each key's interpolation.
    std::vector<float> values(kCurveSamples);
    sampleCurve(compiled.track("glow:glowbr"), curveSpan(0), values.data());
    struct Point {
        int row;
        float value;
    } points[] = {{0, 1.0f},   {20, 2.0f},  {40, 3.0f},  {60, 1.0f},
                  {80, -1.0f}, {120, 2.0f}, {159, 2.0f}, {160, 0.5f}};
    for (const Point& p : points)
        EXPECT_FLOAT_EQ(values[size_t(p.row)], p.value) << p.row;
    EXPECT_LT(values[100], 0.5f) << "quad eases in: halfway it is below the middle value";
    sampleCurve(compiled.track("strobo"), curveSpan(200), values.data()); // rows 160..320
    EXPECT_FLOAT_EQ(values[0], 1.0f);                                     // drop1's first kick
    EXPECT_FLOAT_EQ(values[1], 0.5f);
    EXPECT_FLOAT_EQ(values[40], 1.0f); // the repeat's next bar
    EXPECT_FLOAT_EQ(values[45], 0.0f);
}

TEST(CurveView, RangeCoversTheValuesAndKeepsAFlatCurveReadable) {
    struct Case {
        std::vector<float> values;
        float low, high;
    } cases[] = {
        {{0.0f, 1.0f, 0.5f}, -0.1f, 1.1f},
        {{-2.0f, 8.0f}, -3.0f, 9.0f},
        {{0.0f, 0.0f}, -0.5f, 0.5f},       // flat at zero
        {{100.0f, 100.0f}, 90.0f, 110.0f}, // flat, large: a tenth of its size
        {{2.0f}, 1.5f, 2.5f},
    };
    for (const Case& c : cases) {
        const ValueRange range = curveRange(c.values.data(), int(c.values.size()));
        EXPECT_NEAR(range.low, c.low, 1e-4) << c.values.front();
        EXPECT_NEAR(range.high, c.high, 1e-4) << c.values.front();
    }
}

TEST(CurveView, RowsAndValuesMapToPixelsAndBack) {
    // The span's ends are the plot's left and right edges, the range's ends
    // its bottom and top.
    EXPECT_FLOAT_EQ(rowToX(kFrame, 40), 100.0f);
    EXPECT_FLOAT_EQ(rowToX(kFrame, 200), 500.0f);
    EXPECT_FLOAT_EQ(valueToY(kFrame, 3.0f), 50.0f);
    EXPECT_FLOAT_EQ(valueToY(kFrame, -2.0f), 250.0f);
    for (double row : {40.0, 41.0, 97.5, 123.0, 200.0})
        EXPECT_NEAR(xToRow(kFrame, rowToX(kFrame, row)), row, 1e-4);
    for (float value : {-2.0f, 0.0f, 0.37f, 3.0f})
        EXPECT_NEAR(yToValue(kFrame, valueToY(kFrame, value)), value, 1e-5);
    // A pixel column per row here (2.5 px a row): whole rows survive the
    // round trip through pixels and the single-row snap.
    for (int32_t row = 40; row <= 200; ++row)
        EXPECT_EQ(snapRow(xToRow(kFrame, rowToX(kFrame, row)), true), row);
}

TEST(CurveView, RowsSnapToBeatsOrSingleRowsAndValuesToAReadableStep) {
    struct RowCase {
        double row;
        bool singleRows;
        int32_t snapped;
    } rows[] = {{0.0, false, 0},    {4.9, false, 0},     {5.0, false, 10},
                {14.0, false, 10},  {967.2, false, 970}, {-3.0, false, 0},
                {967.2, true, 967}, {967.6, true, 968},  {-0.4, true, 0}};
    for (const RowCase& c : rows)
        EXPECT_EQ(snapRow(c.row, c.singleRows), c.snapped) << c.row << " " << c.singleRows;
    struct ValueCase {
        float value;
        ValueRange range;
        float snapped;
    } values[] = {{0.734f, {0.0f, 2.0f}, 0.73f},
                  {0.734f, {0.0f, 0.5f}, 0.734f},
                  {57.3f, {0.0f, 200.0f}, 57.0f},
                  {-1.26f, {-3.0f, 9.0f}, -1.3f},
                  {0.70004f, {0.0f, 1.2f}, 0.7f}};
    for (const ValueCase& c : values)
        EXPECT_EQ(snapValue(c.value, c.range), c.snapped) << c.value;
    EXPECT_EQ(trackc::formatValue(snapValue(0.69998f, {0.0f, 2.0f})), "0.7");
}

TEST(CurveView, KeysAreFoundNearThePointer) {
    const Compiled compiled(kSource);
    const Track* track = compiled.track("glow:glowbr");
    const CurveFrame frame{0.0f, 0.0f, 320.0f, 100.0f, curveSpan(0), {-2.0f, 3.0f}};
    // 2 px a row, 20 px a unit: the key at row 40 (3) is at (80, 0).
    struct Case {
        float x, y;
        int key;
    } cases[] = {{80.0f, 0.0f, 1},   {83.0f, 4.0f, 1},   {90.0f, 0.0f, -1},  {0.0f, 40.0f, 0},
                 {160.0f, 80.0f, 2}, {320.0f, 50.0f, 4}, {200.0f, 60.0f, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(keyNear(frame, track, c.x, c.y, 6.0f), c.key) << c.x << "," << c.y;
    // Keys outside the span are never taken.
    const CurveFrame later{0.0f, 0.0f, 320.0f, 100.0f, {200, 360}, {-2.0f, 3.0f}};
    EXPECT_EQ(keyNear(later, track, 0.0f, 50.0f, 1000.0f), -1);
}

TEST(CurveView, DragsBecomeOneBatchOfKeyEditsThatTheSourcesTake) {
    // glow:glowbr's key at row 40 (value 3) sits at (100, 50) in kFrame:
    // 2.5 px a row, 40 px a unit.
    const CurveDrag drag{40, 3.0f, 100.0f, 50.0f};
    struct Case {
        const char* what;
        float x, y;
        bool singleRows;
        int32_t row;
        float value;
        std::vector<trackc::KeyEditKind> kinds;
    } cases[] = {
        {"a click", 100.0f, 50.0f, false, 40, 3.0f, {}},
        {"a shake under the slack", 103.0f, 47.0f, false, 40, 3.0f, {}},
        {"down one unit", 101.0f, 90.0f, false, 40, 2.0f, {trackc::KEY_SET}},
        {"right 6 rows: the nearest beat", 115.0f, 51.0f, false, 50, 3.0f, {trackc::KEY_MOVE}},
        {"right 6 rows, single rows", 115.0f, 51.0f, true, 46, 3.0f, {trackc::KEY_MOVE}},
        {"left a beat and up", 75.0f, 30.0f, false, 30, 3.5f, {trackc::KEY_MOVE, trackc::KEY_SET}},
        {"before row 0", 0.0f, 50.0f, false, 0, 3.0f, {trackc::KEY_MOVE}},
    };
    for (const Case& c : cases) {
        const DragTarget target = dragTarget(kFrame, drag, c.x, c.y, c.singleRows);
        EXPECT_EQ(target.row, c.row) << c.what;
        EXPECT_FLOAT_EQ(target.value, c.value) << c.what;
        const std::vector<trackc::KeyEdit> edits =
            curveDragEdits("glow:glowbr", drag.fromRow, drag.fromValue, target);
        ASSERT_EQ(edits.size(), c.kinds.size()) << c.what;
        for (size_t i = 0; i < edits.size(); ++i) {
            EXPECT_EQ(edits[i].kind, c.kinds[i]) << c.what;
            EXPECT_EQ(edits[i].track, "glow:glowbr");
        }
        if (edits.empty()) continue;
        EXPECT_EQ(edits[0].row, 40) << c.what;
        if (edits.back().kind == trackc::KEY_SET) {
            EXPECT_EQ(edits.back().row, c.row) << c.what;
        }
        // The batch, written into the source, compiles to the key where the
        // drag left it with its interpolation, and the key gone from row 40.
        std::string text;
        trackc::Error error;
        if (c.row == 0) {
            // Row 0 holds a key: the move is refused, not merged.
            EXPECT_FALSE(trackc::applyKeyEdits(kSource, "test.tracks", kMap, edits, &text, &error));
            continue;
        }
        ASSERT_TRUE(trackc::applyKeyEdits(kSource, "test.tracks", kMap, edits, &text, &error))
            << c.what << ": " << trackc::formatError(error);
        const Compiled edited(text);
        const Track* track = edited.track("glow:glowbr");
        const int at = sync_find_key(track, c.row);
        ASSERT_GE(at, 0) << c.what;
        EXPECT_EQ(track->keys[at].value, c.value) << c.what;
        EXPECT_EQ(track->keys[at].interpolation, INTERP_SMOOTHSTEP) << c.what;
        if (c.row != 40) {
            EXPECT_LT(sync_find_key(track, 40), 0) << c.what;
        }
    }
}
