#include "Assets.h"

#include "effects/Camera.h"
#include "tandem1.0/App.h"
#include "tandem1.0/AssetTable.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/Model/Model.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/SoundSync.h"
#include "tandem1.0/Texture.h"
#include "tandem1.0/VideoClip.h"
#include "sync/show.h"

#include <string>

namespace {

const int kDepthTargetWidth = 1;
const int kDepthTargetHeight = 256;

// Every track the frame reads, but "laser1:numlasers", which the first frame
// reads; the camera tracks come through Camera::update.
const char* const kPreloadedTracks[] = {
    kTrackGlowGlowbr, kTrackGlowOrigbr,  kTrackVideoNumframes, kTrackVideoR,     kTrackVideoG,
    kTrackVideoB,     kTrackVideoNum,    kTrackVideoPos,       kTrackEqBr,       kTrackEqBlend,
    kTrackEqMode,     kTrackCirclesR,    kTrackCirclesG,       kTrackCirclesB,   kTrackCirclesBlend,
    kTrackSymbolNum,  kTrackSymbolRotX,  kTrackSymbolRotY,     kTrackSymbolRotZ, kTrackSymbolPosY,
    kTrackSymbolPosZ, kTrackSymbolScale, kTrackSymbolBlend,    kTrackStrobo,     kTrackLaser1PosX,
    kTrackLaser1PosY, kTrackLaser1PosZ,  kTrackLaser1RotX,     kTrackLaser1RotY, kTrackLaser1RotZ,
    kTrackLaser1Diam, kTrackLaser1ColR,  kTrackLaser1ColG,     kTrackLaser1ColB,
};

RenderTarget* colourTarget(int32_t width, int32_t height, int32_t samples = 0) {
    return new RenderTarget(width, height, GL_RGBA8, kFilterLinear, samples);
}

} // namespace

void loadAssets() {
    assets.enviTexture = new Texture("envi.png");
    assets.flareTexture = new Texture("flare.png");

    assets.enviShader = new ShaderProgram("envi.glsl");
    assets.circlesShader = new ShaderProgram("circles.glsl");
    assets.downsampleShader = new ShaderProgram("downsample.glsl");
    assets.blurShader = new ShaderProgram("blur.glsl");
    assets.outlineShader = new ShaderProgram("outline.glsl");
    assets.laserShader = new ShaderProgram("laser.glsl");
    assets.depthShader = new ShaderProgram("depth.glsl");
    assets.combineShader = new ShaderProgram("combine.glsl");

    for (int n = 1; n <= kModelCount; ++n) {
        TandemSpace::Model* model = new TandemSpace::Model();
        model->loadModel("symbol" + std::to_string(n) + ".obj");
        assets.models[n - 1] = model;
    }

    for (int n = 1; n <= kVideoClipCount; ++n) {
        const std::string name = "rave" + std::to_string(n) + ".dat";
        assets.videoClips[n - 1] = new VideoClip(name.c_str());
    }

    const App& app = App::instance();
    const RenderTargetSizes sizes = renderTargetSizes(app.width, app.height);
    // The targets that geometry is drawn into are multisampled, so beams, bars
    // and the symbol's silhouette reach the picture with smooth edges; the
    // glow targets only resample full-screen images and need no samples.
    const int32_t samples = sampleCountForThisDriver();
    assets.sceneTarget = colourTarget(sizes.sceneWidth, sizes.sceneHeight, samples);
    assets.symbolTarget = colourTarget(sizes.effectWidth, sizes.effectHeight, samples);
    assets.eqTarget = colourTarget(sizes.effectWidth, sizes.effectHeight, samples);
    assets.halfTarget1 = colourTarget(sizes.halfWidth, sizes.halfHeight);
    assets.halfTarget2 = colourTarget(sizes.halfWidth, sizes.halfHeight);
    assets.halfTarget3 = colourTarget(sizes.halfWidth, sizes.halfHeight);
    assets.quarterTarget1 = colourTarget(sizes.quarterWidth, sizes.quarterHeight);
    assets.quarterTarget2 = colourTarget(sizes.quarterWidth, sizes.quarterHeight);
    for (RenderTarget*& target : assets.depthTargets)
        target =
            new RenderTarget(kDepthTargetWidth, kDepthTargetHeight, GL_RGBA32F_ARB, kFilterNearest);

    Camera scratch;
    scratch.update(0.0);

    for (const char* track : kPreloadedTracks)
        app.soundSync->getValue(track, 0.0);
}
