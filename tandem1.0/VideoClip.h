// VideoClip: a "video" of flat-shaded 2D triangles, read in place from a file.
//
// File, little-endian: u32 frame count N, u32 unused, N frame entries
// (u32 first byte offset into the triangle area, u32 triangle count), then the
// triangle area of 7-byte records (intensity, x1, y1, x2, y2, x3, y3). A
// coordinate byte b is b/255*2-1 in normalised device coordinates, y up.
// The clip keeps its file's bytes and points into them; it lives until exit.
// A clip without frames, or a frame whose records lie outside the file, is
// never read: frame() reports it empty.
#pragma once

#include "DataFile.h"

#include <cstdint>

const uint32_t kClipHeaderBytes = 8;
const uint32_t kClipFrameEntryBytes = 8;
const uint32_t kClipTriangleBytes = 7;

struct ClipFrame {
    const unsigned char* records; // count records of kClipTriangleBytes, or null
    uint32_t count;
};

struct VideoClip {
    DataFile* file;
    uint32_t numFrames;
    uint32_t headerWord;
    const unsigned char* frameTable;
    const unsigned char* triangles;
    uint64_t triangleBytes; // size of the triangle area

    explicit VideoClip(const char* fileName);
    // Reads a clip from bytes that outlive it (tests build clips in memory).
    VideoClip(const unsigned char* bytes, uint32_t size);

    // The records of frame number f (wrapping over numFrames); count 0 and no
    // records for an empty or malformed frame, or a clip without frames.
    ClipFrame frame(uint32_t f) const;

    void readHeader(const unsigned char* bytes, uint32_t size);
};

// A coordinate byte in normalised device coordinates.
inline float clipCoordinate(unsigned char b) {
    return b / 255.0f * 2.0f - 1.0f;
}
