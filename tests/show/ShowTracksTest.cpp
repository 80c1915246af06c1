// The compiled tracks of the show, read back from the build's data
// directory: the choreography uses every model, every clip, both equaliser
// pictures, several laser patterns, every blend mode and a moving camera.
#include <gtest/gtest.h>

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

} // namespace
