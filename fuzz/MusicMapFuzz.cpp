// The music map: any text read as the map, and a real track source of the
// show compiled against what it yields (its positions name the sections).
#include "fuzz/FuzzSupport.h"
#include "tracks/TrackSource.h"

namespace {

std::string showSource;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    showSource = readWholeFile(HALCYON_FUZZ_TRACK_SOURCE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    trackc::MusicMap map;
    trackc::Error error;
    if (!trackc::parseMusicMap(text, "fuzz.map", &map, &error)) {
        const std::string message = trackc::formatError(error);
        consume(message.data(), message.size());
        return 0;
    }
    std::vector<trackc::SourceTrack> tracks;
    if (!trackc::parseTracks(showSource, HALCYON_FUZZ_TRACK_SOURCE, map, &tracks, &error)) {
        const std::string message = trackc::formatError(error);
        consume(message.data(), message.size());
    }
    return 0;
}
