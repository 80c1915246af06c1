#include "sync/track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct TestTrack {
    std::vector<Key> keys;
    Track track;
    explicit TestTrack(std::vector<Key> k) : keys(std::move(k)) {
        track = Track{nullptr, keys.data(), int32_t(keys.size())};
    }
    float at(double row) const { return sync_get_val(&track, row); }
};

TestTrack ramp(int32_t firstKind) {
    return TestTrack({{0, 0, firstKind}, {10, 1, INTERP_HOLD}});
}

} // namespace

TEST(SyncGetVal, InterpolationKinds) {
    TestTrack linear = ramp(INTERP_LINEAR);
    EXPECT_FLOAT_EQ(linear.at(5), 0.5f);
    EXPECT_FLOAT_EQ(linear.at(5.5), 0.55f);
    EXPECT_FLOAT_EQ(linear.at(9.99), 0.999f); // floored to 9 for the search, fraction kept
    EXPECT_FLOAT_EQ(linear.at(10), 1);
    EXPECT_FLOAT_EQ(linear.at(100), 1);
    EXPECT_FLOAT_EQ(linear.at(-3), 0);

    EXPECT_FLOAT_EQ(ramp(INTERP_SMOOTHSTEP).at(5), 0.5f);
    EXPECT_FLOAT_EQ(ramp(INTERP_SMOOTHSTEP).at(2.5), 0.15625f);
    EXPECT_FLOAT_EQ(ramp(INTERP_QUADRATIC).at(5), 0.25f);
    EXPECT_FLOAT_EQ(ramp(INTERP_HOLD).at(9.99), 0);
    // Kinds the format does not define hold the key's value.
    EXPECT_FLOAT_EQ(ramp(4).at(5), 0);
    EXPECT_FLOAT_EQ(ramp(-1).at(5), 0);
}

TEST(SyncGetVal, NegativeRowsAreFlooredNotTruncated) {
    TestTrack t({{-10, 0, INTERP_LINEAR}, {0, 1, INTERP_LINEAR}, {10, 3, INTERP_HOLD}});
    EXPECT_FLOAT_EQ(t.at(-0.5), 0.95f); // between -10 and 0, not at the key at 0
    EXPECT_FLOAT_EQ(t.at(-10.5), 0);    // before the first key
    EXPECT_FLOAT_EQ(t.at(0.5), 1.1f);
    EXPECT_FLOAT_EQ(t.at(-1e12), 0); // beyond 32-bit rows
    EXPECT_FLOAT_EQ(t.at(1e12), 3);
}

TEST(SyncGetVal, OneAndZeroKeys) {
    TestTrack one({{7, 2.5f, INTERP_LINEAR}});
    TestTrack none({});
    for (double row : {-100.0, 0.0, 6.9, 7.0, 7.5, 1000.0}) {
        EXPECT_FLOAT_EQ(one.at(row), 2.5f) << row;
        EXPECT_FLOAT_EQ(none.at(row), 0) << row;
    }
}

TEST(SyncGetVal, KeysSharingARowGiveFiniteValues) {
    TestTrack t({{0, 0, INTERP_LINEAR},
                 {5, 2, INTERP_LINEAR},
                 {5, 4, INTERP_LINEAR},
                 {10, 0, INTERP_HOLD}});
    EXPECT_FLOAT_EQ(t.at(2.5), 1);
    EXPECT_FLOAT_EQ(t.at(5), 4);
    EXPECT_FLOAT_EQ(t.at(5.5), 3.6f);
    TestTrack tail({{0, 1, INTERP_LINEAR}, {3, 2, INTERP_LINEAR}, {3, 5, INTERP_LINEAR}});
    EXPECT_FLOAT_EQ(tail.at(3.5), 5);
}

TEST(SyncFindKey, HitsAndInsertionPoints) {
    TestTrack t({{-4, 0, 0}, {0, 0, 0}, {3, 0, 0}, {8, 0, 0}, {20, 0, 0}});
    const int rows[] = {-4, 0, 3, 8, 20};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sync_find_key(&t.track, rows[i]), i);
    EXPECT_EQ(sync_find_key(&t.track, -5), -1);
    EXPECT_EQ(sync_find_key(&t.track, -1), -2);
    EXPECT_EQ(sync_find_key(&t.track, 4), -4);
    EXPECT_EQ(sync_find_key(&t.track, 19), -5);
    EXPECT_EQ(sync_find_key(&t.track, 21), -6);
    TestTrack empty({});
    EXPECT_EQ(sync_find_key(&empty.track, 0), -1);

    TestTrack dup({{1, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 0, 0}, {5, 0, 0}});
    int hit = sync_find_key(&dup.track, 2);
    ASSERT_GE(hit, 1);
    ASSERT_LE(hit, 3);
    EXPECT_EQ(sync_find_key(&dup.track, 3), -5);
}
