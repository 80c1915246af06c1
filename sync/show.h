// The show's tracks as the program knows them: the 45 names, each defined
// once here, and the rows of the show's musical time. The effects and the
// asset set-up ask for tracks through the name constants; the track compiler
// checks its sources against kTrackNames, in this order (its messages list
// missing tracks in it). A name is also the track's file name:
// "sync_" + name + ".track" (colons and dots kept).
#pragma once

#include <cstdint>

// Rows: 10 a beat, 4 beats a bar (21.6 rows a second at the soundtrack's tempo).
constexpr int32_t kRowsPerBeat = 10;
constexpr int32_t kBeatsPerBar = 4;
constexpr int32_t kRowsPerBar = kRowsPerBeat * kBeatsPerBar;

// X(constant, name) for every track, in the track files' order.
#define SYNC_SHOW_TRACKS(X)                                                                        \
    X(kTrackCameraAngle, "Camera:angle")                                                           \
    X(kTrackCameraDist, "Camera:dist")                                                             \
    X(kTrackCameraOffsetX, "Camera:offset.x")                                                      \
    X(kTrackCameraOffsetY, "Camera:offset.y")                                                      \
    X(kTrackCameraOffsetZ, "Camera:offset.z")                                                      \
    X(kTrackCameraTgtX, "Camera:tgt.x")                                                            \
    X(kTrackCameraTgtY, "Camera:tgt.y")                                                            \
    X(kTrackCameraTgtZ, "Camera:tgt.z")                                                            \
    X(kTrackCameraFov, "Camera:fov")                                                               \
    X(kTrackCameraRoll, "Camera:roll")                                                             \
    X(kTrackEqBr, "eq:br")                                                                         \
    X(kTrackEqMode, "eq:mode")                                                                     \
    X(kTrackEqBlend, "eq:blend")                                                                   \
    X(kTrackSymbolRotX, "symbol:rot_x")                                                            \
    X(kTrackSymbolRotY, "symbol:rot_y")                                                            \
    X(kTrackSymbolRotZ, "symbol:rot_z")                                                            \
    X(kTrackSymbolPosY, "symbol:pos_y")                                                            \
    X(kTrackSymbolPosZ, "symbol:pos_z")                                                            \
    X(kTrackSymbolScale, "symbol:scale")                                                           \
    X(kTrackSymbolNum, "symbol:num")                                                               \
    X(kTrackSymbolBlend, "symbol:blend")                                                           \
    X(kTrackVideoNumframes, "video:numframes")                                                     \
    X(kTrackVideoR, "video:r")                                                                     \
    X(kTrackVideoG, "video:g")                                                                     \
    X(kTrackVideoB, "video:b")                                                                     \
    X(kTrackVideoNum, "video:num")                                                                 \
    X(kTrackVideoPos, "video:pos")                                                                 \
    X(kTrackLaser1Numlasers, "laser1:numlasers")                                                   \
    X(kTrackLaser1ColR, "laser1:col_r")                                                            \
    X(kTrackLaser1ColG, "laser1:col_g")                                                            \
    X(kTrackLaser1ColB, "laser1:col_b")                                                            \
    X(kTrackLaser1PosX, "laser1:pos_x")                                                            \
    X(kTrackLaser1PosY, "laser1:pos_y")                                                            \
    X(kTrackLaser1PosZ, "laser1:pos_z")                                                            \
    X(kTrackLaser1Diam, "laser1:diam")                                                             \
    X(kTrackLaser1RotX, "laser1:rot_x")                                                            \
    X(kTrackLaser1RotY, "laser1:rot_y")                                                            \
    X(kTrackLaser1RotZ, "laser1:rot_z")                                                            \
    X(kTrackCirclesR, "circles:r")                                                                 \
    X(kTrackCirclesG, "circles:g")                                                                 \
    X(kTrackCirclesB, "circles:b")                                                                 \
    X(kTrackCirclesBlend, "circles:blend")                                                         \
    X(kTrackStrobo, "strobo")                                                                      \
    X(kTrackGlowGlowbr, "glow:glowbr")                                                             \
    X(kTrackGlowOrigbr, "glow:origbr")

#define SYNC_TRACK_CONSTANT(constant, name) inline constexpr char constant[] = name;
SYNC_SHOW_TRACKS(SYNC_TRACK_CONSTANT)
#undef SYNC_TRACK_CONSTANT

#define SYNC_TRACK_ENTRY(constant, name) constant,
inline constexpr const char* kTrackNames[] = {SYNC_SHOW_TRACKS(SYNC_TRACK_ENTRY)};
#undef SYNC_TRACK_ENTRY

constexpr int kTrackCount = sizeof kTrackNames / sizeof kTrackNames[0];
