#include "effects/Camera.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/RenderTarget.h"
#include "tandem1.0/ShaderProgram.h"
#include "tandem1.0/Texture.h"
#include "tandem1.0/VideoClip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool split(const std::string& text, ShaderSources* out) {
    return splitShaderSource(reinterpret_cast<const unsigned char*>(text.data()),
                             int32_t(text.size()), out);
}

} // namespace

TEST(ShaderSplit, MarkerOnItsOwnLine) {
    ShaderSources s;
    ASSERT_TRUE(split("void main(){}\n//____FRAGMENT_SHADER____\nvoid main(){ }\n", &s));
    EXPECT_EQ(s.vertex, "void main(){}\n");
    EXPECT_EQ(s.fragment, "\nvoid main(){ }\n");
}

TEST(ShaderSplit, FirstOfTwoMarkersSplits) {
    ShaderSources s;
    ASSERT_TRUE(split("A\n//____FRAGMENT_SHADER____\nB\n//____FRAGMENT_SHADER____\nC", &s));
    EXPECT_EQ(s.vertex, "A\n");
    EXPECT_EQ(s.fragment, "\nB\n//____FRAGMENT_SHADER____\nC");
}

TEST(ShaderSplit, MissingOrCutMarkerIsReported) {
    ShaderSources s;
    EXPECT_FALSE(split("void main(){}\n", &s));
    EXPECT_FALSE(split("//____FRAGMENT_SHADER___", &s));
    EXPECT_FALSE(split("", &s));
    EXPECT_TRUE(split("//____FRAGMENT_SHADER____", &s));
    EXPECT_EQ(s.vertex, "");
    EXPECT_EQ(s.fragment, "");
}

TEST(ShaderSplit, NulEndsASource) {
    const std::string text("vs\0junk//____FRAGMENT_SHADER____fs\0more", 40);
    ShaderSources s;
    ASSERT_TRUE(split(text, &s));
    EXPECT_EQ(s.vertex, "vs");
    EXPECT_EQ(s.fragment, "fs");
}

TEST(TextureFormat, ByChannelCount) {
    TextureFormat f;
    ASSERT_TRUE(textureFormatFor(3, &f));
    EXPECT_EQ(f.internalFormat, GLenum(GL_RGB));
    EXPECT_EQ(f.pixelFormat, GLenum(GL_RGB));
    ASSERT_TRUE(textureFormatFor(4, &f));
    EXPECT_EQ(f.internalFormat, GLenum(GL_RGBA));
    EXPECT_EQ(f.pixelFormat, GLenum(GL_RGBA));
    ASSERT_TRUE(textureFormatFor(1, &f));
    EXPECT_EQ(f.pixelFormat, GLenum(GL_LUMINANCE)); // a pixel format, not a sized internal one
    EXPECT_FALSE(textureFormatFor(2, &f));
    EXPECT_FALSE(textureFormatFor(0, &f));
    EXPECT_FALSE(textureFormatFor(5, &f));
}

TEST(RenderTargetSizes, FollowTheWindow) {
    RenderTargetSizes s = renderTargetSizes(1920, 1080);
    EXPECT_EQ(s.sceneWidth, 1920);
    EXPECT_EQ(s.sceneHeight, 1080);
    EXPECT_EQ(s.effectWidth, 1024);
    EXPECT_EQ(s.effectHeight, 576);
    EXPECT_EQ(s.halfWidth, 960);
    EXPECT_EQ(s.halfHeight, 540);
    EXPECT_EQ(s.quarterWidth, 480);
    EXPECT_EQ(s.quarterHeight, 270);

    s = renderTargetSizes(800, 600);
    EXPECT_EQ(s.effectWidth, 800);
    EXPECT_EQ(s.effectHeight, 450);

    s = renderTargetSizes(1366, 768);
    EXPECT_EQ(s.effectWidth, 1024);
    EXPECT_EQ(s.effectHeight, 576);
    EXPECT_EQ(s.halfWidth, 683);
    EXPECT_EQ(s.halfHeight, 384);
    EXPECT_EQ(s.quarterWidth, 341);
    EXPECT_EQ(s.quarterHeight, 192);

    s = renderTargetSizes(1000, 1000); // 16:9 whatever the window, height rounded down
    EXPECT_EQ(s.effectWidth, 1000);
    EXPECT_EQ(s.effectHeight, 562);
}

namespace {

// A clip file built in memory: frames of (first, count) over a triangle area.
struct ClipBytes {
    std::vector<unsigned char> bytes;

    void u32(uint32_t v) {
        unsigned char b[4];
        memcpy(b, &v, 4);
        bytes.insert(bytes.end(), b, b + 4);
    }
};

ClipBytes clip(const std::vector<std::pair<uint32_t, uint32_t>>& frames, uint32_t triangleCount) {
    ClipBytes c;
    c.u32(uint32_t(frames.size()));
    c.u32(0xdeadbeef);
    for (const auto& f : frames) {
        c.u32(f.first);
        c.u32(f.second);
    }
    for (uint32_t t = 0; t < triangleCount; ++t)
        for (uint32_t b = 0; b < kClipTriangleBytes; ++b)
            c.bytes.push_back(uint8_t(t * 16 + b));
    return c;
}

} // namespace

TEST(VideoClipFrames, LookupWrapsOverTheFrameCount) {
    std::vector<std::pair<uint32_t, uint32_t>> frames;
    for (uint32_t f = 0; f < 10; ++f)
        frames.push_back({f * kClipTriangleBytes, 1});
    ClipBytes c = clip(frames, 10);
    VideoClip v(c.bytes.data(), uint32_t(c.bytes.size()));
    EXPECT_EQ(v.numFrames, 10u);
    EXPECT_EQ(v.headerWord, 0xdeadbeefu);
    const ClipFrame f = v.frame(23);
    ASSERT_EQ(f.count, 1u);
    EXPECT_EQ(f.records[0], 3 * 16); // triangle 3's first byte
    EXPECT_EQ(v.frame(0xffffffffu).records, v.frame(0xffffffffu % 10).records);
}

TEST(VideoClipFrames, EmptyAndMalformedFramesAreNeverRead) {
    ClipBytes c = clip({{0, 2}, {0, 0}, {7, 2}, {0xfffffff0u, 3}, {0, 0x40000000u}}, 2);
    VideoClip v(c.bytes.data(), uint32_t(c.bytes.size()));
    EXPECT_EQ(v.frame(0).count, 2u);
    EXPECT_EQ(v.frame(1).count, 0u); // empty
    EXPECT_EQ(v.frame(2).count, 0u); // one record past the end
    EXPECT_EQ(v.frame(3).count, 0u); // offset far outside
    EXPECT_EQ(v.frame(4).count, 0u); // count overflowing 32 bits
    EXPECT_EQ(v.frame(4).records, nullptr);
}

TEST(VideoClipFrames, ClipsWithoutUsableFramesDrawNothing) {
    ClipBytes none = clip({}, 3);
    VideoClip a(none.bytes.data(), uint32_t(none.bytes.size()));
    EXPECT_EQ(a.numFrames, 0u);
    EXPECT_EQ(a.frame(5).count, 0u);

    ClipBytes shortTable = clip({{0, 1}, {0, 1}}, 0);
    shortTable.bytes.resize(12); // the table claims 16 bytes it does not have
    VideoClip b(shortTable.bytes.data(), uint32_t(shortTable.bytes.size()));
    EXPECT_EQ(b.frame(0).count, 0u);

    const unsigned char tiny[3] = {1, 0, 0};
    VideoClip c(tiny, 3);
    EXPECT_EQ(c.frame(0).count, 0u);
}

TEST(VideoClipFrames, CoordinatesMapToDeviceSpace) {
    EXPECT_FLOAT_EQ(clipCoordinate(0), -1.0f);
    EXPECT_FLOAT_EQ(clipCoordinate(255), 1.0f);
    EXPECT_NEAR(clipCoordinate(128), 0.0039f, 1e-4f);
}

TEST(CameraOrbit, HalfTurnsAroundTheYAxis) {
    float eye[3];
    cameraOrbit(1.0f, 5.0f, eye);
    EXPECT_NEAR(eye[0], 0.0f, 1e-5f);
    EXPECT_EQ(eye[1], 0.0f);
    EXPECT_FLOAT_EQ(eye[2], -5.0f);
    cameraOrbit(0.5f, 2.0f, eye);
    EXPECT_FLOAT_EQ(eye[0], 2.0f);
    EXPECT_NEAR(eye[2], 0.0f, 1e-6f);
    cameraOrbit(0.0f, 3.0f, eye);
    EXPECT_EQ(eye[0], 0.0f);
    EXPECT_EQ(eye[2], 3.0f);
    cameraOrbit(0.25f, 0.0f, eye);
    EXPECT_EQ(eye[0], 0.0f);
    EXPECT_EQ(eye[2], 0.0f);
}
