// The start-up of the tools that draw the show without playing it
// (halcyon-frames, halcyon-capture): the same show set-up as the program, on
// a drawing surface of exactly the asked size.
//
// The surface is an offscreen OpenGL context made with EGL on Mesa's
// surfaceless platform (a pbuffer, no X server) when `offscreen` is asked or
// there is no $DISPLAY; otherwise a GLUT window as the program opens one.
// Both are compatibility-profile contexts, as the frame code's immediate mode
// and fixed-function matrices need, with surfaces of the same format, so the
// pictures agree byte for byte when both use the same renderer (Mesa's
// software one under LIBGL_ALWAYS_SOFTWARE=1; with a GPU the offscreen path
// may use the GPU where Xvfb cannot). `work` draws and reads back, then returns; the process then
// ends through App::shutdown (status 0). Set-up failures end it with status 1.
#pragma once

[[noreturn]] void runTool(const char* programName, int width, int height, bool offscreen,
                          void (*work)());
