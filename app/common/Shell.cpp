#include "Shell.h"

#include "Assets.h"
#include "audio/bass.h"
#include "effects/Equaliser.h"
#include "effects/Frame.h"
#include "tandem1.0/App.h"
#include "tandem1.0/SoundSync.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kWindowTitle = "I am tandem, you are glue";
const int kWindowWidth = 1280;
const int kWindowHeight = 720;
const unsigned char kEscape = 27;
// An argument count of exactly this (the program and one argument) asks for a
// window; anything else for full screen.
const int kWindowedArgc = 2;

void openFullScreen() {
    static const size_t kModeCapacity = 128;
    char mode[kModeCapacity];
    snprintf(mode, sizeof mode, "%ix%i:32", glutGet(GLUT_SCREEN_WIDTH),
             glutGet(GLUT_SCREEN_HEIGHT));
    glutGameModeString(mode);
    if (!glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) exit(1);
    glutEnterGameMode();
    glutSetCursor(GLUT_CURSOR_NONE);
}

} // namespace

void initWindowSystem(int* argc, char** argv) {
    App::instance().draw = composeFrame;
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
}

void openWindow(int width, int height) {
    glutInitWindowSize(width, height);
    glutCreateWindow(kWindowTitle);
}

void setUpShow(void (*display)()) {
    glutDisplayFunc(display);
    glutReshapeFunc(onReshape);
    glutKeyboardFunc(onKeyboard);
    loadShow(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
}

void loadShow(int width, int height) {
    App& app = App::instance();
    app.width = width;
    app.height = height;

    App::setBlend(BLEND_OFF);
    App::setDepth(DEPTH_TEST_WRITE);
    App::setCull(CULL_BACK);

    app.soundSync = new SoundSync();
    app.soundSync->init(kSoundtrack);

    loadAssets();
}

namespace {

void seekStoppedTo(double row) {
    const DWORD stream = App::instance().soundSync->timer->stream;
    BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, row / kRowRate),
                            BASS_POS_BYTE);
}

} // namespace

void drawStoppedAt(double row) {
    seekStoppedTo(row);
    App::instance().draw(row);
}

void advanceStoppedAt(double row) {
    seekStoppedTo(row);
    Equaliser::advance(row);
}

bool parseWindowSize(const char* text, int* width, int* height) {
    // Far beyond any screen, small enough that a picture's bytes fit an int.
    static const int kMaxSide = 16384;
    char tail = 0;
    if (sscanf(text, "%dx%d%c", width, height, &tail) != 2) return false;
    return *width > 0 && *height > 0 && *width <= kMaxSide && *height <= kMaxSide;
}

void runProgram(int argc, char** argv) {
    initWindowSystem(&argc, argv);
    if (argc == kWindowedArgc)
        openWindow(kWindowWidth, kWindowHeight);
    else
        openFullScreen();
    setUpShow(onDisplay);

    const App& app = App::instance();
    if (!BASS_Start()) App::fail("Error while BASS_Start: %i\n", BASS_ErrorGetCode());
    if (!BASS_ChannelPlay(app.soundSync->timer->stream, FALSE))
        App::fail("BASS_ChannelPlay failed: %i\n", BASS_ErrorGetCode());

    glutMainLoop();
    App::shutdown();
}

void onDisplay() {
    App& app = App::instance();
    if (app.quit) App::shutdown();
    TandemSpace::BassTimer* timer = app.soundSync->timer;
    if (!timer->isPlaying()) app.quit = true;
    app.draw(timer->currentRow());
    glutSwapBuffers();
    glutPostRedisplay();
    BASS_Update(0);
}

void onReshape(int width, int height) {
    // GLUT never reports negative sizes; clamp anyway so the unsigned
    // conversion cannot turn one into a huge viewport.
    App::setViewport(uint32_t(width < 0 ? 0 : width), uint32_t(height < 0 ? 0 : height));
}

void onKeyboard(unsigned char key, int, int) {
    if (key == kEscape) App::instance().quit = true;
}

void App::shutdown() {
    SoundSync* soundSync = instance().soundSync;
    if (soundSync) {
        BASS_StreamFree(soundSync->timer->stream);
        delete soundSync->timer;
        soundSync->timer = nullptr;
        // The device's tracks are left to the end of the process; only the
        // context that holds them goes.
        delete soundSync->sync;
        soundSync->sync = nullptr;
        BASS_Free();
        soundSync->trackCache.clear();
        delete soundSync;
        instance().soundSync = nullptr;
    }
    exit(0);
}
