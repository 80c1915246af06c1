#include "Camera.h"

#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"
#include "sync/show.h"
#include "tandem1.0/Pi.h"

#include <cmath>

namespace {
const float kWideAspect = 1.7777778f;
} // namespace

void cameraOrbit(float angle, float dist, float eye[3]) {
    const float theta = float(kPi * angle);
    float s, c;
    sincosf(theta, &s, &c);
    eye[0] = dist * s;
    eye[1] = 0.0f;
    eye[2] = dist * c;
}

void Camera::update(double row) {
    SoundSync* sync = App::instance().soundSync;
    const float angle = sync->getValue(kTrackCameraAngle, row);
    const float dist = sync->getValue(kTrackCameraDist, row);
    cameraOrbit(angle, dist, eye);
    eye[2] += sync->getValue(kTrackCameraOffsetZ, row);
    eye[1] += sync->getValue(kTrackCameraOffsetY, row);
    eye[0] += sync->getValue(kTrackCameraOffsetX, row);
    target[2] = sync->getValue(kTrackCameraTgtZ, row);
    target[1] = sync->getValue(kTrackCameraTgtY, row);
    target[0] = sync->getValue(kTrackCameraTgtX, row);
    fov = sync->getValue(kTrackCameraFov, row);
    roll = sync->getValue(kTrackCameraRoll, row);
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
