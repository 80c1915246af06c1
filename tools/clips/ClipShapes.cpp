#include "ClipShapes.h"

#include <cmath>
#include <limits>

namespace {

const float kNdcPerScreenX = 1.0f / kScreenHalfWidth;

// Proportions of a figure as fractions of FigurePose::size.
const float kTorso = 0.36f;
const float kNeck = 0.05f;
const float kHeadRadius = 0.085f;
const float kShoulderHalf = 0.1f;
const float kHipHalf = 0.055f;
const float kUpperArm = 0.18f;
const float kForearm = 0.17f;
const float kArmWidth = 0.055f;
const float kHandRadius = 0.035f;
const float kThigh = 0.24f;
const float kShin = 0.24f;
const float kLegWidth = 0.075f;
const float kFoot = 0.08f;
const int kHeadSegments = 12;
const int kHandSegments = 5;

} // namespace

Vec2 limbDirection(float angle) {
    return {std::sin(angle), -std::cos(angle)};
}

Vec2 polar(float angle) {
    return {std::cos(angle), std::sin(angle)};
}

Vec2 rotate(Vec2 v, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return {v.x * c - v.y * s, v.x * s + v.y * c};
}

float distanceToScreenEdge(Vec2 from, Vec2 direction) {
    const float inf = std::numeric_limits<float>::infinity();
    float tx = inf, ty = inf;
    if (direction.x > 0.0f) tx = (kScreenHalfWidth - from.x) / direction.x;
    if (direction.x < 0.0f) tx = (-kScreenHalfWidth - from.x) / direction.x;
    if (direction.y > 0.0f) ty = (1.0f - from.y) / direction.y;
    if (direction.y < 0.0f) ty = (-1.0f - from.y) / direction.y;
    const float t = std::fmin(tx, ty);
    return t > 0.0f && t < inf ? t : 0.0f;
}

void tri(ClipFrame& frame, Vec2 a, Vec2 b, Vec2 c, float intensity) {
    // The builder clamps corners onto the screen's edge; a triangle wholly
    // beyond one edge would become a bright sliver along it, so it goes dark.
    const float w = kScreenHalfWidth;
    if ((a.x > w && b.x > w && c.x > w) || (a.x < -w && b.x < -w && c.x < -w) ||
        (a.y > 1.0f && b.y > 1.0f && c.y > 1.0f) || (a.y < -1.0f && b.y < -1.0f && c.y < -1.0f))
        intensity = 0.0f;
    addTriangle(frame, a.x * kNdcPerScreenX, a.y, b.x * kNdcPerScreenX, b.y, c.x * kNdcPerScreenX,
                c.y, intensity);
}

void quad(ClipFrame& frame, Vec2 a, Vec2 b, Vec2 c, Vec2 d, float intensity) {
    tri(frame, a, b, c, intensity);
    tri(frame, a, c, d, intensity);
}

void limb(ClipFrame& frame, Vec2 from, Vec2 to, float width, float endWidth, float intensity) {
    const Vec2 along = to - from;
    const float length = std::sqrt(along.x * along.x + along.y * along.y);
    const Vec2 side = length > 0.0f ? Vec2{-along.y / length, along.x / length} : Vec2{1, 0};
    const Vec2 s0 = side * (width * 0.5f), s1 = side * (endWidth * 0.5f);
    quad(frame, from - s0, from + s0, to + s1, to - s1, intensity);
}

void disc(ClipFrame& frame, Vec2 centre, float radius, int segments, float rotation,
          float intensity) {
    for (int i = 0; i < segments; ++i) {
        const float a0 = rotation + kTwoPi * float(i) / float(segments);
        const float a1 = rotation + kTwoPi * float(i + 1) / float(segments);
        tri(frame, centre, centre + polar(a0) * radius, centre + polar(a1) * radius, intensity);
    }
}

void ring(ClipFrame& frame, Vec2 centre, float inner, float outer, int segments, float rotation,
          float intensity, float alternate) {
    for (int i = 0; i < segments; ++i) {
        const float a0 = rotation + kTwoPi * float(i) / float(segments);
        const float a1 = rotation + kTwoPi * float(i + 1) / float(segments);
        const Vec2 d0 = polar(a0), d1 = polar(a1);
        quad(frame, centre + d0 * inner, centre + d0 * outer, centre + d1 * outer,
             centre + d1 * inner, i % 2 ? intensity * alternate : intensity);
    }
}

void figure(ClipFrame& frame, const FigurePose& pose, float intensity) {
    const float s = pose.size;
    const Vec2 up = {std::sin(pose.lean), std::cos(pose.lean)};
    const Vec2 across = {up.y, -up.x};
    const Vec2 hip = pose.hip;
    const Vec2 neck = hip + up * (kTorso * s);
    const Vec2 shoulders[2] = {neck - across * (kShoulderHalf * s),
                               neck + across * (kShoulderHalf * s)};
    const Vec2 hips[2] = {hip - across * (kHipHalf * s), hip + across * (kHipHalf * s)};

    // Torso: broad shoulders narrowing to the hips.
    quad(frame, hips[0], hips[1], shoulders[1], shoulders[0], intensity * 0.8f);
    const Vec2 headUp = rotate(up, -pose.nod);
    disc(frame, neck + headUp * ((kNeck + kHeadRadius) * s), kHeadRadius * s, kHeadSegments,
         pose.nod, intensity);

    for (int side = 0; side < 2; ++side) {
        const Vec2 elbow = shoulders[side] + limbDirection(pose.upperArm[side]) * (kUpperArm * s);
        const Vec2 hand = elbow + limbDirection(pose.forearm[side]) * (kForearm * s);
        limb(frame, shoulders[side], elbow, kArmWidth * s, kArmWidth * 0.85f * s, intensity * 0.7f);
        limb(frame, elbow, hand, kArmWidth * 0.85f * s, kArmWidth * 0.7f * s, intensity * 0.6f);
        disc(frame, hand, kHandRadius * s, kHandSegments, 0.0f, intensity);

        const Vec2 knee = hips[side] + limbDirection(pose.thigh[side]) * (kThigh * s);
        const Vec2 ankle = knee + limbDirection(pose.shin[side]) * (kShin * s);
        limb(frame, hips[side], knee, kLegWidth * s, kLegWidth * 0.8f * s, intensity * 0.65f);
        limb(frame, knee, ankle, kLegWidth * 0.8f * s, kLegWidth * 0.6f * s, intensity * 0.55f);
        const float toe = side == 0 ? -1.0f : 1.0f;
        tri(frame, ankle + Vec2{-toe * 0.02f * s, 0.03f * s}, ankle + Vec2{toe * kFoot * s, 0},
            ankle + Vec2{-toe * 0.02f * s, -0.01f * s}, intensity * 0.5f);
    }
}

float hash01(uint32_t n) {
    n = (n ^ 61u) ^ (n >> 16);
    n *= 9u;
    n ^= n >> 4;
    n *= 0x27d4eb2du;
    n ^= n >> 15;
    return float(n & 0xFFFFFFu) / float(0x1000000);
}
