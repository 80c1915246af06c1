#include "LiveShow.h"

#include "Messages.h"

#include "tandem1.0/AssetTable.h"
#include "tandem1.0/ShaderProgram.h"
#include "tracks/TrackCompile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kTrackSuffix = ".tracks";
const char* const kMusicMapName = "music-map.txt";
const char* const kShaderSuffix = ".glsl";

struct LiveShader {
    const char* file;
    ShaderProgram** slot;
};

const LiveShader kShaders[kLiveShaderCount] = {
    {"envi.glsl", &assets.enviShader},
    {"circles.glsl", &assets.circlesShader},
    {"downsample.glsl", &assets.downsampleShader},
    {"blur.glsl", &assets.blurShader},
    {"outline.glsl", &assets.outlineShader},
    {"laser.glsl", &assets.laserShader},
    {"depth.glsl", &assets.depthShader},
    {"combine.glsl", &assets.combineShader},
};

// The loader's compile report: "\n\tError compiling shader PATH [KIND]: (LENGTH)\nLOG".
const char* const kCompileHeader = "Error compiling shader ";
const char* const kFragmentKind = "[FS]:";
const char* const kDigits = "0123456789";

// Adds offset to the line number of every log line that begins "N:LINE(",
// the form Mesa's compiler writes ("0:9(43): error: ...").
std::string shiftLogLines(const std::string& log, int offset) {
    std::string shifted;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string line = log.substr(start, end - start);
        const size_t colon = line.find_first_not_of(kDigits);
        if (colon > 0 && colon != std::string::npos && line[colon] == ':') {
            const size_t number = colon + 1;
            const size_t paren = line.find_first_not_of(kDigits, number);
            if (paren != std::string::npos && paren > number && line[paren] == '(') {
                const long row = strtol(line.c_str() + number, nullptr, 10);
                line.replace(number, paren - number, std::to_string(row + offset));
            }
        }
        shifted += line;
        start = end;
    }
    return shifted;
}

void noteSave(LiveShow* live, int64_t savedNs, const std::string& what, bool removal,
              int64_t rebuildNs) {
    if (savedNs == 0) return;
    if (savedNs > live->pendingSaveNs) live->pendingSaveNs = savedNs;
    live->pendingWhat = what;
    live->pendingRemoval = removal;
    live->pendingRebuildNs += rebuildNs;
}

void showError(std::string* slot, const std::string& message) {
    *slot = message;
    fprintf(stderr, "%s%s", message.c_str(), message.empty() || message.back() != '\n' ? "\n" : "");
}

void gatherErrors(LiveShow* live) {
    std::string all;
    auto add = [&](const std::string& error) {
        if (error.empty()) return;
        all += relativeToShow(error, live->showDir);
        if (all.back() != '\n') all += '\n';
    };
    add(live->mapError);
    add(live->tracksError);
    add(live->bookmarksError);
    for (const std::string& error : live->shaderErrors)
        add(error);
    live->errorsOnScreen = all;
}

// What the line that confirms a change names: its first file, or, when that
// file was removed, the removal.
std::string changeName(const FileWatch& watch, const std::string& folder,
                       const std::vector<std::string>& names, bool* removal) {
    const std::string& name = names.front();
    *removal = true;
    for (const FileStamp& stamp : watch.reported)
        if (stamp.name == name) *removal = false;
    return *removal ? folder + name + " removed, " + folder.substr(0, folder.size() - 1)
                    : folder + name;
}

// Puts a good compile in use and keeps it for the grid.
void useTracks(LiveShow* live, std::vector<trackc::SourceTrack>* tracks) {
    installTracks(live->device, *tracks);
    live->tracks.swap(*tracks);
    ++live->tracksGeneration;
    live->tracksError.clear();
}

void settleTracks(LiveShow* live, WatchStep step, const std::string& what, bool removal,
                  int64_t savedNs) {
    const int64_t startNs = wallClockNs();
    std::vector<trackc::SourceTrack> tracks;
    trackc::Error error;
    const bool built = compileTrackFolder(live->showDir + "tracks/", *live->map, &tracks, &error);
    if (built) {
        useTracks(live, &tracks);
        noteSave(live, savedNs, what, removal, wallClockNs() - startNs);
    }
    if (settleBuild(&live->trackWatch, step, built, wallClockNs()))
        showError(&live->tracksError, trackc::formatError(error));
}

void settleBookmarks(LiveShow* live, WatchStep step);

void settleMap(LiveShow* live, WatchStep step, int64_t savedNs) {
    const std::string path = live->mapWatch.dir + live->mapWatch.only;
    trackc::MusicMap map;
    trackc::Error error;
    const bool read = trackc::readMusicMap(path, &map, &error);
    if (settleBuild(&live->mapWatch, step, read, wallClockNs()))
        showError(&live->mapError, trackc::formatError(error));
    if (!read) return;
    live->mapError.clear();
    *live->map = map;
    // Bookmarks resolve their positions with the map.
    settleBookmarks(live, WATCH_CONFIRM);
    settleTracks(live, step == WATCH_CONFIRM ? WATCH_CONFIRM : WATCH_BUILD,
                 relativeToShow(path, live->showDir), false, savedNs);
}

void settleShader(LiveShow* live, int index, WatchStep step, int64_t savedNs) {
    const LiveShader& shader = kShaders[index];
    const std::string path = live->showDir + "shaders/" + shader.file;
    const int64_t startNs = wallClockNs();
    std::string error, text;
    ShaderObjects objects;
    bool built = false;
    if (!trackc::readTextFile(path, &text)) {
        error = path + ": cannot read";
    } else if (!buildShaderObjects(reinterpret_cast<const unsigned char*>(text.data()),
                                   int32_t(text.size()), path, &objects, &error)) {
        error = shaderReportForFile(error, text);
    } else {
        (*shader.slot)->replaceObjects(objects);
        live->shaderErrors[index].clear();
        noteSave(live, savedNs, std::string("shaders/") + shader.file, false,
                 wallClockNs() - startNs);
        built = true;
    }
    if (settleBuild(&live->shaderWatches[index], step, built, wallClockNs()))
        showError(&live->shaderErrors[index], error);
}

// The bookmarks as the file holds them now, against the map in use; a
// missing file holds none.
bool readBookmarkFile(LiveShow* live, trackc::Error* error) {
    const std::string path = bookmarkFilePath(*live);
    std::string text;
    if (!readBookmarkText(*live, &text)) {
        error->file = path;
        error->line = 0;
        error->message = "cannot read";
        return false;
    }
    std::vector<Bookmark> bookmarks;
    if (!parseBookmarks(text, path, *live->map, &bookmarks, error)) return false;
    live->bookmarks.swap(bookmarks);
    live->bookmarksError.clear();
    ++live->bookmarksGeneration;
    return true;
}

void settleBookmarks(LiveShow* live, WatchStep step) {
    trackc::Error error;
    const bool read = readBookmarkFile(live, &error);
    if (settleBuild(&live->bookmarkWatch, step, read, wallClockNs()))
        showError(&live->bookmarksError, trackc::formatError(error));
}

} // namespace

std::string bookmarkFilePath(const LiveShow& live) {
    return live.showDir + kBookmarkFileName;
}

bool readBookmarkText(const LiveShow& live, std::string* text) {
    const std::string path = bookmarkFilePath(live);
    struct stat info;
    text->clear();
    return stat(path.c_str(), &info) != 0 || trackc::readTextFile(path, text);
}

void bookmarkFileWritten(LiveShow* live, const std::vector<Bookmark>& bookmarks) {
    live->bookmarkWatch.reported = scanFolder(live->showDir, "", kBookmarkFileName);
    live->bookmarks = bookmarks;
    live->bookmarksError.clear();
    ++live->bookmarksGeneration;
    gatherErrors(live);
}

std::string shaderReportForFile(const std::string& report, const std::string& fileText) {
    const size_t body = report.find_first_not_of("\n\t");
    const std::string text = body == std::string::npos ? std::string() : report.substr(body);
    const size_t headerEnd = text.find('\n');
    if (text.compare(0, strlen(kCompileHeader), kCompileHeader) != 0 ||
        headerEnd == std::string::npos)
        return text;
    const size_t length = text.rfind(" (", headerEnd);
    if (length == std::string::npos) return text;
    const std::string header = text.substr(0, length);
    const bool fragment = header.size() >= strlen(kFragmentKind) &&
                          header.compare(header.size() - strlen(kFragmentKind),
                                         strlen(kFragmentKind), kFragmentKind) == 0;
    int offset = 0;
    const size_t marker = fileText.find(kFragmentShaderMarker);
    if (fragment && marker != std::string::npos)
        for (size_t i = 0; i < marker; ++i)
            offset += fileText[i] == '\n';
    return header + "\n" + shiftLogLines(text.substr(headerEnd + 1), offset);
}

bool compileTrackFolder(const std::string& dir, const trackc::MusicMap& map,
                        std::vector<trackc::SourceTrack>* tracks, trackc::Error* error) {
    std::vector<std::string> paths;
    for (const FileStamp& stamp : scanFolder(dir, kTrackSuffix))
        paths.push_back(dir + stamp.name);
    return trackc::compileSourceFiles(paths, map, tracks, error);
}

void installTracks(SyncDevice* device, const std::vector<trackc::SourceTrack>& tracks) {
    for (const trackc::SourceTrack& track : tracks) {
        const int index = sync_find_track(device, track.name.c_str());
        Track* synced =
            index >= 0 ? device->tracks[index] : sync_create_track(device, track.name.c_str());
        sync_set_keys(synced, track.keys.data(), int32_t(track.keys.size()));
    }
}

std::string showMusicMapPath(const std::string& showDir) {
    for (const std::string& path : {showDir + "tracks/" + kMusicMapName, showDir + kMusicMapName}) {
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return path;
    }
    return "";
}

void startLiveShow(LiveShow* live, const std::string& showDir, trackc::MusicMap* map,
                   SyncDevice* device) {
    live->showDir = showDir;
    live->map = map;
    live->device = device;
    // Without a map of its own, one saved beside the sources later is taken.
    const std::string mapPath = showMusicMapPath(showDir);
    const std::string mapDir =
        mapPath.empty() ? showDir + "tracks/" : mapPath.substr(0, mapPath.rfind('/') + 1);
    live->mapWatch = makeWatch(mapDir, "", kMusicMapName, kLiveSettleNs, kLiveErrorGraceNs);
    live->trackWatch =
        makeWatch(showDir + "tracks/", kTrackSuffix, "", kLiveSettleNs, kLiveErrorGraceNs);
    live->tracksGeneration = 0;
    for (int i = 0; i < kLiveShaderCount; ++i)
        live->shaderWatches[i] = makeWatch(showDir + "shaders/", kShaderSuffix, kShaders[i].file,
                                           kLiveSettleNs, kLiveErrorGraceNs);
    live->pendingSaveNs = 0;
    live->pendingRemoval = false;
    live->pendingRebuildNs = 0;
    // What the folder holds at start is what the author meant: errors stand at once.
    settleTracks(live, WATCH_CONFIRM, "", false, 0);
    for (int i = 0; i < kLiveShaderCount; ++i)
        settleShader(live, i, WATCH_CONFIRM, 0);
    live->bookmarkWatch =
        makeWatch(showDir, "", kBookmarkFileName, kLiveSettleNs, kLiveErrorGraceNs);
    live->bookmarksGeneration = 0;
    settleBookmarks(live, WATCH_CONFIRM);
    gatherErrors(live);
}

bool pollLiveShow(LiveShow* live) {
    bool changed = false;
    std::vector<std::string> names;
    int64_t savedNs = 0;
    const WatchStep mapStep = pollWatch(&live->mapWatch, wallClockNs(), &names, &savedNs);
    if (mapStep != WATCH_QUIET) {
        settleMap(live, mapStep, savedNs);
        changed = true;
    }
    const WatchStep trackStep = pollWatch(&live->trackWatch, wallClockNs(), &names, &savedNs);
    if (trackStep != WATCH_QUIET) {
        bool removal = false;
        const std::string what =
            names.empty() ? "" : changeName(live->trackWatch, "tracks/", names, &removal);
        settleTracks(live, trackStep, what, removal, savedNs);
        changed = true;
    }
    for (int i = 0; i < kLiveShaderCount; ++i) {
        const WatchStep step = pollWatch(&live->shaderWatches[i], wallClockNs(), &names, &savedNs);
        if (step == WATCH_QUIET) continue;
        settleShader(live, i, step, savedNs);
        changed = true;
    }
    const WatchStep bookmarkStep = pollWatch(&live->bookmarkWatch, wallClockNs(), &names, &savedNs);
    if (bookmarkStep != WATCH_QUIET) {
        settleBookmarks(live, bookmarkStep);
        changed = true;
    }
    if (changed) gatherErrors(live);
    return changed;
}

bool trackFileWritten(LiveShow* live, const std::vector<std::string>& names) {
    std::vector<FileStamp>& reported = live->trackWatch.reported;
    const auto byName = [](const FileStamp& stamp, const std::string& n) { return stamp.name < n; };
    for (const FileStamp& stamp : scanFolder(live->trackWatch.dir, kTrackSuffix)) {
        if (std::find(names.begin(), names.end(), stamp.name) == names.end()) continue;
        auto at = std::lower_bound(reported.begin(), reported.end(), stamp.name, byName);
        if (at != reported.end() && at->name == stamp.name)
            *at = stamp;
        else
            reported.insert(at, stamp);
    }
    // The studio's own edit compiled before it was written, so an error here
    // comes from another file: it stands at once, as a settled save's would.
    std::vector<trackc::SourceTrack> tracks;
    trackc::Error error;
    if (compileTrackFolder(live->showDir + "tracks/", *live->map, &tracks, &error))
        useTracks(live, &tracks);
    else
        showError(&live->tracksError, trackc::formatError(error));
    gatherErrors(live);
    return live->tracksError.empty();
}
