// StudioOverride: what the studio changes in its own picture and nothing
// else's: a camera pose in place of the tracks' (its fly mode), and layers
// of the frame muted or soloed. The state is read by every frame (Camera,
// Frame); by default there is no pose and every layer is shown, which draws
// exactly the frame the show draws. Only the studio sets it: the setters
// live in their own object, which the show, the frame renderer and the
// video export never link. Main thread only.
#pragma once

#include "Camera.h"

enum FrameLayer {
    LAYER_SYMBOL,
    LAYER_EQUALISER,
    LAYER_LASERS,
    LAYER_VIDEO,
    LAYER_CIRCLES,
    LAYER_STROBE,
    LAYER_GLOW, // muted: the scene without the glow added
    LAYER_COUNT,
};

// Lower-case names, in FrameLayer's order.
extern const char* const kFrameLayerNames[LAYER_COUNT];

struct LayerFlags {
    bool muted[LAYER_COUNT];
    bool soloed[LAYER_COUNT];
};

// A layer is drawn when it is not muted and either nothing is soloed or it
// is: a muted layer stays off even when soloed.
bool layerShown(const LayerFlags& flags, FrameLayer layer);

struct StudioOverride {
    bool hasCamera;
    CameraPose camera;
    LayerFlags layers;
};

// Read by the frame; zero (no pose, nothing muted or soloed) unless the
// studio has set it.
extern StudioOverride studioOverride;

// The studio's own: null puts the tracks' camera back.
void setStudioCamera(const CameraPose* pose);
void setStudioLayers(const LayerFlags& flags);
