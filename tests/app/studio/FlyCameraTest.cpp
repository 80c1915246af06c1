#include "app/studio/FlyCamera.h"

#include "tracks/TrackCompile.h"

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

// Poses to fly from: the show's usual orbit about the origin, one whose
// orbit centre and target stand apart, one rolled and looking down.
const CameraPose kPoses[] = {
    {0.25f, 5.0f, {0.0f, 1.5f, 0.0f}, {0.0f, 0.0f, 0.0f}, 60.0f, 0.0f},
    {-0.6f, 3.2f, {1.0f, -0.5f, 47.0f}, {-1.1f, 0.3f, 44.0f}, 42.0f, 0.0f},
    {1.3f, 4.4f, {0.5f, 3.0f, -2.0f}, {0.2f, -1.0f, 0.0f}, 75.0f, -30.0f},
};

glm::vec3 eyeOf(const CameraPose& pose) {
    float eye[3];
    cameraEye(pose, eye);
    return {eye[0], eye[1], eye[2]};
}

glm::vec3 targetOf(const CameraPose& pose) {
    return {pose.target[0], pose.target[1], pose.target[2]};
}

// Where a world point shows in the picture, in picture heights from its
// centre (x right, y down), through the same matrices Camera::apply loads.
glm::vec2 onPicture(const CameraPose& pose, glm::vec3 point) {
    const float aspect = 16.0f / 9.0f;
    const glm::mat4 projection =
        glm::rotate(glm::perspective(glm::radians(pose.fov), aspect, 0.1f, 1000.0f),
                    glm::radians(pose.roll), glm::vec3(0.0f, 0.0f, 1.0f));
    const glm::mat4 view = glm::lookAt(eyeOf(pose), targetOf(pose), glm::vec3(0.0f, 1.0f, 0.0f));
    const glm::vec4 clip = projection * view * glm::vec4(point, 1.0f);
    return {clip.x / clip.w * aspect / 2.0f, -clip.y / clip.w / 2.0f};
}

float horizontalDistance(glm::vec3 a, glm::vec3 b) {
    return std::hypot(a.x - b.x, a.z - b.z);
}

} // namespace

TEST(FlyCamera, PanKeepsTheViewAndTheTargetFollowsThePointer) {
    const glm::vec2 drags[] = {{0.1f, 0.0f}, {0.0f, -0.2f}, {-0.15f, 0.05f}};
    for (const CameraPose& pose : kPoses)
        for (glm::vec2 drag : drags) {
            const CameraPose panned = flyPan(pose, drag.x, drag.y);
            const glm::vec3 before = glm::normalize(targetOf(pose) - eyeOf(pose));
            const glm::vec3 after = glm::normalize(targetOf(panned) - eyeOf(panned));
            EXPECT_NEAR(glm::length(after - before), 0.0f, 1e-5f) << "view turned";
            EXPECT_EQ(panned.angle, pose.angle);
            EXPECT_EQ(panned.dist, pose.dist);
            EXPECT_EQ(panned.fov, pose.fov);
            EXPECT_EQ(panned.roll, pose.roll);
            // The old target is now where the pointer went, rolled or not.
            const glm::vec2 seen = onPicture(panned, targetOf(pose));
            EXPECT_NEAR(seen.x, drag.x, 1e-4f) << "roll " << pose.roll;
            EXPECT_NEAR(seen.y, drag.y, 1e-4f) << "roll " << pose.roll;
        }
}

TEST(FlyCamera, OrbitTurnsAboutTheTargetKeepingDistanceAndHeight) {
    for (const CameraPose& pose : kPoses) {
        const CameraPose turned = flyOrbit(pose, 0.3f, 0.0f);
        const glm::vec3 before = eyeOf(pose), after = eyeOf(turned);
        EXPECT_NEAR(horizontalDistance(after, targetOf(pose)),
                    horizontalDistance(before, targetOf(pose)), 1e-4f);
        EXPECT_NEAR(after.y, before.y, 1e-5f);
        EXPECT_GT(horizontalDistance(after, before), 0.1f) << "the eye did not move";
        EXPECT_EQ(turned.dist, pose.dist);
        EXPECT_EQ(glm::length(targetOf(turned) - targetOf(pose)), 0.0f);
        // A picture height of drag is a half-turn, whatever the centre.
        EXPECT_NEAR(flyOrbit(pose, 1.0f, 0.0f).angle, pose.angle - 1.0f, 1e-6f);

        // Dragging up raises the eye, and nothing else moves.
        const CameraPose raised = flyOrbit(pose, 0.0f, -0.1f);
        EXPECT_GT(eyeOf(raised).y, before.y);
        EXPECT_NEAR(horizontalDistance(eyeOf(raised), before), 0.0f, 1e-6f);
    }
}

TEST(FlyCamera, WheelChangesOneValueEach) {
    for (const CameraPose& pose : kPoses) {
        const CameraPose closer = flyDolly(pose, 2), zoomed = flyZoom(pose, 3),
                         rolled = flyRoll(pose, -1);
        for (int t = 0; t < kCameraTrackCount; ++t) {
            const std::string name = kCameraTrackNames[t];
            const float was = poseValue(pose, t);
            EXPECT_TRUE(name == "Camera:dist" || poseValue(closer, t) == was) << name;
            EXPECT_TRUE(name == "Camera:fov" || poseValue(zoomed, t) == was) << name;
            EXPECT_TRUE(name == "Camera:roll" || poseValue(rolled, t) == was) << name;
        }
        EXPECT_LT(closer.dist, pose.dist);
        EXPECT_NEAR(flyDolly(closer, -2).dist, pose.dist, 1e-5f);
        EXPECT_LT(zoomed.fov, pose.fov);
        EXPECT_NE(rolled.roll, pose.roll);
    }
    const CameraPose wide = kPoses[0];
    EXPECT_EQ(flyZoom(wide, -1000).fov, kMaxFov);
    EXPECT_EQ(flyZoom(wide, 1000).fov, kMinFov);
}

namespace {

// The shipped camera source, compiled, evaluated by the sync code at a row.
class CaptureTest : public ::testing::Test {
  protected:
    trackc::MusicMap map;
    std::string source;

    void SetUp() override {
        trackc::Error error;
        ASSERT_TRUE(
            trackc::readMusicMap(std::string(SHOW_TRACKS_DIR) + "music-map.txt", &map, &error));
        ASSERT_TRUE(trackc::readTextFile(std::string(SHOW_TRACKS_DIR) + "camera.tracks", &source));
    }

    int32_t rowOf(const char* position) {
        int32_t row = 0;
        trackc::Error error;
        EXPECT_TRUE(trackc::resolvePosition(position, map, "test", 0, &row, &error)) << position;
        return row;
    }

    CameraPose poseAt(const std::string& text, int32_t row) {
        std::vector<trackc::SourceTrack> tracks;
        trackc::Error error;
        EXPECT_TRUE(trackc::parseTracks(text, "camera.tracks", map, &tracks, &error))
            << trackc::formatError(error);
        float values[kCameraTrackCount] = {};
        for (int t = 0; t < kCameraTrackCount; ++t)
            for (trackc::SourceTrack& track : tracks)
                if (track.name == kCameraTrackNames[t]) {
                    Track compiled{const_cast<char*>(track.name.c_str()), track.keys.data(),
                                   int32_t(track.keys.size())};
                    values[t] = sync_get_val(&compiled, row);
                }
        return {values[0],
                values[1],
                {values[2], values[3], values[4]},
                {values[5], values[6], values[7]},
                values[8],
                values[9]};
    }
};

} // namespace

TEST_F(CaptureTest, CapturedKeysPlayBackAsThePose) {
    struct Case {
        const char* position;
        const char* what;
        std::function<CameraPose(CameraPose)> fly;
        std::vector<std::string> written;
    };
    const std::vector<Case> cases = {
        {"intro+6:0",
         "a dist key there, angle and tgt.y between keys",
         [](CameraPose p) {
             p.dist = 5.25f;
             p.angle += 0.125f;
             p.target[1] = 0.4f;
             return p;
         },
         {"Camera:angle", "Camera:dist", "Camera:tgt.y"}},
        {"intro+6:0",
         "a pan moves target and offset, nothing else",
         [](CameraPose p) { return flyPan(p, 0.1f, -0.05f); },
         {"Camera:offset.x", "Camera:offset.y", "Camera:offset.z", "Camera:tgt.x", "Camera:tgt.y",
          "Camera:tgt.z"}},
        {"breakdown+4:0",
         "between keys; tgt.x's repeat left alone",
         [](CameraPose p) {
             p.offset[0] = 0.7f;
             p.fov = 48.3f;
             p.roll = -3.3333333f;
             return p;
         },
         {"Camera:offset.x", "Camera:fov", "Camera:roll"}},
        {"drop2",
         "keys at the row in every written track",
         [](CameraPose p) { return flyRoll(flyDolly(flyOrbit(p, 0.2f, -0.1f), 1), 2); },
         {"Camera:angle", "Camera:dist", "Camera:offset.y", "Camera:roll"}},
        {"drop1+3:0", "unchanged: nothing written", [](CameraPose p) { return p; }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.position) + ": " + c.what);
        const int32_t row = rowOf(c.position);
        const CameraPose tracks = poseAt(source, row);
        const CameraPose flown = c.fly(tracks);
        const std::vector<trackc::KeyEdit> edits = captureEdits(flown, tracks, row);
        std::vector<std::string> written;
        for (const trackc::KeyEdit& edit : edits) {
            written.push_back(edit.track);
            EXPECT_EQ(edit.kind, trackc::KEY_SET);
            EXPECT_EQ(edit.row, row);
        }
        EXPECT_EQ(written, c.written);

        std::string result;
        trackc::Error error;
        ASSERT_TRUE(trackc::applyKeyEdits(source, "camera.tracks", map, edits, &result, &error))
            << trackc::formatError(error);
        const CameraPose played = poseAt(result, row);
        for (int t = 0; t < kCameraTrackCount; ++t)
            EXPECT_EQ(poseValue(played, t), poseValue(flown, t)) << kCameraTrackNames[t];
        // Played back, nothing is left to capture.
        EXPECT_TRUE(captureEdits(flown, played, row).empty());
    }
}
