// Track files: any bytes read as one track through the device's own reader
// (count, skipped word, 9-byte records, short or lying files), then sampled
// around every key and at rows far outside the 32-bit range.
#include "fuzz/FuzzSupport.h"
#include "sync/data.h"
#include "sync/track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const int kKeysSampled = 64;

struct Memory {
    const uint8_t* data;
    size_t size;
    size_t at;
};

Memory input;

void* openInput(const char*, const char*) {
    input.at = 0;
    return &input;
}

// fread's contract: whole items only, as many as there are.
size_t readInput(void* buffer, size_t size, size_t count, void* handle) {
    Memory* m = static_cast<Memory*>(handle);
    if (size == 0) return 0;
    const size_t items = std::min(count, (m->size - m->at) / size);
    memcpy(buffer, m->data + m->at, items * size);
    m->at += items * size;
    return items;
}

int closeInput(void*) {
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    input = {data, size, 0};
    SyncDevice* device = sync_new_device("fuzz");
    device->io = {openInput, readInput, closeInput};
    const Track* track = sync_open_track(device, "fuzz:track");

    const double inf = std::numeric_limits<double>::infinity();
    const double extremes[] = {-inf,         -1e300, -2147483649.0, double(INT32_MIN),
                               -1.5,         0.0,    0.5,           double(INT32_MAX),
                               2147483648.5, 1e300,  inf,           std::nan("")};
    for (double row : extremes)
        consumeFloat(sync_get_val(track, row));
    const double offsets[] = {-1.0, -0.5, 0.0, 0.25, 0.999, 1.0};
    for (int i = 0; i < track->keyCount && i < kKeysSampled; ++i) {
        sync_find_key(track, track->keys[i].row);
        for (double offset : offsets)
            consumeFloat(sync_get_val(track, track->keys[i].row + offset));
    }
    sync_free_device(device);
    return 0;
}
