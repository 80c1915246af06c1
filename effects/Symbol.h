// Symbol: one of the 35 loaded models, placed, turned and scaled by the
// "symbol:" tracks (degrees and world units).
//
// Drawn three ways: environment-mapped in white through its own camera (the
// visible symbol), as a black fixed-function silhouette through the caller's
// camera, and through the caller's camera with the caller's program still bound
// (the laser depth maps). All three test and write depth and cull back faces.
// The program, texture and colour it sets stay in force on return. Owns nothing.
#pragma once

// modelNumber selects slot modelNumber mod 35; callers pass 0 or more.
void drawSymbol(int modelNumber, bool silhouette, bool keepProgram, double row);
