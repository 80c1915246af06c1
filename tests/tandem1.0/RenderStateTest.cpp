#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> calls;

std::string name(GLenum e) {
    switch (e) {
    case GL_BLEND:
        return "BLEND";
    case GL_DEPTH_TEST:
        return "DEPTH_TEST";
    case GL_CULL_FACE:
        return "CULL_FACE";
    case GL_ONE:
        return "ONE";
    case GL_ZERO:
        return "ZERO";
    case GL_SRC_ALPHA:
        return "SRC_ALPHA";
    case GL_ONE_MINUS_SRC_ALPHA:
        return "ONE_MINUS_SRC_ALPHA";
    case GL_ONE_MINUS_SRC_COLOR:
        return "ONE_MINUS_SRC_COLOR";
    case GL_ONE_MINUS_DST_COLOR:
        return "ONE_MINUS_DST_COLOR";
    case GL_SRC_COLOR:
        return "SRC_COLOR";
    case GL_LESS:
        return "LESS";
    case GL_BACK:
        return "BACK";
    default:
        return std::to_string(e);
    }
}
} // namespace

extern "C" {
void glEnable(GLenum cap) {
    calls.push_back("enable " + name(cap));
}
void glDisable(GLenum cap) {
    calls.push_back("disable " + name(cap));
}
void glBlendFunc(GLenum s, GLenum d) {
    calls.push_back("blend " + name(s) + " " + name(d));
}
void glDepthFunc(GLenum f) {
    calls.push_back("depthfunc " + name(f));
}
void glDepthMask(GLboolean m) {
    calls.push_back(m ? "depthmask on" : "depthmask off");
}
void glCullFace(GLenum f) {
    calls.push_back("cullface " + name(f));
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    calls.push_back("viewport " + std::to_string(x) + " " + std::to_string(y) + " " +
                    std::to_string(w) + " " + std::to_string(h));
}
}

using Calls = std::vector<std::string>;

class RenderState : public ::testing::Test {
  protected:
    void SetUp() override {
        App& app = App::instance();
        app.blendMode = BLEND_OFF;
        app.depthMode = DEPTH_OFF;
        app.cullMode = CULL_OFF;
        calls.clear();
    }
};

TEST_F(RenderState, RepeatedModesMakeNoCalls) {
    App::setBlend(BLEND_ADD);
    App::setBlend(BLEND_ADD);
    App::setDepth(DEPTH_TEST_WRITE);
    App::setDepth(DEPTH_TEST_WRITE);
    App::setCull(CULL_BACK);
    App::setCull(CULL_BACK);
    EXPECT_EQ(calls, (Calls{"enable BLEND", "blend ONE ONE", "enable DEPTH_TEST", "depthfunc LESS",
                            "depthmask on", "enable CULL_FACE", "cullface BACK"}));
}

TEST_F(RenderState, EveryBlendModeSetsItsFunction) {
    const Calls expected[] = {
        {"disable BLEND"},
        {"enable BLEND", "blend ONE ONE"},
        {"enable BLEND", "blend ZERO ONE_MINUS_SRC_COLOR"},
        {"enable BLEND", "blend SRC_ALPHA ONE_MINUS_SRC_ALPHA"},
        {"enable BLEND", "blend ONE_MINUS_DST_COLOR ONE_MINUS_SRC_COLOR"},
        {"enable BLEND", "blend ZERO SRC_COLOR"},
        {"enable BLEND", "blend SRC_ALPHA ONE"},
    };
    App::setBlend(BLEND_ADD_ALPHA); // so that the first request below is a change
    for (uint32_t mode = BLEND_OFF; mode <= BLEND_ADD_ALPHA; ++mode) {
        calls.clear();
        App::setBlend(mode);
        EXPECT_EQ(calls, expected[mode]) << "mode " << mode;
    }
}

TEST_F(RenderState, OffAndBackAgainReissuesTheMode) {
    App::setBlend(BLEND_ADD);
    App::setBlend(BLEND_OFF);
    calls.clear();
    App::setBlend(BLEND_ADD);
    EXPECT_EQ(calls, (Calls{"enable BLEND", "blend ONE ONE"}));
}

TEST_F(RenderState, OutOfRangeBlendIsOnlyRecorded) {
    App::setBlend(BLEND_ALPHA);
    calls.clear();
    App::setBlend(9);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(App::instance().blendMode, 9u);
    App::setBlend(uint32_t(-1)); // a floored -1 from a track
    EXPECT_TRUE(calls.empty());
    App::setBlend(BLEND_ALPHA);
    EXPECT_EQ(calls, (Calls{"enable BLEND", "blend SRC_ALPHA ONE_MINUS_SRC_ALPHA"}));
}

TEST_F(RenderState, DepthOffKeepsTheMask) {
    App::setDepth(DEPTH_TEST);
    calls.clear();
    App::setDepth(DEPTH_OFF);
    App::setDepth(DEPTH_TEST_WRITE);
    EXPECT_EQ(calls,
              (Calls{"disable DEPTH_TEST", "enable DEPTH_TEST", "depthfunc LESS", "depthmask on"}));
    calls.clear();
    App::setDepth(DEPTH_TEST);
    EXPECT_EQ(calls, (Calls{"enable DEPTH_TEST", "depthfunc LESS", "depthmask off"}));
}

TEST_F(RenderState, CullOffAndBack) {
    App::setCull(CULL_BACK);
    App::setCull(CULL_OFF);
    EXPECT_EQ(calls, (Calls{"enable CULL_FACE", "cullface BACK", "disable CULL_FACE"}));
}

struct LetterboxCase {
    uint32_t width, height;
    Viewport expected;
};

TEST(Letterbox, KeepsSixteenByNine) {
    const LetterboxCase cases[] = {
        {1280, 720, {0, 0, 1280, 719}},    {1920, 1080, {0, 0, 1920, 1079}},
        {1280, 1024, {0, 152, 1280, 719}}, {1024, 768, {0, 96, 1024, 575}},
        {1920, 1200, {0, 60, 1920, 1079}}, {2560, 1080, {319, 0, 1920, 1080}},
        {1366, 768, {0, 0, 1365, 768}},
    };
    for (const LetterboxCase& c : cases) {
        const Viewport v = letterbox(c.width, c.height);
        EXPECT_EQ(v.x, c.expected.x) << c.width << "x" << c.height;
        EXPECT_EQ(v.y, c.expected.y) << c.width << "x" << c.height;
        EXPECT_EQ(v.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(v.height, c.expected.height) << c.width << "x" << c.height;
    }
}

TEST(Letterbox, EmptyWindowsGiveFiniteViewports) {
    const uint32_t sizes[][2] = {{0, 0}, {1280, 0}, {0, 720}, {1, 1}, {100000, 1}, {1, 100000}};
    for (const auto& s : sizes) {
        const Viewport v = letterbox(s[0], s[1]);
        EXPECT_GE(v.width, 0);
        EXPECT_GE(v.height, 0);
        EXPECT_LE(v.x + v.width, int(s[0]));
        EXPECT_LE(v.y + v.height, int(s[1]));
    }
}

TEST(Letterbox, SetViewportStoresTheSizeAndAppliesIt) {
    calls.clear();
    App::setViewport(1280, 1024);
    EXPECT_EQ(App::instance().width, 1280);
    EXPECT_EQ(App::instance().height, 1024);
    EXPECT_EQ(calls, (Calls{"viewport 0 152 1280 719"}));
    // The studio's picture area: the same letterbox, moved to its origin.
    calls.clear();
    App::instance().originX = 10;
    App::instance().originY = 300;
    App::setViewport(1280, 1024);
    App::instance().originX = App::instance().originY = 0;
    EXPECT_EQ(calls, (Calls{"viewport 10 452 1280 719"}));
}
