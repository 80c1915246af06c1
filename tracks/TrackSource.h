// TrackSource: the readable text form of the sync tracks and of the music map
// whose sections name positions in it. Text in, tracks (or one error) out; no
// file is touched here, so the caller passes the text and the file's name for
// the messages.
//
// A source file holds any number of tracks, each a header line and its keys:
//
//     # '#' starts a comment; indentation is free
//     track Camera:dist smooth        # default interpolation of its keys
//         0             6
//         drop1         4.5  linear   # a key: position, value, [interpolation]
//         12:2.5        5             # bar 12, beat 2.5: row 505
//         drop1.end-0:2 4
//     track strobo hold
//         0             0
//         repeat every 0:1 from drop1 to drop1.end
//             0         1.2  linear   # offsets from each repeat's start
//             0:0.5     0
//         end
//         drop1.end     0
//
// Positions: a row (480), bar:beat (12:2; bars and beats count from 0, 10 rows
// a beat, 4 beats a bar, the beat may be fractional), a section of the music
// map (its start; NAME.end for its end) or `end` (the music's end), followed by
// any number of +/- lengths (drop1+2:0, drop1-4). A position must land on a
// whole row. Lengths (a repeat's period and its keys' offsets) are rows or
// bar:beat without names or signs.
//
// Interpolations: hold, linear, smooth, quad (0 to 3 in the track file); a key
// without one takes its track's default, hold unless the header names another.
//
// A repeat lays its keys at from, from + period, from + 2 period, ...; a key
// lands only when its row is before `to`, so the pattern is cut at the end.
// Its offsets ascend and stay below the period, so instances never overlap.
//
// Keys of a track must ascend strictly by row, every name must be one of the
// program's tracks and each track is defined once across all sources.
#pragma once

#include "sync/show.h"
#include "sync/track.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trackc {

// A track as its sources define it: the program's Key records (sync/track.h),
// with where it was defined.
struct SourceTrack {
    std::string name;
    std::vector<Key> keys;
    std::string file; // where its header stands, for messages
    int line;
};

struct Section {
    std::string name;
    int32_t start;
    int32_t end;
};

struct MusicMap {
    std::vector<Section> sections;
    bool hasEnd;
    int32_t endRow;
};

// line 0: the message concerns the whole file; an empty file: the whole run.
struct Error {
    std::string file;
    int line;
    std::string message;
};

// Fills *error with where and the formatted message; returns false, so that a
// parser can `return setError(...)`.
bool setError(Error* error, const std::string& file, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// "file:line: message", "file: message" or just the message.
std::string formatError(const Error& error);

// Lines the map does not know (other markers of the music) are skipped, so the
// soundtrack's generator may add some without breaking the tracks.
bool parseMusicMap(const std::string& text, const std::string& file, MusicMap* map, Error* error);

// Appends the tracks of one source to *tracks. On error *tracks may hold part of
// the source; callers stop at the first error.
bool parseTracks(const std::string& text, const std::string& file, const MusicMap& map,
                 std::vector<SourceTrack>* tracks, Error* error);

// Where parseTracks found what it compiled, for tools that edit the text.
struct KeyOrigin {
    int line;                  // the key's line; a repeat's key: its pattern key's line
    bool interpolationWritten; // the line names an interpolation
    int repeatLine;            // the header line of the repeat that made it; 0 for its own line
};

struct RepeatOrigin {
    int line;    // of its header
    int endLine; // of its "end"
    int32_t period;
    int32_t from;
    int32_t to;
    std::vector<int32_t> offsets; // of its pattern keys, ascending
    std::vector<int> keyLines;    // the pattern keys' lines
};

struct SourceOrigins {
    std::vector<int32_t> defaultInterpolations; // one per track appended
    std::vector<KeyOrigin> keys;                // one per key appended, track by track
    std::vector<RepeatOrigin> repeats;          // in the text's order
};

// parseTracks, also appending to *origins where each of the appended tracks'
// keys and repeats stand.
bool parseTracksWithOrigins(const std::string& text, const std::string& file, const MusicMap& map,
                            std::vector<SourceTrack>* tracks, SourceOrigins* origins, Error* error);

// One position as a key line writes it, resolved with the map for tools that
// take positions on their command line; messages name `file` and `line` as
// the sources' own do.
bool resolvePosition(const std::string& text, const MusicMap& map, const std::string& file,
                     int line, int32_t* row, Error* error);

// Every one of the program's names must be among the tracks (parseTracks has
// already refused unknown names and second definitions).
bool checkAllTracks(const std::vector<SourceTrack>& tracks, Error* error);

} // namespace trackc
