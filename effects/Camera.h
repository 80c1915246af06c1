// Camera: the view every 3D pass looks through.
//
// A plain record, filled for a row from the ten "Camera:" tracks by update()
// and loaded into the fixed-function projection and modelview matrices by
// apply(). Units: world units, degrees; "Camera:angle" in half-turns. Users
// keep one on the stack per frame, starting from the defaults below.
//
// The ten values themselves are a CameraPose. The studio may put a pose of
// its own in place of the tracks' (StudioOverride); update() then builds the
// view from that pose at every row. No other program sets one.
#pragma once

// The ten "Camera:" tracks' values: the eye orbits (0, 0, 0) at `dist`, its
// `angle` in half-turns from +z towards +x, and is then moved by `offset`;
// it looks at `target` as it stands.
struct CameraPose {
    float angle;
    float dist;
    float offset[3];
    float target[3];
    float fov;  // degrees, vertical
    float roll; // degrees, the picture turned counterclockwise
};

// The tracks' pose at a row.
CameraPose cameraPoseAt(double row);

// The eye of a pose.
void cameraEye(const CameraPose& pose, float eye[3]);

struct Camera {
    float eye[3] = {0.0f, 0.0f, -1.0f};
    float target[3] = {0.0f, 0.0f, 0.0f};
    float up[3] = {0.0f, 1.0f, 0.0f};
    float zNear = 0.1f;
    float zFar = 1000.0f;
    float fov = 60.0f;
    float roll = 0.0f;

    // Reads the tracks at a row (or takes the studio's pose, when one is
    // set); writes eye, target, fov and roll only.
    void update(double row);
    void setPose(const CameraPose& pose);

    // Loads the matrices; an aspect of exactly 0 stands for 16:9. Leaves
    // GL_MODELVIEW current.
    void apply(float aspect) const;
};

// The orbit part of update(), free of tracks so it can be checked alone.
void cameraOrbit(float angle, float dist, float eye[3]);
