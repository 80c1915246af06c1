// TrackFile: the binary file the program reads for one track, built in memory.
//
// Little-endian, no padding: the key count (signed 32-bit), 4 bytes the reader
// skips (written as 0), then per key its row (signed 32-bit), value (IEEE 754
// single) and interpolation (signed 8-bit): 9 bytes a key. The file of a track
// is named "sync_" + name + ".track" in the data directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tracks/TrackSource.h"

namespace trackc {

constexpr size_t kTrackHeaderSize = 8;
constexpr size_t kKeyRecordSize = 9;

std::string trackFileName(const std::string& trackName);

std::vector<uint8_t> encodeTrack(const SourceTrack& track);

} // namespace trackc
