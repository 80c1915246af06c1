// Pictures of the symbol, equaliser and lasers, rendered by the frame renderer
// from data directories written here, compared with tolerances.
//
// Every scene turns off what it does not look at (video, circles, strobe,
// glow), so a pixel's light comes from the effect under test. Scenes are
// written under data/<name>/ and the renderer reads data/current, a link to
// the scene, so the cases run one at a time.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const int kWidth = 640;
const int kHeight = 360;
const double kPi = 3.14159265358979;

struct Key {
    int32_t row;
    float value;
};

// Tracks by name; a track not named reads 0 (it has no file).
using Tracks = std::map<std::string, std::vector<Key>>;

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    // Pixel with y counted from the bottom, as OpenGL counts it.
    const unsigned char* at(int x, int y) const { return &rgb[3 * ((height - 1 - y) * width + x)]; }
    int sum(int x, int y) const { return at(x, y)[0] + at(x, y)[1] + at(x, y)[2]; }
    int green(int x, int y) const { return at(x, y)[1]; }
};

std::string dataRoot() {
    return HALCYON_EFFECTS_TEST_DATA;
}

void writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f) << path;
    ASSERT_EQ(fwrite(data, 1, size, f), size);
    fclose(f);
}

void put32(std::vector<unsigned char>& out, const void* v) {
    const unsigned char* b = static_cast<const unsigned char*>(v);
    out.insert(out.end(), b, b + 4);
}

// Keys hold their value up to the next key.
void writeTrack(const std::string& dir, const std::string& name, const std::vector<Key>& keys) {
    std::vector<unsigned char> bytes;
    const int32_t count = int32_t(keys.size()), zero = 0;
    put32(bytes, &count);
    put32(bytes, &zero);
    for (const Key& k : keys) {
        put32(bytes, &k.row);
        put32(bytes, &k.value);
        bytes.push_back(0);
    }
    writeFile(dir + "sync_" + name + ".track", bytes.data(), bytes.size());
}

// A box of the given half sizes with its own normals, centred on the origin.
std::string boxObj(float hx, float hy, float hz) {
    static const int corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                      {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    // Counter-clockwise seen from outside.
    static const int quads[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                                    {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    std::string obj;
    char line[128];
    for (const auto& c : corners) {
        snprintf(line, sizeof line, "v %g %g %g\n", c[0] * hx, c[1] * hy, c[2] * hz);
        obj += line;
    }
    for (const auto& q : quads) {
        snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", q[0], q[1], q[2], q[0], q[2], q[3]);
        obj += line;
    }
    return obj;
}

// envi.png: one colour; flare.png: a soft white disc.
void writeImages(const std::string& dir, const unsigned char envi[3]) {
    const int size = 32;
    std::vector<unsigned char> rgb(size * size * 3), rgba(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            memcpy(&rgb[(y * size + x) * 3], envi, 3);
            const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
            const float v = std::max(0.0f, 1.0f - 2.0f * std::sqrt(dx * dx + dy * dy));
            unsigned char* q = &rgba[(y * size + x) * 4];
            q[0] = q[1] = q[2] = uint8_t(255 * v);
            q[3] = 255;
        }
    ASSERT_TRUE(stbi_write_png((dir + "envi.png").c_str(), size, size, 3, rgb.data(), size * 3));
    ASSERT_TRUE(stbi_write_png((dir + "flare.png").c_str(), size, size, 4, rgba.data(), size * 4));
}

struct Scene {
    Tracks tracks;
    std::string soundtrack = HALCYON_EFFECTS_SILENCE;
    unsigned char envi[3] = {200, 200, 200};
    std::string slot1 = boxObj(1.0f, 0.3f, 0.3f); // model 1 (and 36, 71) differs from the rest
};

// Writes the scene and renders the rows; pictures in the order of the rows.
std::vector<Picture> render(const std::string& name, const Scene& scene,
                            const std::vector<std::string>& rows) {
    const std::string dir = dataRoot() + name + "/";
    const std::string out = dataRoot() + name + ".out";
    std::string command = "rm -rf '" + dir + "' '" + out + "' && mkdir -p '" + dir + "' '" + out +
                          "' && cp '" + HALCYON_EFFECTS_SHADERS + "'/*.glsl '" + dir + "' && cp '" +
                          scene.soundtrack + "' '" + dir + "Meridian_Demo_Edit.mp3' && ln -sfn '" +
                          dir + "' '" + dataRoot() + "current'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    writeImages(dir, scene.envi);
    const std::string box = boxObj(0.5f, 0.5f, 0.5f);
    for (int n = 1; n <= 35; ++n) {
        const std::string& obj = n == 2 ? scene.slot1 : box;
        writeFile(dir + "symbol" + std::to_string(n) + ".obj", obj.data(), obj.size());
    }
    const uint32_t emptyClip[2] = {0, 0};
    for (int n = 1; n <= 16; ++n)
        writeFile(dir + "rave" + std::to_string(n) + ".dat", emptyClip, sizeof emptyClip);
    for (const auto& [track, keys] : scene.tracks)
        writeTrack(dir, track, keys);

    command = std::string("'") + HALCYON_EFFECTS_FRAMES + "' --size " + std::to_string(kWidth) +
              "x" + std::to_string(kHeight) + " --out '" + out + "'";
    for (const std::string& row : rows)
        command += " " + row;
    command += " > '" + out + "/log' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "see " << out << "/log";

    std::vector<Picture> pictures;
    for (const std::string& row : rows) {
        Picture p;
        int channels = 0;
        unsigned char* data =
            stbi_load((out + "/row-" + row + ".png").c_str(), &p.width, &p.height, &channels, 3);
        EXPECT_TRUE(data) << "row " << row;
        if (!data) continue;
        p.rgb.assign(data, data + p.width * p.height * 3);
        stbi_image_free(data);
        pictures.push_back(p);
    }
    return pictures;
}

// Constant tracks: no video, circles, strobe or glow; the camera on +z at
// distance 4 looking at the origin.
Tracks quietShow() {
    return {
        {"Camera:dist", {{0, 4}}}, {"Camera:fov", {{0, 60}}},      {"symbol:scale", {{0, 1}}},
        {"symbol:num", {{0, -1}}}, {"symbol:blend", {{0, 1}}},     {"glow:glowbr", {{0, 0}}},
        {"eq:br", {{0, 0}}},       {"laser1:numlasers", {{0, 0}}},
    };
}

// Window pixel of a world point seen through the camera tracks' view (the
// 640 x 360 window is letterboxed to 640 x 359).
glm::dvec2 project(glm::dvec3 eye, glm::dvec3 target, double fov, glm::dvec3 p) {
    const glm::dmat4 m = glm::perspective(glm::radians(fov), 16.0 / 9.0, 0.1, 1000.0) *
                         glm::lookAt(eye, target, glm::dvec3(0, 1, 0));
    const glm::dvec4 c = m * glm::dvec4(p, 1.0);
    return {(c.x / c.w + 1) / 2 * kWidth, (c.y / c.w + 1) / 2 * (kHeight - 1)};
}

double meanSum(const Picture& p, int x0, int y0, int x1, int y1) {
    double total = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            total += p.sum(x, y);
    return total / ((x1 - x0) * (y1 - y0));
}

} // namespace

// The chosen model appears in the middle, mirrors the environment image, is
// outlined against the background, and numbers 35 apart show the same model.
TEST(SymbolPicture, ChosenModelEnvironmentMappedAndOutlined) {
    Scene scene;
    scene.tracks = quietShow();
    scene.tracks["symbol:num"] = {{0, 35}, {10, 70}, {20, 36}, {30, -1}};
    scene.envi[0] = 230, scene.envi[1] = 40, scene.envi[2] = 20; // a red world
    const auto p = render("symbol", scene, {"5", "15", "25", "35"});
    ASSERT_EQ(p.size(), 4u);
    const Picture &m35 = p[0], &m70 = p[1], &m36 = p[2], &none = p[3];

    // Model 35 is model 0, the cube: red in the middle, black in the corners.
    EXPECT_GT(m35.at(320, 180)[0], 100);
    EXPECT_GT(m35.at(320, 180)[0], 2 * m35.at(320, 180)[1]);
    EXPECT_LT(m35.sum(20, 20), 30);
    EXPECT_LT(none.sum(320, 180), 30);

    // 70 shows the same cube; 36 the long bar, which reaches far wider.
    int same = 0, differ = 0;
    for (int y = 0; y < kHeight; y += 3)
        for (int x = 0; x < kWidth; x += 3) {
            same += std::abs(m35.sum(x, y) - m70.sum(x, y)) > 30;
            differ += std::abs(m35.sum(x, y) - m36.sum(x, y)) > 30;
        }
    EXPECT_LT(same, 10);
    EXPECT_GT(differ, 300);
    // From distance 4 the cube reaches about 45 pixels either side of the
    // middle, the bar about 80.
    EXPECT_LT(m35.sum(320 + 65, 180), 30);
    EXPECT_GT(m36.sum(320 + 65, 180), 60);

    // The outline: the cube's edge is brighter than the dark floor just
    // outside it. Find the edge along the middle row.
    int edge = 320;
    while (edge < kWidth - 1 && m35.sum(edge, 180) > 30)
        ++edge;
    ASSERT_LT(edge, 420);
    int brightest = 0;
    for (int x = edge - 4; x <= edge + 2; ++x)
        brightest = std::max(brightest, m35.sum(x, 180));
    EXPECT_GT(brightest, m35.sum(320, 180)) << "no outline at the edge near x " << edge;
}

// A steady sine on the centre of bin 20: bar 21 of the ring (which shows bin
// 20) pulls its inner edge toward the centre; bars far from it stay at rest,
// which is off-screen.
TEST(EqualiserPicture, RingBarOfTheSineBinReachesInward) {
    Scene scene;
    scene.tracks = quietShow();
    scene.tracks["eq:br"] = {{0, 1}};
    scene.tracks["eq:blend"] = {{0, 1}};
    scene.soundtrack = HALCYON_EFFECTS_SINE_BIN20;
    // Row 0 puts bar k's edges at angles 2 pi (k - 1) / 100 clockwise from up.
    const auto p = render("ring", scene, {"64"});
    ASSERT_EQ(p.size(), 1u);
    const double asp = double(kWidth) / kHeight;
    // The ring turns by row / 128 radians.
    auto barPixel = [&](int bar, double radius) {
        const double a = 64.0 / 128 + 2 * kPi * (bar - 0.5) / 100;
        return glm::dvec2((radius * std::sin(a) + 1) / 2 * kWidth,
                          (radius * std::cos(a) * asp + 1) / 2 * (kHeight - 1));
    };
    const auto lit = [&](int bar, double radius) {
        const glm::dvec2 px = barPixel(bar, radius);
        return p[0].sum(int(px.x), int(px.y));
    };
    EXPECT_GT(lit(21, 0.5), 60);
    EXPECT_GT(lit(21, 0.8), 60);
    for (int bar : {5, 15, 30, 45, 60, 75, 90})
        EXPECT_LT(lit(bar, 0.6), 20) << "bar " << bar;
}

// Flares: each is 0.25 bright unless its laser's axis points straight at the
// reference point (the previous laser's origin after a depth pass, else the
// default eye (0, 0, -1)), then 0.75. Laser 0 at (0, 0, 10) aiming down -z
// points at (0, 0, -1); a small aim aside drops it back to 0.25.
TEST(LaserPicture, FlareBrightnessRule) {
    Scene scene;
    scene.tracks = quietShow();
    scene.tracks["Camera:dist"] = {{0, 900}};
    scene.tracks["laser1:numlasers"] = {{0, 256}}; // flares only
    scene.tracks["laser1:col_r"] = {{0, 1}};
    scene.tracks["laser1:pos_x"] = {{0, 48}};
    scene.tracks["laser1:pos_z"] = {{0, 10}};
    scene.tracks["laser1:rot_x"] = {{0, 0}, {50, 5}};
    const auto p = render("flares", scene, {"20", "70"});
    ASSERT_EQ(p.size(), 2u);
    // Laser 0's origin seen from (0, 0, 900).
    const glm::dvec2 c = project({0, 0, 900}, {0, 0, 0}, 60, {0, 0, 10});
    const double aimed = meanSum(p[0], int(c.x) - 2, int(c.y) - 2, int(c.x) + 3, int(c.y) + 3);
    const double aside = meanSum(p[1], int(c.x) - 2, int(c.y) - 2, int(c.x) + 3, int(c.y) + 3);
    // Laser 0 adds 0.75 or 0.25 times the disc's centre; its neighbours' flares
    // overlap there equally in both.
    EXPECT_GT(aside, 20);
    EXPECT_NEAR(aimed - aside, 3 * 255 * 0.5 * 0.95, 3 * 255 * 0.12);
}
