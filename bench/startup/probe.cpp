// startup probe: the program's start-up, ending at its first frame.
//
// Starts as `halcyon window` does (the same start-up functions, so the same
// files in the same order), starts the music, draws the first frame through
// the program's own display function, waits until OpenGL has finished it,
// writes "first frame" on standard output and leaves at once. Built once per
// data directory; startup_bench times it from launch.
#include "app/common/Shell.h"
#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <unistd.h>

namespace {

const int kWindowWidth = 1280, kWindowHeight = 720;

void firstFrame() {
    onDisplay();
    glFinish();
    fputs("first frame\n", stdout);
    fflush(stdout);
    _exit(0); // the shutdown is not what is measured
}

} // namespace

int main(int argc, char** argv) {
    initWindowSystem(&argc, argv);
    openWindow(kWindowWidth, kWindowHeight);
    setUpShow(firstFrame);
    const App& app = App::instance();
    if (!BASS_Start() || !BASS_ChannelPlay(app.soundSync->timer->stream, FALSE))
        App::fail("cannot start the music: %i\n", BASS_ErrorGetCode());
    glutMainLoop();
    return 1;
}
