#include "ShowData.h"

#include "tracks/TrackSource.h"
#include "sync/show.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

const int kModelCount = 35;
const int kClipCount = 16;
const int kClipHeaderWords = 2;
const int kImageSize = 32;
const char* const kShaderNames[] = {"envi",    "circles", "downsample", "blur",
                                    "outline", "laser",   "depth",      "combine"};

void put32(std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

bool copyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    return writeBytes(to, bytes);
}

// A cube of edge 1 around the origin, with normals, as twelve triangles.
bool writeModel(const std::string& dir, int n) {
    static const int corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                      {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    static const int quads[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                                    {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    std::string obj = "o cube\n";
    char line[128];
    for (const auto& c : corners) {
        snprintf(line, sizeof line, "v %g %g %g\n", c[0] * 0.5, c[1] * 0.5, c[2] * 0.5);
        obj += line;
    }
    for (const auto& c : corners) {
        snprintf(line, sizeof line, "vn %g %g %g\n", c[0] * 0.577, c[1] * 0.577, c[2] * 0.577);
        obj += line;
    }
    for (const auto& q : quads) {
        snprintf(line, sizeof line, "f %d//%d %d//%d %d//%d\nf %d//%d %d//%d %d//%d\n", q[0], q[0],
                 q[1], q[1], q[2], q[2], q[0], q[0], q[2], q[2], q[3], q[3]);
        obj += line;
    }
    return writeBytes(dir + "symbol" + std::to_string(n) + ".obj",
                      std::vector<unsigned char>(obj.begin(), obj.end()));
}

bool writeImages(const std::string& dir) {
    std::vector<unsigned char> envi(kImageSize * kImageSize * 3),
        flare(kImageSize * kImageSize * 4);
    for (int y = 0; y < kImageSize; ++y)
        for (int x = 0; x < kImageSize; ++x) {
            unsigned char* e = &envi[(y * kImageSize + x) * 3];
            e[0] = uint8_t(x * 8);
            e[1] = uint8_t(y * 8);
            e[2] = 200;
            const int dx = 2 * x - kImageSize + 1, dy = 2 * y - kImageSize + 1;
            const int v = 255 - (dx * dx + dy * dy) / 4;
            unsigned char* f = &flare[(y * kImageSize + x) * 4];
            f[0] = f[1] = f[2] = uint8_t(v < 0 ? 0 : v);
            f[3] = 255;
        }
    return stbi_write_png((dir + "envi.png").c_str(), kImageSize, kImageSize, 3, envi.data(),
                          kImageSize * 3) &&
           stbi_write_png((dir + "flare.png").c_str(), kImageSize, kImageSize, 4, flare.data(),
                          kImageSize * 4);
}

// Four frames of one triangle that walks to the right.
ClipFrames walkingTriangle(int clip) {
    ClipFrames frames;
    for (int f = 0; f < 4; ++f) {
        const uint8_t x = uint8_t(20 + 50 * f + clip);
        frames.push_back({{255, x, 40, uint8_t(x + 50), 40, x, 200}});
    }
    return frames;
}

} // namespace

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written;
}

bool writeTrack(const std::string& dir, const char* name, const std::vector<TrackKey>& keys) {
    std::vector<unsigned char> bytes;
    put32(bytes, uint32_t(keys.size()));
    put32(bytes, 0);
    for (const TrackKey& key : keys) {
        put32(bytes, uint32_t(key.row));
        uint32_t bits;
        memcpy(&bits, &key.value, sizeof bits);
        put32(bytes, bits);
        bytes.push_back(uint8_t(key.interpolation));
    }
    return writeBytes(dir + "sync_" + name + ".track", bytes);
}

bool writeConstantTrack(const std::string& dir, const char* name, float value) {
    return writeTrack(dir, name, {{0, value, 0}});
}

std::vector<unsigned char> clipBytes(const ClipFrames& frames) {
    std::vector<unsigned char> bytes;
    put32(bytes, uint32_t(frames.size()));
    put32(bytes, 0);
    uint32_t offset = 0;
    for (const auto& frame : frames) {
        put32(bytes, offset);
        put32(bytes, uint32_t(frame.size()));
        offset += uint32_t(frame.size() * sizeof(ClipTriangle));
    }
    static_assert(sizeof(ClipTriangle) == 7, "a clip record is 7 bytes");
    for (const auto& frame : frames)
        for (const ClipTriangle& t : frame) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(&t);
            bytes.insert(bytes.end(), p, p + sizeof t);
        }
    return bytes;
}

bool writeClip(const std::string& dir, int clip, const ClipFrames& frames) {
    return writeBytes(dir + "rave" + std::to_string(clip) + ".dat", clipBytes(frames));
}

bool writeShowData(const std::string& dir, const std::string& shaderDir,
                   const std::string& soundtrack) {
    bool ok = writeImages(dir) && copyFile(soundtrack, dir + "Meridian_Demo_Edit.mp3");
    for (const char* name : kShaderNames)
        ok = ok && copyFile(shaderDir + "/" + name + ".glsl", dir + name + ".glsl");
    for (int n = 1; n <= kModelCount; ++n)
        ok = ok && writeModel(dir, n);
    for (int n = 1; n <= kClipCount; ++n)
        ok = ok && writeClip(dir, n, walkingTriangle(n));
    for (const char* name : kTrackNames)
        ok = ok && writeConstantTrack(dir, name, 0.0f);
    return ok;
}

const CoverageRow kCoverageRows[] = {
    {50.0, "ring equaliser, symbol, solid laser fans, video, circles"},
    {150.0, "tunnel equaliser, symbol, striped lasers, video, circles"},
    {250.0, "no equaliser, no model, lasers in stripes of 16, 3 video layers"},
    {350.0, "everything on: tunnel, symbol, lasers, 3 video layers, circles, strobe"},
};
const int kCoverageRowCount = int(sizeof kCoverageRows / sizeof kCoverageRows[0]);

bool writeCoverageTracks(const std::string& dir) {
    // Values held over the blocks that start at rows 0, 100, 200 and 300.
    struct Blocks {
        const char* name;
        float values[4];
    };
    static const Blocks kBlocks[] = {
        {kTrackCameraDist, {4, 5, 4, 6}},
        {kTrackCameraFov, {60, 60, 70, 60}},
        {kTrackEqBr, {1, 0.8f, 0, 1}},
        {kTrackEqMode, {0, 1, 0, 1}},
        {kTrackEqBlend, {1, 3, 1, 1}},
        {kTrackSymbolNum, {2, 7.5f, -1, 12}},
        {kTrackSymbolScale, {1, 1.5f, 1, 1.2f}},
        {kTrackSymbolBlend, {1, 3, 1, 1}},
        {kTrackVideoNumframes, {2, 1, 3, 3}},
        {kTrackVideoR, {0.6f, 0.3f, 1, 0.5f}},
        {kTrackVideoG, {0.4f, 0.6f, 0.5f, 0.5f}},
        {kTrackVideoB, {1, 1, 0.2f, 1}},
        {kTrackVideoNum, {0, 3, 17, 8}},
        {kTrackLaser1Numlasers, {1, 2, 16, 1}},
        {kTrackLaser1ColR, {1, 0.2f, 0.1f, 1}},
        {kTrackLaser1ColG, {0.2f, 1, 0.3f, 0.4f}},
        {kTrackLaser1ColB, {0.2f, 0.3f, 1, 0.8f}},
        {kTrackLaser1PosY, {-20, -30, -10, -20}},
        {kTrackLaser1PosZ, {100, 80, 120, 100}},
        {kTrackLaser1Diam, {40, 60, 30, 50}},
        {kTrackCirclesR, {0.1f, 0.3f, 0.4f, 0.2f}},
        {kTrackCirclesG, {0.2f, 0.1f, 0.1f, 0.3f}},
        {kTrackCirclesB, {0.5f, 0.4f, 0.1f, 0.6f}},
        {kTrackCirclesBlend, {1, 6, 3, 1}},
        {kTrackStrobo, {0.1f, 0, 0.3f, 0.2f}},
        {kTrackGlowGlowbr, {0.8f, 1, 0.6f, 1}},
    };
    bool ok = true;
    for (const Blocks& b : kBlocks) {
        std::vector<TrackKey> keys;
        for (int block = 0; block < 4; ++block)
            keys.push_back({block * 100, b.values[block], 0});
        ok = ok && writeTrack(dir, b.name, keys);
    }
    // Moving parts: linear sweeps over the whole range.
    ok = ok && writeTrack(dir, kTrackVideoPos, {{0, 0, 1}, {400, 4, 1}});
    ok = ok && writeTrack(dir, kTrackCameraAngle, {{0, 0, 1}, {400, 2, 1}});
    ok = ok && writeTrack(dir, kTrackSymbolRotY, {{0, 0, 1}, {400, 720, 1}});
    ok = ok && writeTrack(dir, kTrackSymbolRotX, {{0, 20, 1}, {400, 380, 1}});
    ok = ok && writeTrack(dir, kTrackLaser1RotX, {{-100, -40, 2}, {500, 40, 2}});
    ok = ok && writeTrack(dir, kTrackLaser1RotY, {{-100, 30, 2}, {500, -30, 2}});
    ok = ok && writeTrack(dir, kTrackLaser1RotZ, {{-100, 0, 1}, {500, 6, 1}});
    return ok;
}
