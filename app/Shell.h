// The program's shell: start-up into a window or full screen, the three GLUT
// callbacks, and the orderly end. Display events are the frame loop: the
// soundtrack's play position, in rows, is handed to App::draw once per event.
#pragma once

// Runs the program; never returns (exit 0 at the orderly end, 1 on failure).
[[noreturn]] void runProgram(int argc, char** argv);

void onDisplay();
void onReshape(int width, int height);
void onKeyboard(unsigned char key, int x, int y);
