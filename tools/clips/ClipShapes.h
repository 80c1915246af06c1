// ClipShapes: the drawing vocabulary of the rave clips, on top of ClipBuilder.
//
// Shapes are given in screen units: y from -1 (bottom) to +1 (top) and x from
// -kScreenHalfWidth to +kScreenHalfWidth, so that a circle drawn here stays
// round on the 16:9 picture the clips are shown in; the conversion to the
// square device coordinates of the file happens in `tri`. Angles are radians.
// Intensities are 0..1 and are clamped by the builder; a triangle entirely
// off screen is kept (its slot stays) but drawn black. Every shape adds a
// fixed number of triangles whatever its size, so a clip's frames keep the
// same triangle slots from frame to frame.
#pragma once

#include "ClipBuilder.h"

const float kScreenHalfWidth = 16.0f / 9.0f;
const float kPi = 3.14159265358979f;
const float kTwoPi = 2.0f * kPi;

struct Vec2 {
    float x, y;
};

inline Vec2 operator+(Vec2 a, Vec2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vec2 operator-(Vec2 a, Vec2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vec2 operator*(Vec2 a, float s) {
    return {a.x * s, a.y * s};
}

// The unit vector at `angle` measured from straight down, counter-clockwise:
// 0 points down, kPi / 2 right, kPi up. Limbs hang at 0.
Vec2 limbDirection(float angle);
// The unit vector at `angle` from the +x axis, counter-clockwise.
Vec2 polar(float angle);
Vec2 rotate(Vec2 v, float angle);
// How far a ray from `from` along the unit vector `direction` runs before it
// leaves the screen (0 when `from` is already outside).
float distanceToScreenEdge(Vec2 from, Vec2 direction);

void tri(ClipFrame& frame, Vec2 a, Vec2 b, Vec2 c, float intensity);
// Two triangles, a-b-c and a-c-d.
void quad(ClipFrame& frame, Vec2 a, Vec2 b, Vec2 c, Vec2 d, float intensity);
// A bar from `from` to `to`, `width` wide at `from` and `endWidth` at `to`.
void limb(ClipFrame& frame, Vec2 from, Vec2 to, float width, float endWidth, float intensity);
// A fan of `segments` triangles around the centre, starting at `rotation`.
void disc(ClipFrame& frame, Vec2 centre, float radius, int segments, float rotation,
          float intensity);
// A band of `segments` quads between the two radii; every other quad is drawn
// at `intensity` times `alternate`, which shows the ring turning.
void ring(ClipFrame& frame, Vec2 centre, float inner, float outer, int segments, float rotation,
          float intensity, float alternate);

// A dancing figure. Limb angles are limbDirection angles, index 0 the
// figure's right side as seen (screen left), index 1 the other.
struct FigurePose {
    Vec2 hip;   // pelvis, screen units
    float size; // about the height from the hip to the top of the head
    float lean; // torso tilt, positive to screen right
    float nod;  // head tilt relative to the torso
    float upperArm[2];
    float forearm[2];
    float thigh[2];
    float shin[2];
};

// Adds kFigureTriangles triangles: torso, head, arms with hands, legs with feet.
void figure(ClipFrame& frame, const FigurePose& pose, float intensity);
const int kFigureTriangles = 42;

// A pseudo-random value in [0, 1) for an integer: per-person
// variety in crowds that is the same on every build and platform.
float hash01(uint32_t n);
