#include "Camera.h"

#include "StudioOverride.h"

#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"
#include "sync/show.h"
#include "tandem1.0/Pi.h"

#include <cmath>

namespace {
const float kWideAspect = 1.7777778f;
} // namespace

// Here, where every program that draws through a camera links it.
StudioOverride studioOverride = {};

void cameraOrbit(float angle, float dist, float eye[3]) {
    const float theta = float(kPi * angle);
    float s, c;
    sincosf(theta, &s, &c);
    eye[0] = dist * s;
    eye[1] = 0.0f;
    eye[2] = dist * c;
}

CameraPose cameraPoseAt(double row) {
    SoundSync* sync = App::instance().soundSync;
    CameraPose pose;
    pose.angle = sync->getValue(kTrackCameraAngle, row);
    pose.dist = sync->getValue(kTrackCameraDist, row);
    pose.offset[2] = sync->getValue(kTrackCameraOffsetZ, row);
    pose.offset[1] = sync->getValue(kTrackCameraOffsetY, row);
    pose.offset[0] = sync->getValue(kTrackCameraOffsetX, row);
    pose.target[2] = sync->getValue(kTrackCameraTgtZ, row);
    pose.target[1] = sync->getValue(kTrackCameraTgtY, row);
    pose.target[0] = sync->getValue(kTrackCameraTgtX, row);
    pose.fov = sync->getValue(kTrackCameraFov, row);
    pose.roll = sync->getValue(kTrackCameraRoll, row);
    return pose;
}

void cameraEye(const CameraPose& pose, float eye[3]) {
    cameraOrbit(pose.angle, pose.dist, eye);
    eye[2] += pose.offset[2];
    eye[1] += pose.offset[1];
    eye[0] += pose.offset[0];
}

void Camera::setPose(const CameraPose& pose) {
    cameraEye(pose, eye);
    target[0] = pose.target[0];
    target[1] = pose.target[1];
    target[2] = pose.target[2];
    fov = pose.fov;
    roll = pose.roll;
}

void Camera::update(double row) {
    setPose(studioOverride.hasCamera ? studioOverride.camera : cameraPoseAt(row));
}

void Camera::apply(float aspect) const {
    if (aspect == 0.0f) aspect = kWideAspect;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, aspect, zNear, zFar);
    glRotatef(roll, 0.0f, 0.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], up[0], up[1], up[2]);
}
