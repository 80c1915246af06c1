// Camera: the view every 3D pass looks through.
//
// A plain record, filled for a row from the ten "Camera:" tracks by update()
// and loaded into the fixed-function projection and modelview matrices by
// apply(). Units: world units, degrees; "Camera:angle" in half-turns. Users
// keep one on the stack per frame, starting from the defaults below.
#pragma once

struct Camera {
    float eye[3] = {0.0f, 0.0f, -1.0f};
    float target[3] = {0.0f, 0.0f, 0.0f};
    float up[3] = {0.0f, 1.0f, 0.0f};
    float zNear = 0.1f;
    float zFar = 1000.0f;
    float fov = 60.0f;
    float roll = 0.0f;

    // Reads the tracks at a row; writes eye, target, fov and roll only.
    void update(double row);

    // Loads the matrices; an aspect of exactly 0 stands for 16:9. Leaves
    // GL_MODELVIEW current.
    void apply(float aspect) const;
};

// The orbit part of update(), free of tracks so it can be checked alone.
void cameraOrbit(float angle, float dist, float eye[3]);
