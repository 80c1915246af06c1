// TrackCompile: reads the music map and track source files and compiles them
// into tracks in memory, for the track compiler and for tools that recompile
// the show while it runs. Nothing is written. Errors are the first one met,
// "file:line: message" through formatError; every source is read whole.
#pragma once

#include <string>
#include <vector>

#include "tracks/TrackSource.h"

namespace trackc {

// The file's bytes; false when it cannot be opened or read.
bool readTextFile(const std::string& path, std::string* text);

bool readMusicMap(const std::string& path, MusicMap* map, Error* error);

// Parses the sources in the order given and checks that every track of the
// program is defined; *tracks is replaced only on success.
bool compileSourceFiles(const std::vector<std::string>& paths, const MusicMap& map,
                        std::vector<SourceTrack>* tracks, Error* error);

} // namespace trackc
