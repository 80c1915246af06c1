// ImageMaps: the show's two images, computed pixel by pixel.
//
// `makeEnvironmentMap` is the chrome look of the models: a sphere map (the
// picture of a mirror ball seen from the front, eye space, y up, +z towards
// the viewer) of a studio with a dark floor, a bright horizon line, a sky
// fading from the horizon upwards and four soft-box lights. Rows are stored
// in texture order, first row at t = 0: the bottom of the ball, which
// reflects the floor, comes first, as OpenGL reads an image uploaded without
// a flip. Texture coordinates follow the usual sphere-map rule: for the
// eye-space reflection vector r, m = 2·sqrt(rx² + ry² + (rz + 1)²),
// s = rx/m + 0.5, t = ry/m + 0.5. Outside the ball's disc every pixel holds
// the colour straight behind the ball, so filtering at the rim stays clean.
//
// `makeFlare` is the sprite drawn at each laser origin on a quad twice as wide
// as it is high: a round core and halo (round once stretched onto that quad)
// with a faint horizontal streak, fading to exactly black, alpha 0, well
// before every edge, so additive blending shows no square and the repeating
// texture never bleeds across its border.
//
// Pixels are 8-bit, interleaved, tightly packed; the results depend on
// nothing but these functions.
#pragma once

#include <cstdint>
#include <vector>

struct ImageMap {
    int width;
    int height;
    int channels;
    std::vector<uint8_t> pixels;
};

const int kEnvironmentMapSize = 512;
const int kFlareSize = 128;

ImageMap makeEnvironmentMap();
ImageMap makeFlare();
