#include "sync/data.h"
#include "sync/check.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char kSyncSource[] = "sync/data.cpp";

static const size_t kFileNameSize = 4096;
static const char kFileNameSeparator[] = "_";
static const char kFileNameSuffix[] = ".track";
static const size_t kHeaderFieldSize = 4;
static const size_t kKeyRecordSize = 9;
// Records are read this many at a time; the key array grows only by what the
// file really delivers, so a huge count in a short file costs nothing.
static const size_t kRecordsPerRead = 256;
static const int32_t kFirstKeyCapacity = 16;

// Shared by every track: file names are built one at a time on the main thread.
static char fileName[kFileNameSize];

void sync_check_failed(const char* condition, const char* source, int line, const char* function) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", source, line, function, condition);
    std::abort();
}

[[noreturn]] static void outOfMemory(const char* trackName) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: out of memory for the track \"%s\"\n", kSyncSource, trackName);
    std::abort();
}

static void* stdOpen(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

static size_t stdRead(void* buffer, size_t size, size_t count, void* handle) {
    return std::fread(buffer, size, count, static_cast<FILE*>(handle));
}

static int stdClose(void* handle) {
    return std::fclose(static_cast<FILE*>(handle));
}

static char* copyString(const char* s) {
    size_t size = std::strlen(s) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy) std::memcpy(copy, s, size);
    return copy;
}

static uint32_t readU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static Key decodeKey(const unsigned char* record) {
    Key key;
    key.row = static_cast<int32_t>(readU32(record));
    uint32_t bits = readU32(record + 4);
    std::memcpy(&key.value, &bits, sizeof key.value);
    key.interpolation = static_cast<int8_t>(record[8]);
    return key;
}

// Builds prefix + "_" + name + ".track" in the shared buffer; false when it
// does not fit, so that such a name reads like a missing file.
static bool buildFileName(const char* prefix, const char* name) {
    size_t prefixLength = std::strlen(prefix);
    if (prefixLength > kFileNameSize - 1) prefixLength = kFileNameSize - 1;
    size_t separatorLength = sizeof kFileNameSeparator - 1;
    size_t nameLength = std::strlen(name);
    size_t suffixLength = sizeof kFileNameSuffix - 1;
    size_t room = kFileNameSize - 1 - prefixLength;
    if (separatorLength + suffixLength > room || nameLength > room - separatorLength - suffixLength)
        return false;
    char* p = fileName;
    std::memcpy(p, prefix, prefixLength);
    p += prefixLength;
    std::memcpy(p, kFileNameSeparator, separatorLength);
    p += separatorLength;
    std::memcpy(p, name, nameLength);
    p += nameLength;
    std::memcpy(p, kFileNameSuffix, suffixLength + 1);
    return true;
}

// Appends `count` decoded records, growing the key array geometrically; false
// if it cannot grow, in which case the keys read so far stay.
static bool appendKeys(Track* t, int32_t* capacity, const unsigned char* records, size_t count) {
    int32_t needed = t->keyCount + static_cast<int32_t>(count);
    if (needed > *capacity) {
        int32_t grown = *capacity ? *capacity : kFirstKeyCapacity;
        while (grown < needed)
            grown = grown > INT32_MAX / 2 ? INT32_MAX : grown * 2;
        if (size_t(grown) > SIZE_MAX / sizeof(Key)) grown = int32_t(SIZE_MAX / sizeof(Key));
        if (grown < needed) return false;
        Key* keys = static_cast<Key*>(std::realloc(t->keys, sizeof(Key) * size_t(grown)));
        if (!keys) return false;
        t->keys = keys;
        *capacity = grown;
    }
    for (size_t i = 0; i < count; ++i)
        t->keys[t->keyCount++] = decodeKey(records + i * kKeyRecordSize);
    return true;
}

static void readKeys(const SyncIo& io, void* file, Track* t) {
    unsigned char header[kHeaderFieldSize];
    if (io.read(header, kHeaderFieldSize, 1, file) != 1) return;
    int32_t claimed = static_cast<int32_t>(readU32(header));
    if (io.read(header, kHeaderFieldSize, 1, file) != 1) return;

    unsigned char records[kRecordsPerRead * kKeyRecordSize];
    int32_t capacity = 0;
    while (t->keyCount < claimed) {
        size_t wanted = size_t(claimed - t->keyCount);
        if (wanted > kRecordsPerRead) wanted = kRecordsPerRead;
        size_t got = io.read(records, kKeyRecordSize, wanted, file);
        if (got > wanted) got = wanted;
        if (got > 0 && !appendKeys(t, &capacity, records, got)) return;
        if (got < wanted) return;
    }
}

SyncDevice* sync_new_device(const char* prefix) {
    SyncDevice* d = static_cast<SyncDevice*>(std::calloc(1, sizeof(SyncDevice)));
    if (!d) return nullptr;
    d->prefix = copyString(prefix);
    if (!d->prefix) {
        std::free(d);
        return nullptr;
    }
    d->io.open = stdOpen;
    d->io.read = stdRead;
    d->io.close = stdClose;
    return d;
}

void sync_free_device(SyncDevice* d) {
    if (!d) return;
    for (int32_t i = 0; i < d->trackCount; ++i) {
        std::free(d->tracks[i]->name);
        std::free(d->tracks[i]->keys);
        std::free(d->tracks[i]);
    }
    std::free(d->tracks);
    std::free(d->prefix);
    std::free(d);
}

int sync_find_track(const SyncDevice* d, const char* name) {
    for (int32_t i = 0; i < d->trackCount; ++i)
        if (std::strcmp(d->tracks[i]->name, name) == 0) return i;
    return -1;
}

Track* sync_create_track(SyncDevice* d, const char* name) {
    SYNC_CHECK(sync_find_track(d, name) < 0);
    Track* t = static_cast<Track*>(std::calloc(1, sizeof(Track)));
    if (!t) outOfMemory(name);
    t->name = copyString(name);
    if (!t->name) outOfMemory(name);
    Track** tracks =
        static_cast<Track**>(std::realloc(d->tracks, sizeof(Track*) * (size_t(d->trackCount) + 1)));
    if (!tracks) outOfMemory(name);
    d->tracks = tracks;
    d->tracks[d->trackCount++] = t;
    return t;
}

void sync_read_track(SyncDevice* d, Track* t) {
    std::free(t->keys);
    t->keys = nullptr;
    t->keyCount = 0;

    void* file = buildFileName(d->prefix, t->name) ? d->io.open(fileName, "rb") : nullptr;
    if (!file) {
        std::puts("Zowie!");
        return;
    }
    readKeys(d->io, file, t);
    d->io.close(file);
}

void sync_set_keys(Track* t, const Key* keys, int32_t count) {
    SYNC_CHECK(count >= 0);
    std::free(t->keys);
    t->keys = nullptr;
    t->keyCount = 0;
    if (count == 0) return;
    t->keys = static_cast<Key*>(std::malloc(sizeof(Key) * size_t(count)));
    if (!t->keys) outOfMemory(t->name);
    std::memcpy(t->keys, keys, sizeof(Key) * size_t(count));
    t->keyCount = count;
}

Track* sync_open_track(SyncDevice* d, const char* name) {
    int index = sync_find_track(d, name);
    if (index >= 0) return d->tracks[index];
    Track* t = sync_create_track(d, name);
    sync_read_track(d, t);
    return t;
}
