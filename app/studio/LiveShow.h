// LiveShow: the studio's link to the show's sources. It compiles the track
// sources (DIR/tracks/*.tracks) and the shader files (DIR/shaders/NAME.glsl
// for the eight shaders of the asset table) when the studio starts and again
// whenever one of them is saved, and puts the result in use between two
// frames:
//
// - tracks replace the keys of the sync device's tracks in place (the name
//   cache keeps pointing at the same tracks), read through the device's own
//   reader from the compiled bytes in memory; the device's file operations
//   are put back afterwards, so nothing about track files changes;
// - a shader replaces its program's objects once it compiles and links.
//
// A source that fails leaves what is in use untouched: its message goes to
// stderr once per save and stays in `tracksError` or `shaderErrors` until a
// good save clears it. Main thread only (the shaders need the GL context).
#pragma once

#include "FileWatch.h"
#include "sync/data.h"
#include "tracks/TrackSource.h"

#include <cstdint>
#include <string>
#include <vector>

const int kLiveShaderCount = 8;

struct LiveShow {
    std::string showDir; // with a trailing slash
    trackc::MusicMap map;
    SyncDevice* device;
    FileWatch trackWatch;
    FileWatch shaderWatch;
    std::string tracksError; // "" while the last compile held
    // The tracks of the last good compile, with where each is defined, and
    // a count of those compiles (the grid rebuilds its columns on a change).
    std::vector<trackc::SourceTrack> tracks;
    int tracksGeneration;
    std::string shaderErrors[kLiveShaderCount]; // by the table's order
    // The save that the next frame is the first to show, for the latency
    // line; 0 when none waits.
    int64_t pendingSaveNs;
    std::string pendingWhat;
    int64_t pendingRebuildNs; // what the rebuild itself took of that time
};

// Compiles every *.tracks file of the folder in name order and checks that
// the program's tracks are all there; *tracks is replaced only on success.
bool compileTrackFolder(const std::string& dir, const trackc::MusicMap& map,
                        std::vector<trackc::SourceTrack>* tracks, trackc::Error* error);

// Makes the device's tracks hold the compiled keys, creating those it has not
// read yet; nothing is read from the track files.
void installTracks(SyncDevice* device, const std::vector<trackc::SourceTrack>& tracks);

// Watches the show folder and puts all of it in use (or reports it).
void startLiveShow(LiveShow* live, const std::string& showDir, const trackc::MusicMap& map,
                   SyncDevice* device);

// Rebuilds what was saved since the last call; true when it rebuilt anything
// (the picture or the errors may have changed: draw a frame).
bool pollLiveShow(LiveShow* live);

// After the studio itself wrote tracks/NAME: the file's new stamp is taken as
// reported, so the watch does not hand the studio's own write back as a
// foreign save (other files' changes still come), and the tracks are rebuilt
// from the files at once. False with tracksError set when they do not compile.
bool trackFileWritten(LiveShow* live, const std::string& name);
