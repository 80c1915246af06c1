// SoundSync: the music clock and the sync tracks it drives.
//
// The soundtrack stream is the only clock: BassTimer turns its play position
// into rows (21.6 rows a second). SoundSync owns the timer, the sync context
// (the track device plus its control callbacks) and the name cache through
// which every animated value is read with getValue(name, row). Names must live
// for the whole run (string literals): the cache keeps the caller's pointer.
// Everything is set up once at start-up and released by App::shutdown.
#pragma once

#include "sync/data.h"
#include "sync/timer.h"

#include <cstdint>
#include <cstring>
#include <map>

namespace TandemSpace {

struct BassTimer final : Sync::Timer {
    uint32_t stream;
    double rowRate;

    BassTimer(uint32_t stream, double rowRate) : stream(stream), rowRate(rowRate) {}
    void pause() override;
    void play() override;
    void setRow(float row) override;
    bool isPlaying() override;

    // The play position in rows, at single-precision resolution.
    double currentRow() const;
};

} // namespace TandemSpace

// Rows per second of play position: one beat of the soundtrack is 10 rows.
const double kRowRate = 21.6;

struct SyncContext {
    SyncDevice* device;
    void (*onSyncPause)(void* timer, int flag);
    void (*onSyncSetRow)(void* timer, int row);
    int (*onSyncIsPlaying)(void* timer);
};

// Orders the cache by the names' text, so equal names through different
// pointers share one entry.
struct TrackNameLess {
    bool operator()(const char* a, const char* b) const { return strcmp(a, b) < 0; }
};

struct SoundSync {
    TandemSpace::BassTimer* timer = nullptr;
    SyncContext* sync = nullptr;
    std::map<const char*, Track*, TrackNameLess> trackCache;

    // Opens the audio output and the soundtrack (stopped at its start) and
    // creates the timer and the track device; ends the process on failure.
    void init(const char* fileName);

    // The track's value at a fractional row; the first call for a name reads
    // its file.
    float getValue(const char* name, double row);
};
