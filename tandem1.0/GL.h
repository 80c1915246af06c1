// The one way the engine and the effects include OpenGL: Mesa's headers with
// their prototypes, so every entry point (ARB shader objects, buffer and
// framebuffer objects) links straight against libGL without a loader table.
#pragma once
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
