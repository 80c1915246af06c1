#include "Lasers.h"

#include "Camera.h"
#include "Passes.h"
#include "Symbol.h"
#include "TrackFloor.h"

#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/SoundSync.h"
#include "tandem1.0/Texture.h"
#include "sync/show.h"

namespace {

const double kRowsBetweenLasers = 16.0;
const float kDepthMapAspect = 0.00390625f; // the 1 x 256 map
const float kFlareHalfWidth = 128.0f;
const float kFlareHalfHeight = 64.0f;
const float kFanBrightness = 128.0f;

LaserFan fans[kLaserCount];

void depthPass(int i, const Laser& laser, Camera* camera, int32_t model, double row) {
    RenderTarget* target = assets.depthTargets[i];
    target->bind();
    clearAndReset();
    for (int j = 0; j < 3; ++j) {
        camera->eye[j] = laser.origin[j];
        camera->target[j] = laser.aim[j];
    }
    camera->fov = laserFieldOfView(laser);
    camera->roll = laserRoll(laser);
    camera->apply(kDepthMapAspect);
    assets.depthShader->bind();
    drawSymbol(model, true, true, row);
    assets.depthShader->unbind();
    target->unbind();
}

void emitBeams(const Laser& laser, const LaserFan& fan, int32_t pattern, float diam,
               const float colour[3]) {
    const float k0 = kFanBrightness / diam;
    const float near[3] = {k0 * colour[0], k0 * colour[1], k0 * colour[2]};
    const float far[3] = {near[0] / diam, near[1] / diam, near[2] / diam};
    glBegin(GL_QUADS);
    for (int k = 0; k < kBeamCount; ++k) {
        if (!laserBeamDrawn(pattern, k)) continue;
        glTexCoord2f(0.0f, float(k) / kBeamCount);
        glColor3fv(near);
        glVertex3fv(laser.origin);
        glVertex3fv(laser.origin);
        glTexCoord2f(fan.lengths[k], float(k + 1) / kBeamCount);
        glColor3fv(far);
        glVertex3fv(fan.ends[k]);
        glVertex3fv(fan.ends[k + 1]);
    }
    glEnd();
}

void emitFlares(const Laser lasers[kLaserCount]) {
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, assets.flareTexture->id);
    glBegin(GL_QUADS);
    for (int i = 0; i < kLaserCount; ++i) {
        const float* o = lasers[i].origin;
        const float f = lasers[i].flare;
        glColor3f(f, f, f);
        glTexCoord2f(0.0f, 0.0f);
        glVertex3f(o[0] - kFlareHalfWidth, o[1] - kFlareHalfHeight, o[2]);
        glTexCoord2f(1.0f, 0.0f);
        glVertex3f(o[0] + kFlareHalfWidth, o[1] - kFlareHalfHeight, o[2]);
        glTexCoord2f(1.0f, 1.0f);
        glVertex3f(o[0] + kFlareHalfWidth, o[1] + kFlareHalfHeight, o[2]);
        glTexCoord2f(0.0f, 1.0f);
        glVertex3f(o[0] - kFlareHalfWidth, o[1] + kFlareHalfHeight, o[2]);
    }
    glEnd();
}

} // namespace

void drawLasers(double row) {
    SoundSync* sync = App::instance().soundSync;
    const int32_t pattern = trackFloor(sync->getValue(kTrackLaser1Numlasers, row));
    if (pattern < 1) return;

    Camera camera;
    const float colour[3] = {sync->getValue(kTrackLaser1ColR, row),
                             sync->getValue(kTrackLaser1ColG, row),
                             sync->getValue(kTrackLaser1ColB, row)};
    if (colour[0] + colour[1] + colour[2] <= 0.0f) return;

    const float pz = sync->getValue(kTrackLaser1PosZ, row);
    const float py = sync->getValue(kTrackLaser1PosY, row);
    const float px = sync->getValue(kTrackLaser1PosX, row);
    const float diam = sync->getValue(kTrackLaser1Diam, row);
    const int32_t model = trackFloor(sync->getValue(kTrackSymbolNum, row));

    Laser lasers[kLaserCount];
    for (int i = 0; i < kLaserCount; ++i) {
        const double laserRow = row + kRowsBetweenLasers * i;
        const float rotX = sync->getValue(kTrackLaser1RotX, laserRow);
        const float rotY = sync->getValue(kTrackLaser1RotY, laserRow);
        const float rotZ = sync->getValue(kTrackLaser1RotZ, laserRow);
        lasers[i] = laserFrame(i, px, py, pz, diam, rotX, rotY, rotZ);
        // The reference is wherever the previous depth view left the eye.
        lasers[i].flare = laserFlare(lasers[i].axis, lasers[i].origin, camera.eye);
        if (model >= 0) depthPass(i, lasers[i], &camera, model, row);
    }

    camera.update(row);
    camera.apply(0.0f);
    if (model >= 0) drawSymbol(model, true, false, row);

    App::setBlend(BLEND_ADD);
    App::setCull(CULL_OFF);
    App::setDepth(DEPTH_TEST);

    ShaderProgram* shader = assets.laserShader;
    shader->bind();
    for (int i = 0; i < kLaserCount; ++i) {
        shader->bindTexture("u_depthtex", assets.depthTargets[i]->colorTexture, 0);
        buildLaserFan(lasers[i], diam, &fans[i]);
        emitBeams(lasers[i], fans[i], pattern, diam, colour);
    }
    shader->unbind();

    emitFlares(lasers);
}
