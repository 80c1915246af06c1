#include "StudioOverride.h"

const char* const kFrameLayerNames[LAYER_COUNT] = {
    "symbol", "equaliser", "lasers", "video", "circles", "strobe", "glow",
};

void setStudioCamera(const CameraPose* pose) {
    studioOverride.hasCamera = pose != nullptr;
    if (pose) studioOverride.camera = *pose;
}

void setStudioLayers(const LayerFlags& flags) {
    studioOverride.layers = flags;
}
