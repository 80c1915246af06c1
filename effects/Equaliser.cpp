#include "Equaliser.h"

#include "Camera.h"
#include "TrackFloor.h"

#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"
#include "sync/show.h"

#include <algorithm>

namespace Equaliser {

namespace {

const float kLineWidthPixels = 640.0f;

void setLineWidth() {
    glLineWidth(std::max(1.0f, float(App::instance().width) / kLineWidthPixels));
}

void drawRing() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, ringVertices);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, ringFillColours);
    glDrawElements(GL_QUADS, kRingVertexCount, GL_UNSIGNED_INT, ringIndices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);

    glEnable(GL_LINE_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    App::setDepth(DEPTH_OFF);
    App::setBlend(BLEND_ADD_ALPHA);
    setLineWidth();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, ringVertices);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, ringLineColours);
    glDrawElements(GL_QUADS, kRingVertexCount, GL_UNSIGNED_INT, ringIndices);
}

void drawTunnel() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, tunnelVertices);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, tunnelColours);
    glDrawArrays(GL_QUADS, 0, kTunnelVertexCount);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);

    glEnable(GL_LINE_SMOOTH);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    App::setDepth(DEPTH_TEST);
    App::setBlend(BLEND_ADD_ALPHA);
    setLineWidth();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, tunnelVertices);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, tunnelColours);
    glDrawArrays(GL_QUADS, 0, kTunnelVertexCount);
}

} // namespace

bool advance(double row) {
    SoundSync* sync = App::instance().soundSync;
    BASS_ChannelGetData(sync->timer->stream, spectrum, BASS_DATA_FFT256 | BASS_DATA_FLOAT);
    if (!(sync->getValue(kTrackEqBr, row) > 0.0f)) return false;
    holdPeaks();
    return true;
}

void draw(double row) {
    if (!advance(row)) return;
    SoundSync* sync = App::instance().soundSync;
    const float br = sync->getValue(kTrackEqBr, row);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    App::setCull(CULL_OFF);
    App::setBlend(BLEND_OFF);
    App::setDepth(DEPTH_TEST_WRITE);

    const int32_t mode = trackFloor(sync->getValue(kTrackEqMode, row));

    // The arrays live in client memory. Model upload leaves its last index
    // buffer bound, and with no symbol drawn since, the indices would be read
    // from that buffer instead.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    if (mode == 0) {
        const App& app = App::instance();
        const float aspect = float(double(uint32_t(app.width)) / double(uint32_t(app.height)));
        buildRing(row, br, aspect);
        drawRing();
    } else if (mode == 1) {
        Camera camera;
        camera.update(row);
        camera.apply(0.0f);
        buildTunnel(row, br);
        drawTunnel();
    } else {
        return;
    }

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

} // namespace Equaliser
