// halcyon-studio: the show from any moment, with its music, and every saved
// edit of its tracks and shaders on screen at once.
//
//   halcyon-studio [--from POS] [--loop POS..POS] [--size WxH] [--show DIR]
//                  [--paused] [--print-rows]
//
// Built on the program's own start-up and frame function: the assets come
// from the data directory, then the show folder's track sources and shaders
// (LiveShow) replace them and are rebuilt whenever one is saved. The
// transport (Transport) pauses, seeks and loops the stream, so sound and
// equaliser follow every seek. A text overlay in the window's top-left corner
// is drawn after the frame, outside the picture the frame renderer and the
// video export produce. While paused, a frame is drawn only when something
// changes. Bad arguments: one line on stderr, status 2, before any window.
#include "LiveShow.h"
#include "Messages.h"
#include "app/common/Shell.h"
#include "StudioOptions.h"
#include "Transport.h"

#include "audio/bass.h"
#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"
#include "tracks/TrackCompile.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char* const kStudioTitle = "halcyon-studio";
const unsigned char kEscape = 27;
// Saves are looked for this often, paused or playing.
const unsigned kPollMs = 15;
const int64_t kNsPerMs = 1000000;
// The overlay: freeglut's 8x13 font, one line every 15 pixels, on a veil
// that darkens the picture behind it.
void* const kOverlayFont = GLUT_BITMAP_8_BY_13;
const int kOverlayCharWidth = 8;
const float kOverlayVeilAlpha = 0.6f;
const int kOverlayLineHeight = 15;
const int kOverlayMargin = 8;
const int kOverlayColumns = 96;
const int kOverlayLines = 8; // the two of the transport, then errors
// All the hidden overlay shows, while a save is failing.
const char* const kErrorMarker = "! error (H shows it)";
const float kErrorMarkerRed[3] = {1.0f, 0.25f, 0.25f};
// The frame time shown is smoothed over about this many frames.
const double kFrameTimeSmoothing = 1.0 / 16.0;

// The overlay's text, rebuilt every frame in place.
struct OverlayText {
    char lines[kOverlayLines][kOverlayColumns + 1];
    int count;
};

// Everything the studio keeps between the window system's callbacks, in one
// record as the engine keeps its own in App.
struct Studio {
    StudioOptions options;
    trackc::MusicMap musicMap;
    Transport transport;
    LiveShow live;
    OverlayText overlay;
    bool overlayShown = true;
    double frameMs = 0.0;    // the last frame's
    double frameCpuMs = 0.0; // the process's CPU time (all threads) since the last frame
    int64_t lastCpuNs = 0;
    double smoothedFrameMs = 0.0; // the overlay's
    int64_t lastFrameEndNs = 0;   // 0: the next frame follows a pause
};
Studio studio;

TandemSpace::BassTimer& timer() {
    return *App::instance().soundSync->timer;
}

// A paused frame positions the stream itself (drawStoppedAt), exactly on its
// row; a playing stream is moved by the timer.
void seekTo(double row) {
    studio.transport.row = row;
    if (studio.transport.playing) timer().setRow(float(row));
    glutPostRedisplay();
}

void play() {
    studio.transport.row = playStartRow(studio.transport);
    timer().setRow(float(studio.transport.row));
    timer().play();
    studio.transport.playing = true;
    studio.lastFrameEndNs = 0;
}

void pause() {
    timer().pause();
    studio.transport.row = timer().currentRow();
    studio.transport.playing = false;
}

// Appends the text up to its first line end, cut to the overlay's width.
void addLine(const char* text, size_t length) {
    if (studio.overlay.count == kOverlayLines) return;
    if (length > size_t(kOverlayColumns)) length = kOverlayColumns;
    memcpy(studio.overlay.lines[studio.overlay.count], text, length);
    studio.overlay.lines[studio.overlay.count++][length] = '\0';
}

// Long lines wrap at spaces to the window's width, which also keeps the
// show-relative paths of the messages whole.
void addErrorLines(const char* text) {
    const int fit = (App::instance().width - 2 * kOverlayMargin) / kOverlayCharWidth;
    const size_t columns = size_t(fit < 1 ? 1 : fit > kOverlayColumns ? kOverlayColumns : fit);
    while (*text) {
        const char* end = strchr(text, '\n');
        const size_t length = end ? size_t(end - text) : strlen(text);
        for (size_t done = 0; done < length;) {
            const size_t row = wrapWidth(text + done, length - done, columns);
            addLine(text + done, row);
            done += row;
            while (done < length && text[done] == ' ')
                ++done;
        }
        text += length + (end ? 1 : 0);
    }
}

void addTransportLines() {
    char barBeat[32];
    formatBarBeat(studio.transport.row, barBeat, sizeof barBeat);
    char line[2 * kOverlayColumns];
    snprintf(line, sizeof line, "row %.1f  %s  %s", studio.transport.row, barBeat,
             sectionAt(studio.musicMap, studio.transport.row));
    addLine(line, strlen(line));
    snprintf(line, sizeof line, "%s  loop %.0f..%.0f %s  %.1f ms",
             studio.transport.playing ? "playing" : "paused", studio.transport.loop.start,
             studio.transport.loop.end, loopInForce(studio.transport.loop) ? "on" : "off",
             studio.smoothedFrameMs);
    addLine(line, strlen(line));
}

void drawOverlay() {
    studio.overlay.count = 0;
    if (!studio.overlayShown) {
        // Hidden, the overlay still says that a save failed.
        addLine(kErrorMarker, strlen(kErrorMarker));
    } else {
        addTransportLines();
        addErrorLines(studio.live.errorsOnScreen.c_str());
    }

    // Bitmaps take the raster colour unshaded, untextured and in front. The
    // frame's own state comes back afterwards, so the next frame is drawn as
    // it would be without the overlay (and the render-state cache stays true).
    GLint activeTexture = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT |
                 GL_TRANSFORM_BIT);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    // A dark veil under the text, in window pixels whatever the letterbox,
    // so that it reads on the show's white flashes as well as on black.
    const App& app = App::instance();
    size_t widest = 0;
    for (int i = 0; i < studio.overlay.count; ++i)
        if (strlen(studio.overlay.lines[i]) > widest) widest = strlen(studio.overlay.lines[i]);
    const int veilRight = kOverlayMargin * 2 + int(widest) * kOverlayCharWidth;
    const int veilBottom =
        app.height - kOverlayMargin * 2 - studio.overlay.count * kOverlayLineHeight;
    glViewport(0, 0, app.width, app.height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, app.width, 0, app.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, kOverlayVeilAlpha);
    glRecti(0, veilBottom, veilRight, app.height);
    glDisable(GL_BLEND);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    // Whole strings of one colour: the driver batches their bitmaps.
    const int top = app.height - kOverlayMargin - kOverlayLineHeight + 3;
    if (studio.overlayShown)
        glColor3f(1.0f, 1.0f, 1.0f);
    else
        glColor3f(kErrorMarkerRed[0], kErrorMarkerRed[1], kErrorMarkerRed[2]);
    for (int i = 0; i < studio.overlay.count; ++i) {
        glWindowPos2i(kOverlayMargin, top - i * kOverlayLineHeight);
        glutBitmapString(kOverlayFont,
                         reinterpret_cast<const unsigned char*>(studio.overlay.lines[i]));
    }
    glPopAttrib();
    glActiveTexture(GLenum(activeTexture));
}

void noteFrameTime(int64_t startNs, int64_t endNs) {
    // Playing, a frame lasts from the end of one to the end of the next; a
    // frame drawn while paused, or the first after a pause, costs its own
    // drawing.
    const int64_t since =
        studio.transport.playing && studio.lastFrameEndNs ? studio.lastFrameEndNs : startNs;
    studio.frameMs = double(endNs - since) / kNsPerMs;
    studio.smoothedFrameMs =
        studio.smoothedFrameMs == 0.0
            ? studio.frameMs
            : studio.smoothedFrameMs +
                  (studio.frameMs - studio.smoothedFrameMs) * kFrameTimeSmoothing;
    studio.lastFrameEndNs = studio.transport.playing ? endNs : 0;
    // CPU time holds still while other programs take the cores, so it shows
    // a frame's own cost (the software renderer's threads included) on a
    // busy machine too.
    timespec cpu;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const int64_t cpuNs = int64_t(cpu.tv_sec) * 1000 * kNsPerMs + cpu.tv_nsec;
    studio.frameCpuMs = studio.lastCpuNs ? double(cpuNs - studio.lastCpuNs) / kNsPerMs : 0.0;
    studio.lastCpuNs = cpuNs;
}

void onStudioDisplay() {
    App& app = App::instance();
    if (app.quit) App::shutdown();
    const int64_t startNs = wallClockNs();
    TandemSpace::BassTimer* timer = app.soundSync->timer;
    if (studio.transport.playing) {
        const double row = timer->currentRow();
        switch (playStep(studio.transport, row, timer->isPlaying())) {
        case PLAY_ON:
            studio.transport.row = row;
            break;
        case PLAY_WRAP:
            studio.transport.row = studio.transport.loop.start;
            timer->setRow(float(studio.transport.row));
            // A stream that ran to the music's end has stopped.
            timer->play();
            break;
        case PLAY_STOP:
            stopAtEnd(&studio.transport);
            break;
        }
    }
    if (studio.transport.playing)
        app.draw(studio.transport.row);
    else
        drawStoppedAt(studio.transport.row);
    if (studio.overlayShown || !studio.live.errorsOnScreen.empty()) drawOverlay();
    glutSwapBuffers();
    BASS_Update(0);
    const int64_t endNs = wallClockNs();
    noteFrameTime(startNs, endNs);
    if (studio.live.pendingSaveNs) {
        printf("halcyon-studio: %s on screen %.0f ms after the %s (rebuilt in %.1f ms)\n",
               studio.live.pendingWhat.c_str(),
               double(endNs - studio.live.pendingSaveNs) / kNsPerMs,
               studio.live.pendingRemoval ? "removal" : "save",
               double(studio.live.pendingRebuildNs) / kNsPerMs);
        studio.live.pendingSaveNs = 0;
        studio.live.pendingRebuildNs = 0;
    }
    if (studio.options.printRows)
        printf("row %.3f frame_ms %.2f cpu_ms %.2f overlay %d\n", studio.transport.row,
               studio.frameMs, studio.frameCpuMs, studio.overlayShown ? 1 : 0);
    fflush(stdout);
    if (studio.transport.playing) glutPostRedisplay();
}

void onPollTimer(int) {
    if (pollLiveShow(&studio.live)) glutPostRedisplay();
    glutTimerFunc(kPollMs, onPollTimer, 0);
}

void onStudioKey(unsigned char key, int, int) {
    switch (key) {
    case kEscape:
        App::instance().quit = true;
        break;
    case ' ':
        if (studio.transport.playing)
            pause();
        else
            play();
        break;
    case '[':
        setLoopStart(&studio.transport);
        break;
    case ']':
        setLoopEnd(&studio.transport);
        break;
    case 'l':
    case 'L':
        studio.transport.loop.enabled = !studio.transport.loop.enabled;
        break;
    case 'h':
    case 'H':
        studio.overlayShown = !studio.overlayShown;
        break;
    default:
        return;
    }
    glutPostRedisplay();
}

void onStudioSpecialKey(int key, int, int) {
    const bool shift = glutGetModifiers() & GLUT_ACTIVE_SHIFT;
    SeekMove move;
    switch (key) {
    case GLUT_KEY_LEFT:
        move = shift ? SEEK_BAR_BACK : SEEK_BEAT_BACK;
        break;
    case GLUT_KEY_RIGHT:
        move = shift ? SEEK_BAR_FORWARD : SEEK_BEAT_FORWARD;
        break;
    case GLUT_KEY_UP:
        move = SEEK_SECTION_BACK;
        break;
    case GLUT_KEY_DOWN:
        move = SEEK_SECTION_FORWARD;
        break;
    case GLUT_KEY_HOME:
        move = SEEK_HOME;
        break;
    default:
        return;
    }
    if (studio.transport.playing) studio.transport.row = timer().currentRow();
    seekTo(seekTarget(studio.transport, move, studio.musicMap));
}

[[noreturn]] void usageError(const std::string& message) {
    fprintf(stderr, "halcyon-studio: %s (see --help)\n", message.c_str());
    exit(2);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0) {
            fputs(kStudioUsage, stdout);
            return 0;
        }
    }
    // The show folder's own map, where it has one, names its sections.
    const std::string showMap =
        showMusicMapPath(showDirArgument(argc, argv, HALCYON_STUDIO_SHOW_DIR));
    trackc::Error mapError;
    if (!trackc::readMusicMap(showMap.empty() ? HALCYON_STUDIO_MUSIC_MAP : showMap,
                              &studio.musicMap, &mapError))
        App::fail("halcyon-studio: %s\n", trackc::formatError(mapError).c_str());
    std::string error;
    if (!parseStudioOptions(argc, argv, studio.musicMap, HALCYON_STUDIO_SHOW_DIR, &studio.options,
                            &error))
        usageError(error);

    initWindowSystem(&argc, argv);
    openWindow(studio.options.width, studio.options.height);
    glutSetWindowTitle(kStudioTitle);
    setUpShow(onStudioDisplay);
    glutKeyboardFunc(onStudioKey);
    glutSpecialFunc(onStudioSpecialKey);

    App& app = App::instance();
    startLiveShow(&studio.live, studio.options.showDir, &studio.musicMap,
                  app.soundSync->sync->device);

    const DWORD stream = timer().stream;
    studio.transport.endRow =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE)) * kRowRate;
    studio.transport.loop = Loop{0.0, studio.transport.endRow, false};
    if (studio.options.hasLoop)
        studio.transport.loop =
            Loop{double(studio.options.loopStart), double(studio.options.loopEnd), true};
    studio.transport.row = studio.options.hasFrom   ? studio.options.from
                           : studio.options.hasLoop ? studio.options.loopStart
                                                    : 0;

    if (!BASS_Start()) App::fail("Error while BASS_Start: %i\n", BASS_ErrorGetCode());
    if (!studio.options.paused) play();
    glutTimerFunc(kPollMs, onPollTimer, 0);
    glutMainLoop();
    App::shutdown();
}
