#include "Passes.h"

#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/Pi.h"

#include <cmath>

namespace {

// One full turn of the glow every 256 rows: row / 128 half-turns.
const long double kGlowTurnPerRow = 0.0078125L;
const int32_t kHalfBlurDivisor = 80;
const int32_t kQuarterVerticalDivisor = 160;
const int32_t kQuarterWideDivisor = 40;

void setSourcePixel(const ShaderProgram& program, const RenderTarget& source, float dx, float dy) {
    const PixelStep step = pixelStep(source.width, source.height, dx, dy);
    program.setVec2("u_pixel", step.x, step.y);
}

// Binds a destination, clears it, runs a pass, unbinds it.
void intoTarget(RenderTarget* destination, void (*pass)(const RenderTarget&, float, float, int32_t),
                const RenderTarget& source, float dx, float dy, int32_t radius) {
    destination->bind();
    clearAndReset();
    pass(source, dx, dy, radius);
    destination->unbind();
}

void downsampleInto(const RenderTarget& source, float, float, int32_t) {
    downsamplePass(source);
}

} // namespace

PixelStep pixelStep(int32_t sourceWidth, int32_t sourceHeight, float dx, float dy) {
    const long double x = 1.0L / sourceWidth * dx;
    const long double y = 1.0L / sourceHeight * dy;
    return {float(x), float(y)};
}

GlowGeometry glowGeometry(double row, int32_t width, int32_t height) {
    GlowGeometry g;
    const float a = float(row * kGlowTurnPerRow * kPi);
    sincosf(a, &g.s1, &g.c1);
    const float a2 = float(a + kPi / 2);
    sincosf(a2, &g.s2, &g.c2);
    g.halfRadius = width / kHalfBlurDivisor;
    g.quarterRadiusVertical = height / kQuarterVerticalDivisor;
    g.quarterRadiusWide = width / kQuarterWideDivisor;
    return g;
}

void clearAndReset() {
    // Depth clears obey the depth mask, and a pass that ended on DEPTH_TEST
    // (the tunnel's wireframe, the beams) leaves it off: the target would keep
    // the depth of an earlier frame and hide this frame's silhouette. The
    // state after the reset is the same either way.
    App::setDepth(DEPTH_TEST_WRITE);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    App::setBlend(BLEND_OFF);
    App::setCull(CULL_BACK);
    App::setDepth(DEPTH_TEST_WRITE);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glUseProgramObjectARB(0);
}

void drawFullscreenQuad(uint32_t blendMode) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    App::setDepth(DEPTH_OFF);
    App::setBlend(blendMode);
    App::setCull(CULL_OFF);
    glBegin(GL_QUADS);
    glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glMultiTexCoord2f(GL_TEXTURE0, 1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glMultiTexCoord2f(GL_TEXTURE0, 0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
}

void downsamplePass(const RenderTarget& source) {
    ShaderProgram& program = *assets.downsampleShader;
    program.bind();
    program.bindTexture("u_source", source.colorTexture, 0);
    setSourcePixel(program, source, 1.0f, 1.0f);
    drawFullscreenQuad(BLEND_OFF);
    program.unbind();
}

void blurPass(const RenderTarget& source, float dx, float dy, int32_t radius) {
    ShaderProgram& program = *assets.blurShader;
    program.bind();
    program.bindTexture("u_source", source.colorTexture, 0);
    setSourcePixel(program, source, dx, dy);
    program.setInt("u_radius", radius);
    drawFullscreenQuad(BLEND_OFF);
    program.unbind();
}

void outlinePass(const RenderTarget& source, uint32_t blendMode) {
    ShaderProgram& program = *assets.outlineShader;
    program.bind();
    program.bindTexture("u_source", source.colorTexture, 0);
    setSourcePixel(program, source, 1.0f, 1.0f);
    drawFullscreenQuad(blendMode);
    program.unbind();
}

void combinePass(float glowBrightness) {
    ShaderProgram& program = *assets.combineShader;
    program.bind();
    program.bindTexture("u_source1", assets.sceneTarget->colorTexture, 0);
    program.bindTexture("u_source2", assets.halfTarget2->colorTexture, 1);
    program.bindTexture("u_source3", assets.halfTarget3->colorTexture, 2);
    program.bindTexture("u_source4", assets.quarterTarget1->colorTexture, 3);
    program.setFloat("u_glowbr", glowBrightness);
    drawFullscreenQuad(BLEND_OFF);
    program.unbind();
}

void glowChain(double row) {
    const App& app = App::instance();
    const GlowGeometry g = glowGeometry(row, app.width, app.height);
    intoTarget(assets.halfTarget1, downsampleInto, *assets.sceneTarget, 0.0f, 0.0f, 0);
    intoTarget(assets.halfTarget2, blurPass, *assets.halfTarget1, g.s1, g.c1, g.halfRadius);
    intoTarget(assets.halfTarget3, blurPass, *assets.halfTarget1, g.s2, g.c2, g.halfRadius);
    intoTarget(assets.quarterTarget1, downsampleInto, *assets.halfTarget1, 0.0f, 0.0f, 0);
    intoTarget(assets.quarterTarget2, blurPass, *assets.quarterTarget1, 0.0f, 1.0f,
               g.quarterRadiusVertical);
    intoTarget(assets.quarterTarget1, blurPass, *assets.quarterTarget2, 1.0f, 0.0f,
               g.quarterRadiusWide);
}
