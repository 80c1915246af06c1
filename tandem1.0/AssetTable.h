// The asset table: every resource the show draws with, by role.
//
// Filled once by the asset set-up before the music starts, read by the
// effects for the rest of the run, never freed. Slots are null before that.
#pragma once

struct Texture;
struct ShaderProgram;
struct RenderTarget;
struct VideoClip;
namespace TandemSpace {
struct Model;
}

const int kModelCount = 35;
const int kVideoClipCount = 16;
const int kDepthTargetCount = 4;

struct AssetTable {
    TandemSpace::Model* models[kModelCount];
    VideoClip* videoClips[kVideoClipCount];
    Texture* enviTexture;
    Texture* flareTexture;
    ShaderProgram* enviShader;
    ShaderProgram* circlesShader;
    ShaderProgram* downsampleShader;
    ShaderProgram* blurShader;
    ShaderProgram* outlineShader;
    ShaderProgram* laserShader;
    ShaderProgram* depthShader;
    ShaderProgram* combineShader;
    RenderTarget* sceneTarget;
    RenderTarget* symbolTarget;
    RenderTarget* eqTarget;
    RenderTarget* halfTarget1;
    RenderTarget* halfTarget2;
    RenderTarget* halfTarget3;
    RenderTarget* quarterTarget1;
    RenderTarget* quarterTarget2;
    RenderTarget* depthTargets[kDepthTargetCount];
};

extern AssetTable assets;
