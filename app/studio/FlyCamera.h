// FlyCamera: the studio's fly mode on the show's orbit camera, and the key
// edits that write a flown pose into the camera tracks. Pure functions of a
// CameraPose (effects/Camera.h); no window, no tracks read here.
//
// Mouse moves come in picture heights (pixels over the picture's height), x
// to the right, y down, so a drag does the same at any window size:
// - orbit: a horizontal drag turns the eye around the vertical line through
//   the target (a picture height is a half-turn), keeping its height and its
//   distance to that line; a vertical drag raises (up) or lowers (down) the
//   eye by the eye's distance to the target per picture height;
// - pan: eye and target move together in the picture's plane, so that the
//   point under the pointer at the target's depth follows the pointer; the
//   view direction stays;
// - dolly: the wheel moves the eye along its orbit's radius (dist) by a
//   factor a notch; zoom and roll change the field of view and the roll.
#pragma once

#include "effects/Camera.h"
#include "tracks/TrackEdit.h"

#include <cstdint>
#include <vector>

const int kCameraTrackCount = 10;
// The camera's tracks in the track files' order, and the pose's value of each.
extern const char* const kCameraTrackNames[kCameraTrackCount];
float poseValue(const CameraPose& pose, int track);

CameraPose flyOrbit(const CameraPose& pose, float dx, float dy);
CameraPose flyPan(const CameraPose& pose, float dx, float dy);
// Positive notches (the wheel turned away from the user) come closer.
CameraPose flyDolly(const CameraPose& pose, int notches);
// Positive notches narrow the field of view, kept within [kMinFov, kMaxFov].
CameraPose flyZoom(const CameraPose& pose, int notches);
const float kMinFov = 5.0f;
const float kMaxFov = 150.0f;
// Positive notches turn the picture counterclockwise.
CameraPose flyRoll(const CameraPose& pose, int notches);

// Whether a flown value differs from the tracks' value: by more than a
// hundred-thousandth of the value (at least of 1). The tracks give back the
// very float they were read as, so an untouched value is equal; the smallest
// fly step (a pixel of pan or a wheel notch) is a thousand times larger.
bool poseValueChanged(float flown, float tracks);

// The edits that key the flown pose at `row` into the camera tracks: one
// setKey for each track whose value there (tracksPose, the tracks' pose at
// that row) differs, in the tracks' order; none when nothing changed. Keys
// already at the row keep their interpolation; new ones take their track's.
std::vector<trackc::KeyEdit> captureEdits(const CameraPose& flown, const CameraPose& tracksPose,
                                          int32_t row);
