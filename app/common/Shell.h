// The program's shell: start-up into a window or full screen, the three GLUT
// callbacks, and the orderly end. Display events are the frame loop: the
// soundtrack's play position, in rows, is handed to App::draw once per event.
#pragma once

// The soundtrack's file in the data directory: the program plays it and the
// video export muxes it.
inline constexpr char kSoundtrack[] = "Meridian_Demo_Edit.mp3";

// Runs the program; never returns (exit 0 at the orderly end, 1 on failure).
[[noreturn]] void runProgram(int argc, char** argv);

// The start-up the program shares with the frame renderer, in this order:
// GLUT (which takes its own options out of argc/argv) with the frame function
// set to composeFrame; a window; then the callbacks with the given display
// function, the initial render state, the stopped soundtrack with the sync
// device, and every asset. The music is not started.
void initWindowSystem(int* argc, char** argv);
void openWindow(int width, int height);
void setUpShow(void (*display)());

// The part of setUpShow after the callbacks, for a current OpenGL context that
// is no GLUT window (the tools' offscreen surface): size, render state,
// soundtrack and sync, assets.
void loadShow(int width, int height);

// Draws a row of the show without playing it (the frame renderer, the video
// export): the stopped soundtrack is seeked to the row's time first, so the
// equaliser sees the spectrum of that moment.
void drawStoppedAt(double row);

// What drawStoppedAt at this row leaves for the frames after it, without
// drawing (see Equaliser::advance): for exports that begin mid-way.
void advanceStoppedAt(double row);

// Reads a window size written "WxH" for the tools; false for anything else,
// or a side that is not positive or too large for a picture's bytes.
bool parseWindowSize(const char* text, int* width, int* height);

void onDisplay();
void onReshape(int width, int height);
void onKeyboard(unsigned char key, int x, int y);
