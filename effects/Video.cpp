#include "Video.h"

#include "TrackFloor.h"
#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"
#include "tandem1.0/VideoClip.h"
#include "sync/show.h"

#include <algorithm>
#include <cstring>

namespace {

// Outlines grow with the window: 1 pixel up to this many pixels wide.
const float kPixelsPerLineWidth = 640.0f;
const long double kIntensityRange = 255.0L;
const long double kFillIntensity = 1.0L;
const long double kOutlineIntensity = 0.5L;
// The range of a signed 64-bit integer, as a double.
const double kInt64Limit = 9223372036854775808.0;

struct Tint {
    float r, g, b;
};

uint32_t recordCount(const VideoClip& clip, uint32_t frame) {
    uint32_t count;
    memcpy(&count, clip.frameTable + uint64_t(frame) * kClipFrameEntryBytes + 4, sizeof count);
    return count;
}

void drawTriangles(const unsigned char* records, uint32_t count, Tint tint, long double scale) {
    glBegin(GL_TRIANGLES);
    for (uint32_t k = 0; k < count; ++k) {
        const unsigned char* t = records + uint64_t(k) * kClipTriangleBytes;
        const long double level = t[0] / kIntensityRange * scale;
        glColor3f(float(level * tint.r), float(level * tint.g), float(level * tint.b));
        glVertex2f(clipCoordinate(t[1]), clipCoordinate(t[2]));
        glVertex2f(clipCoordinate(t[3]), clipCoordinate(t[4]));
        glVertex2f(clipCoordinate(t[5]), clipCoordinate(t[6]));
    }
    glEnd();
}

} // namespace

bool videoFrameNumber(uint32_t numFrames, int32_t layer, float pos, uint32_t* frame) {
    if (numFrames == 0) return false;
    const double frames = numFrames;
    const double x = frames * (layer / frames + double(pos));
    if (!(x > -kInt64Limit && x < kInt64Limit)) return false;
    // Low 32 bits of the truncated position, read as unsigned: a position
    // just before the start wraps to the clip's last frames.
    *frame = uint32_t(int64_t(x)) % numFrames;
    return true;
}

int32_t videoClipIndex(int32_t flooredNum) {
    return flooredNum % kVideoClipCount;
}

void drawVideo(double row) {
    App& app = App::instance();
    SoundSync& sync = *app.soundSync;
    const int32_t layers = trackFloor(sync.getValue(kTrackVideoNumframes, row));
    App::setBlend(BLEND_ADD);
    App::setDepth(DEPTH_OFF);
    App::setCull(CULL_OFF);
    Tint tint;
    tint.r = sync.getValue(kTrackVideoR, row);
    tint.g = sync.getValue(kTrackVideoG, row);
    tint.b = sync.getValue(kTrackVideoB, row);
    const int32_t clipIndex = videoClipIndex(trackFloor(sync.getValue(kTrackVideoNum, row)));
    const float pos = sync.getValue(kTrackVideoPos, row);
    if (layers < 1 || clipIndex < 0) return;

    const VideoClip& clip = *assets.videoClips[clipIndex];
    const float lineWidth = std::max(1.0f, float(app.width) / kPixelsPerLineWidth);
    for (int32_t layer = 0; layer < layers; ++layer) {
        uint32_t f;
        if (!videoFrameNumber(clip.numFrames, layer, pos, &f)) continue;
        const ClipFrame frame = clip.frame(f);
        // A frame without records is drawn as empty batches; one whose
        // records lie outside the file is not drawn at all.
        if (!frame.records && recordCount(clip, f) != 0) continue;

        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        drawTriangles(frame.records, frame.count, tint, kFillIntensity);

        App::setBlend(BLEND_ADD_ALPHA);
        glLineWidth(lineWidth);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_LINE_SMOOTH);
        drawTriangles(frame.records, frame.count, tint, kOutlineIntensity);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
}
