#include "ImageMaps.h"

#include <algorithm>
#include <cmath>

namespace {

struct Vec3 {
    double x, y, z;
};

Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 normalise(Vec3 a) {
    return a * (1.0 / std::sqrt(dot(a, a)));
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

uint8_t toByte(double v) {
    return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

// A rectangular light seen from the ball: its centre direction, half its
// size in the tangent plane at that direction, and its brightness (above 1
// it saturates, which gives the hard white cores of chrome highlights).
struct SoftBox {
    Vec3 centre;
    double halfWidth, halfHeight, brightness;
};

// Chrome reads as metal only when every face mirrors something: besides the
// lights above, panels below the horizon light the faces turned down, which
// would otherwise mirror the dark floor and read as black plastic.
const double kSoftEdge = 0.06;
const SoftBox kSoftBoxes[] = {
    {{-0.55, 0.45, 0.7}, 0.32, 0.2, 1.8},   // key light, upper left in front
    {{0.85, 0.2, 0.35}, 0.07, 0.45, 1.5},   // tall strip on the right
    {{0.0, 1.0, 0.25}, 0.5, 0.18, 1.3},     // overhead bank
    {{0.35, 0.35, -0.9}, 0.18, 0.18, 1.1},  // rim light behind the model
    {{0.6, -0.35, 0.7}, 0.3, 0.12, 1.4},    // low panel, lower right in front
    {{-0.8, -0.25, 0.45}, 0.08, 0.3, 1.3},  // low strip on the left
    {{-0.3, -0.6, -0.75}, 0.25, 0.15, 1.0}, // bounce card below, behind
};

const Vec3 kFloorColour = {0.9, 0.85, 0.8};
const Vec3 kSkyColour = {0.8, 0.9, 1.0};
const Vec3 kLightColour = {1.0, 0.98, 0.95};

double softBox(const SoftBox& box, Vec3 r) {
    const Vec3 c = normalise(box.centre);
    const double facing = dot(r, c);
    if (facing <= 0.0) return 0.0;
    const Vec3 side = cross({0.0, 1.0, 0.0}, c);
    const Vec3 right = dot(side, side) > 1e-12 ? normalise(side) : Vec3{1.0, 0.0, 0.0};
    const Vec3 up = cross(c, right);
    const double a = std::fabs(dot(r, right) / facing), b = std::fabs(dot(r, up) / facing);
    return box.brightness *
           (1.0 - smoothstep(box.halfWidth - kSoftEdge, box.halfWidth + kSoftEdge, a)) *
           (1.0 - smoothstep(box.halfHeight - kSoftEdge, box.halfHeight + kSoftEdge, b));
}

// The studio's radiance in the direction r (unit length).
Vec3 studio(Vec3 r) {
    const double elevation = std::asin(std::clamp(r.y, -1.0, 1.0));
    Vec3 colour = elevation < 0.0 ? kFloorColour * (0.2 + 0.15 * std::exp(elevation * 5.0))
                                  : kSkyColour * (0.5 + 0.4 * std::exp(-elevation * 3.0));
    const double horizon = std::exp(-std::pow(elevation / 0.025, 2.0));
    double lights = 0.9 * horizon;
    for (const SoftBox& box : kSoftBoxes)
        lights += softBox(box, r);
    return colour + kLightColour * lights;
}

// The reflection of a view straight down -z off the ball at disc point (x, y).
Vec3 sphereMapDirection(double x, double y) {
    const double radius = std::sqrt(x * x + y * y);
    const double kRim = 0.999;
    if (radius > kRim) {
        x *= kRim / radius;
        y *= kRim / radius;
    }
    const double z = std::sqrt(std::max(0.0, 1.0 - x * x - y * y));
    return normalise({2.0 * z * x, 2.0 * z * y, 2.0 * z * z - 1.0});
}

} // namespace

ImageMap makeEnvironmentMap() {
    const int size = kEnvironmentMapSize;
    const int kSamples = 2; // per axis, against jagged soft-box edges
    ImageMap image{size, size, 3, std::vector<uint8_t>(size_t(size) * size * 3)};
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            Vec3 sum = {0.0, 0.0, 0.0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double s = (col + (sx + 0.5) / kSamples) / size;
                    const double t = (row + (sy + 0.5) / kSamples) / size;
                    Vec3 c = studio(sphereMapDirection(2.0 * s - 1.0, 2.0 * t - 1.0));
                    sum = sum + Vec3{std::min(c.x, 1.0), std::min(c.y, 1.0), std::min(c.z, 1.0)};
                }
            }
            sum = sum * (1.0 / (kSamples * kSamples));
            uint8_t* p = &image.pixels[(size_t(row) * size + col) * 3];
            p[0] = toByte(sum.x);
            p[1] = toByte(sum.y);
            p[2] = toByte(sum.z);
        }
    }
    return image;
}

ImageMap makeFlare() {
    const int size = kFlareSize;
    ImageMap image{size, size, 4, std::vector<uint8_t>(size_t(size) * size * 4)};
    const Vec3 core = {1.0, 1.0, 1.0}, halo = {1.0, 0.88, 0.7}, streak = {0.7, 0.8, 1.0};
    for (int row = 0; row < size; ++row) {
        for (int col = 0; col < size; ++col) {
            // -1..1 across the sprite; the quad it lands on is twice as wide
            // as high, so a horizontal step counts double towards roundness.
            const double x = 2.0 * (col + 0.5) / size - 1.0, y = 2.0 * (row + 0.5) / size - 1.0;
            const double d = std::sqrt(4.0 * x * x + y * y);
            const double window = (1.0 - smoothstep(0.75, 1.0, std::fabs(x))) *
                                  (1.0 - smoothstep(0.75, 1.0, std::fabs(y)));
            const Vec3 c = core * std::exp(-std::pow(d / 0.16, 2.0)) +
                           halo * (0.55 * std::exp(-std::pow(d / 0.42, 2.0))) +
                           streak * (0.3 * std::exp(-std::pow(y / 0.035, 2.0)) * (1.0 - x * x));
            const Vec3 v = c * window;
            uint8_t* p = &image.pixels[(size_t(row) * size + col) * 4];
            p[0] = toByte(v.x);
            p[1] = toByte(v.y);
            p[2] = toByte(v.z);
            p[3] = std::max({p[0], p[1], p[2]});
        }
    }
    return image;
}
