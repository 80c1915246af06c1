// Track sources: any text compiled against the show's music map. What
// compiles must encode to track files that the program's reader reads back
// key for key.
#include "fuzz/FuzzSupport.h"
#include "sync/data.h"
#include "tracks/TrackFile.h"
#include "tracks/TrackSource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

trackc::MusicMap showMap;

struct Encoded {
    const std::vector<uint8_t>* bytes;
    size_t at;
};

Encoded encoded;

void* openEncoded(const char*, const char*) {
    encoded.at = 0;
    return &encoded;
}

size_t readEncoded(void* buffer, size_t size, size_t count, void*) {
    const size_t items = size ? std::min(count, (encoded.bytes->size() - encoded.at) / size) : 0;
    memcpy(buffer, encoded.bytes->data() + encoded.at, items * size);
    encoded.at += items * size;
    return items;
}

int closeEncoded(void*) {
    return 0;
}

void checkRoundTrip(const trackc::SourceTrack& track) {
    const std::vector<uint8_t> bytes = trackc::encodeTrack(track);
    encoded = {&bytes, 0};
    SyncDevice* device = sync_new_device("fuzz");
    device->io = {openEncoded, readEncoded, closeEncoded};
    const Track* read = sync_open_track(device, track.name.c_str());
    if (size_t(read->keyCount) != track.keys.size()) __builtin_trap();
    for (size_t i = 0; i < track.keys.size(); ++i) {
        const Key& k = read->keys[i];
        if (k.row != track.keys[i].row || k.interpolation != track.keys[i].interpolation ||
            memcmp(&k.value, &track.keys[i].value, sizeof k.value) != 0)
            __builtin_trap();
    }
    sync_free_device(device);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    trackc::Error error;
    if (!trackc::parseMusicMap(readWholeFile(HALCYON_FUZZ_MUSIC_MAP), HALCYON_FUZZ_MUSIC_MAP,
                               &showMap, &error)) {
        fprintf(stderr, "%s\n", trackc::formatError(error).c_str());
        exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<trackc::SourceTrack> tracks;
    trackc::Error error;
    if (!trackc::parseTracks(text, "fuzz.tracks", showMap, &tracks, &error)) {
        const std::string message = trackc::formatError(error);
        consume(message.data(), message.size());
        return 0;
    }
    if (!trackc::checkAllTracks(tracks, &error))
        consume(error.message.data(), error.message.size());
    for (const trackc::SourceTrack& track : tracks)
        checkRoundTrip(track);
    return 0;
}
