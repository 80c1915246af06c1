#include "FlyCamera.h"

#include "sync/show.h"
#include "tandem1.0/Pi.h"

#include <algorithm>
#include <cmath>

namespace {

const float kOrbitHalfTurnsPerHeight = 1.0f;
const float kDollyFactorPerNotch = 0.9f;
const float kZoomDegreesPerNotch = 2.0f;
const float kRollDegreesPerNotch = 5.0f;
const float kCaptureTolerance = 1e-5f;
// Below this length the view is straight up or down and has no "right" of
// its own; the world's x axis stands in.
const float kDegenerateLength = 1e-6f;
const float kDegreesToRadians = float(kPi / 180.0);

float length3(const float v[3]) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

} // namespace

const char* const kCameraTrackNames[kCameraTrackCount] = {
    kTrackCameraAngle,   kTrackCameraDist, kTrackCameraOffsetX, kTrackCameraOffsetY,
    kTrackCameraOffsetZ, kTrackCameraTgtX, kTrackCameraTgtY,    kTrackCameraTgtZ,
    kTrackCameraFov,     kTrackCameraRoll,
};

float poseValue(const CameraPose& pose, int track) {
    switch (track) {
    case 0:
        return pose.angle;
    case 1:
        return pose.dist;
    case 2:
        return pose.offset[0];
    case 3:
        return pose.offset[1];
    case 4:
        return pose.offset[2];
    case 5:
        return pose.target[0];
    case 6:
        return pose.target[1];
    case 7:
        return pose.target[2];
    case 8:
        return pose.fov;
    default:
        return pose.roll;
    }
}

CameraPose flyOrbit(const CameraPose& pose, float dx, float dy) {
    CameraPose out = pose;
    // Turning the angle by delta turns the orbit point about the y axis; the
    // offset turns about the target by the same, so the eye turns about the
    // target's vertical line: offset' = target + R(offset - target).
    const float halfTurns = -dx * kOrbitHalfTurnsPerHeight;
    const float delta = float(kPi) * halfTurns;
    const float s = std::sin(delta), c = std::cos(delta);
    const float rx = pose.offset[0] - pose.target[0];
    const float rz = pose.offset[2] - pose.target[2];
    out.angle = pose.angle + halfTurns;
    out.offset[0] = pose.target[0] + rx * c + rz * s;
    out.offset[2] = pose.target[2] + rz * c - rx * s;
    float eye[3];
    cameraEye(pose, eye);
    const float toTarget[3] = {pose.target[0] - eye[0], pose.target[1] - eye[1],
                               pose.target[2] - eye[2]};
    out.offset[1] = pose.offset[1] - dy * length3(toTarget);
    return out;
}

CameraPose flyPan(const CameraPose& pose, float dx, float dy) {
    float eye[3];
    cameraEye(pose, eye);
    float forward[3] = {pose.target[0] - eye[0], pose.target[1] - eye[1], pose.target[2] - eye[2]};
    const float distance = length3(forward);
    if (distance < kDegenerateLength) return pose;
    for (float& f : forward)
        f /= distance;
    // right = forward x (0, 1, 0); up = right x forward.
    float right[3] = {-forward[2], 0.0f, forward[0]};
    float rightLength = length3(right);
    if (rightLength < kDegenerateLength) {
        right[0] = 1.0f;
        right[2] = 0.0f;
        rightLength = 1.0f;
    }
    for (float& r : right)
        r /= rightLength;
    const float up[3] = {right[1] * forward[2] - right[2] * forward[1],
                         right[2] * forward[0] - right[0] * forward[2],
                         right[0] * forward[1] - right[1] * forward[0]};
    // A picture height at the target's depth, in world units.
    const float scale = 2.0f * distance * std::tan(0.5f * pose.fov * kDegreesToRadians);
    // The roll turns the picture: a move on screen is a move in the eye's
    // plane turned back by the roll. Screen y points down, the eye's up.
    const float r = -pose.roll * kDegreesToRadians;
    const float sx = dx, sy = -dy;
    const float ex = sx * std::cos(r) - sy * std::sin(r);
    const float ey = sx * std::sin(r) + sy * std::cos(r);
    CameraPose out = pose;
    // The scene follows the pointer: the camera moves the other way.
    for (int i = 0; i < 3; ++i) {
        const float move = -(ex * right[i] + ey * up[i]) * scale;
        out.offset[i] += move;
        out.target[i] += move;
    }
    return out;
}

CameraPose flyDolly(const CameraPose& pose, int notches) {
    CameraPose out = pose;
    out.dist = pose.dist * std::pow(kDollyFactorPerNotch, float(notches));
    return out;
}

CameraPose flyZoom(const CameraPose& pose, int notches) {
    CameraPose out = pose;
    out.fov = std::min(kMaxFov, std::max(kMinFov, pose.fov - kZoomDegreesPerNotch * notches));
    return out;
}

CameraPose flyRoll(const CameraPose& pose, int notches) {
    CameraPose out = pose;
    out.roll = pose.roll + kRollDegreesPerNotch * notches;
    return out;
}

bool poseValueChanged(float flown, float tracks) {
    return std::fabs(flown - tracks) > kCaptureTolerance * std::max(1.0f, std::fabs(tracks));
}

std::vector<trackc::KeyEdit> captureEdits(const CameraPose& flown, const CameraPose& tracksPose,
                                          int32_t row) {
    std::vector<trackc::KeyEdit> edits;
    for (int t = 0; t < kCameraTrackCount; ++t) {
        const float value = poseValue(flown, t);
        if (poseValueChanged(value, poseValue(tracksPose, t)))
            edits.push_back(trackc::setKey(kCameraTrackNames[t], row, value));
    }
    return edits;
}
