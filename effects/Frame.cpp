#include "Frame.h"

#include "Passes.h"
#include "StudioOverride.h"
#include "Equaliser.h"
#include "Lasers.h"
#include "Symbol.h"
#include "TrackFloor.h"
#include "Video.h"
#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/SoundSync.h"
#include "sync/show.h"

#include <cmath>

namespace {

// "u_time" of the circles: row / 64.
const double kCirclesTimePerRow = 0.015625;
// A strobe value of 2 adds full white.
const double kStrobeScale = 0.5;

// The equaliser image over the scene: with BLEND_ALPHA the brightness is its
// opacity, with any other mode it scales the image's colour.
void composeEqualiser(SoundSync& sync, double row, float brightness) {
    const int32_t mode = trackFloor(sync.getValue(kTrackEqBlend, row));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (mode == BLEND_ALPHA)
        glColor4f(1.0f, 1.0f, 1.0f, brightness);
    else
        glColor4f(brightness, brightness, brightness, 1.0f);
    App::setDepth(DEPTH_OFF);
    App::setBlend(uint32_t(mode));
    App::setCull(CULL_OFF);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, assets.eqTarget->colorTexture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glEnd();
}

void drawCircles(SoundSync& sync, double row) {
    const float r = sync.getValue(kTrackCirclesR, row);
    const float g = sync.getValue(kTrackCirclesG, row);
    const float b = sync.getValue(kTrackCirclesB, row);
    if (!(r + g + b > 0.0f)) return;
    const App& app = App::instance();
    ShaderProgram& program = *assets.circlesShader;
    program.bind();
    program.setFloat("u_time", float(row * kCirclesTimePerRow));
    // Unsigned as the window size is kept; a zero size gives an infinite or
    // zero ratio, which the shader only scales by.
    const long double ratio = (long double)uint32_t(app.width) / uint32_t(app.height);
    program.setFloat("u_aspect", float(1.0L / ratio));
    program.setVec3("u_col", r, g, b);
    drawFullscreenQuad(uint32_t(trackFloor(sync.getValue(kTrackCirclesBlend, row))));
    program.unbind();
}

void drawStrobe(SoundSync& sync, double row) {
    const float v = float(sync.getValue(kTrackStrobo, row) * kStrobeScale);
    glColor3f(v, v, v);
    glDisable(GL_TEXTURE_2D);
    drawFullscreenQuad(BLEND_ADD);
}

} // namespace

bool layerShown(const LayerFlags& flags, FrameLayer layer) {
    if (flags.muted[layer]) return false;
    for (bool soloed : flags.soloed)
        if (soloed) return flags.soloed[layer];
    return true;
}

void composeFrame(double row) {
    SoundSync& sync = *App::instance().soundSync;
    // The studio's muted and soloed layers; all shown everywhere else.
    const LayerFlags& layers = studioOverride.layers;
    const bool symbolShown = layerShown(layers, LAYER_SYMBOL);
    const bool eqShown = layerShown(layers, LAYER_EQUALISER);

    const int32_t symbol = trackFloor(sync.getValue(kTrackSymbolNum, row));
    if (symbol >= 0 && symbolShown) {
        assets.symbolTarget->bind();
        clearAndReset();
        drawSymbol(symbol, false, false, row);
        assets.symbolTarget->unbind();
    }

    const float eqBrightness = sync.getValue(kTrackEqBr, row);
    if (eqBrightness > 0.0f && eqShown) {
        assets.eqTarget->bind();
        clearAndReset();
        Equaliser::draw(row);
        assets.eqTarget->unbind();
    } else if (!eqShown) {
        // Its peak hold goes on, so that unmuting shows what the show shows.
        Equaliser::advance(row);
    }

    assets.sceneTarget->bind();
    clearAndReset();
    if (layerShown(layers, LAYER_VIDEO)) drawVideo(row);
    if (eqBrightness > 0.0f && eqShown) composeEqualiser(sync, row, eqBrightness);
    if (layerShown(layers, LAYER_LASERS)) drawLasers(row);
    if (layerShown(layers, LAYER_CIRCLES)) drawCircles(sync, row);
    if (symbol > 0 && symbolShown)
        outlinePass(*assets.symbolTarget,
                    uint32_t(trackFloor(sync.getValue(kTrackSymbolBlend, row))));
    if (layerShown(layers, LAYER_STROBE)) drawStrobe(sync, row);
    assets.sceneTarget->unbind();

    glowChain(row);

    clearAndReset();
    // No glow: a brightness of 0 adds none of it.
    combinePass(layerShown(layers, LAYER_GLOW) ? sync.getValue(kTrackGlowGlowbr, row) : 0.0f);
}
