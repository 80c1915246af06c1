// StudioPanels: the studio's Dear ImGui panels, drawn into the window after
// the frame and outside the picture's area: the side panel (position,
// transport, the track at the cursor, the prompt, messages, errors) and the
// track grid below. Nothing here reaches the frame renderer or the video
// export, which never link ImGui. The GL state the frame relies on (program,
// buffers, texture unit, client arrays, the render-state cache's modes) is
// put back after drawing. The panels read the studio's state through a view
// filled by the caller and report clicks through PanelActions; they change
// nothing themselves. Main thread only.
#pragma once

#include "CurveView.h"
#include "Bookmarks.h"
#include "Timeline.h"
#include "TrackGrid.h"
#include "Transport.h"
#include "effects/StudioOverride.h"

#include "audio/Loudness.h"

#include <string>
#include <vector>

struct PanelView {
    StudioLayout layout;
    int windowWidth;
    int windowHeight;
    const Transport* transport;
    const trackc::MusicMap* map;
    const std::vector<GridColumn>* columns;
    int cursorColumn;
    bool hasMark; // a block's first corner; the cursor is the other
    int markRow;
    int markColumn;
    double speed;
    double frameMs;
    const char* position; // the cursor's row as the sources write it
    const char* cellInfo; // the cursor cell's key and its source line, or ""
    const char* prompt;   // the text being typed, or ""
    const char* message;  // the last edit's or undo's outcome, or ""
    // Every standing error, paths relative to the show folder, a line end
    // after each.
    const std::string* errors;
    // The curve view: Shift held at the last mouse button event (GLUT tells
    // the modifiers only then), so that a drag moves its key by single rows.
    bool mouseShift;
    // Fly mode and the layers: the pose flown (null outside fly mode) and
    // the muted and soloed layers of the picture.
    const CameraPose* flyPose;
    const LayerFlags* layers;
    // Timeline and bookmarks: the rows the strip shows, the music's envelope
    // (null until the music is decoded), the show's bookmarks.
    TimelineSpan timelineSpan;
    const LoudnessSummary* loudness;
    const std::vector<Bookmark>* bookmarks;
};

// What the user did in the panels this frame, for the caller to apply: the
// panels themselves change nothing.
struct PanelActions {
    // The curve view: a key dragged and let go, to be edited where the drag
    // left it (curveDragEdits).
    bool curveDragDone = false;
    std::string curveTrack;
    int32_t curveFromRow = 0;
    float curveFromValue = 0.0f;
    DragTarget curveTarget{};
    // Layers: the layer whose mute or solo was clicked, or -1.
    int toggleMute = -1;
    int toggleSolo = -1;
    // Timeline: the CPU time its strip took to lay out, in ms.
    double timelineBuildMs = 0.0;
};

// After the window is open and before the first frame.
void initPanels();

// Whole panels in two steps, timed apart: laying them out (ImGui's draw
// lists), then drawing them with GL. Only while the panels are shown.
void buildPanels(const PanelView& view, PanelActions* actions);

// The thread's CPU time the last buildPanels took to lay out the curve view,
// and the grid and the curve view together, in ms.
struct CurveViewCost {
    double curvesMs;
    double withGridMs;
};
CurveViewCost lastCurveViewCost();
void renderPanels();

// Instead of the panels while they are hidden: one line in the window's
// top-left corner, in the errors' colour; renderPanels draws it.
void buildErrorMarker(const char* text, int windowWidth, int windowHeight);

// Window events the panels take (hover shows a column's full name).
void panelsMouseButton(int button, int state, int x, int y);
void panelsMouseMotion(int x, int y);
// After buildPanels: true when a click's release was held back for this
// frame to see its press, so another frame must follow to see the release.
bool panelsNeedAnotherFrame();

// ImGui's own clipboard: GLUT reaches no system clipboard, so this one lives
// as long as the studio.
void setPanelsClipboard(const char* text);
