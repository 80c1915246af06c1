// Writes a small, complete data directory for the end-to-end tests: 35 models,
// 16 clips, the two images and all 45 track files. The soundtrack and the
// shader files are added by the build. Everything is tiny so the program
// starts fast on a software renderer.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "tracks/TrackSource.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TrackValue {
    const char* name;
    float value;
};

// Values that show something; every other track holds 0.
const TrackValue kTrackValues[] = {
    {"Camera:dist", 4.0f},
    {"Camera:fov", 60.0f},
    {"symbol:scale", 1.0f},
    {"symbol:blend", 1.0f},
    {"glow:glowbr", 0.5f},
    {"glow:origbr", 1.0f},
    {"eq:br", 1.0f},
    {"eq:blend", 1.0f},
    {"video:numframes", 1.0f},
    {"video:r", 1.0f},
    {"video:g", 0.5f},
    {"video:b", 0.2f},
    {"laser1:numlasers", 4.0f},
    {"laser1:col_r", 1.0f},
    {"laser1:diam", 0.5f},
};

bool writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    unsigned char b[4];
    memcpy(b, &v, 4);
    out.insert(out.end(), b, b + 4);
}

bool writeTrack(const std::string& dir, const char* name, float value) {
    std::vector<unsigned char> bytes;
    put32(bytes, 2);
    put32(bytes, 0);
    const int32_t rows[2] = {0, 100};
    for (int32_t row : rows) {
        put32(bytes, uint32_t(row));
        uint32_t bits;
        memcpy(&bits, &value, 4);
        put32(bytes, bits);
        bytes.push_back(1); // linear
    }
    return writeFile(dir + "sync_" + name + ".track", bytes.data(), bytes.size());
}

// A unit cube; the face pattern cycles with n so all four are loaded.
bool writeModel(const std::string& dir, int n) {
    static const float corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                        {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    static const int quads[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5},
                                    {2, 3, 7, 6}, {3, 4, 8, 7}, {4, 1, 5, 8}};
    const bool texcoords = n % 2 == 0;
    const bool normals = n % 4 >= 2;
    std::string obj = "o cube" + std::to_string(n) + "\n";
    char line[128];
    for (const auto& c : corners) {
        snprintf(line, sizeof line, "v %g %g %g\n", c[0] * 0.5f, c[1] * 0.5f, c[2] * 0.5f);
        obj += line;
    }
    if (texcoords) obj += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
    if (normals)
        for (const auto& c : corners) {
            snprintf(line, sizeof line, "vn %g %g %g\n", c[0] * 0.577f, c[1] * 0.577f,
                     c[2] * 0.577f);
            obj += line;
        }
    for (const auto& q : quads) {
        const int tri[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& t : tri) {
            obj += "f";
            for (int k : t) {
                const int v = q[k];
                const int vt = k + 1;
                if (texcoords && normals)
                    snprintf(line, sizeof line, " %d/%d/%d", v, vt, v);
                else if (texcoords)
                    snprintf(line, sizeof line, " %d/%d", v, vt);
                else if (normals)
                    snprintf(line, sizeof line, " %d//%d", v, v);
                else
                    snprintf(line, sizeof line, " %d", v);
                obj += line;
            }
            obj += "\n";
        }
    }
    return writeFile(dir + "symbol" + std::to_string(n) + ".obj", obj.data(), obj.size());
}

// Frames of one triangle that moves across the screen.
bool writeClip(const std::string& dir, int n) {
    const uint32_t frames = 4;
    std::vector<unsigned char> bytes;
    put32(bytes, frames);
    put32(bytes, 0);
    for (uint32_t f = 0; f < frames; ++f) {
        put32(bytes, f * 7);
        put32(bytes, 1);
    }
    for (uint32_t f = 0; f < frames; ++f) {
        const unsigned char x = uint8_t(f * 60 + n);
        const unsigned char record[7] = {255, x, 0, uint8_t(x + 60), 0, x, 200};
        bytes.insert(bytes.end(), record, record + 7);
    }
    return writeFile(dir + "rave" + std::to_string(n) + ".dat", bytes.data(), bytes.size());
}

bool writeImages(const std::string& dir) {
    const int size = 33; // odd on purpose: rows that are not a multiple of 4 bytes
    std::vector<unsigned char> rgb(size * size * 3), rgba(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            unsigned char* p = &rgb[(y * size + x) * 3];
            p[0] = uint8_t(x * 7);
            p[1] = uint8_t(y * 7);
            p[2] = 128;
            unsigned char* q = &rgba[(y * size + x) * 4];
            const int dx = x - size / 2, dy = y - size / 2;
            const int v = 255 - (dx * dx + dy * dy);
            q[0] = q[1] = q[2] = uint8_t(v < 0 ? 0 : v);
            q[3] = 255;
        }
    return stbi_write_png((dir + "envi.png").c_str(), size, size, 3, rgb.data(), size * 3) &&
           stbi_write_png((dir + "flare.png").c_str(), size, size, 4, rgba.data(), size * 4);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s DATA_DIR/\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = writeImages(dir);
    for (int n = 1; n <= 35; ++n)
        ok = ok && writeModel(dir, n);
    for (int n = 1; n <= 16; ++n)
        ok = ok && writeClip(dir, n);
    for (const char* name : kTrackNames) {
        float value = 0.0f;
        for (const TrackValue& t : kTrackValues)
            if (strcmp(t.name, name) == 0) value = t.value;
        ok = ok && writeTrack(dir, name, value);
    }
    if (!ok) {
        fprintf(stderr, "fixture: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
