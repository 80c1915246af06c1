// The generated images, decoded the way the program decodes them: sizes and
// channel counts it accepts, a flare with no visible square, an environment
// map with a floor below a bright horizon and saturated highlights, and the
// same bytes on every run.
#include <stb/stb_image.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
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

fs::path runGenerator(const std::string& name) {
    // CTest runs each test in its own process, several at once: one folder each.
    const fs::path dir = fs::path(::testing::TempDir()) / (name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string command = std::string(HALCYON_IMAGES_TOOL) + " '" + dir.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return dir;
}

struct Decoded {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels;
    int at(int x, int y, int c) const { return pixels[(size_t(y) * width + x) * channels + c]; }
    int luminance(int x, int y) const { return (at(x, y, 0) + at(x, y, 1) + at(x, y, 2)) / 3; }
};

// Decoded from memory with the channel count left to the file, as the
// program's texture loader does.
Decoded decode(const fs::path& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    Decoded d;
    unsigned char* pixels =
        stbi_load_from_memory(bytes.data(), int(bytes.size()), &d.width, &d.height, &d.channels, 0);
    if (pixels) {
        d.pixels.assign(pixels, pixels + size_t(d.width) * d.height * d.channels);
        stbi_image_free(pixels);
    }
    return d;
}

class GeneratedImages : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { dir = new fs::path(runGenerator("images-a")); }
    static void TearDownTestSuite() { delete dir; }
    static fs::path* dir;
};
fs::path* GeneratedImages::dir = nullptr;

TEST_F(GeneratedImages, FlareIsASoftSpriteWithDarkEdges) {
    const Decoded flare = decode(*dir / "flare.png");
    ASSERT_FALSE(flare.pixels.empty());
    EXPECT_EQ(flare.width, 128);
    EXPECT_EQ(flare.height, 128);
    ASSERT_TRUE(flare.channels == 3 || flare.channels == 4) << flare.channels;
    const int kBorder = 3;
    int edgeMax = 0;
    for (int y = 0; y < flare.height; ++y)
        for (int x = 0; x < flare.width; ++x)
            if (x < kBorder || y < kBorder || x >= flare.width - kBorder ||
                y >= flare.height - kBorder)
                for (int c = 0; c < flare.channels; ++c)
                    edgeMax = std::max(edgeMax, flare.at(x, y, c));
    EXPECT_LE(edgeMax, 1) << "the sprite's square would show under additive blending";
    EXPECT_GE(flare.luminance(64, 64), 230);
    // Soft: brightness falls off gradually from the centre, not a hard disc.
    EXPECT_GT(flare.luminance(64, 64), flare.luminance(64, 80));
    EXPECT_GT(flare.luminance(64, 80), flare.luminance(64, 100));
    EXPECT_GT(flare.luminance(64, 100), 0);
}

TEST_F(GeneratedImages, EnvironmentMapHasFloorHorizonSkyAndHighlights) {
    const Decoded envi = decode(*dir / "envi.png");
    ASSERT_FALSE(envi.pixels.empty());
    EXPECT_EQ(envi.width, 512);
    EXPECT_EQ(envi.height, 512);
    ASSERT_TRUE(envi.channels == 3 || envi.channels == 4) << envi.channels;

    // Saturated soft-box highlights, more than a speck of them.
    int white = 0;
    for (int y = 0; y < envi.height; ++y)
        for (int x = 0; x < envi.width; ++x)
            white += envi.luminance(x, y) >= 250;
    EXPECT_GE(white, envi.width * envi.height / 100);

    // Down the middle: the horizon is the brightest row around the centre,
    // with the floor (first rows, t < 0.5) darker than the sky beyond it.
    const int mid = envi.height / 2, x = envi.width / 2;
    int brightest = 0;
    for (int y = mid - 80; y <= mid + 80; ++y)
        if (envi.luminance(x, y) > envi.luminance(x, brightest)) brightest = y;
    EXPECT_NEAR(brightest, mid, 3);
    EXPECT_GE(envi.luminance(x, brightest), 200);
    long floor = 0, sky = 0;
    for (int d = 20; d <= 80; ++d) {
        floor += envi.luminance(x, mid - d);
        sky += envi.luminance(x, mid + d);
    }
    EXPECT_LT(floor * 2, sky);
}

TEST_F(GeneratedImages, EveryRunWritesTheSameBytes) {
    const fs::path again = runGenerator("images-b");
    for (const char* name : {"envi.png", "flare.png"}) {
        const std::vector<uint8_t> first = readBytes(*dir / name);
        ASSERT_FALSE(first.empty()) << name;
        EXPECT_EQ(first, readBytes(again / name)) << name;
    }
}

} // namespace
