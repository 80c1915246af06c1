#include "Lasers.h"

#include <cmath>

namespace {

const float kLaserSpacing = 32.0f;
const float kFlareSharpness = 512.0f;

float length3(const float v[3]) {
    return sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// Zero vectors give NaN components; drawing carries on with them.
void normalise3(const float v[3], float out[3]) {
    const float l = length3(v);
    out[0] = v[0] / l;
    out[1] = v[1] / l;
    out[2] = v[2] / l;
}

void cross3(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

const float kDegreesPerRadian = 57.295776f;

} // namespace

Laser laserFrame(int i, float px, float py, float pz, float diam, float rotX, float rotY,
                 float rotZ) {
    Laser laser{};
    const float offset = (float(i) - 1.5f) * kLaserSpacing;
    laser.origin[0] = px + offset;
    laser.origin[1] = py;
    laser.origin[2] = pz;
    laser.aim[0] = px + offset + rotX;
    laser.aim[1] = py + rotY;
    laser.aim[2] = -pz;
    const float span[3] = {laser.aim[0] - laser.origin[0], laser.aim[1] - laser.origin[1],
                           laser.aim[2] - laser.origin[2]};
    normalise3(span, laser.axis);
    laser.axisLength = length3(span);
    laser.spread = sqrtf(laser.axisLength * laser.axisLength + diam * diam);
    laser.turn = rotZ;
    laser.flare = 0.0f;
    return laser;
}

float laserFlare(const float axis[3], const float origin[3], const float reference[3]) {
    const float toReference[3] = {reference[0] - origin[0], reference[1] - origin[1],
                                  reference[2] - origin[2]};
    float direction[3];
    normalise3(toReference, direction);
    const float c = axis[0] * direction[0] + axis[1] * direction[1] + axis[2] * direction[2];
    // Written so that a NaN (reference on the origin) counts as facing away.
    const float facing = c > 0.0f ? (c < 1.0f ? c : 1.0f) : 0.0f;
    return powf(facing, kFlareSharpness) * 0.5f + 0.25f;
}

float laserFieldOfView(const Laser& laser) {
    return acosf(laser.axisLength / laser.spread) * kDegreesPerRadian;
}

float laserRoll(const Laser& laser) {
    return -laser.turn * kDegreesPerRadian;
}

bool laserBeamDrawn(int32_t pattern, int k) {
    return pattern == 1 || (k / pattern) % 2 == 1;
}

void buildLaserFan(const Laser& laser, float diam, LaserFan* fan) {
    const float span[3] = {laser.aim[0] - laser.origin[0], laser.aim[1] - laser.origin[1],
                           laser.aim[2] - laser.origin[2]};
    float axis[3], side[3], up[3];
    normalise3(span, axis);
    const float across[3] = {-axis[2], 0.0f, axis[0]};
    normalise3(across, side);
    float upRaw[3];
    cross3(axis, side, upRaw);
    normalise3(upRaw, up);

    const float a = diam * 0.5f;
    float sn, cs;
    sincosf(laser.turn, &sn, &cs);
    for (int k = 0; k <= kBeamCount; ++k) {
        const float t = float(k) / kBeamCount;
        const float fc = t * (-2.0f * cs) + cs;
        const float fs = t * (-2.0f * sn) + sn;
        for (int j = 0; j < 3; ++j)
            fan->ends[k][j] = laser.aim[j] + fc * (a * up[j]) + fs * (a * side[j]);
    }
    for (int k = 0; k < kBeamCount; ++k) {
        const float d[3] = {fan->ends[k][0] - laser.origin[0], fan->ends[k][1] - laser.origin[1],
                            fan->ends[k][2] - laser.origin[2]};
        fan->lengths[k] = length3(d);
    }
}
