#include "StudioOptions.h"

#include "app/common/Shell.h"

#include <sys/stat.h>

#include <cstring>

const char* const kStudioUsage =
    "usage: halcyon-studio [--from POS] [--loop POS..POS] [--size WxH] [--show DIR] [--paused]\n"
    "                      [--print-rows]\n"
    "Plays the show from POS in a window and shows every saved edit of DIR/tracks/*.tracks\n"
    "and DIR/shaders/*.glsl at once. POS is written as in the track sources: a row, bar:beat,\n"
    "a section, NAME.end, end, with +/- lengths (drop2-1:0).\n"
    "  --from POS        start there, or at a bookmark's name (default: the loop's start, or\n"
    "                    row 0)\n"
    "  --loop A..B       loop from A to B, switched on\n"
    "  --size WxH        window size (default 1600x900)\n"
    "  --show DIR        folder holding tracks/ and shaders/ (default: the source tree's show/)\n"
    "  --paused          start paused\n"
    "  --print-rows      one line per drawn frame on stdout: row, frame time, CPU time, overlay\n"
    "Keys: Space pause/play, Up/Down one row (Shift a beat), PgUp/PgDn a bar (Shift a section),\n"
    "Home row 0, g go to, s speed, p print the position, Left/Right track, a number and Enter\n"
    "set a key, i interpolation, Delete remove, Ctrl+Up/Down nudge, Alt+Up/Down move the key,\n"
    "b Ctrl+C Ctrl+V copy and paste, Ctrl+Z undo, Ctrl+Shift+Z redo, [ and ] loop start/end\n"
    "here, L loop on/off, m set or clear a bookmark here (DIR/bookmarks.txt), , and . the\n"
    "previous and next bookmark, f fly the camera with the mouse (k keys it at the row), Tab\n"
    "the picture alone, Esc quit. A click or drag on the timeline scrubs; the wheel over it\n"
    "zooms. In the curve view a key dragged changes its value and row; the side panel's M and\n"
    "S mute and solo the picture's layers.\n";

namespace {

const int kDefaultWidth = 1600;
const int kDefaultHeight = 900;
const char* const kCommandLine = "command line";

bool isDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool resolve(const char* option, const std::string& text, const trackc::MusicMap& map, int32_t* row,
             std::string* error, const std::vector<Bookmark>& bookmarks = {}) {
    trackc::Error parseError;
    if (!resolveBookmarkOrPosition(text, map, bookmarks, kCommandLine, row, &parseError)) {
        *error = std::string(option) + " " + text + ": " + parseError.message;
        return false;
    }
    if (*row < 0 || (map.hasEnd && *row > map.endRow)) {
        *error = std::string(option) + " " + text + ": row " + std::to_string(*row) +
                 " is outside the music (rows 0 to " +
                 (map.hasEnd ? std::to_string(map.endRow) : std::string("its end")) + ")";
        return false;
    }
    return true;
}

bool parseLoop(const std::string& text, const trackc::MusicMap& map, StudioOptions* options,
               std::string* error) {
    const size_t dots = text.find("..");
    if (dots == std::string::npos) {
        *error = "--loop " + text + ": expected START..END";
        return false;
    }
    if (!resolve("--loop", text.substr(0, dots), map, &options->loopStart, error) ||
        !resolve("--loop", text.substr(dots + 2), map, &options->loopEnd, error))
        return false;
    if (options->loopEnd <= options->loopStart) {
        *error = "--loop " + text + ": the loop must end after it starts";
        return false;
    }
    options->hasLoop = true;
    return true;
}

} // namespace

std::string showDirArgument(int argc, char** argv, const std::string& defaultShowDir) {
    std::string dir = defaultShowDir;
    for (int i = 1; i + 1 < argc; ++i) {
        if (strcmp(argv[i], "--show") == 0)
            dir = argv[++i];
        else if (strcmp(argv[i], "--from") == 0 || strcmp(argv[i], "--loop") == 0 ||
                 strcmp(argv[i], "--size") == 0)
            ++i; // a value, whatever it reads
    }
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool parseStudioOptions(int argc, char** argv, const trackc::MusicMap& map,
                        const std::string& defaultShowDir, StudioOptions* options,
                        std::string* error, const std::vector<Bookmark>& bookmarks) {
    *options = StudioOptions{false,          false,          0,     false, 0, 0, kDefaultWidth,
                             kDefaultHeight, defaultShowDir, false, false};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (strcmp(arg, "--help") == 0) {
            options->help = true;
            return true;
        } else if (strcmp(arg, "--paused") == 0) {
            options->paused = true;
        } else if (strcmp(arg, "--print-rows") == 0) {
            options->printRows = true;
        } else if (strcmp(arg, "--from") == 0 && hasValue) {
            if (!resolve("--from", argv[++i], map, &options->from, error, bookmarks)) return false;
            options->hasFrom = true;
        } else if (strcmp(arg, "--loop") == 0 && hasValue) {
            if (!parseLoop(argv[++i], map, options, error)) return false;
        } else if (strcmp(arg, "--size") == 0 && hasValue) {
            if (!parseWindowSize(argv[++i], &options->width, &options->height)) {
                *error = std::string("--size ") + argv[i] + ": expected WxH";
                return false;
            }
        } else if (strcmp(arg, "--show") == 0 && hasValue) {
            options->showDir = argv[++i];
        } else {
            const bool takesValue = strcmp(arg, "--from") == 0 || strcmp(arg, "--loop") == 0 ||
                                    strcmp(arg, "--size") == 0 || strcmp(arg, "--show") == 0;
            *error = takesValue ? std::string(arg) + " needs a value"
                                : std::string("unexpected argument ") + arg;
            return false;
        }
    }
    if (options->showDir.empty() || options->showDir.back() != '/') options->showDir += '/';
    for (const char* folder : {"tracks", "shaders"}) {
        if (!isDirectory(options->showDir + folder)) {
            *error = "--show " + options->showDir + ": no folder " + folder + "/ in it";
            return false;
        }
    }
    return true;
}
