// Post-processing building blocks shared by every layer of the frame.
#pragma once

#include <cstdint>

// Clears the bound framebuffer and puts matrices, blend, cull, depth,
// texturing, colour and program back to the base state.
void clearAndReset();

// One quad over the bound viewport with the given blend mode.
void drawFullscreenQuad(uint32_t blendMode);
