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
// equaliser follow every seek. The picture keeps 16:9 in the window's
// top-left area; the panels (StudioPanels: the track grid, the transport, the
// messages) fill the rest and are drawn after the frame, outside the picture
// the frame renderer and the video export produce; Tab shows the picture
// alone. Slow playback (half, quarter speed) is silent: the stream stays
// paused and is positioned under each frame, so the spectrum still follows.
// While paused, a frame is drawn only when something changes. In fly mode
// (f) the picture comes from a camera flown with the mouse (FlyCamera), which
// k keys into the camera tracks; the side panel mutes and solos the picture's
// layers (StudioOverride). The timeline along the bottom scrubs the music
// (Timeline, its envelope from the decoded music), and bookmarks kept in the
// show folder mark rows (Bookmarks). Bad arguments: one line on stderr,
// status 2, before any window.
#include "Bookmarks.h"
#include "FlyCamera.h"
#include "LiveShow.h"
#include "Messages.h"
#include "Navigation.h"
#include "StudioEdit.h"
#include "StudioPanels.h"
#include "TrackGrid.h"
#include "app/common/Shell.h"
#include "StudioOptions.h"
#include "Timeline.h"
#include "Transport.h"

#include "audio/DecodedMusic.h"
#include "audio/Loudness.h"
#include "audio/bass.h"
#include "effects/StudioOverride.h"
#include "tandem1.0/App.h"
#include "tandem1.0/GL.h"
#include "tandem1.0/SoundSync.h"
#include "tracks/EditHistory.h"
#include "tracks/TrackCompile.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char* const kStudioTitle = "halcyon-studio";
const unsigned char kEscape = 27;
const unsigned char kTab = '\t';
const unsigned char kBackspace = 8;
const unsigned char kEnter = 13;
const unsigned char kDelete = 127;
// GLUT hands Ctrl+letter over as the letter's control code.
const unsigned char kCtrlC = 3;
const unsigned char kCtrlV = 22;
const unsigned char kCtrlZ = 26;
// Saves are looked for this often, paused or playing.
const unsigned kPollMs = 15;
const int64_t kNsPerMs = 1000000;
// All the hidden panels show, while a save is failing.
const char* const kErrorMarker = "! error (Tab shows it)";
// The frame time shown is smoothed over about this many frames.
const double kFrameTimeSmoothing = 1.0 / 16.0;
const size_t kPromptCapacity = 64;
const size_t kLineCapacity = 256;

enum PromptKind {
    PROMPT_NONE,
    PROMPT_VALUE, // a number for the cursor cell
    PROMPT_GOTO,  // a position
};

// Everything the studio keeps between the window system's callbacks, in one
// record as the engine keeps its own in App.
struct Studio {
    StudioOptions options;
    trackc::MusicMap musicMap;
    Transport transport;
    LiveShow live;
    StudioEdit edit;
    // The sources' keys with their lines, read again after every rebuild,
    // and what the panel says of the key at the cursor.
    std::vector<trackc::EditTrack> sourceKeys;
    std::string cellInfo;
    int cellInfoRow = -1;
    int cellInfoColumn = -1;
    int cellInfoGeneration = -1;
    bool panelsShown = true;
    int windowWidth = 0;
    int windowHeight = 0;
    StudioLayout layout;
    std::vector<GridColumn> columns;
    int columnsGeneration = -1;
    int cursorColumn = 0;
    bool hasMark = false;
    int markRow = 0;
    int markColumn = 0;
    int speedIndex = 0;     // into kSpeeds
    int64_t slowTickNs = 0; // slow playback: when the row was last advanced
    PromptKind promptKind = PROMPT_NONE;
    char prompt[kPromptCapacity] = ""; // what is typed, after its label
    char promptLine[kPromptCapacity + 16] = "";
    char message[kLineCapacity] = "";
    char position[kLineCapacity] = "";
    double positionRow = -1.0; // the row `position` was written for
    double frameMs = 0.0;      // the last frame's
    double frameCpuMs = 0.0;   // the process's CPU time (all threads) since the last frame
    int64_t lastCpuNs = 0;
    double smoothedFrameMs = 0.0; // the panels'
    int64_t lastFrameEndNs = 0;   // 0: the next frame follows a pause
    int64_t framesDrawn = 0;
    // The last edit made in the grid, until a frame shows it: when its key
    // came, what writing and swapping it took, the frames drawn before it.
    int64_t editKeyNs = 0;
    int64_t editApplyNs = 0;
    int64_t editFramesBefore = 0;
    // The curve view: Shift at the last mouse button event (a drag by rows).
    bool mouseShift = false;
    // Fly mode: the pose the picture is drawn from while it is on, and the
    // mouse drag moving it (GLUT's button, the pointer's last place). The
    // layers muted and soloed in the picture.
    bool flying = false;
    CameraPose flyPose{};
    int flyButton = -1; // -1: no drag
    bool flyPan = false;
    int flyX = 0;
    int flyY = 0;
    LayerFlags layers{};
    // Timeline and bookmarks: the rows the strip shows, the music's envelope
    // (made once the music is decoded), a drag on the strip under way, and
    // the last click on it until a frame shows its row.
    TimelineSpan timelineSpan{0.0, 1.0};
    LoudnessSummary loudness;
    bool hasLoudness = false;
    double loudnessMs = 0.0; // making it took
    bool scrubbing = false;
    int64_t scrubNs = 0;
    int64_t scrubFramesBefore = 0;
};
Studio studio;

// The grid's cursor: the row (the transport's, whole) and the column.
int cursorRow();
const GridColumn* cursorColumn();

TandemSpace::BassTimer& timer() {
    return *App::instance().soundSync->timer;
}

bool slow() {
    return kSpeeds[studio.speedIndex] < 1.0;
}

// A paused frame positions the stream itself (drawStoppedAt), exactly on its
// row; a playing stream is moved by the timer.
void seekTo(double row) {
    studio.transport.row = row;
    if (studio.transport.playing && !slow()) timer().setRow(float(row));
    glutPostRedisplay();
}

void play() {
    studio.transport.row = playStartRow(studio.transport);
    studio.transport.playing = true;
    studio.lastFrameEndNs = 0;
    if (slow()) {
        studio.slowTickNs = wallClockNs();
        return;
    }
    timer().setRow(float(studio.transport.row));
    timer().play();
}

void pause() {
    if (!slow()) {
        timer().pause();
        studio.transport.row = timer().currentRow();
    }
    studio.transport.playing = false;
}

// The row now, whether the stream or the slow clock drives it.
double currentRow() {
    return studio.transport.playing && !slow() ? timer().currentRow() : studio.transport.row;
}

// Full, half, quarter speed; playback goes on from the same row.
void cycleSpeed() {
    const bool playing = studio.transport.playing;
    if (playing) pause();
    studio.speedIndex = (studio.speedIndex + 1) % kSpeedCount;
    if (playing) play();
    snprintf(studio.message, sizeof studio.message, "speed %g%s", kSpeeds[studio.speedIndex],
             slow() ? " (silent)" : "");
}

void applyLayout() {
    App& app = App::instance();
    studio.layout = studioLayout(studio.windowWidth, studio.windowHeight, !studio.panelsShown);
    const PixelRect& picture = studio.layout.picture;
    app.originX = picture.x;
    app.originY = studio.windowHeight - picture.y - picture.height;
    App::setViewport(uint32_t(picture.width), uint32_t(picture.height));
}

void onStudioReshape(int width, int height) {
    studio.windowWidth = width < 0 ? 0 : width;
    studio.windowHeight = height < 0 ? 0 : height;
    applyLayout();
}

// What the panels show that takes reading: the grid's columns and the
// sources' key lines after a rebuild, the key at the cursor when the cursor
// moves, the position in the sources' form, both while paused (playing, the
// row and bar:beat suffice: nothing is formatted into new strings a frame).
void refreshPanelText() {
    const int generation = studio.live.tracksGeneration;
    if (generation != studio.columnsGeneration) {
        studio.columns = gridColumns(studio.live.tracks, studio.live.device);
        studio.columnsGeneration = generation;
        studio.cursorColumn =
            std::max(0, std::min(studio.cursorColumn, int(studio.columns.size()) - 1));
        std::string message;
        studio.sourceKeys.clear();
        if (!readSourceKeys(studio.edit, &studio.sourceKeys, &message)) studio.sourceKeys.clear();
    }
    const int row = cursorRow();
    if (studio.transport.playing) {
        // Read again once paused.
        studio.cellInfo.clear();
        studio.cellInfoRow = -1;
    } else if (row != studio.cellInfoRow || studio.cursorColumn != studio.cellInfoColumn ||
               generation != studio.cellInfoGeneration) {
        const GridColumn* column = cursorColumn();
        studio.cellInfo = column ? keyOrigin(studio.sourceKeys, column->name, row) : "";
        studio.cellInfoRow = row;
        studio.cellInfoColumn = studio.cursorColumn;
        studio.cellInfoGeneration = generation;
        studio.positionRow = -1.0;
    }
    if (studio.transport.playing) {
        char barBeat[32];
        formatBarBeat(studio.transport.row, barBeat, sizeof barBeat);
        snprintf(studio.position, sizeof studio.position, "%s", barBeat);
        studio.positionRow = -1.0;
    } else if (studio.transport.row != studio.positionRow) {
        snprintf(studio.position, sizeof studio.position, "%s",
                 trackc::formatPosition(studio.musicMap, studio.transport.row).c_str());
        studio.positionRow = studio.transport.row;
    }
}

void drawStudioPanels(PanelActions* actions) {
    refreshPanelText();
    snprintf(studio.promptLine, sizeof studio.promptLine, "%s%s",
             studio.promptKind == PROMPT_GOTO    ? "go to: "
             : studio.promptKind == PROMPT_VALUE ? "value: "
                                                 : "",
             studio.prompt);
    const PanelView view{studio.layout,
                         studio.windowWidth,
                         studio.windowHeight,
                         &studio.transport,
                         &studio.musicMap,
                         &studio.columns,
                         studio.cursorColumn,
                         studio.hasMark,
                         studio.markRow,
                         studio.markColumn,
                         kSpeeds[studio.speedIndex],
                         studio.smoothedFrameMs,
                         studio.position,
                         studio.cellInfo.c_str(),
                         studio.promptLine,
                         studio.message,
                         &studio.live.errorsOnScreen,
                         studio.mouseShift,
                         studio.flying ? &studio.flyPose : nullptr,
                         &studio.layers,
                         studio.timelineSpan,
                         studio.hasLoudness ? &studio.loudness : nullptr,
                         &studio.live.bookmarks};
    buildPanels(view, actions);
    if (panelsNeedAnotherFrame()) glutPostRedisplay();
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

int cursorRow() {
    return int(std::floor(studio.transport.row));
}

void moveTo(double row) {
    seekTo(std::min(std::max(row, 0.0), studio.transport.endRow));
}

// Key edits at the cursor cell, written into the sources at once. The tracks
// are rebuilt from the written files before the key's callback returns, so
// the next frame shows the edit.
const float kNudgeStep = 0.1f;
const float kNudgeLargeStep = 1.0f;

const GridColumn* cursorColumn() {
    if (studio.cursorColumn < 0 || studio.cursorColumn >= int(studio.columns.size()))
        return nullptr;
    return &studio.columns[size_t(studio.cursorColumn)];
}

void setMessage(const std::string& text) {
    snprintf(studio.message, sizeof studio.message, "%s", text.c_str());
}

// Puts what the edit wrote in use; the frame after shows it.
void afterWrite(int64_t keyNs, const std::vector<std::string>& written) {
    if (!written.empty()) trackFileWritten(&studio.live, written);
    studio.editKeyNs = keyNs;
    studio.editApplyNs = wallClockNs() - keyNs;
    studio.editFramesBefore = studio.framesDrawn;
}

void applyEdits(const std::vector<trackc::KeyEdit>& edits, const char* what) {
    if (edits.empty()) return;
    const int64_t keyNs = wallClockNs();
    std::vector<std::string> written;
    std::string message;
    if (!applyStudioEdits(&studio.edit, edits, &written, &message)) {
        setMessage(message);
        return;
    }
    afterWrite(keyNs, written);
    setMessage(std::string(what) +
               (written.empty() ? " (no change)" : " in tracks/" + written.front()));
}

// The key at the cursor cell, or null with a message.
const Key* keyAtCursor() {
    const GridColumn* column = cursorColumn();
    if (!column) return nullptr;
    const int index = sync_find_key(column->track, cursorRow());
    if (index < 0) {
        setMessage("no key at the cursor");
        return nullptr;
    }
    return &column->track->keys[index];
}

void setValueTyped() {
    float value = 0.0f;
    const GridColumn* column = cursorColumn();
    if (!column) return;
    if (!parseKeyValue(studio.prompt, &value)) {
        setMessage(std::string("not a number: ") + studio.prompt);
        return;
    }
    applyEdits({trackc::setKey(column->name, cursorRow(), value)}, "key set");
}

void cycleInterpolation() {
    const Key* key = keyAtCursor();
    if (!key) return;
    applyEdits({trackc::setInterpolation(cursorColumn()->name, cursorRow(),
                                         nextInterpolation(key->interpolation))},
               "interpolation changed");
}

void deleteKey() {
    if (!keyAtCursor()) return;
    applyEdits({trackc::deleteKey(cursorColumn()->name, cursorRow())}, "key deleted");
}

void nudgeKey(float by) {
    const Key* key = keyAtCursor();
    if (!key) return;
    applyEdits({trackc::setKey(cursorColumn()->name, cursorRow(), key->value + by)}, "key nudged");
}

// The cursor follows the key, so that repeated moves move it on.
void moveKey(int rows) {
    if (!keyAtCursor()) return;
    const int from = cursorRow();
    applyEdits({trackc::moveKey(cursorColumn()->name, from, rows)}, "key moved");
    if (sync_find_key(cursorColumn()->track, from + rows) >= 0) moveTo(from + rows);
}

// The block from the mark to the cursor (the cursor cell alone without one).
void copyBlock() {
    const int row = cursorRow();
    const int firstRow = studio.hasMark ? std::min(studio.markRow, row) : row;
    const int lastRow = studio.hasMark ? std::max(studio.markRow, row) : row;
    const int first =
        studio.hasMark ? std::min(studio.markColumn, studio.cursorColumn) : studio.cursorColumn;
    const int last =
        studio.hasMark ? std::max(studio.markColumn, studio.cursorColumn) : studio.cursorColumn;
    std::vector<std::string> names;
    for (int c = std::max(first, 0); c <= last && c < int(studio.columns.size()); ++c)
        names.push_back(studio.columns[size_t(c)].name);
    std::string message;
    copyStudioBlock(&studio.edit, names, firstRow, lastRow - firstRow + 1, &message);
    setMessage(message);
    studio.hasMark = false;
}

// The block's top-left corner at the cursor cell; columns past the last are
// left out.
void pasteBlock() {
    if (studio.edit.copied.rows == 0) {
        setMessage("nothing copied");
        return;
    }
    std::vector<std::string> into;
    for (size_t i = 0; i < studio.edit.copied.tracks.size(); ++i) {
        const size_t c = size_t(studio.cursorColumn) + i;
        if (c >= studio.columns.size()) break;
        into.push_back(studio.columns[c].name);
    }
    trackc::KeyBlock block = studio.edit.copied;
    block.tracks.resize(into.size());
    block.keys.resize(into.size());
    applyEdits(trackc::pasteKeyBlock(block, into, cursorRow()), "block pasted");
}

void undoOrRedo(bool redo) {
    const int64_t keyNs = wallClockNs();
    std::vector<std::string> written;
    std::string message;
    if (!undoStudioEdit(&studio.edit, redo, &written, &message)) {
        setMessage(message);
        return;
    }
    afterWrite(keyNs, written);
    setMessage(redo ? "redone" : "undone");
}

// What was done in the panels, once they are drawn. A key dragged in the
// curve view is one batch, so one undo takes it back; a layer's switch
// flips, and the next frame shows it.
void applyPanelActions(const PanelActions& actions) {
    if (actions.curveDragDone) {
        applyEdits(curveDragEdits(actions.curveTrack, actions.curveFromRow, actions.curveFromValue,
                                  actions.curveTarget),
                   "key dragged");
        glutPostRedisplay();
    }
    if (actions.toggleMute >= 0)
        studio.layers.muted[actions.toggleMute] = !studio.layers.muted[actions.toggleMute];
    if (actions.toggleSolo >= 0)
        studio.layers.soloed[actions.toggleSolo] = !studio.layers.soloed[actions.toggleSolo];
    if (actions.toggleMute >= 0 || actions.toggleSolo >= 0) {
        setStudioLayers(studio.layers);
        glutPostRedisplay();
    }
}

// Fly mode: the picture from a pose of the studio's own, starting from the
// tracks' at the row; leaving it puts the tracks' camera back.
void setFlying(bool on) {
    studio.flying = on;
    studio.flyButton = -1;
    if (on) studio.flyPose = cameraPoseAt(studio.transport.row);
    setStudioCamera(on ? &studio.flyPose : nullptr);
    setMessage(on ? "fly mode (f or Esc leaves, k keys the camera)" : "the tracks' camera");
}

void flyTo(const CameraPose& pose) {
    studio.flyPose = pose;
    setStudioCamera(&studio.flyPose);
    glutPostRedisplay();
}

// The pose as keys at the cursor row, in the tracks whose value there
// differs; one edit, so one undo takes it back.
void keyCamera() {
    if (!studio.flying) {
        setMessage("k keys the flown camera: f flies first");
        return;
    }
    const int row = cursorRow();
    const std::vector<trackc::KeyEdit> edits = captureEdits(studio.flyPose, cameraPoseAt(row), row);
    if (edits.empty()) {
        setMessage("the camera is as the tracks have it: no key written");
        return;
    }
    applyEdits(edits, "camera keyed");
}

bool inPicture(int x, int y) {
    const PixelRect& p = studio.layout.picture;
    return x >= p.x && x < p.x + p.width && y >= p.y && y < p.y + p.height;
}

// Slow playback: the row moves by the wall clock; the silent stream is
// positioned under each frame by drawStoppedAt.
double slowPlayRow() {
    const int64_t nowNs = wallClockNs();
    const double row =
        slowRowAfter(studio.transport.row, nowNs - studio.slowTickNs, kSpeeds[studio.speedIndex]);
    studio.slowTickNs = nowNs;
    return row;
}

void advancePlayback() {
    TandemSpace::BassTimer* timer = App::instance().soundSync->timer;
    const double row = slow() ? slowPlayRow() : timer->currentRow();
    const bool streamPlaying = slow() ? row < studio.transport.endRow : timer->isPlaying();
    switch (playStep(studio.transport, row, streamPlaying)) {
    case PLAY_ON:
        studio.transport.row = row;
        break;
    case PLAY_WRAP:
        studio.transport.row = studio.transport.loop.start;
        if (slow()) break;
        timer->setRow(float(studio.transport.row));
        // A stream that ran to the music's end has stopped.
        timer->play();
        break;
    case PLAY_STOP:
        stopAtEnd(&studio.transport);
        break;
    }
}

// The panels' own CPU time a frame, kept for the summary at the end.
const int kPanelSampleCapacity = 1 << 14;
float panelCpuMs[kPanelSampleCapacity];
float panelBuildMs[kPanelSampleCapacity];    // of which laying them out
float timelineBuildMs[kPanelSampleCapacity]; // of which the timeline
int panelSampleCount = 0;

// The curve view's own CPU time a frame, alone and with the grid's.
float curveCpuMs[kPanelSampleCapacity];
float curveGridCpuMs[kPanelSampleCapacity];

int64_t threadCpuNs() {
    timespec cpu;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return int64_t(cpu.tv_sec) * 1000 * kNsPerMs + cpu.tv_nsec;
}

void printPanelSummary() {
    if (!studio.options.printRows || panelSampleCount == 0) return;
    std::sort(panelCpuMs, panelCpuMs + panelSampleCount);
    std::sort(panelBuildMs, panelBuildMs + panelSampleCount);
    std::sort(timelineBuildMs, timelineBuildMs + panelSampleCount);
    printf("halcyon-studio: panels %.3f ms CPU a frame (median of %d frames, max %.3f ms; laying "
           "them out %.3f ms, the rest GL)\n",
           double(panelCpuMs[panelSampleCount / 2]), panelSampleCount,
           double(panelCpuMs[panelSampleCount - 1]), double(panelBuildMs[panelSampleCount / 2]));
    std::sort(curveCpuMs, curveCpuMs + panelSampleCount);
    std::sort(curveGridCpuMs, curveGridCpuMs + panelSampleCount);
    printf("halcyon-studio: curve view %.3f ms CPU a frame (median of %d frames, max %.3f ms; with "
           "the grid %.3f ms, max %.3f ms; laying them out)\n",
           double(curveCpuMs[panelSampleCount / 2]), panelSampleCount,
           double(curveCpuMs[panelSampleCount - 1]), double(curveGridCpuMs[panelSampleCount / 2]),
           double(curveGridCpuMs[panelSampleCount - 1]));
    printf("halcyon-studio: timeline %.3f ms CPU a frame to lay out (median of %d frames, max "
           "%.3f ms; the music's waveform summarised once in %.1f ms)\n",
           double(timelineBuildMs[panelSampleCount / 2]), panelSampleCount,
           double(timelineBuildMs[panelSampleCount - 1]), studio.loudnessMs);
    fflush(stdout);
}

void onStudioDisplay() {
    App& app = App::instance();
    if (app.quit) {
        printPanelSummary();
        App::shutdown();
    }
    const int64_t startNs = wallClockNs();
    if (studio.transport.playing) advancePlayback();
    if (studio.transport.playing && !studio.scrubbing)
        studio.timelineSpan =
            followPlayHead(studio.timelineSpan, studio.transport.row, studio.transport.endRow);
    if (studio.transport.playing && !slow())
        app.draw(studio.transport.row);
    else
        drawStoppedAt(studio.transport.row);
    if (studio.panelsShown) {
        const int64_t panelStartNs = threadCpuNs();
        PanelActions actions;
        drawStudioPanels(&actions);
        const int64_t panelBuiltNs = threadCpuNs();
        renderPanels();
        applyPanelActions(actions);
        if (panelSampleCount < kPanelSampleCapacity) {
            const CurveViewCost curveCost = lastCurveViewCost();
            curveCpuMs[panelSampleCount] = float(curveCost.curvesMs);
            curveGridCpuMs[panelSampleCount] = float(curveCost.withGridMs);
            panelBuildMs[panelSampleCount] = float(double(panelBuiltNs - panelStartNs) / kNsPerMs);
            timelineBuildMs[panelSampleCount] = float(actions.timelineBuildMs);
            panelCpuMs[panelSampleCount++] = float(double(threadCpuNs() - panelStartNs) / kNsPerMs);
        }
    } else if (!studio.live.errorsOnScreen.empty()) {
        // Hidden, the panels still say that a save failed.
        buildErrorMarker(kErrorMarker, studio.windowWidth, studio.windowHeight);
        renderPanels();
    }
    glutSwapBuffers();
    BASS_Update(0);
    const int64_t endNs = wallClockNs();
    noteFrameTime(startNs, endNs);
    ++studio.framesDrawn;
    if (studio.editKeyNs) {
        printf("halcyon-studio: edit on screen %.0f ms after the key, in frame +%lld (written and "
               "swapped in %.1f ms)\n",
               double(endNs - studio.editKeyNs) / kNsPerMs,
               (long long)(studio.framesDrawn - studio.editFramesBefore),
               double(studio.editApplyNs) / kNsPerMs);
        studio.editKeyNs = 0;
    }
    if (studio.scrubNs) {
        printf("halcyon-studio: scrub on screen %.1f ms after the click, in frame +%lld\n",
               double(endNs - studio.scrubNs) / kNsPerMs,
               (long long)(studio.framesDrawn - studio.scrubFramesBefore));
        studio.scrubNs = 0;
    }
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
               studio.frameMs, studio.frameCpuMs, studio.panelsShown ? 1 : 0);
    fflush(stdout);
    if (studio.transport.playing) glutPostRedisplay();
}

// The music's envelope for the timeline, once the stream is decoded to its
// end; asked for only after the first frame, so that decoding the rest stays
// out of the start-up's way. No frame is drawn for it alone: a paused studio
// draws only when something changes, and the next frame shows it.
void summariseMusicOnce() {
    if (studio.hasLoudness || studio.framesDrawn == 0) return;
    const int16_t* samples = nullptr;
    uint64_t frames = 0;
    if (!streamDecodedSamples(timer().stream, &samples, &frames)) return;
    const int64_t startNs = wallClockNs();
    studio.loudness = summariseLoudness(samples, frames);
    studio.hasLoudness = true;
    studio.loudnessMs = double(wallClockNs() - startNs) / kNsPerMs;
}

void onPollTimer(int) {
    summariseMusicOnce();
    if (pollLiveShow(&studio.live)) {
        // Edits resolve positions with the map on screen, a saved one too.
        studio.edit.map = studio.musicMap;
        glutPostRedisplay();
    }
    glutTimerFunc(kPollMs, onPollTimer, 0);
}

// m: a bookmark at the cursor row, named mark1, mark2, ... (the author may
// rename it in the file), or the one there cleared. The file is read afresh,
// so a save not yet taken up is not lost; one that does not parse is left
// alone.
void toggleBookmark() {
    const std::string path = bookmarkFilePath(studio.live);
    std::string text;
    if (!readBookmarkText(studio.live, &text)) {
        setMessage(path + ": cannot read");
        return;
    }
    std::vector<Bookmark> bookmarks;
    trackc::Error error;
    if (!parseBookmarks(text, path, studio.musicMap, &bookmarks, &error)) {
        setMessage(trackc::formatError(error));
        return;
    }
    const int row = cursorRow();
    const Bookmark* there = bookmarkAt(bookmarks, row);
    const std::string name = there ? there->name : newBookmarkName(bookmarks, studio.musicMap);
    const std::string changed = there ? removeBookmarkLine(text, there->line)
                                      : addBookmarkLine(text, name, studio.musicMap, row);
    if (!parseBookmarks(changed, path, studio.musicMap, &bookmarks, &error) ||
        !trackc::writeFileAtomically(path, changed, &error)) {
        setMessage(trackc::formatError(error));
        return;
    }
    bookmarkFileWritten(&studio.live, bookmarks);
    setMessage("bookmark " + name +
               (there ? " cleared" : " set at " + trackc::formatKeyPosition(studio.musicMap, row)));
}

// , and .: the nearest bookmark before or after the row.
void jumpToBookmark(bool forward) {
    int32_t target = 0;
    studio.transport.row = currentRow();
    if (!nextBookmarkRow(studio.live.bookmarks, studio.transport.row, forward, &target)) {
        setMessage(forward ? "no bookmark after the row" : "no bookmark before the row");
        return;
    }
    moveTo(target);
}

void step(GridStep move) {
    studio.transport.row = currentRow();
    moveTo(gridStepTarget(studio.transport.row, move, studio.transport.endRow));
}

void goToTyped() {
    int32_t row = 0;
    trackc::Error error;
    if (!resolveBookmarkOrPosition(studio.prompt, studio.musicMap, studio.live.bookmarks, "go to",
                                   &row, &error)) {
        snprintf(studio.message, sizeof studio.message, "%s", trackc::formatError(error).c_str());
        return;
    }
    studio.transport.row = currentRow();
    moveTo(row);
}

// Prints the cursor's position as the sources write it, and hands it to the
// panels' clipboard (GLUT reaches no system clipboard).
void copyPosition() {
    const std::string position = trackc::formatPosition(studio.musicMap, currentRow());
    printf("%s\n", position.c_str());
    fflush(stdout);
    setPanelsClipboard(position.c_str());
    setMessage("position " + position + " copied");
}

void openPrompt(PromptKind kind, char first) {
    studio.promptKind = kind;
    studio.prompt[0] = first;
    studio.prompt[first ? 1 : 0] = '\0';
}

void closePrompt() {
    studio.promptKind = PROMPT_NONE;
    studio.prompt[0] = '\0';
}

bool isNumberChar(unsigned char key) {
    return (key >= '0' && key <= '9') || key == '.' || key == '-';
}

// Keys while something is typed: the text takes printable characters,
// Backspace, Enter (done) and Escape (dropped). True when the key was taken.
bool promptKey(unsigned char key) {
    if (studio.promptKind == PROMPT_NONE) return false;
    const size_t length = strlen(studio.prompt);
    if (key == kEscape) {
        closePrompt();
    } else if (key == kBackspace) {
        if (length > 0) studio.prompt[length - 1] = '\0';
        if (length <= 1 && studio.promptKind == PROMPT_VALUE) closePrompt();
    } else if (key == kEnter) {
        if (studio.promptKind == PROMPT_GOTO)
            goToTyped();
        else
            setValueTyped();
        closePrompt();
    } else if (key >= ' ' && key < kDelete &&
               (studio.promptKind == PROMPT_GOTO || isNumberChar(key))) {
        if (length + 1 < kPromptCapacity) {
            studio.prompt[length] = char(key);
            studio.prompt[length + 1] = '\0';
        }
    } else {
        return studio.promptKind == PROMPT_GOTO;
    }
    return true;
}

void onStudioKey(unsigned char key, int, int) {
    if (promptKey(key)) {
        glutPostRedisplay();
        return;
    }
    const bool shift = glutGetModifiers() & GLUT_ACTIVE_SHIFT;
    if (isNumberChar(key) && key != '.') {
        openPrompt(PROMPT_VALUE, char(key));
        glutPostRedisplay();
        return;
    }
    switch (key) {
    case kEscape:
        // A block being marked is dropped first, then fly mode.
        if (studio.hasMark)
            studio.hasMark = false;
        else if (studio.flying)
            setFlying(false);
        else
            App::instance().quit = true;
        break;
    case 'f':
    case 'F':
        setFlying(!studio.flying);
        break;
    case 'k':
    case 'K':
        keyCamera();
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
    case kTab:
        studio.panelsShown = !studio.panelsShown;
        applyLayout();
        break;
    case 'g':
    case 'G':
        openPrompt(PROMPT_GOTO, '\0');
        break;
    case 's':
    case 'S':
        cycleSpeed();
        break;
    case 'p':
    case 'P':
        copyPosition();
        break;
    case 'b':
    case 'B':
        studio.hasMark = true;
        studio.markRow = cursorRow();
        studio.markColumn = studio.cursorColumn;
        break;
    case 'i':
    case 'I':
        cycleInterpolation();
        break;
    case kDelete:
        deleteKey();
        break;
    case kCtrlC:
        copyBlock();
        break;
    case kCtrlV:
        pasteBlock();
        break;
    case kCtrlZ:
        undoOrRedo(shift);
        break;
    // Bookmarks.
    case 'm':
    case 'M':
        toggleBookmark();
        break;
    case ',':
    case '.':
        jumpToBookmark(key == '.');
        break;
    default:
        return;
    }
    glutPostRedisplay();
}

void onStudioSpecialKey(int key, int, int) {
    const int modifiers = glutGetModifiers();
    const bool shift = modifiers & GLUT_ACTIVE_SHIFT;
    const bool ctrl = modifiers & GLUT_ACTIVE_CTRL;
    const bool alt = modifiers & GLUT_ACTIVE_ALT;
    const int columnCount = int(studio.columns.size());
    switch (key) {
    case GLUT_KEY_UP:
    case GLUT_KEY_DOWN: {
        const bool up = key == GLUT_KEY_UP;
        if (ctrl)
            nudgeKey((up ? 1.0f : -1.0f) * (shift ? kNudgeLargeStep : kNudgeStep));
        else if (alt)
            moveKey((up ? -1 : 1) * (shift ? kRowsPerBeat : 1));
        else if (shift)
            step(up ? STEP_BEAT_BACK : STEP_BEAT_FORWARD);
        else
            step(up ? STEP_ROW_BACK : STEP_ROW_FORWARD);
        break;
    }
    case GLUT_KEY_PAGE_UP:
    case GLUT_KEY_PAGE_DOWN: {
        const bool up = key == GLUT_KEY_PAGE_UP;
        studio.transport.row = currentRow();
        if (shift)
            moveTo(seekTarget(studio.transport, up ? SEEK_SECTION_BACK : SEEK_SECTION_FORWARD,
                              studio.musicMap));
        else
            step(up ? STEP_BAR_BACK : STEP_BAR_FORWARD);
        break;
    }
    case GLUT_KEY_LEFT:
        if (columnCount > 0) studio.cursorColumn = std::max(0, studio.cursorColumn - 1);
        break;
    case GLUT_KEY_RIGHT:
        if (columnCount > 0)
            studio.cursorColumn = std::min(columnCount - 1, studio.cursorColumn + 1);
        break;
    case GLUT_KEY_HOME:
        studio.transport.row = currentRow();
        moveTo(seekTarget(studio.transport, SEEK_HOME, studio.musicMap));
        break;
    default:
        return;
    }
    glutPostRedisplay();
}

bool overTimeline(int x, int y) {
    const PixelRect& rect = studio.layout.timeline;
    return studio.panelsShown && x >= rect.x && x < rect.x + rect.width && y >= rect.y &&
           y < rect.y + rect.height;
}

// The row under the pointer on the timeline; the sound follows as after any
// seek.
void scrubTo(int x) {
    const PixelRect& rect = studio.layout.timeline;
    moveTo(timelineRowAt(studio.timelineSpan, rect.x, rect.width, x, studio.transport.endRow));
}

// The wheel moves the cursor a row a notch (a beat with Shift), forward when
// turned towards the user, as a page scrolls. Over the timeline it zooms
// around the pointer instead (away from the user: in); in fly mode over the
// picture it moves the camera.
void onStudioWheel(int, int direction, int x, int y) {
    if (overTimeline(x, y)) {
        const PixelRect& rect = studio.layout.timeline;
        const TimelineSpan& span = studio.timelineSpan;
        const double anchor =
            span.first + (double(x) + 0.5 - rect.x) / rect.width * (span.last - span.first);
        studio.timelineSpan =
            zoomTimeline(span, anchor, direction > 0 ? kTimelineZoomStep : 1.0 / kTimelineZoomStep,
                         studio.transport.endRow);
        glutPostRedisplay();
        return;
    }
    const int modifiers = glutGetModifiers();
    const bool shift = modifiers & GLUT_ACTIVE_SHIFT;
    if (studio.flying && inPicture(x, y) && direction != 0) {
        if (modifiers & GLUT_ACTIVE_CTRL)
            flyTo(flyZoom(studio.flyPose, direction));
        else if (shift)
            flyTo(flyRoll(studio.flyPose, direction));
        else
            flyTo(flyDolly(studio.flyPose, direction));
        return;
    }
    if (direction > 0)
        step(shift ? STEP_BEAT_BACK : STEP_ROW_BACK);
    else if (direction < 0)
        step(shift ? STEP_BEAT_FORWARD : STEP_ROW_FORWARD);
}

void onStudioMouse(int button, int state, int x, int y) {
    // The curve view: Shift at the button event (a drag by single rows).
    studio.mouseShift = glutGetModifiers() & GLUT_ACTIVE_SHIFT;
    // Hidden panels take no presses (none of their frames would see them).
    if (studio.panelsShown || state == GLUT_UP) panelsMouseButton(button, state, x, y);
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN && overTimeline(x, y)) {
        studio.scrubbing = true;
        studio.scrubNs = wallClockNs();
        studio.scrubFramesBefore = studio.framesDrawn;
        scrubTo(x);
    } else if (button == GLUT_LEFT_BUTTON && state == GLUT_UP) {
        studio.scrubbing = false;
    }
    // Fly mode: a drag that starts in the picture orbits (left) or pans
    // (right, or left with Shift).
    if (state == GLUT_UP && button == studio.flyButton) studio.flyButton = -1;
    if (state == GLUT_DOWN && studio.flying && inPicture(x, y) &&
        (button == GLUT_LEFT_BUTTON || button == GLUT_RIGHT_BUTTON)) {
        studio.flyButton = button;
        studio.flyPan = studio.mouseShift || button == GLUT_RIGHT_BUTTON;
        studio.flyX = x;
        studio.flyY = y;
    }
    glutPostRedisplay();
}

void onStudioMotion(int x, int y) {
    panelsMouseMotion(x, y);
    glutPostRedisplay();
}

// Moves with a button held: the panels', a scrub on the timeline and fly
// mode's drag.
void onStudioDrag(int x, int y) {
    panelsMouseMotion(x, y);
    if (studio.scrubbing) scrubTo(x);
    if (studio.flying && studio.flyButton >= 0 && studio.layout.picture.height > 0) {
        const float height = float(studio.layout.picture.height);
        const float dx = float(x - studio.flyX) / height, dy = float(y - studio.flyY) / height;
        studio.flyX = x;
        studio.flyY = y;
        flyTo(studio.flyPan ? flyPan(studio.flyPose, dx, dy) : flyOrbit(studio.flyPose, dx, dy));
    }
    glutPostRedisplay();
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
    // --from may name a bookmark; a bookmark file that does not parse is
    // reported once the show is watched.
    std::vector<Bookmark> bookmarks;
    {
        const std::string path =
            showDirArgument(argc, argv, HALCYON_STUDIO_SHOW_DIR) + kBookmarkFileName;
        std::string text;
        trackc::Error ignored;
        if (trackc::readTextFile(path, &text) &&
            !parseBookmarks(text, path, studio.musicMap, &bookmarks, &ignored))
            bookmarks.clear();
    }
    std::string error;
    if (!parseStudioOptions(argc, argv, studio.musicMap, HALCYON_STUDIO_SHOW_DIR, &studio.options,
                            &error, bookmarks))
        usageError(error);

    initWindowSystem(&argc, argv);
    openWindow(studio.options.width, studio.options.height);
    glutSetWindowTitle(kStudioTitle);
    setUpShow(onStudioDisplay);
    glutKeyboardFunc(onStudioKey);
    glutSpecialFunc(onStudioSpecialKey);
    glutReshapeFunc(onStudioReshape);
    glutMouseFunc(onStudioMouse);
    glutMotionFunc(onStudioDrag);
    glutPassiveMotionFunc(onStudioMotion);
    glutMouseWheelFunc(onStudioWheel);
    initPanels();

    App& app = App::instance();
    studio.edit.showDir = studio.options.showDir;
    studio.edit.map = studio.musicMap;
    startLiveShow(&studio.live, studio.options.showDir, &studio.musicMap,
                  app.soundSync->sync->device);

    const DWORD stream = timer().stream;
    studio.transport.endRow =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream, BASS_POS_BYTE)) * kRowRate;
    studio.transport.loop = Loop{0.0, studio.transport.endRow, false};
    studio.timelineSpan = TimelineSpan{0.0, std::max(studio.transport.endRow, kTimelineMinRows)};
    if (studio.options.printRows)
        printf("halcyon-studio: music of %.3f rows\n", studio.transport.endRow);
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
