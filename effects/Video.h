// The video layer: frames of flat-shaded 2D triangles from the clips of the
// asset table, added to the bound target (sceneTarget) in a track colour.
//
// Each of "video:numframes" layers draws one frame, consecutive frames from
// the position "video:pos" (a fraction of the clip), first as filled
// triangles and then as smoothed outlines at half intensity. Coordinates are
// normalised device coordinates straight from the clip's bytes; nothing is
// decoded or allocated. A clip index below 0, a clip without frames or a
// frame whose records lie outside its file is skipped: nothing outside a
// file is ever read.
#pragma once

#include <cstdint>

void drawVideo(double row);

// The frame that layer `layer` shows at play position `pos` of a clip of
// numFrames frames, wrapped around the clip's end; false when there is none
// (no frames, or a position too far out to count frames from).
bool videoFrameNumber(uint32_t numFrames, int32_t layer, float pos, uint32_t* frame);

// "video:num" floored to the clip slot; below 0 when no slot applies.
int32_t videoClipIndex(int32_t flooredNum);
