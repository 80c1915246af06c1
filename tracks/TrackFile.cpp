#include "tracks/TrackFile.h"

#include <cstring>

namespace trackc {

namespace {

// Byte by byte, so the file is the same on any host byte order.
void putInt32(std::vector<uint8_t>* out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back(static_cast<uint8_t>(value >> shift));
}

} // namespace

std::string trackFileName(const std::string& trackName) {
    return "sync_" + trackName + ".track";
}

std::vector<uint8_t> encodeTrack(const SourceTrack& track) {
    std::vector<uint8_t> out;
    out.reserve(kTrackHeaderSize + kKeyRecordSize * track.keys.size());
    putInt32(&out, static_cast<uint32_t>(track.keys.size()));
    putInt32(&out, 0);
    for (const Key& key : track.keys) {
        uint32_t valueBits;
        std::memcpy(&valueBits, &key.value, sizeof valueBits);
        putInt32(&out, static_cast<uint32_t>(key.row));
        putInt32(&out, valueBits);
        out.push_back(static_cast<uint8_t>(key.interpolation));
    }
    return out;
}

} // namespace trackc
