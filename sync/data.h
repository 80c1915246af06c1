// The sync device: a set of named tracks, each read once from its own file.
//
// A track's file is named prefix + "_" + track name + ".track" (the name taken
// verbatim, colons and dots included). Contents, little-endian, no padding:
//   offset 0  int32  key count n
//   offset 4  4 bytes, ignored (so a 64-bit count below 2^31 reads correctly)
//   offset 8  n records of 9 bytes: int32 row, float32 value, int8 interpolation
// Anything after the records is ignored. Tracks are read-only; nothing is ever
// written back.
//
// A file that cannot be opened prints "Zowie!" on stdout once and leaves the
// track empty (it reads 0 at every row). A file with fewer records than its
// count claims yields the whole records it holds; a negative count yields an
// empty track. Every read goes through the device's `io` operations, which are
// the standard library's at creation and may be replaced (tests do).
//
// The device owns its prefix copy, its tracks and their names and keys, all
// from malloc. Tracks are never removed. Main thread only: the file name is
// built in one buffer shared by all devices.
#pragma once

#include "sync/track.h"

#include <cstddef>
#include <cstdint>

// File operations with the shapes of fopen, fread and fclose; a null handle
// from open means the file cannot be read.
struct SyncIo {
    void* (*open)(const char* path, const char* mode);
    size_t (*read)(void* buffer, size_t size, size_t count, void* handle);
    int (*close)(void* handle);
};

struct SyncDevice {
    char* prefix;   // own copy
    Track** tracks; // trackCount tracks in creation order
    int32_t trackCount;
    SyncIo io;
};

// An empty device with a copy of `prefix` and the standard file operations;
// null if the memory cannot be had.
SyncDevice* sync_new_device(const char* prefix);

// Releases the device with all its tracks. The program itself keeps its
// device until exit; this is for code that needs a clean heap (tests).
void sync_free_device(SyncDevice* d);

// The device's track of that name, created and read from its file the first
// time the name is asked for.
Track* sync_open_track(SyncDevice* d, const char* name);

// Index of the track of that name in `tracks`, or -1.
int sync_find_track(const SyncDevice* d, const char* name);

// Appends a new empty track (no track of the name may exist yet). Ends the
// process with a report if the memory cannot be had.
Track* sync_create_track(SyncDevice* d, const char* name);

// Replaces the track's keys with those of its file.
void sync_read_track(SyncDevice* d, Track* t);

// Replaces the track's keys with a copy of `count` keys from memory, sorted by
// row (tools that compile tracks while the show runs); nothing is read or
// printed. Ends the process with a report if the memory cannot be had.
void sync_set_keys(Track* t, const Key* keys, int32_t count);
