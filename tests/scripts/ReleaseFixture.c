/* The release check's fixture: a program that needs a library of its own
   ("outer"), which needs another ("inner"), and the OpenGL driver. */
#include <GL/gl.h>

#if defined(FIXTURE_INNER)
int fixtureInner(void) {
    return 1;
}
#elif defined(FIXTURE_PROGRAM)
int fixtureOuter(void);
int main(void) {
    return fixtureOuter() + (int)(glGetError() != GL_NO_ERROR);
}
#else
int fixtureInner(void);
int fixtureOuter(void) {
    return fixtureInner();
}
#endif
