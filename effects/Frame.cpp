#include "Frame.h"

#include "tandem1.0/GL.h"

void composeFrame(double) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
