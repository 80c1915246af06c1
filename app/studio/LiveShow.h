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
// - a shader replaces its program's objects once it compiles and links;
// - the show folder's music map (showMusicMapPath), read again when saved,
//   replaces the caller's map and the tracks are compiled against it.
//
// A save is built once it has settled and a failure is reported only once it
// persists (FileWatch). A source that fails leaves what is in use untouched:
// its message goes to stderr once and stays in `mapError`, `tracksError` or
// `shaderErrors` until a good save clears it. Main thread only (the shaders
// need the GL context).
#pragma once

#include "Bookmarks.h"
#include "FileWatch.h"
#include "sync/data.h"
#include "tracks/TrackSource.h"

#include <cstdint>
#include <string>
#include <vector>

const int kLiveShaderCount = 8;

// A save is built once its files were quiet this long: longer than the
// pauses of writers that save in steps (a truncate, then the text in chunks
// 50 ms apart), short enough that a save is on screen within 100 ms.
const int64_t kLiveSettleNs = 60 * 1000 * 1000;
// A build that failed is built again after the files were quiet this much
// longer; only then is its error shown.
const int64_t kLiveErrorGraceNs = 400 * 1000 * 1000;

struct LiveShow {
    std::string showDir;   // with a trailing slash
    trackc::MusicMap* map; // the caller's, replaced by a good save of the show's map
    SyncDevice* device;
    FileWatch mapWatch;
    FileWatch trackWatch;
    FileWatch shaderWatches[kLiveShaderCount];
    std::string mapError;    // "" while the last read held
    std::string tracksError; // "" while the last compile held
    // The tracks of the last good compile, with where each is defined, and
    // a count of those compiles (the grid rebuilds its columns on a change).
    std::vector<trackc::SourceTrack> tracks;
    int tracksGeneration;
    std::string shaderErrors[kLiveShaderCount]; // by the table's order
    // Every standing error above for the screen, paths relative to the show
    // folder, one line end after each; rebuilt when one changes.
    std::string errorsOnScreen;
    // The save that the next frame is the first to show, for the latency
    // line; 0 when none waits.
    int64_t pendingSaveNs;
    std::string pendingWhat;
    bool pendingRemoval;      // the change was a file removed
    int64_t pendingRebuildNs; // what the rebuild itself took of that time
    // Bookmarks: the show folder's bookmarks.txt (missing: none), read again
    // when saved and when the map changes; a bad save keeps the last good
    // ones and its error stands in `bookmarksError` until a good one.
    FileWatch bookmarkWatch;
    std::vector<Bookmark> bookmarks;
    std::string bookmarksError;
    int bookmarksGeneration; // counts the good reads
};

// The show folder's music map: DIR/tracks/music-map.txt beside the sources,
// else DIR/music-map.txt as installed; "" when the folder has neither.
std::string showMusicMapPath(const std::string& showDir);

// Compiles every *.tracks file of the folder in name order and checks that
// the program's tracks are all there; *tracks is replaced only on success.
bool compileTrackFolder(const std::string& dir, const trackc::MusicMap& map,
                        std::vector<trackc::SourceTrack>* tracks, trackc::Error* error);

// Makes the device's tracks hold the compiled keys, creating those it has not
// read yet; nothing is read from the track files.
void installTracks(SyncDevice* device, const std::vector<trackc::SourceTrack>& tracks);

// A shader loader's report as the studio prints it. A compile report becomes
// "Error compiling shader PATH [VS|FS]:" and the driver's log, whose
// "N:LINE(COL)" line numbers are turned from the stage's into the file's own
// (the fragment stage begins on the marker's line); the log's length goes.
// Any other report comes back as it is, less its leading blank line and tab.
std::string shaderReportForFile(const std::string& report, const std::string& fileText);

// Watches the show folder and puts all of it in use (or reports it). *map is
// the one read at start-up (the show folder's when it has one) and must
// outlive the LiveShow.
void startLiveShow(LiveShow* live, const std::string& showDir, trackc::MusicMap* map,
                   SyncDevice* device);

// Rebuilds what was saved since the last call; true when it rebuilt anything
// (the picture or the errors may have changed: draw a frame).
bool pollLiveShow(LiveShow* live);

// After the studio itself wrote these files of tracks/ (one edit may span
// several): their new stamps are taken as reported, so the watch does not
// hand the studio's own writes back as foreign saves (other files' changes
// still come), and the tracks are rebuilt from the files once, at once. False with tracksError set
// when they do not compile.
bool trackFileWritten(LiveShow* live, const std::vector<std::string>& names);

// DIR/bookmarks.txt.
std::string bookmarkFilePath(const LiveShow& live);
// Its text, empty when there is no such file; false when it cannot be read.
bool readBookmarkText(const LiveShow& live, std::string* text);
// After the studio itself wrote the bookmark file with these bytes (which
// parsed): they are put in use at once and the write is not taken for a save.
void bookmarkFileWritten(LiveShow* live, const std::vector<Bookmark>& bookmarks);
