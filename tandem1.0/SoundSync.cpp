#include "SoundSync.h"

#include "App.h"
#include "DataFile.h"
#include "audio/bass.h"

#include <cstdio>
#include <new>

namespace TandemSpace {

void BassTimer::pause() {
    BASS_ChannelPause(stream);
}

void BassTimer::play() {
    BASS_ChannelPlay(stream, FALSE);
}

void BassTimer::setRow(float row) {
    const float seconds = float(row / rowRate);
    BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, seconds), BASS_POS_BYTE);
}

bool BassTimer::isPlaying() {
    return BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING;
}

double BassTimer::currentRow() const {
    const QWORD bytes = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    const float seconds = float(BASS_ChannelBytes2Seconds(stream, bytes));
    return float(seconds * rowRate);
}

} // namespace TandemSpace

static void onSyncPause(void* timer, int flag) {
    Sync::Timer* t = static_cast<Sync::Timer*>(timer);
    if (flag)
        t->pause();
    else
        t->play();
}

static void onSyncSetRow(void* timer, int row) {
    static_cast<Sync::Timer*>(timer)->setRow(float(row));
}

static int onSyncIsPlaying(void* timer) {
    return static_cast<Sync::Timer*>(timer)->isPlaying() ? 1 : 0;
}

void SoundSync::init(const char* fileName) {
    static const int kDefaultDevice = -1;
    static const DWORD kOutputRate = 44100;
    // Room for any path the system can open.
    static const size_t kPathCapacity = 4096;

    if (!BASS_Init(kDefaultDevice, kOutputRate, 0, nullptr, nullptr))
        App::fail("Failed to initialize BASS\n\n");

    // A longer path would be cut and name some other file; refuse it instead.
    static char path[kPathCapacity];
    if (size_t(snprintf(path, sizeof path, "%s%s", kDataDir, fileName)) >= sizeof path)
        App::fail("Failed to open %s%s\n", kDataDir, fileName);
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, path, 0, 0, BASS_STREAM_PRESCAN);
    if (!stream) App::fail("Failed to open %s\n", path);

    timer = new TandemSpace::BassTimer(stream, kRowRate);

    static char prefix[kPathCapacity];
    if (size_t(snprintf(prefix, sizeof prefix, "%ssync", kDataDir)) >= sizeof prefix)
        App::fail("Failed to create sync device\n");
    SyncContext* context = new (std::nothrow) SyncContext{};
    SyncDevice* device = context ? sync_new_device(prefix) : nullptr;
    if (!device) {
        delete context;
        sync = nullptr;
        App::fail("Failed to create sync device\n");
    }
    context->device = device;
    context->onSyncPause = onSyncPause;
    context->onSyncSetRow = onSyncSetRow;
    context->onSyncIsPlaying = onSyncIsPlaying;
    sync = context;
}

float SoundSync::getValue(const char* name, double row) {
    Track*& track = trackCache[name];
    if (!track) track = sync_open_track(sync->device, name);
    return sync_get_val(track, row);
}
