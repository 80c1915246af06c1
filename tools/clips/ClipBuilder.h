// ClipBuilder: frames of flat-shaded 2D triangles, quantised into clip file bytes.
//
// A clip file is little-endian with no padding: the frame count, a second word
// (written 0; the player keeps it but never reads it), one 8-byte entry per
// frame (byte offset of its first record in the triangle area, record count),
// then the triangle area of 7-byte records: intensity, x1, y1, x2, y2, x3, y3.
// Frames are stored back to back in frame order.
//
// Coordinates enter in normalised device coordinates (-1 left/bottom, +1
// right/top) and become the byte b nearest to (v + 1) / 2 * 255, so that the
// player's b / 255 * 2 - 1 gives v back within half a step (1/255). Intensity
// enters as 0..1 and becomes 0..255. Values outside their range are clamped:
// a corner off screen lands on the screen's edge. Nothing here allocates more
// than the frames it is given; no file is touched.
#pragma once

#include <cstdint>
#include <vector>

const uint32_t kClipHeaderSize = 8;
const uint32_t kClipFrameEntrySize = 8;
const uint32_t kClipRecordSize = 7;
const uint32_t kMaxClipTriangles = 2000;
const uint32_t kMinClipFrames = 64;
const uint32_t kMaxClipFrames = 256;

struct ClipTriangle {
    uint8_t intensity;
    uint8_t x1, y1, x2, y2, x3, y3;
};

struct ClipFrame {
    std::vector<ClipTriangle> triangles;
};

struct Clip {
    std::vector<ClipFrame> frames;
};

uint8_t quantiseCoordinate(float ndc);
uint8_t quantiseIntensity(float intensity);

void addTriangle(ClipFrame& frame, float x1, float y1, float x2, float y2, float x3, float y3,
                 float intensity);

// The first rule the clip breaks (frame count outside kMinClipFrames to
// kMaxClipFrames, an empty frame, a frame over kMaxClipTriangles), or nullptr
// when it is fit to ship.
const char* clipFault(const Clip& clip);

std::vector<uint8_t> serialiseClip(const Clip& clip);
