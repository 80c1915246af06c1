// Lasers: four fans of 256 thin beams from origins near the top of the scene
// toward aim points mirrored through z = 0, each ending where the symbol model
// lies across its path, with a flare sprite on each origin.
//
// The collision works through a 1 x 256 float map per laser: the model is drawn
// from the laser's origin with "depth.glsl", one texel row per beam, and
// "laser.glsl" cuts every beam at the distance stored in its row. The two
// shaders agree that beam k of 256 (t from k/256 to (k+1)/256 along the fan,
// whatever the fan's turn) is texel row k. The fans are built on the CPU into
// static arrays and sent in immediate mode; nothing is allocated. World units,
// radians for the fan's turn.
#pragma once

#include <cstdint>

const int kLaserCount = 4;
const int kBeamCount = 256;

// One laser's fixed frame for this row.
struct Laser {
    float origin[3];
    float aim[3];
    float axis[3];    // unit vector from origin to aim
    float axisLength; // |aim - origin|
    float spread;     // sqrt(axisLength^2 + diam^2)
    float turn;       // the fan's turn about its axis, radians
    float flare;      // flare brightness, 0.25 to 0.75
};

// The fan's far edge and the length of each beam's first side.
struct LaserFan {
    float ends[kBeamCount + 1][3]; // ends[k] and ends[k + 1] bound beam k
    float lengths[kBeamCount];     // |ends[k] - origin|
};

// Origin, aim point, axis, lengths and turn of laser i (0 to 3); flare is left
// for laserFlare.
Laser laserFrame(int i, float px, float py, float pz, float diam, float rotX, float rotY,
                 float rotZ);

// 0.25, rising to 0.75 as the axis points straight at the reference point.
float laserFlare(const float axis[3], const float origin[3], const float reference[3]);

// Vertical field of view (degrees) of the view from the origin that spans
// the fan.
float laserFieldOfView(const Laser& laser);

// Roll (degrees) of that view: it turns the fan back upright, so beam k of
// every fan lands on texel row k of the depth map.
float laserRoll(const Laser& laser);

// Beam k is drawn for pattern 1, and for higher patterns when k / pattern is
// odd; patterns below 1 switch the lasers off before this is asked.
bool laserBeamDrawn(int32_t pattern, int k);

void buildLaserFan(const Laser& laser, float diam, LaserFan* fan);

// Depth maps, silhouette, beams and flares into the bound scene target.
void drawLasers(double row);
