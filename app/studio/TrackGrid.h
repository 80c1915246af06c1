// TrackGrid: what the studio's grid shows, apart from its drawing.
//
// Columns are the show's tracks grouped by the source file that defines them,
// in the compiler's order (files by name, tracks as written). A cell is the
// track at one whole row: a key standing there, or the value the sync code
// itself computes between keys (sync_get_val, the program's own reading).
// Rows carry beat and bar lines and the names of the sections starting on
// them. The layout splits the window between the picture, kept at 16:9, and
// the panels. Pure functions of plain records; columns point at the sync
// device's tracks, which keep their addresses for the process's life.
#pragma once

#include "sync/track.h"
#include "tracks/TrackSource.h"

#include <cstddef>
#include <string>
#include <vector>

struct SyncDevice;

struct GridColumn {
    std::string name;   // the track's
    std::string group;  // its source's file name without folder and ".tracks"
    const Track* track; // the device's
    bool opensGroup;    // the first column of its source
};

// The compiled tracks' columns, each bound to the device's track of its name
// (tracks the device lacks are left out).
std::vector<GridColumn> gridColumns(const std::vector<trackc::SourceTrack>& tracks,
                                    const SyncDevice* device);

struct GridCell {
    bool isKey;
    int32_t interpolation; // the key's; meaningful for keys only
    float value;
};

GridCell gridCell(const Track* track, int row);

// One character for a key's interpolation: '-' hold, '/' linear, '~' smooth,
// '^' quad.
char interpolationMark(int32_t interpolation);

// The interpolation a key cycles to: hold, linear, smooth, quad, hold.
int32_t nextInterpolation(int32_t interpolation);

enum RowLine {
    LINE_NONE,
    LINE_BEAT,
    LINE_BAR,
};
RowLine rowLine(int row);

// The section starting exactly at the row, or null.
const trackc::Section* sectionStartingAt(const trackc::MusicMap& map, int row);

// A column's header: the track's name after its object ("dist" of
// "Camera:dist") in at most `maxChars` characters; a cut name keeps what
// follows its last '.' or '_' ("offset.x" in 4: "of.x"), which tells the
// axes apart.
void abbreviateTrackName(const std::string& name, int maxChars, char* text, size_t capacity);

// The value in at most `maxChars` characters (capacity must exceed it), with
// as many decimals (up to three) as fit and no trailing zeros: 6, 4.5,
// -12.3, 0.125. A value too wide even without decimals reads as '#'s.
void formatCellValue(float value, int maxChars, char* text, size_t capacity);

// The first row shown when `count` rows are shown around the cursor: the
// cursor sits a third of the way down, so more of what comes is in view.
int firstShownRow(int cursorRow, int count);

// The grid's columns keep at least this many characters of value; when not
// all fit, they scroll sideways, headers included.
const int kMinColumnChars = 5;

// The first column shown when `shown` of `count` columns fit: the one shown
// before (`previousFirst`), moved only as far as the cursor's column needs to
// stay in view, and never leaving room unused at the right end.
int firstShownColumn(int previousFirst, int cursorColumn, int shown, int count);

struct PixelRect {
    int x, y, width, height; // from the window's top-left corner
};

struct StudioLayout {
    PixelRect picture;
    PixelRect side; // transport, position, messages
    PixelRect grid;
    PixelRect curves;   // the curve view, right of the grid
    PixelRect timeline; // the whole show, along the bottom
};

// With panels, the picture takes the window's top-left corner at 16:9, at
// most kPictureShare of the width and of the height; the side panel fills
// the rest of its height. Below them the timeline runs along the window's
// bottom (kTimelineHeight, at most half of what is left), and between the
// two the grid takes kGridShare of the width, the curve view the rest.
// Picture only: the whole window, the panels empty.
const double kPictureShare = 0.6;
const int kTimelineHeight = 96;
const double kGridShare = 0.6;
StudioLayout studioLayout(int width, int height, bool pictureOnly);
