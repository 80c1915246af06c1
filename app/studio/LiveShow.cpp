#include "LiveShow.h"

#include "tandem1.0/AssetTable.h"
#include "tandem1.0/ShaderProgram.h"
#include "tracks/TrackCompile.h"

#include <algorithm>
#include <cstdio>

namespace {

// An editor's write is done by the time the file is this old.
const int64_t kSettleNs = 10 * 1000 * 1000;
const char* const kTrackSuffix = ".tracks";
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

void noteSave(LiveShow* live, int64_t savedNs, const std::string& what, int64_t rebuildNs) {
    if (savedNs > live->pendingSaveNs) live->pendingSaveNs = savedNs;
    live->pendingWhat = what;
    live->pendingRebuildNs += rebuildNs;
}

void reloadTracks(LiveShow* live) {
    std::vector<trackc::SourceTrack> tracks;
    trackc::Error error;
    if (!compileTrackFolder(live->showDir + "tracks/", live->map, &tracks, &error)) {
        live->tracksError = trackc::formatError(error);
        fprintf(stderr, "%s\n", live->tracksError.c_str());
        return;
    }
    installTracks(live->device, tracks);
    live->tracks.swap(tracks);
    ++live->tracksGeneration;
    live->tracksError.clear();
}

void reloadShader(LiveShow* live, int index) {
    const LiveShader& shader = kShaders[index];
    const std::string path = live->showDir + "shaders/" + shader.file;
    std::string& error = live->shaderErrors[index];
    std::string text;
    ShaderObjects objects;
    if (!trackc::readTextFile(path, &text)) {
        error = path + ": cannot read";
    } else if (!buildShaderObjects(reinterpret_cast<const unsigned char*>(text.data()),
                                   int32_t(text.size()), path, &objects, &error)) {
        // The loader's report opens with a blank line and a tab.
        error.erase(0, error.find_first_not_of("\n\t"));
    } else {
        (*shader.slot)->replaceObjects(objects);
        error.clear();
        return;
    }
    fprintf(stderr, "%s%s", error.c_str(), error.back() == '\n' ? "" : "\n");
}

} // namespace

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

void startLiveShow(LiveShow* live, const std::string& showDir, const trackc::MusicMap& map,
                   SyncDevice* device) {
    live->showDir = showDir;
    live->map = map;
    live->device = device;
    live->trackWatch = FileWatch{showDir + "tracks/", kTrackSuffix, kSettleNs, {}};
    live->shaderWatch = FileWatch{showDir + "shaders/", kShaderSuffix, kSettleNs, {}};
    resetWatch(&live->trackWatch);
    resetWatch(&live->shaderWatch);
    live->pendingSaveNs = 0;
    live->pendingRebuildNs = 0;
    live->tracksGeneration = 0;
    reloadTracks(live);
    for (int i = 0; i < kLiveShaderCount; ++i)
        reloadShader(live, i);
}

bool pollLiveShow(LiveShow* live) {
    bool changed = false;
    std::vector<std::string> names;
    int64_t savedNs = 0;
    if (pollWatch(&live->trackWatch, wallClockNs(), &names, &savedNs)) {
        const int64_t startNs = wallClockNs();
        reloadTracks(live);
        changed = true;
        if (live->tracksError.empty())
            noteSave(live, savedNs, "tracks/" + names.front(), wallClockNs() - startNs);
    }
    if (pollWatch(&live->shaderWatch, wallClockNs(), &names, &savedNs)) {
        for (const std::string& name : names) {
            for (int i = 0; i < kLiveShaderCount; ++i) {
                if (name != kShaders[i].file) continue;
                const int64_t startNs = wallClockNs();
                reloadShader(live, i);
                changed = true;
                if (live->shaderErrors[i].empty())
                    noteSave(live, savedNs, "shaders/" + name, wallClockNs() - startNs);
            }
        }
    }
    return changed;
}

bool trackFileWritten(LiveShow* live, const std::string& name) {
    std::vector<FileStamp>& reported = live->trackWatch.reported;
    const auto byName = [](const FileStamp& stamp, const std::string& n) { return stamp.name < n; };
    auto at = std::lower_bound(reported.begin(), reported.end(), name, byName);
    const bool known = at != reported.end() && at->name == name;
    for (const FileStamp& stamp : scanFolder(live->trackWatch.dir, kTrackSuffix)) {
        if (stamp.name != name) continue;
        if (known)
            *at = stamp;
        else
            reported.insert(at, stamp);
    }
    reloadTracks(live);
    return live->tracksError.empty();
}
