// The clip builder's quantisation and file layout, and the sixteen clips the
// generator writes: read back with a reader of its own, checked against the
// file format and the promises the show relies on (frame counts, bounds,
// shading, seamless loops, identical output on every run).
#include "ClipBuilder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t word(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

fs::path runGenerator(const std::string& name) {
    // CTest runs each test in its own process, several at once: one folder each.
    const fs::path dir = fs::path(::testing::TempDir()) / (name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string command = std::string(HALCYON_CLIPS_TOOL) + " '" + dir.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return dir;
}

std::string clipName(int number) {
    return "rave" + std::to_string(number) + ".dat";
}

// One decoded frame: 7 bytes a triangle, as stored.
struct Frame {
    std::vector<uint8_t> records;
    size_t count() const { return records.size() / 7; }
};

// Decodes a clip file, failing the test on any entry that leaves the file.
std::vector<Frame> decode(const std::vector<uint8_t>& bytes, const std::string& name) {
    std::vector<Frame> frames;
    if (bytes.size() < 8) {
        ADD_FAILURE() << name << ": shorter than a header";
        return frames;
    }
    const uint32_t n = word(bytes, 0);
    const uint64_t area = 8 + 8 * uint64_t(n);
    if (area > bytes.size()) {
        ADD_FAILURE() << name << ": frame table runs past the end";
        return frames;
    }
    for (uint32_t f = 0; f < n; ++f) {
        const uint64_t first = word(bytes, 8 + 8 * f), count = word(bytes, 12 + 8 * f);
        if (area + first + 7 * count > bytes.size()) {
            ADD_FAILURE() << name << ": frame " << f << " runs past the end";
            return {};
        }
        frames.push_back({std::vector<uint8_t>(bytes.begin() + long(area + first),
                                               bytes.begin() + long(area + first + 7 * count))});
    }
    return frames;
}

// How far the picture moves from one frame to the next: per triangle slot,
// the distance its corners travel (in coordinate bytes) plus its change of
// intensity, averaged over the slots. Negative when the slots do not match.
double step(const Frame& a, const Frame& b) {
    if (a.count() != b.count() || a.count() == 0) return -1.0;
    double total = 0.0;
    for (size_t i = 0; i < a.records.size(); i += 7) {
        total += std::abs(int(a.records[i]) - int(b.records[i]));
        for (size_t c = 1; c < 7; c += 2)
            total += std::hypot(double(a.records[i + c]) - b.records[i + c],
                                double(a.records[i + c + 1]) - b.records[i + c + 1]);
    }
    return total / double(a.count());
}

TEST(ClipBuilder, CoordinatesQuantiseToTheNearestByteAndClamp) {
    EXPECT_EQ(quantiseCoordinate(-1.0f), 0);
    EXPECT_EQ(quantiseCoordinate(1.0f), 255);
    EXPECT_EQ(quantiseCoordinate(0.0f), 128); // 127.5 rounds up; 128 reads back as 0.0039
    EXPECT_EQ(quantiseCoordinate(-3.0f), 0);
    EXPECT_EQ(quantiseCoordinate(7.5f), 255);
    EXPECT_EQ(quantiseCoordinate(std::nanf("")), 0);
    // Every byte survives the player's b / 255 * 2 - 1 and back.
    for (int b = 0; b <= 255; ++b)
        EXPECT_EQ(quantiseCoordinate(float(b) / 255.0f * 2.0f - 1.0f), b) << b;
    // Within half a step of the value it stands for.
    for (float v = -1.0f; v <= 1.0f; v += 0.013f)
        EXPECT_LE(std::fabs(quantiseCoordinate(v) / 255.0f * 2.0f - 1.0f - v),
                  1.0f / 255.0f + 1e-6f);
}

TEST(ClipBuilder, IntensityMapsZeroToOneOntoTheByteRange) {
    EXPECT_EQ(quantiseIntensity(0.0f), 0);
    EXPECT_EQ(quantiseIntensity(1.0f), 255);
    EXPECT_EQ(quantiseIntensity(0.5f), 128);
    EXPECT_EQ(quantiseIntensity(0.2f), 51);
    EXPECT_EQ(quantiseIntensity(-0.5f), 0);
    EXPECT_EQ(quantiseIntensity(4.0f), 255);
}

TEST(ClipBuilder, SerialisesHeaderTableAndRecordsInFileOrder) {
    Clip clip;
    clip.frames.resize(3);
    addTriangle(clip.frames[0], -1, -1, 1, -1, 0, 1, 1.0f);
    addTriangle(clip.frames[0], -1, 1, 1, 1, 1, -1, 0.2f);
    addTriangle(clip.frames[2], 1, 1, -1, -1, 1, -1, 0.0f); // frame 1 stays empty
    const std::vector<uint8_t> bytes = serialiseClip(clip);
    const std::vector<uint8_t> expected = {
        3,   0, 0,   0,   0,   0,   0,   0, // frame count, unused word
        0,   0, 0,   0,   2,   0,   0,   0, // frame 0: offset 0, 2 records
        14,  0, 0,   0,   0,   0,   0,   0, // frame 1: empty
        14,  0, 0,   0,   1,   0,   0,   0, // frame 2: offset 14, 1 record
        255, 0, 0,   255, 0,   128, 255,    // intensity, x1 y1 x2 y2 x3 y3
        51,  0, 255, 255, 255, 255, 0,   0, 255, 255, 0, 0, 255, 0};
    EXPECT_EQ(bytes, expected);
}

TEST(ClipBuilder, FaultsNameEveryBrokenRule) {
    Clip clip;
    clip.frames.resize(kMinClipFrames);
    for (ClipFrame& f : clip.frames)
        addTriangle(f, 0, 0, 1, 0, 0, 1, 1.0f);
    EXPECT_EQ(clipFault(clip), nullptr);

    Clip tooShort = clip;
    tooShort.frames.pop_back();
    EXPECT_NE(clipFault(tooShort), nullptr);

    Clip tooLong = clip;
    tooLong.frames.resize(kMaxClipFrames, clip.frames[0]);
    EXPECT_EQ(clipFault(tooLong), nullptr);
    tooLong.frames.push_back(clip.frames[0]);
    EXPECT_NE(clipFault(tooLong), nullptr);

    Clip withEmpty = clip;
    withEmpty.frames[17].triangles.clear();
    EXPECT_NE(clipFault(withEmpty), nullptr);

    Clip crowded = clip;
    crowded.frames[5].triangles.resize(kMaxClipTriangles, clip.frames[0].triangles[0]);
    EXPECT_EQ(clipFault(crowded), nullptr);
    crowded.frames[5].triangles.push_back(clip.frames[0].triangles[0]);
    EXPECT_NE(clipFault(crowded), nullptr);
}

class GeneratedClips : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { dir = new fs::path(runGenerator("clips-a")); }
    static void TearDownTestSuite() { delete dir; }
    static fs::path* dir;
};
fs::path* GeneratedClips::dir = nullptr;

TEST_F(GeneratedClips, EveryClipIsWellFormedAndWithinTheLimits) {
    for (int number = 1; number <= 16; ++number) {
        const std::string name = clipName(number);
        const std::vector<uint8_t> bytes = readBytes(*dir / name);
        ASSERT_GE(bytes.size(), 8u) << name;
        const uint32_t n = word(bytes, 0);
        EXPECT_GE(n, 64u) << name;
        EXPECT_LE(n, 256u) << name;
        EXPECT_EQ(n % 32, 0u) << name << ": not a whole number of 32-frame bars";
        const std::vector<Frame> frames = decode(bytes, name);
        ASSERT_EQ(frames.size(), n) << name;
        uint64_t records = 0;
        std::vector<bool> levels(256, false);
        for (uint32_t f = 0; f < n; ++f) {
            EXPECT_GE(frames[f].count(), 1u) << name << " frame " << f;
            EXPECT_LE(frames[f].count(), 2000u) << name << " frame " << f;
            records += frames[f].count();
            for (size_t i = 0; i < frames[f].records.size(); i += 7)
                levels[frames[f].records[i]] = true;
        }
        // Nothing but header, table and records: no stray or missing bytes.
        EXPECT_EQ(bytes.size(), 8 + 8 * uint64_t(n) + 7 * records) << name;
        EXPECT_GE(std::count(levels.begin(), levels.end(), true), 4) << name << ": flat intensity";
    }
}

TEST_F(GeneratedClips, EveryClipLoopsWithoutAJump) {
    for (int number = 1; number <= 16; ++number) {
        const std::string name = clipName(number);
        const std::vector<Frame> frames = decode(readBytes(*dir / name), name);
        ASSERT_GE(frames.size(), 2u) << name;
        double largest = 0.0;
        for (size_t f = 0; f + 1 < frames.size(); ++f)
            largest = std::max(largest, step(frames[f], frames[f + 1]));
        const double seam = step(frames.back(), frames.front());
        ASSERT_GE(seam, 0.0) << name << ": last and first frame hold different triangles";
        // The move from the last frame to the first is one more ordinary step.
        EXPECT_LE(seam, largest * 1.05 + 1.0) << name;
        EXPECT_GT(largest, 0.0) << name << ": nothing moves";
    }
}

TEST_F(GeneratedClips, ClipsAreDistinct) {
    std::vector<std::vector<uint8_t>> all;
    for (int number = 1; number <= 16; ++number)
        all.push_back(readBytes(*dir / clipName(number)));
    for (size_t a = 0; a < all.size(); ++a)
        for (size_t b = a + 1; b < all.size(); ++b)
            EXPECT_NE(all[a], all[b]) << clipName(int(a + 1)) << " = " << clipName(int(b + 1));
}

TEST_F(GeneratedClips, EveryRunWritesTheSameBytes) {
    const fs::path again = runGenerator("clips-b");
    for (int number = 1; number <= 16; ++number) {
        const std::vector<uint8_t> first = readBytes(*dir / clipName(number));
        ASSERT_FALSE(first.empty()) << clipName(number);
        EXPECT_EQ(first, readBytes(again / clipName(number))) << clipName(number);
    }
}

} // namespace
