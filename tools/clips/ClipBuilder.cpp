#include "ClipBuilder.h"

#include <cmath>

namespace {

const float kByteMax = 255.0f;

uint8_t toByte(float unit) {
    if (!(unit > 0.0f)) return 0; // NaN lands here too, rather than in undefined conversion
    if (unit >= 1.0f) return 255;
    return uint8_t(std::lround(unit * kByteMax));
}

void putWord(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(uint8_t(value >> shift));
}

} // namespace

uint8_t quantiseCoordinate(float ndc) {
    return toByte((ndc + 1.0f) * 0.5f);
}

uint8_t quantiseIntensity(float intensity) {
    return toByte(intensity);
}

void addTriangle(ClipFrame& frame, float x1, float y1, float x2, float y2, float x3, float y3,
                 float intensity) {
    frame.triangles.push_back({quantiseIntensity(intensity), quantiseCoordinate(x1),
                               quantiseCoordinate(y1), quantiseCoordinate(x2),
                               quantiseCoordinate(y2), quantiseCoordinate(x3),
                               quantiseCoordinate(y3)});
}

const char* clipFault(const Clip& clip) {
    if (clip.frames.size() < kMinClipFrames) return "fewer frames than a clip needs";
    if (clip.frames.size() > kMaxClipFrames) return "more frames than a clip may hold";
    for (const ClipFrame& frame : clip.frames) {
        if (frame.triangles.empty()) return "an empty frame";
        if (frame.triangles.size() > kMaxClipTriangles) return "a frame over the triangle limit";
    }
    return nullptr;
}

std::vector<uint8_t> serialiseClip(const Clip& clip) {
    size_t recordCount = 0;
    for (const ClipFrame& frame : clip.frames)
        recordCount += frame.triangles.size();
    const uint32_t frameCount = uint32_t(clip.frames.size());

    std::vector<uint8_t> bytes;
    bytes.reserve(kClipHeaderSize + kClipFrameEntrySize * frameCount +
                  kClipRecordSize * recordCount);
    putWord(bytes, frameCount);
    putWord(bytes, 0);
    uint32_t first = 0;
    for (const ClipFrame& frame : clip.frames) {
        const uint32_t count = uint32_t(frame.triangles.size());
        putWord(bytes, first);
        putWord(bytes, count);
        first += count * kClipRecordSize;
    }
    for (const ClipFrame& frame : clip.frames) {
        for (const ClipTriangle& t : frame.triangles) {
            const uint8_t record[kClipRecordSize] = {t.intensity, t.x1, t.y1, t.x2,
                                                     t.y2,        t.x3, t.y3};
            bytes.insert(bytes.end(), record, record + kClipRecordSize);
        }
    }
    return bytes;
}
