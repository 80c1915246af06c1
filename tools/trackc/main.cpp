// halcyon-trackc: compiles the readable track sources into the program's
// binary track files.
//
//     halcyon-trackc --map MUSIC_MAP --out DIR SOURCE...
//
// Every source and the map are read and checked before anything is written:
// on any error the message goes to stderr as "file:line: message", the exit
// status is 1 and DIR is left as it was. On success DIR receives one file per
// track of the program, each overwritten whole. As every program's: `--help`
// prints the usage (status 0), a bad command line one line (status 2).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tracks/TrackCompile.h"
#include "tracks/TrackFile.h"
#include "tracks/TrackSource.h"

namespace {

const char kUsage[] = "usage: halcyon-trackc --map MUSIC_MAP --out DIR SOURCE...\n";
const int kUsageStatus = 2;

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

int failWith(const trackc::Error& error) {
    std::fprintf(stderr, "%s%s\n", error.file.empty() ? "halcyon-trackc: " : "",
                 trackc::formatError(error).c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string mapPath;
    std::string outDir;
    std::vector<std::string> sources;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--map") == 0 && i + 1 < argc) {
            mapPath = argv[++i];
        } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            outDir = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            std::fprintf(stderr, "halcyon-trackc: unknown option %s (see --help)\n", argv[i]);
            return kUsageStatus;
        } else {
            sources.push_back(argv[i]);
        }
    }
    if (mapPath.empty() || outDir.empty() || sources.empty()) {
        std::fputs("halcyon-trackc: expected --map MUSIC_MAP --out DIR SOURCE... (see --help)\n",
                   stderr);
        return kUsageStatus;
    }

    trackc::Error error;
    trackc::MusicMap map;
    if (!trackc::readMusicMap(mapPath, &map, &error)) return failWith(error);
    std::vector<trackc::SourceTrack> tracks;
    if (!trackc::compileSourceFiles(sources, map, &tracks, &error)) return failWith(error);

    if (outDir.back() != '/') outDir += '/';
    for (const trackc::SourceTrack& track : tracks) {
        std::string path = outDir + trackc::trackFileName(track.name);
        if (!writeBytes(path, trackc::encodeTrack(track)))
            return failWith({path, 0, std::string("cannot write: ") + std::strerror(errno)});
    }
    return 0;
}
