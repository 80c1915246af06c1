// The audio layer's streams: any bytes opened as the soundtrack through the
// public calls, then played a little, analysed, seeked to the end and freed.
// The decoder is the system's; what the layer does with its results is ours.
// The tests' manual output stands in for the device: nothing plays or sleeps.
#include "audio/bass.h"
#include "audio/bass_test.h"
#include "fuzz/FuzzSupport.h"

#include <cstdlib>

namespace {

const uint32_t kPeriod = 1024;
const uint32_t kBytesPerFrame = 4;
const DWORD kFftFlags = BASS_DATA_FFT256 | BASS_DATA_FLOAT;

int16_t pcm[2 * kPeriod];
float spectrum[128];

void pullAndAnalyse(HSTREAM stream) {
    audioTestPull(pcm, kPeriod);
    consume(pcm, sizeof pcm);
    audioTestAdvanceClock(1000000);
    consume(spectrum, BASS_ChannelGetData(stream, spectrum, kFftFlags) == sizeof spectrum
                          ? sizeof spectrum
                          : 0);
    BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    BASS_ChannelIsActive(stream);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    audioTestSelectManualOutput(0);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        fprintf(stderr, "halcyon fuzz: BASS_Init failed: %d\n", BASS_ErrorGetCode());
        exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = writeScratchFile("fuzz.mp3", data, size);
    const HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
    if (!stream) return 0;
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    if (length % kBytesPerFrame != 0) __builtin_trap(); // positions are whole frames
    BASS_ChannelPlay(stream, FALSE);
    pullAndAnalyse(stream);
    BASS_ChannelSetPosition(stream, length > kPeriod ? length - kPeriod : 0, BASS_POS_BYTE);
    pullAndAnalyse(stream);
    pullAndAnalyse(stream);
    if (!BASS_StreamFree(stream)) __builtin_trap();
    return 0;
}
