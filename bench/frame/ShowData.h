// ShowData: writes small, complete data directories for programs built
// against them (the frame tests and the frame benchmark).
//
// A directory gets the two images, 35 cube models, 16 clips of one moving
// triangle, the show's shader files, a soundtrack and all 45 track files,
// every track holding 0 unless a scenario writes it again. The track, clip
// and model formats are the program's own; nothing here needs a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TrackKey {
    int32_t row;
    float value;
    int8_t interpolation; // 0 hold, 1 linear, 2 smoothstep, 3 quadratic
};

struct ClipTriangle {
    uint8_t intensity;
    uint8_t x1, y1, x2, y2, x3, y3;
};
// One list of triangles per frame.
using ClipFrames = std::vector<std::vector<ClipTriangle>>;

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool writeTrack(const std::string& dir, const char* name, const std::vector<TrackKey>& keys);
bool writeConstantTrack(const std::string& dir, const char* name, float value);

// The file bytes of a clip whose frames hold the given triangles.
std::vector<unsigned char> clipBytes(const ClipFrames& frames);
// clip is 1 to 16, as in the file name.
bool writeClip(const std::string& dir, int clip, const ClipFrames& frames);

// Everything a program needs to start; shaderDir holds the show's .glsl
// files, soundtrack is an MP3 copied in under the show's name. dir ends in '/'.
bool writeShowData(const std::string& dir, const std::string& shaderDir,
                   const std::string& soundtrack);

// Tracks that switch every effect on, one mode per block of 100 rows:
// ring equaliser, tunnel equaliser, lasers in stripes without a model, and
// everything at once. kCoverageRows holds one row inside each block.
bool writeCoverageTracks(const std::string& dir);
struct CoverageRow {
    double row;
    const char* what;
};
extern const CoverageRow kCoverageRows[];
extern const int kCoverageRowCount;
