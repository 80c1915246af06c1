#include "Symbol.h"

#include "Camera.h"
#include "TrackFloor.h"

#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/Model/Model.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/SoundSync.h"
#include "tandem1.0/Texture.h"
#include "sync/show.h"

namespace {

void drawMesh(const Mesh& mesh) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, mesh.positionBuffer);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);

    glEnableClientState(GL_NORMAL_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, mesh.normalBuffer);
    glNormalPointer(GL_FLOAT, 0, nullptr);

    if (mesh.texcoords) {
        glClientActiveTexture(GL_TEXTURE0);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, mesh.texcoordBuffer);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    }

    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
    glDrawElements(GL_TRIANGLES, mesh.faceCount * 3, GL_UNSIGNED_INT, nullptr);

    // The equaliser and the lasers draw from client memory afterwards, which
    // only works with no buffer bound.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
}

} // namespace

void drawSymbol(int modelNumber, bool silhouette, bool keepProgram, double row) {
    if (!silhouette) {
        Camera camera;
        camera.update(row);
        camera.apply(0.0f);
        glColor3f(1.0f, 1.0f, 1.0f);
    } else {
        glColor3f(0.0f, 0.0f, 0.0f);
    }

    SoundSync* sync = App::instance().soundSync;
    const float rotX = sync->getValue(kTrackSymbolRotX, row);
    const float rotY = sync->getValue(kTrackSymbolRotY, row);
    const float rotZ = sync->getValue(kTrackSymbolRotZ, row);
    const float posY = sync->getValue(kTrackSymbolPosY, row);
    const float posZ = sync->getValue(kTrackSymbolPosZ, row);
    const float scale = sync->getValue(kTrackSymbolScale, row);

    App::setBlend(BLEND_OFF);
    App::setDepth(DEPTH_TEST_WRITE);
    App::setCull(CULL_BACK);

    if (silhouette) {
        if (!keepProgram) glUseProgramObjectARB(0);
        glDisable(GL_TEXTURE_2D);
    } else {
        assets.enviShader->bind();
        assets.enviShader->bindTexture("u_envitex", assets.enviTexture->id, 0);
    }

    glPushMatrix();
    glTranslatef(0.0f, posY, posZ);
    glRotatef(rotZ, 0.0f, 0.0f, 1.0f);
    glRotatef(rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(rotX, 1.0f, 0.0f, 0.0f);
    glScalef(scale, scale, scale);

    // Callers never pass a negative number; the floor remainder keeps a
    // stray one inside the table all the same.
    const TandemSpace::Model* model = assets.models[floorMod(modelNumber, kModelCount)];
    for (const Mesh* mesh : model->groups)
        drawMesh(*mesh);

    glPopMatrix();
}
