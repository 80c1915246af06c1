// RaveClips: the sixteen video clips of the show, rave1.dat to rave16.dat.
//
// Timing, shared by every clip so that the choreography can treat them alike:
// the clips are cut for 4/4 music at kFramesPerBeat = 8 frames per beat, that
// is kFramesPerBar = 32 frames per bar. Frame 0 of every clip, and every 8th
// frame after it, falls on a beat: kicks, flashes and bounces peak there. Every
// clip is a whole number of bars long (64, 128 or 256 frames = 2, 4 or 8 bars)
// and loops seamlessly: each motion completes a whole number of cycles over
// the clip, so its last frame flows into its first.
//
// The player picks a frame as clip length × "video:pos". To play a clip in time
// with the music, ramp "video:pos" linearly by 1 over clip-length-in-bars bars
// (by 1/bars per bar): then one frame passes every eighth of a beat. Drawing
// several consecutive frames as layers ("video:numframes") gives motion trails
// of up to that many eighths of a beat.
//
// Each clip keeps the same number of triangles in every frame, so triangle
// slot k is the same piece of the picture from frame to frame.
#pragma once

#include "ClipBuilder.h"

const int kFramesPerBeat = 8;
const int kBeatsPerBar = 4;
const int kFramesPerBar = kFramesPerBeat * kBeatsPerBar;
const int kRaveClipCount = 16;

struct RaveClipInfo {
    const char* title; // what the clip shows, for people choreographing the show
    int frameCount;
};

// number: 1 to kRaveClipCount, as in the file name "rave<number>.dat".
RaveClipInfo raveClipInfo(int number);
Clip buildRaveClip(int number);
