#include "tracks/TrackCompile.h"

#include <cstdio>

namespace trackc {

bool readTextFile(const std::string& path, std::string* text) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    text->clear();
    char buffer[8192];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text->append(buffer, count);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool readMusicMap(const std::string& path, MusicMap* map, Error* error) {
    std::string text;
    if (!readTextFile(path, &text)) {
        *error = Error{path, 0, "cannot read the music map"};
        return false;
    }
    return parseMusicMap(text, path, map, error);
}

bool compileSourceFiles(const std::vector<std::string>& paths, const MusicMap& map,
                        std::vector<SourceTrack>* tracks, Error* error) {
    std::vector<SourceTrack> compiled;
    std::string text;
    for (const std::string& path : paths) {
        if (!readTextFile(path, &text)) {
            *error = Error{path, 0, "cannot read"};
            return false;
        }
        if (!parseTracks(text, path, map, &compiled, error)) return false;
    }
    if (!checkAllTracks(compiled, error)) return false;
    tracks->swap(compiled);
    return true;
}

} // namespace trackc
