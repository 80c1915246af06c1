// The studio's command line:
//
//   halcyon-studio [--from POS] [--loop POS..POS] [--size WxH] [--show DIR]
//                  [--paused] [--print-rows]
//
// Positions are written as in the track sources (a row, bar:beat, a section,
// NAME.end, `end`, +/- lengths) and resolved with the same music map. Parsing
// touches no window, so a bad argument is reported before one opens. Errors
// are one line without a line end.
#pragma once

#include "Bookmarks.h"
#include "tracks/TrackSource.h"

#include <cstdint>
#include <string>
#include <vector>

extern const char* const kStudioUsage;

struct StudioOptions {
    bool help;
    bool hasFrom;
    int32_t from;
    bool hasLoop;
    int32_t loopStart;
    int32_t loopEnd;
    int width;
    int height;
    std::string showDir; // with a trailing slash
    bool paused;
    bool printRows;
};

// The show folder the command line names (its last --show), else
// `defaultShowDir`; read before the options, whose positions are resolved
// with the map found in that folder.
std::string showDirArgument(int argc, char** argv, const std::string& defaultShowDir);

// `defaultShowDir` stands when --show is not given. Positions must lie within
// the music (0 to the map's end when it gives one); a loop must end after it
// starts; the show folder must hold tracks/ and shaders/. --from also takes
// the name of one of the show's bookmarks.
bool parseStudioOptions(int argc, char** argv, const trackc::MusicMap& map,
                        const std::string& defaultShowDir, StudioOptions* options,
                        std::string* error, const std::vector<Bookmark>& bookmarks = {});
