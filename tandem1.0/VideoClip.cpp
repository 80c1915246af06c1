#include "VideoClip.h"

#include <cstring>

namespace {

uint32_t readU32(const unsigned char* p) {
    uint32_t v;
    memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

VideoClip::VideoClip(const char* fileName) : file(new DataFile(fileName)) {
    readHeader(file->data, uint32_t(file->size));
}

VideoClip::VideoClip(const unsigned char* bytes, uint32_t size) : file(nullptr) {
    readHeader(bytes, size);
}

void VideoClip::readHeader(const unsigned char* bytes, uint32_t size) {
    numFrames = 0;
    headerWord = 0;
    frameTable = nullptr;
    triangles = nullptr;
    triangleBytes = 0;
    if (size < kClipHeaderBytes) return;
    const uint32_t frames = readU32(bytes);
    headerWord = readU32(bytes + 4);
    // A frame table that does not fit the file leaves the clip without frames.
    const uint64_t tableEnd = kClipHeaderBytes + uint64_t(frames) * kClipFrameEntryBytes;
    if (tableEnd > size) return;
    numFrames = frames;
    frameTable = bytes + kClipHeaderBytes;
    triangles = bytes + tableEnd;
    triangleBytes = size - tableEnd;
}

ClipFrame VideoClip::frame(uint32_t f) const {
    if (numFrames == 0) return {nullptr, 0};
    const unsigned char* entry = frameTable + uint64_t(f % numFrames) * kClipFrameEntryBytes;
    const uint32_t first = readU32(entry);
    const uint32_t count = readU32(entry + 4);
    const uint64_t end = uint64_t(first) + uint64_t(count) * kClipTriangleBytes;
    if (count == 0 || end > triangleBytes) return {nullptr, 0};
    return {triangles + first, count};
}
