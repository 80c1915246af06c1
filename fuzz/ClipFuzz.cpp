// Clips: any bytes read as a clip, then every frame the video layer could ask
// for (direct numbers, wrapped numbers, and play positions through the
// layer's own frame arithmetic) looked up, with every record byte read.
#include "effects/Video.h"
#include "fuzz/FuzzSupport.h"
#include "tandem1.0/VideoClip.h"

#include <cmath>
#include <limits>

namespace {

const uint32_t kFramesWalked = 256;
const int32_t kLayers = 4;

void readFrame(const VideoClip& clip, uint32_t f) {
    const ClipFrame frame = clip.frame(f);
    if (!frame.records) {
        if (frame.count != 0) __builtin_trap(); // a count without records to draw
        return;
    }
    consume(frame.records, size_t(frame.count) * kClipTriangleBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return 0;
    const VideoClip clip(data, uint32_t(size));
    for (uint32_t f = 0; f < clip.numFrames && f < kFramesWalked; ++f)
        readFrame(clip, f);
    readFrame(clip, clip.numFrames);
    readFrame(clip, UINT32_MAX);

    const float positions[] = {0.0f,         0.25f,   0.99f,
                               1.0f,         -0.015f, -1e9f,
                               3e9f,         1e30f,   std::numeric_limits<float>::infinity(),
                               std::nanf("")};
    for (float pos : positions) {
        for (int32_t layer = 0; layer < kLayers; ++layer) {
            uint32_t f = 0;
            if (!videoFrameNumber(clip.numFrames, layer, pos, &f)) continue;
            if (f >= clip.numFrames) __builtin_trap(); // the layer indexes the table with it
            readFrame(clip, f);
        }
    }
    return 0;
}
