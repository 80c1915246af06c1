// The compiled tracks of the show, read back from the build's data
// directory: the choreography uses every model, every clip, both equaliser
// pictures, several laser patterns, every blend mode and a moving camera, and
// the drops never turn a symbol edge-on to the eye.
#include "sync/track.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kModelCount = 35;
constexpr int kClipCount = 16;
constexpr int kBlendModeCount = 7;
constexpr int kKeyBytes = 9;
constexpr int kHeaderBytes = 8;

struct Key {
    int32_t row;
    float value;
    int32_t interpolation;
};

// Reads a track file as the program does: a count, four ignored bytes, then
// nine-byte keys (row, value, interpolation), little-endian.
std::vector<Key> readTrack(const char* name) {
    const std::string path = std::string(HALCYON_SHOW_DATA) + "sync_" + name + ".track";
    std::vector<Key> keys;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        ADD_FAILURE() << "cannot open " << path;
        return keys;
    }
    unsigned char header[kHeaderBytes];
    int32_t count = 0;
    if (fread(header, 1, kHeaderBytes, file) == kHeaderBytes) memcpy(&count, header, 4);
    for (int32_t i = 0; i < count; ++i) {
        unsigned char record[kKeyBytes];
        if (fread(record, 1, kKeyBytes, file) != size_t(kKeyBytes)) {
            ADD_FAILURE() << path << " is shorter than its count";
            break;
        }
        Key key;
        memcpy(&key.row, record, 4);
        memcpy(&key.value, record + 4, 4);
        key.interpolation = static_cast<int8_t>(record[8]);
        keys.push_back(key);
    }
    fclose(file);
    return keys;
}

std::set<int> flooredValues(const char* name) {
    std::set<int> values;
    for (const Key& key : readTrack(name))
        values.insert(int(std::floor(key.value)));
    return values;
}

TEST(ShowTracks, EveryModelAndEveryClipIsShown) {
    // A symbol number n > 0 shows model n mod 35; 0 and below show none.
    std::set<int> models;
    for (int n : flooredValues("symbol:num"))
        if (n > 0) models.insert(n % kModelCount);
    EXPECT_EQ(models.size(), size_t(kModelCount));

    std::set<int> clips;
    for (int n : flooredValues("video:num"))
        if (n >= 0) clips.insert(n % kClipCount);
    EXPECT_EQ(clips.size(), size_t(kClipCount));
}

TEST(ShowTracks, EverySymbolStaysLongEnoughToBeRecognised) {
    constexpr int kLeastRows = 2 * 40; // two bars
    const std::vector<Key> keys = readTrack("symbol:num");
    ASSERT_GE(keys.size(), size_t(kModelCount));
    // The last key takes the symbol away before the music ends.
    for (size_t i = 0; i + 1 < keys.size(); ++i)
        EXPECT_GE(keys[i + 1].row - keys[i].row, kLeastRows)
            << "symbol " << keys[i].value << " from row " << keys[i].row;
}

TEST(ShowTracks, BothEqualiserPicturesSeveralLaserPatternsAndEveryBlendMode) {
    const std::set<int> modes = flooredValues("eq:mode");
    EXPECT_TRUE(modes.count(0) && modes.count(1)) << "the ring and the tunnel";

    std::set<int> patterns;
    for (int p : flooredValues("laser1:numlasers"))
        if (p >= 1) patterns.insert(p);
    EXPECT_GE(patterns.size(), 4u);

    std::set<int> blends;
    for (const char* track : {"symbol:blend", "eq:blend", "circles:blend"})
        for (int mode : flooredValues(track))
            blends.insert(mode);
    for (int mode = 0; mode < kBlendModeCount; ++mode)
        EXPECT_TRUE(blends.count(mode)) << "blend mode " << mode << " is never used";
}

TEST(ShowTracks, TheCameraOrbitsFliesAndRolls) {
    auto span = [](const char* name) {
        const std::vector<Key> keys = readTrack(name);
        float low = 0, high = 0;
        for (const Key& key : keys) {
            low = std::min(low, key.value);
            high = std::max(high, key.value);
        }
        return high - low;
    };
    EXPECT_GE(span("Camera:angle"), 2.0f) << "at least one full turn of the orbit";
    EXPECT_GT(span("Camera:offset.z"), 10.0f) << "a flight along the axis";
    EXPECT_GT(span("Camera:roll"), 10.0f) << "degrees of roll";
}

// A track read back and evaluated as the program does (sync/track.h).
class Evaluated {
  public:
    explicit Evaluated(const char* name) {
        for (const Key& key : readTrack(name))
            keys_.push_back(::Key{key.row, key.value, key.interpolation});
        track_.name = nullptr;
        track_.keys = keys_.empty() ? nullptr : keys_.data();
        track_.keyCount = int32_t(keys_.size());
    }
    double operator()(double row) const { return sync_get_val(&track_, row); }

  private:
    std::vector<::Key> keys_;
    ::Track track_{};
};

TEST(ShowTracks, TheDropsNeverTurnASymbolEdgeOn) {
    // A flat symbol faces along its model's z axis, either side; turned more
    // than about 60 degrees from the eye it reads as a sliver. The symbol is
    // placed as effects/Symbol.cpp does (rotations about z, y, x in that
    // order), the eye as effects/Camera.cpp does ("Camera:angle" in
    // half-turns round the y axis, then the offsets).
    constexpr double kMostDegrees = 60.0;
    constexpr double kDegree = M_PI / 180.0;
    constexpr int kDrops[][2] = {{960, 1600}, {2560, 3200}};
    const Evaluated rotX("symbol:rot_x"), rotY("symbol:rot_y"), rotZ("symbol:rot_z");
    const Evaluated posY("symbol:pos_y"), posZ("symbol:pos_z"), num("symbol:num");
    const Evaluated angle("Camera:angle"), dist("Camera:dist");
    const Evaluated offX("Camera:offset.x"), offY("Camera:offset.y"), offZ("Camera:offset.z");
    for (const auto& drop : kDrops) {
        double worst = 0.0, worstRow = drop[0];
        for (double row = drop[0]; row < drop[1]; row += 0.5) {
            if (num(row) < 0.0) continue;
            const double ax = rotX(row) * kDegree, ay = rotY(row) * kDegree,
                         az = rotZ(row) * kDegree;
            // The face normal (0, 0, 1) about x, then y, then z.
            const double y1 = -std::sin(ax), z1 = std::cos(ax);
            const double x2 = std::sin(ay) * z1, z2 = std::cos(ay) * z1;
            const double n[3] = {std::cos(az) * x2 - std::sin(az) * y1,
                                 std::sin(az) * x2 + std::cos(az) * y1, z2};
            const double theta = M_PI * angle(row);
            const double eye[3] = {dist(row) * std::sin(theta) + offX(row), offY(row) - posY(row),
                                   dist(row) * std::cos(theta) + offZ(row) - posZ(row)};
            const double length = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
            const double facing = std::fabs(n[0] * eye[0] + n[1] * eye[1] + n[2] * eye[2]) / length;
            const double degrees = std::acos(std::min(1.0, facing)) / kDegree;
            if (degrees > worst) worst = degrees, worstRow = row;
        }
        std::printf(
            "drop at row %d: the symbol's face at most %.1f degrees from the eye (row %.1f)\n",
            drop[0], worst, worstRow);
        EXPECT_LE(worst, kMostDegrees) << "the drop at row " << drop[0] << ", row " << worstRow;
    }
}

} // namespace
