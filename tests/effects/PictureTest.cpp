// Pictures of the symbol, equaliser and lasers, rendered by the frame renderer
// from data directories written here, compared with tolerances.
//
// Every scene turns off what it does not look at (video, circles, strobe,
// glow), so a pixel's light comes from the effect under test. Scenes are
// written under data/<name>/ and the renderer reads data/current, a link to
// the scene, so the cases run one at a time.
#include "effects/Equaliser.h"
#include "effects/Lasers.h"

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
#include <limits>
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

// A box of the given half sizes with its own normals, centred on (cx, cy, cz).
std::string boxObj(float hx, float hy, float hz, float cx = 0, float cy = 0, float cz = 0) {
    static const int corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                      {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    // Counter-clockwise seen from outside.
    static const int quads[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                                    {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    std::string obj;
    char line[128];
    for (const auto& c : corners) {
        snprintf(line, sizeof line, "v %g %g %g\n", cx + c[0] * hx, cy + c[1] * hy, cz + c[2] * hz);
        obj += line;
    }
    for (const auto& q : quads) {
        snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", q[0], q[1], q[2], q[0], q[2], q[3]);
        obj += line;
    }
    return obj;
}

// envi.png: one colour; flare.png: a soft white disc over the whole sprite,
// or a small one (a fifth of its width) so that neighbouring flares part.
void writeImages(const std::string& dir, const unsigned char envi[3], bool smallFlare) {
    const float discScale = smallFlare ? 10.0f : 2.0f;
    const int size = 32;
    std::vector<unsigned char> rgb(size * size * 3), rgba(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            memcpy(&rgb[(y * size + x) * 3], envi, 3);
            const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
            const float v = std::max(0.0f, 1.0f - discScale * std::sqrt(dx * dx + dy * dy));
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
    bool smallFlare = false;
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
    writeImages(dir, scene.envi, scene.smallFlare);
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
    // The ring is wider than the picture is tall: a point off the picture
    // proves nothing, so it is reported rather than read past the pixels.
    const int kOffPicture = -1;
    const auto lit = [&](int bar, double radius) {
        const glm::dvec2 px = barPixel(bar, radius);
        if (px.x < 0 || px.y < 0 || px.x >= kWidth || px.y >= kHeight) return kOffPicture;
        return p[0].sum(int(px.x), int(px.y));
    };
    EXPECT_GT(lit(21, 0.5), 60);
    EXPECT_GT(lit(21, 0.8), 60);
    for (int bar : {5, 15, 30, 45, 60, 75, 90}) {
        const int sum = lit(bar, 0.55);
        EXPECT_NE(sum, kOffPicture) << "bar " << bar;
        EXPECT_LT(sum, 20) << "bar " << bar;
    }
}

namespace {

// Projection of the camera tracks' view onto the window (640 x 359 after the
// letterbox), with a pixel's centre at x + 0.5.
struct View {
    glm::dmat4 matrix;
    View(glm::dvec3 eye, glm::dvec3 target, double fov)
        : matrix(glm::perspective(glm::radians(fov), 16.0 / 9.0, 0.1, 1000.0) *
                 glm::lookAt(eye, target, glm::dvec3(0, 1, 0))) {}
    // False behind the eye.
    bool pixel(glm::dvec3 p, glm::dvec2* out) const {
        const glm::dvec4 c = matrix * glm::dvec4(p, 1.0);
        if (c.w <= 0) return false;
        *out = {(c.x / c.w + 1) / 2 * kWidth, (c.y / c.w + 1) / 2 * (kHeight - 1)};
        return true;
    }
    // The ray through a pixel's centre meets the plane x = planeX at this point.
    glm::dvec3 onPlaneX(int x, int y, double planeX) const {
        const glm::dmat4 inverse = glm::inverse(matrix);
        const double nx = (x + 0.5) / kWidth * 2 - 1, ny = (y + 0.5) / (kHeight - 1) * 2 - 1;
        glm::dvec4 a = inverse * glm::dvec4(nx, ny, -1, 1), b = inverse * glm::dvec4(nx, ny, 1, 1);
        const glm::dvec3 near = glm::dvec3(a) / a.w, far = glm::dvec3(b) / b.w;
        return near + (far - near) * ((planeX - near.x) / (far.x - near.x));
    }
};

// A set of window pixels.
struct Mask {
    std::vector<uint8_t> on = std::vector<uint8_t>(kWidth * kHeight, 0);
    void mark(glm::dvec2 p, int radius) {
        for (int y = int(p.y) - radius; y <= int(p.y) + radius; ++y)
            for (int x = int(p.x) - radius; x <= int(p.x) + radius; ++x)
                if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) on[y * kWidth + x] = 1;
    }
    bool has(int x, int y) const { return on[y * kWidth + x] != 0; }
};

// Beams are drawn pure green here; flares are grey.
bool beamPixel(const Picture& p, int x, int y) {
    return p.at(x, y)[1] - p.at(x, y)[0] > 60;
}

// Marks the straight path from a to b, `along` running from `from` to `to`.
void markPath(const View& view, glm::dvec3 a, glm::dvec3 b, double from, double to, int radius,
              Mask* mask) {
    const int steps = 600;
    for (int s = 0; s <= steps; ++s) {
        glm::dvec2 px;
        if (view.pixel(a + (b - a) * (from + (to - from) * s / steps), &px)) mask->mark(px, radius);
    }
}

glm::dvec3 vec(const float v[3]) {
    return {v[0], v[1], v[2]};
}

// Share of a mask's pixels that a test accepts.
template <typename Lit> double litShare(const Mask& mask, Lit lit, int* count = nullptr) {
    int on = 0, total = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (mask.has(x, y)) ++total, on += lit(x, y);
    if (count) *count = total;
    return total ? double(on) / total : 0.0;
}

} // namespace

// Tunnel mode: ring o shows bin 4 + (2 row + o) mod 90, so a sine on bin 20
// lights ring (16 - 2 row) mod 90 all round, and that ring moves along the
// tube as the rows pass. The ring's place comes from the tube's own geometry,
// centre-line wave included; the band is what the sine adds over silence.
TEST(EqualiserPicture, TunnelBandFollowsTheSpectrum) {
    Scene scene;
    scene.tracks = quietShow();
    scene.tracks["eq:br"] = {{0, 1}};
    scene.tracks["eq:blend"] = {{0, 1}};
    scene.tracks["eq:mode"] = {{0, 1}};
    scene.tracks["Camera:angle"] = {{0, 0.5f}}; // eye on +x, looking across the tube
    scene.tracks["Camera:dist"] = {{0, 30}};
    scene.tracks["Camera:offset.z"] = {{0, 40}};
    scene.tracks["Camera:tgt.z"] = {{0, 40}};
    const std::vector<std::string> rows = {"100", "120"};
    scene.soundtrack = HALCYON_EFFECTS_SINE_BIN20;
    const auto sine = render("tunnel-sine", scene, rows);
    scene.soundtrack = HALCYON_EFFECTS_SILENCE;
    const auto quiet = render("tunnel-quiet", scene, rows);
    ASSERT_EQ(sine.size(), 2u);
    ASSERT_EQ(quiet.size(), 2u);

    const View view({30, 0, 40}, {0, 0, 40}, 60);
    double expectedX[2];
    for (int j = 0; j < 2; ++j) {
        SCOPED_TRACE(rows[j]);
        const int row = std::stoi(rows[j]);
        const int ring = ((16 - 2 * row) % 90 + 90) % 90;
        Equaliser::buildTunnel(row, 1.0f);
        // The filled tube hides the ring's far half, so only quads 1 to 64,
        // on the +x side that faces the eye, show.
        glm::dvec2 expected(0, 0);
        const int perRing = 4 * Equaliser::kTunnelQuadCount, nearHalf = perRing / 2;
        for (int v = 0; v < nearHalf; ++v) {
            glm::dvec2 px;
            ASSERT_TRUE(view.pixel(vec(&Equaliser::tunnelVertices[3 * (perRing * ring + v)]), &px));
            expected += px / double(nearHalf);
        }
        expectedX[j] = expected.x;

        glm::dvec2 centroid(0, 0);
        int count = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (sine[j].sum(x, y) - quiet[j].sum(x, y) > 15)
                    centroid += glm::dvec2(x + 0.5, y + 0.5), ++count;
        ASSERT_GT(count, 100);
        centroid /= double(count);
        EXPECT_NEAR(centroid.x, expected.x, 10);
        EXPECT_NEAR(centroid.y, expected.y, 15);
    }
    EXPECT_GT(std::abs(expectedX[0] - expectedX[1]), 40); // the band did move
}

namespace {

// Laser 0 from (0, 0, 100) toward (0, 0, -100); the other three read their
// aim tracks 16, 32 and 48 rows later, where `aside` sends them far off.
// A depth pass runs every frame ("symbol:num" 0, the model out of the way
// unless a test moves it), so no beam reads a map left undefined.
Tracks laserShow(float turn, glm::vec2 aside) {
    Tracks t = quietShow();
    t["symbol:num"] = {{0, 0}};
    t["symbol:pos_y"] = {{0, 1000}};
    t["laser1:numlasers"] = {{0, 1}};
    t["laser1:col_g"] = {{0, 10}};
    t["laser1:pos_x"] = {{0, 48}};
    t["laser1:pos_z"] = {{0, 100}};
    t["laser1:diam"] = {{0, 24}};
    t["laser1:rot_z"] = {{0, turn}};
    // Straight for one row at each multiple of 10 that ends in an even ten
    // (10, 30, ... 210); rows 16, 32 and 48 later never fall there.
    for (const char* name : {"laser1:rot_x", "laser1:rot_y"}) {
        const float far = name[11] == 'x' ? aside.x : aside.y;
        std::vector<Key>& keys = t[name];
        keys.push_back({0, far});
        for (int32_t row = 10; row <= 210; row += 20) {
            keys.push_back({row, 0});
            keys.push_back({row + 1, far});
        }
    }
    return t;
}

} // namespace

// A slab across half of laser 0's fan, turned with the fan: the beams of that
// half end on its face and nothing of them shows behind it, the other half
// passes, and with the slab out of the way the blocked half reaches as far.
// The camera looks at the fan face on, from where the slab shows only its
// thin edge, so nothing behind the slab is hidden by its silhouette.
TEST(LaserPicture, BeamsStopAtTheModelForAnyTurn) {
    const double kDegrees = 180 / kPi;
    for (float turn : {0.0f, 0.7f, 1.5707964f, 2.6f, -2.2f}) {
        SCOPED_TRACE(turn);
        const double cs = std::cos(turn), sn = std::sin(turn);
        // Beams from t = 0 to 0.5 run toward (sn, -cs, 0) from the axis; the
        // slab covers 2 to 40 units on that side, 40 long and 10 deep.
        Scene scene;
        scene.slot1 = boxObj(20, 19, 5, 0, -21, 0);
        const glm::vec2 aside(float(-4000 * cs), float(-4000 * sn)); // away from the camera
        scene.tracks = laserShow(turn, aside);
        scene.tracks["symbol:num"] = {{0, 1}};
        scene.tracks["symbol:rot_z"] = {{0, float(turn * kDegrees)}};
        scene.tracks["symbol:pos_y"] = {{0, 0}, {150, 1000}};
        const glm::dvec3 eye(200 * cs, 200 * sn, 20);
        scene.tracks["Camera:dist"] = {{0, 0}};
        scene.tracks["Camera:offset.x"] = {{0, float(eye.x)}};
        scene.tracks["Camera:offset.y"] = {{0, float(eye.y)}};
        scene.tracks["Camera:offset.z"] = {{0, float(eye.z)}};
        const auto p = render("laser-stop", scene, {"110", "210"});
        ASSERT_EQ(p.size(), 2u);
        const Picture &slab = p[0], &clear = p[1];
        const View view(eye, {0, 0, 0}, 60);

        // Where each beam would be; from the origin, depth 5 (the slab's
        // face) is 0.475 of the way, depth -20 0.6.
        Mask allowed, blockedFront, blockedBehind, freeBehind;
        static LaserFan fan;
        for (int i = 1; i < kLaserCount; ++i) {
            const Laser l = laserFrame(i, 48, 0, 100, 24, aside.x, aside.y, turn);
            buildLaserFan(l, 24, &fan);
            for (int k : {0, 128, 256})
                markPath(view, vec(l.origin), vec(fan.ends[k]), 0, 1, 3, &allowed);
        }
        const Laser l0 = laserFrame(0, 48, 0, 100, 24, 0, 0, turn);
        buildLaserFan(l0, 24, &fan);
        const glm::dvec3 origin = vec(l0.origin);
        for (int k = 0; k < kBeamCount; ++k) {
            const glm::dvec3 end = (vec(fan.ends[k]) + vec(fan.ends[k + 1])) / 2.0;
            const glm::dvec3 atFace = origin + (end - origin) * 0.475;
            const double side = -sn * atFace.x + cs * atFace.y; // the slab's own y
            const bool blocked = side<-3, passes = side> 0;
            markPath(view, origin, end, 0, blocked ? 0.475 : 1, 2, &allowed);
            if (blocked) markPath(view, origin, end, 0.3, 0.45, 0, &blockedFront);
            if (blocked) markPath(view, origin, end, 0.6, 0.95, 0, &blockedBehind);
            if (passes) markPath(view, origin, end, 0.6, 0.95, 0, &freeBehind);
        }

        const auto litWithSlab = [&](int x, int y) { return beamPixel(slab, x, y); };
        const auto litClear = [&](int x, int y) { return beamPixel(clear, x, y); };
        int counted = 0;
        EXPECT_GT(litShare(blockedFront, litWithSlab, &counted), 0.8);
        EXPECT_GT(counted, 100);
        EXPECT_GT(litShare(freeBehind, litWithSlab, &counted), 0.8);
        EXPECT_GT(counted, 100);
        EXPECT_GT(litShare(blockedBehind, litClear, &counted), 0.8);
        EXPECT_GT(counted, 100);
        EXPECT_EQ(litShare(blockedBehind, litWithSlab), 0.0);
        int stray = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                stray += beamPixel(slab, x, y) && !allowed.has(x, y);
        EXPECT_LE(stray, 3) << "beam pixels where no beam should reach";
    }
}

// The beam patterns of "laser1:numlasers" on a wide upright fan seen face on
// from +x: every pixel of a column across the fan's far part is lit exactly
// when the beam under its centre is drawn; 255 leaves only the top beam and
// 256 none.
TEST(LaserPicture, BeamPatterns) {
    Scene scene;
    scene.tracks = laserShow(0, {-4000, 0}); // the others run off toward -x
    scene.tracks["Camera:angle"] = {{0, 0.5f}};
    scene.tracks["Camera:dist"] = {{0, 150}};
    scene.tracks["laser1:diam"] = {{0, 200}};
    scene.tracks["laser1:col_g"] = {{0, 400}}; // full green to the far end
    scene.tracks["laser1:numlasers"] = {{0, 1}, {20, 2}, {40, 16}, {60, 255}, {80, 256}};
    const int32_t patterns[] = {1, 2, 16, 255, 256};
    // Every beam for 1; otherwise beam k when k / p (rounded down) is odd.
    const auto shown = [](int32_t p, int k) { return p == 1 || (k / p) % 2 == 1; };
    const auto p = render("laser-patterns", scene, {"10", "30", "50", "70", "90"});
    ASSERT_EQ(p.size(), 5u);

    const View view({150, 0, 0}, {0, 0, 0}, 60);
    glm::dvec2 columnAt;
    ASSERT_TRUE(view.pixel({0, 0, -40}, &columnAt));
    const int column = int(columnAt.x);
    // The fan lies in the plane x = 0, from (0, 0, 100) to its far edge at
    // z = -100, y from -100 (t = 0) to 100.
    // Beam coordinate under a pixel's centre: beam k spans k to k + 1.
    auto beamUnder = [&](int y) {
        const glm::dvec3 q = view.onPlaneX(column, y, 0);
        const double edgeY = q.y * 200 / (100 - q.z);
        return (edgeY / 100 + 1) / 2 * kBeamCount;
    };
    // Beam 255 from a third of its length on, where the others are far.
    static LaserFan fan;
    buildLaserFan(laserFrame(0, 48, 0, 100, 200, 0, 0, 0), 200, &fan);
    Mask lastBeam;
    markPath(view, {0, 0, 100}, vec(fan.ends[255]), 0.35, 1, 2, &lastBeam);

    for (int j = 0; j < 5; ++j) {
        SCOPED_TRACE(patterns[j]);
        const Picture& pic = p[j];
        int checked = 0, wrong = 0, drawnSeen = 0;
        for (int y = 0; y < kHeight; ++y) {
            // Only pixels well inside a run of drawn or skipped beams (a beam
            // is about a pixel high here, and the letterbox resamples).
            const double k = beamUnder(y);
            const int below = int(std::floor(k - 0.45)), above = int(std::floor(k + 0.45));
            if (below < 0 || above >= kBeamCount) continue;
            const bool drawn = shown(patterns[j], int(std::floor(k)));
            if (shown(patterns[j], below) != drawn || shown(patterns[j], above) != drawn) continue;
            ++checked;
            drawnSeen += drawn;
            wrong += (pic.green(column, y) > 128) != drawn;
        }
        EXPECT_GT(checked, 60);
        EXPECT_LE(wrong, checked / 25);
        // Past the point where the others' beams vanish, beam pixels belong
        // to beam 255 only; it shows along its length when it is drawn.
        int onLast = 0, elsewhere = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = column - 40; x < kWidth; ++x)
                if (beamPixel(pic, x, y)) (lastBeam.has(x, y) ? onLast : elsewhere) += 1;
        if (patterns[j] == 255) {
            EXPECT_EQ(elsewhere, 0);
            EXPECT_GT(onLast, 40);
        }
        if (patterns[j] == 256) {
            EXPECT_EQ(onLast + elsewhere, 0);
        }
        if (patterns[j] <= 16) {
            EXPECT_GT(drawnSeen, 30);
        }
    }
}

// Flares are 0.25 bright unless the laser's axis points at the reference
// point: the default eye (0, 0, -1) for laser 0, and for the others the
// previous laser's origin when a depth pass ran, else that same default eye;
// then 0.75. Small flare sprites keep the four apart.
TEST(LaserPicture, FlareBrightnessRule) {
    Scene scene;
    scene.smallFlare = true;
    Tracks& t = scene.tracks;
    t = quietShow();
    t["Camera:dist"] = {{0, 900}};
    t["laser1:numlasers"] = {{0, 256}}; // flares only
    t["laser1:col_r"] = {{0, 1}};
    t["laser1:diam"] = {{0, 1}};
    t["symbol:pos_y"] = {{0, 1000}}; // the model stays out of sight
    // Rows 0 to 80: origins in a row at y = 50, z = 0, every axis toward -x,
    // so each laser after the first points at its predecessor's origin. With
    // a depth pass (model 0) lasers 1 to 3 are bright, without one none is.
    // From row 80: laser 0 at (0, 0, 10) points down -z at the default eye.
    t["symbol:num"] = {{0, 0}, {40, -1}};
    t["laser1:pos_y"] = {{0, 50}, {80, 0}};
    t["laser1:pos_z"] = {{0, 0}, {80, 10}};
    t["laser1:pos_x"] = {{0, 0}, {80, 48}};
    t["laser1:rot_x"] = {{0, -5}, {80, 0}};
    const auto p = render("flares", scene, {"20", "60", "100"});
    ASSERT_EQ(p.size(), 3u);
    struct Case {
        float px, py, pz, brightness[kLaserCount];
    };
    const Case cases[] = {{0, 50, 0, {0.25f, 0.75f, 0.75f, 0.75f}},
                          {0, 50, 0, {0.25f, 0.25f, 0.25f, 0.25f}},
                          {48, 0, 10, {0.75f, 0.25f, 0.25f, 0.25f}}};
    const View view({0, 0, 900}, {0, 0, 0}, 60);
    double measured[3][kLaserCount];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < kLaserCount; ++i) {
            glm::dvec2 c;
            const Case& k = cases[j];
            ASSERT_TRUE(view.pixel({k.px + 32 * (i - 1.5), k.py, k.pz}, &c));
            measured[j][i] = meanSum(p[j], int(c.x) - 1, int(c.y) - 1, int(c.x) + 2, int(c.y) + 2);
        }
    // Row 60 has four dim flares: their mean is the unit of 0.25.
    const double unit = (measured[1][0] + measured[1][1] + measured[1][2] + measured[1][3]) / 4;
    ASSERT_GT(unit, 20);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < kLaserCount; ++i)
            EXPECT_NEAR(measured[j][i] / unit, cases[j].brightness[i] / 0.25f, 0.3)
                << "row case " << j << ", laser " << i;
}

// Degenerate input draws whatever the arithmetic gives and never stops the
// renderer: a fan without width, a laser whose aim is its origin, a camera
// with no field of view looking from its target, NaN in the tracks. A plain
// frame after them is whole again.
TEST(LaserPicture, DegenerateInputStillRenders) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Scene scene;
    Tracks& t = scene.tracks;
    t = laserShow(0, {0, 0});
    t["symbol:pos_y"] = {{0, 0}};
    t["symbol:scale"] = {{0, 30}};
    t["Camera:angle"] = {{0, 0.5f}};
    t["Camera:dist"] = {{0, 150}, {40, 0}, {50, nan}, {60, 150}};
    t["Camera:fov"] = {{0, 60}, {40, 0}, {50, nan}, {60, 60}};
    t["Camera:roll"] = {{0, 0}, {50, nan}, {60, 0}};
    t["laser1:diam"] = {{0, 0}, {20, 24}, {30, nan}, {40, 24}};
    t["laser1:pos_z"] = {{0, 100}, {20, 0}, {30, 100}};
    t["laser1:rot_z"] = {{0, 0}, {30, nan}, {40, 0}};
    t["symbol:num"] = {{0, 0}, {50, nan}, {60, 0}};
    t["eq:br"] = {{0, 0}, {50, 1}, {60, 0}};
    t["eq:mode"] = {{0, 1}};
    const auto p = render("laser-degenerate", scene, {"10", "25", "35", "45", "55", "70"});
    ASSERT_EQ(p.size(), 6u);
    // The last frame: laser 0's flare, seen from (150, 0, 0), over a cube
    // that hides nothing of it.
    glm::dvec2 c;
    ASSERT_TRUE(View({150, 0, 0}, {0, 0, 0}, 60).pixel({0, 0, 100}, &c));
    EXPECT_GT(p[5].sum(int(c.x), int(c.y)), 100);
}
