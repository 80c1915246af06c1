// Key edits of track sources: any text, and three edits of its keys chosen by
// its last bytes (which key, which kind, how far). An edit that is accepted
// must leave a text that compiles, with every track it did not name exactly as
// before, and the positions it writes must read back as their rows.
#include "fuzz/FuzzSupport.h"
#include "tracks/TrackEdit.h"

#include <cstdio>
#include <cstdlib>

namespace {

trackc::MusicMap showMap;

// Each edit takes this many bytes from the input's end.
constexpr size_t kEditBytes = 4;
constexpr size_t kEdits = 3;

bool sameKeys(const std::vector<Key>& a, const std::vector<Key>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].row != b[i].row || a[i].interpolation != b[i].interpolation ||
            !(a[i].value == b[i].value))
            return false;
    return true;
}

trackc::KeyEdit editOf(const std::vector<trackc::EditTrack>& tracks, const uint8_t* bytes) {
    const trackc::EditTrack& track = tracks[bytes[0] % tracks.size()];
    int32_t row = int8_t(bytes[1]) * kRowsPerBeat / 2;
    if (!track.keys.empty() && bytes[1] < 0x80)
        row = track.keys[bytes[1] % track.keys.size()].key.row;
    const int32_t step = int8_t(bytes[2]) * (bytes[3] & 1 ? 1 : kRowsPerBeat);
    switch (bytes[3] % 4) {
    case 0:
        return trackc::setKey(track.name, row + step, float(int8_t(bytes[2])) / 4);
    case 1:
        return trackc::setInterpolation(track.name, row, bytes[2] % 5);
    case 2:
        return trackc::deleteKey(track.name, row);
    default:
        return trackc::moveKey(track.name, row, step);
    }
}

void checkPosition(int32_t row) {
    trackc::Error error;
    int32_t back = 0;
    for (const std::string& text :
         {trackc::formatKeyPosition(showMap, row), trackc::formatPosition(showMap, row)})
        if (!trackc::resolvePosition(text, showMap, "", 0, &back, &error) || back != row)
            __builtin_trap();
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
    if (size < kEdits * kEditBytes) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<trackc::EditTrack> tracks;
    trackc::Error error;
    if (!trackc::parseSourceKeys(text, "fuzz.tracks", showMap, &tracks, &error) || tracks.empty())
        return 0;
    std::vector<trackc::KeyEdit> edits;
    for (size_t i = 0; i < kEdits; ++i)
        edits.push_back(editOf(tracks, data + size - (i + 1) * kEditBytes));
    std::string edited;
    if (!trackc::applyKeyEdits(text, "fuzz.tracks", showMap, edits, &edited, &error)) {
        const std::string message = trackc::formatError(error);
        consume(message.data(), message.size());
        return 0;
    }
    std::vector<trackc::EditTrack> after;
    if (!trackc::parseSourceKeys(edited, "fuzz.tracks", showMap, &after, &error) ||
        after.size() != tracks.size())
        __builtin_trap();
    for (size_t t = 0; t < tracks.size(); ++t) {
        bool named = false;
        for (const trackc::KeyEdit& edit : edits)
            named = named || edit.track == tracks[t].name;
        std::vector<Key> was, is;
        for (const trackc::SourceKey& key : tracks[t].keys)
            was.push_back(key.key);
        for (const trackc::SourceKey& key : after[t].keys)
            is.push_back(key.key);
        if (!named && !sameKeys(was, is)) __builtin_trap();
        for (const Key& key : is)
            if (key.row >= 0 && key.row <= showMap.endRow) checkPosition(key.row);
    }
    return 0;
}
